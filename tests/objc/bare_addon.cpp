// An add-on library that exports only the last of the add-on's state symbols, set, and installs
// nothing: what an observer reads of it names the other eight as missing.
extern "C" {
[[gnu::visibility("default")]] bool alertShown = true;
}
