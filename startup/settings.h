// The user's settings as the settings pane stores them, one field per preference key.
#pragma once

#include <atomic>
#include <cstdint>

namespace nimbrel {

// A setting's value, read and written whole on any thread. The asset loader's queue and the
// wallpaper's replaced methods read settings while a reload on the interface thread writes
// them; a relaxed atomic makes that defined, at the cost of a plain load and store on the
// phone's processors.
template <class T>
class Relaxed {
 public:
  static_assert(std::atomic<T>::is_always_lock_free);

  Relaxed() = default;
  explicit Relaxed(T value) : value_(value) {}
  Relaxed(const Relaxed& other) : value_(other.load()) {}
  Relaxed& operator=(const Relaxed& other) { return *this = other.load(); }
  Relaxed& operator=(T value) {
    value_.store(value, std::memory_order_relaxed);
    return *this;
  }

  T load() const { return value_.load(std::memory_order_relaxed); }
  operator T() const { return load(); }

  friend bool operator==(const Relaxed& a, const Relaxed& b) { return a.load() == b.load(); }

 private:
  std::atomic<T> value_{};
};

// One field per row of settings.def, in its reading order. Before the first load every field
// is false or 0.
struct Settings {
#define NIMBREL_SETTING(key, type, absent, reaction, cell) Relaxed<type> key;
#include "startup/settings.def"

  friend bool operator==(const Settings&, const Settings&) = default;
};

}  // namespace nimbrel
