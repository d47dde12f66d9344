// Reading a fuzzer's bytes as a stream of small choices, and putting them into a device file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "sim/process/device.h"

namespace fuzzing {

// The add-on's settings keys, and one of someone else's.
inline constexpr std::array kSettingKeys = {
#define NIMBREL_SETTING(key, type, absent, reaction, cell) #key,
#include "startup/settings.def"
    "someoneElsesKey",
};

// Hands out the input's bytes in order; once they run out, every read yields zero, so any
// input decodes to something.
class ByteStream {
 public:
  ByteStream(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool empty() const { return position_ >= size_; }
  std::uint8_t byte() { return empty() ? 0 : data_[position_++]; }
  // One of count choices; count must be positive.
  std::size_t pick(std::size_t count) { return byte() % count; }
  std::uint64_t u64() {
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) value = value << 8 | byte();
    return value;
  }
  // Any bit pattern, NaN and infinities included.
  double real() {
    const std::uint64_t bits = u64();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

// Writes the bytes as the file at a device path, making its folder.
inline void writeDeviceFile(const sim::Device& device, std::string_view devicePath,
                            const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path file = device.hostPath(devicePath);
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace fuzzing
