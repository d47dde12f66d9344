// An add-on library whose initialiser crashes the process that loads it, with an illegal
// instruction (a signal the sanitizers leave alone).
namespace {

[[maybe_unused]] const bool crashed = [] {
  __builtin_trap();
  return true;
}();

}  // namespace
