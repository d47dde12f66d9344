// The add-on's arc4random_uniform, answered from the scenario. Apart from every header that
// declares the C library's: glibc declares it non-throwing, and clang keeps that on this
// definition, ending the process where a refused draw must unwind to the request that drew it.
#include <cstdint>

namespace nimsim::objcshell {
std::uint32_t drawForAddon(std::uint32_t upperBound);
}

extern "C" std::uint32_t arc4random_uniform(std::uint32_t upperBound) {
  return nimsim::objcshell::drawForAddon(upperBound);
}
