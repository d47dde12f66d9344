// An add-on library whose initialiser never returns: the process that loads it hangs.
#include <unistd.h>

namespace {

[[maybe_unused]] const bool hung = [] {
  for (;;) pause();
  return true;
}();

}  // namespace
