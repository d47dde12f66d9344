// A message to nil answers zero through every sender and for every kind of result. GCC's
// runtime answers such a message with a method that returns its receiver and writes nothing
// else: a floating-point result is whatever its register held, a structure whatever its memory
// held, so each case first leaves both holding something else.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <type_traits>

#include "objc/runtime/geometry.h"
#include "objc/runtime/message.h"

namespace {

using namespace nimbrel::objc;

// The floating-point return registers left holding nonzero values, as after any call that
// answers a point: a result nobody writes is read from them (a float from the low half of a
// double, which 6.3 fills). The volatile read keeps the compiler from knowing the values.
[[gnu::noinline]] CGPoint dirtyReturnRegisters() {
  static volatile double seed = 6.3;
  return {seed, -seed};
}

// The stack below the caller filled with nonzero bytes, deep enough for every frame of a send:
// the next call's structure result, and any temporary it is copied through, lands there.
[[gnu::noinline]] void dirtyStack() {
  volatile unsigned char junk[16384];
  for (volatile unsigned char& byte : junk) byte = 0x5a;
}

enum class Sender { unguarded, guarded, plain, plainInsideAStep };
constexpr Sender kSenders[] = {Sender::unguarded, Sender::guarded, Sender::plain,
                               Sender::plainInsideAStep};
constexpr const char* kSenderNames[] = {"sendUnguarded", "sendGuarded", "send",
                                        "send inside a step"};

template <class R>
[[gnu::noinline]] R sendToNil(Sender sender) {
  const id none = nullptr;
  SEL selector = sel<"anyAnswer">();
  switch (sender) {
    case Sender::unguarded:
      dirtyReturnRegisters();
      return sendUnguarded<R>(none, selector);
    case Sender::guarded:
      dirtyReturnRegisters();
      return sendGuarded<R>(none, selector);
    case Sender::plain:
      dirtyReturnRegisters();
      return send<R>(none, selector);
    case Sender::plainInsideAStep: {
      host::ExpectPlatformException step;
      dirtyReturnRegisters();
      return send<R>(none, selector);
    }
  }
  return R();
}

// The answer's bytes, shown as the doubles a structure of the platform is made of.
template <class R>
std::string shown(const R& value) {
  if constexpr (std::is_class_v<R>) {
    std::array<double, sizeof(R) / sizeof(double)> fields;
    std::memcpy(fields.data(), &value, sizeof(R));
    return ::testing::PrintToString(fields);
  } else {
    return ::testing::PrintToString(value);
  }
}

// What a message to nil through `sender` answered, shown, or nothing when it was zero. Called
// right after dirtyStack, so that its frame, where the answer lands, holds nonzero bytes.
template <class R>
[[gnu::noinline]] std::string nonzeroAnswer(Sender sender) {
  const R answer = sendToNil<R>(sender);
  static constexpr R zero{};
  return std::memcmp(&answer, &zero, sizeof(R)) == 0 ? "" : shown(answer);
}

template <class R>
void expectZeroFromEverySender(const char* kind) {
  for (Sender sender : kSenders) {
    dirtyStack();
    EXPECT_EQ(nonzeroAnswer<R>(sender), "")
        << kind << " through " << kSenderNames[static_cast<int>(sender)];
  }
}

TEST(ObjcNilReceiver, EverySenderAnswersZeroForEveryKindOfResult) {
  expectZeroFromEverySender<int>("int");
  expectZeroFromEverySender<long>("long");
  expectZeroFromEverySender<unsigned long>("unsigned long");
  expectZeroFromEverySender<BOOL>("BOOL");
  expectZeroFromEverySender<float>("float");
  expectZeroFromEverySender<double>("double");
  expectZeroFromEverySender<CGPoint>("CGPoint");
  expectZeroFromEverySender<CGRect>("CGRect");
  expectZeroFromEverySender<CGAffineTransform>("CGAffineTransform");
  expectZeroFromEverySender<CLLocationCoordinate2D>("CLLocationCoordinate2D");
  expectZeroFromEverySender<id>("id");
}

}  // namespace
