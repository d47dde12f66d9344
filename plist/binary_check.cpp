// A structural check of binary property lists (bplist00) with an explicit stack.
#include "plist/binary_check.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace nimbrel::plist {

namespace {

constexpr std::size_t headerSize = 8;
constexpr std::size_t trailerSize = 32;

std::uint64_t readBigEndian(std::string_view bytes, std::size_t at, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i)
    value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

struct Trailer {
  std::size_t offsetWidth = 0;
  std::size_t referenceWidth = 0;
  std::uint64_t objectCount = 0;
  std::uint64_t topObject = 0;
  std::uint64_t offsetTable = 0;
};

std::optional<Trailer> readTrailer(std::string_view bytes) {
  if (bytes.size() < headerSize + 1 + trailerSize || !bytes.starts_with("bplist00"))
    return std::nullopt;
  const std::size_t at = bytes.size() - trailerSize;
  Trailer t;
  t.offsetWidth = static_cast<unsigned char>(bytes[at + 6]);
  t.referenceWidth = static_cast<unsigned char>(bytes[at + 7]);
  t.objectCount = readBigEndian(bytes, at + 8, 8);
  t.topObject = readBigEndian(bytes, at + 16, 8);
  t.offsetTable = readBigEndian(bytes, at + 24, 8);
  const auto inRange = [](std::size_t width) { return width >= 1 && width <= 8; };
  if (!inRange(t.offsetWidth) || !inRange(t.referenceWidth)) return std::nullopt;
  if (t.objectCount == 0 || t.topObject >= t.objectCount) return std::nullopt;
  // The offset table must sit between the header and the trailer; each check is written
  // so that no product or sum can overflow.
  if (t.offsetTable < headerSize || t.offsetTable > at) return std::nullopt;
  if (t.objectCount > (at - t.offsetTable) / t.offsetWidth) return std::nullopt;
  return t;
}

// One object's extent and the objects it refers to.
struct ObjectShape {
  bool valid = false;
  bool container = false;
  std::size_t keyCount = 0;  // a dictionary's references start with its keys
  std::vector<std::uint64_t> references;
};

class BinaryPlistChecker {
 public:
  BinaryPlistChecker(std::string_view bytes, const Trailer& trailer, BinaryPlistLimits limits)
      : bytes_(bytes), trailer_(trailer), limits_(limits) {}

  bool check() {
    const auto count = static_cast<std::size_t>(trailer_.objectCount);
    state_.assign(count, State::unvisited);
    height_.assign(count, 0);
    expanded_.assign(count, 0);
    return walkFrom(trailer_.topObject);
  }

 private:
  enum class State : std::uint8_t { unvisited, onPath, done };

  struct Frame {
    std::uint64_t object;
    bool container;
    std::vector<std::uint64_t> references;
    std::size_t next = 0;
    std::uint64_t height = 0;
    std::uint64_t expanded = 1;
  };

  std::uint64_t offsetOf(std::uint64_t object) const {
    return readBigEndian(bytes_,
                         static_cast<std::size_t>(trailer_.offsetTable) +
                             static_cast<std::size_t>(object) * trailer_.offsetWidth,
                         trailer_.offsetWidth);
  }

  // Whether `length` bytes starting at `at` lie before the offset table.
  bool fits(std::uint64_t at, std::uint64_t length) const {
    return at <= trailer_.offsetTable && length <= trailer_.offsetTable - at;
  }

  // The count that follows a marker whose low nibble is 0xF: an integer object.
  std::optional<std::uint64_t> extendedCount(std::uint64_t& at) const {
    if (!fits(at, 1)) return std::nullopt;
    const auto marker = static_cast<unsigned char>(bytes_[static_cast<std::size_t>(at)]);
    if ((marker & 0xF0) != 0x10 || (marker & 0x0F) > 3) return std::nullopt;
    const std::uint64_t width = std::uint64_t{1} << (marker & 0x0F);
    if (!fits(at + 1, width)) return std::nullopt;
    const auto count = readBigEndian(bytes_, static_cast<std::size_t>(at + 1), width);
    at += 1 + width;
    return count;
  }

  ObjectShape shapeOf(std::uint64_t object) const {
    ObjectShape shape;
    std::uint64_t at = offsetOf(object);
    if (at < headerSize || !fits(at, 1)) return shape;
    const auto marker = static_cast<unsigned char>(bytes_[static_cast<std::size_t>(at)]);
    const unsigned kind = marker >> 4, nibble = marker & 0x0F;
    ++at;
    std::uint64_t count = nibble;
    const bool counted = kind == 0x4 || kind == 0x5 || kind == 0x6 || kind == 0xA || kind == 0xD;
    if (counted && nibble == 0xF) {
      auto extended = extendedCount(at);
      if (!extended) return shape;
      count = *extended;
    }
    switch (kind) {
      case 0x0:
        shape.valid = marker == 0x08 || marker == 0x09;
        break;  // false, true
      case 0x1:
        shape.valid = isSupportedInteger(at, nibble);
        break;
      case 0x2:
        shape.valid = (nibble == 2 || nibble == 3) && fits(at, std::uint64_t{1} << nibble);
        break;
      case 0x3:
        shape.valid = marker == 0x33 && fits(at, 8);
        break;
      case 0x4:
      case 0x5:
        shape.valid = fits(at, count);
        break;
      case 0x6:
        shape.valid = count <= trailer_.offsetTable / 2 && fits(at, count * 2);
        break;
      case 0xA:
        shape.container = true;
        shape.valid = readReferences(at, count, shape.references);
        break;
      case 0xD:
        shape.container = true;
        shape.keyCount = static_cast<std::size_t>(count);
        shape.valid = count <= trailer_.offsetTable / 2 &&
                      readReferences(at, count * 2, shape.references) && keysAreStrings(shape);
        break;
      default:
        break;  // null, fill, UID and set are not property-list values of a dictionary file
    }
    return shape;
  }

  // 1, 2, 4 and 8-byte integers, and 16-byte ones that fit in 64 unsigned bits (how
  // unsigned values above INT64_MAX are written); wider values are not modelled.
  bool isSupportedInteger(std::uint64_t at, unsigned nibble) const {
    if (nibble > 4 || !fits(at, std::uint64_t{1} << nibble)) return false;
    return nibble < 4 || readBigEndian(bytes_, static_cast<std::size_t>(at), 8) == 0;
  }

  unsigned kindOf(std::uint64_t object) const {
    const auto at = offsetOf(object);
    if (at < headerSize || !fits(at, 1)) return 0xFF;
    return static_cast<unsigned char>(bytes_[static_cast<std::size_t>(at)]) >> 4;
  }

  bool keysAreStrings(const ObjectShape& shape) const {
    for (std::size_t i = 0; i < shape.keyCount; ++i) {
      const auto kind = kindOf(shape.references[i]);
      if (kind != 0x5 && kind != 0x6) return false;
      if (stringHasNul(shape.references[i])) return false;
    }
    return true;
  }

  // libplist 2.2 aborts the process (a failed assertion) when handing out a dictionary key
  // with a NUL in it, so such keys are refused with their file. A string that does not fit
  // answers false here and is refused when the walk reaches it.
  bool stringHasNul(std::uint64_t object) const {
    std::uint64_t at = offsetOf(object);
    if (at < headerSize || !fits(at, 1)) return false;
    const auto marker = static_cast<unsigned char>(bytes_[static_cast<std::size_t>(at)]);
    const std::uint64_t unit = (marker >> 4) == 0x6 ? 2 : 1;
    std::uint64_t count = marker & 0x0F;
    ++at;
    if (count == 0xF) {
      auto extended = extendedCount(at);
      if (!extended) return false;
      count = *extended;
    }
    if (count > trailer_.offsetTable / unit || !fits(at, count * unit)) return false;
    for (std::uint64_t i = 0; i < count; ++i) {
      const auto first = static_cast<std::size_t>(at + i * unit);
      if (bytes_.substr(first, static_cast<std::size_t>(unit)).find_first_not_of('\0') ==
          std::string_view::npos)
        return true;
    }
    return false;
  }

  bool readReferences(std::uint64_t at, std::uint64_t count,
                      std::vector<std::uint64_t>& out) const {
    if (count > trailer_.offsetTable / trailer_.referenceWidth) return false;
    if (!fits(at, count * trailer_.referenceWidth)) return false;
    out.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) {
      const auto reference =
          readBigEndian(bytes_, static_cast<std::size_t>(at + i * trailer_.referenceWidth),
                        trailer_.referenceWidth);
      if (reference >= trailer_.objectCount) return false;
      out.push_back(reference);
    }
    return true;
  }

  bool enter(std::vector<Frame>& path, std::uint64_t object) {
    auto shape = shapeOf(object);
    if (!shape.valid) return false;
    if (shape.container && path.size() >= limits_.maxDepth) return false;
    state_[object] = State::onPath;
    path.push_back({object, shape.container, std::move(shape.references)});
    return true;
  }

  bool walkFrom(std::uint64_t top) {
    std::vector<Frame> path;
    if (!enter(path, top)) return false;
    while (!path.empty()) {
      Frame& frame = path.back();
      if (frame.next < frame.references.size()) {
        const auto child = frame.references[frame.next++];
        if (state_[child] == State::onPath) return false;  // a cycle
        if (state_[child] == State::unvisited) {
          if (!enter(path, child)) return false;
          continue;
        }
        if (!absorb(frame, child)) return false;
        continue;
      }
      height_[frame.object] = frame.height + (frame.container ? 1 : 0);
      expanded_[frame.object] = frame.expanded;
      state_[frame.object] = State::done;
      if (height_[frame.object] > limits_.maxDepth) return false;
      const auto finished = frame.object;
      path.pop_back();
      if (!path.empty() && !absorb(path.back(), finished)) return false;
    }
    return true;
  }

  // Folds a finished child into its parent's height and expanded size.
  bool absorb(Frame& parent, std::uint64_t child) {
    parent.height = std::max(parent.height, height_[child]);
    parent.expanded += expanded_[child];
    return parent.expanded <= limits_.maxExpandedObjects;
  }

  std::string_view bytes_;
  Trailer trailer_;
  BinaryPlistLimits limits_;
  std::vector<State> state_;
  std::vector<std::uint64_t> height_;
  std::vector<std::uint64_t> expanded_;
};

}  // namespace

bool binaryPropertyListIsSafe(std::string_view bytes, BinaryPlistLimits limits) {
  const auto trailer = readTrailer(bytes);
  if (!trailer) return false;
  return BinaryPlistChecker(bytes, *trailer, limits).check();
}

}  // namespace nimbrel::plist
