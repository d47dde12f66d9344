// The simulated class runtime and hook engine: outcomes, chaining and dispatch.
#include "sim/runtime/runtime.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/methods.h"
#include "sim/runtime/instance.h"

namespace {

using host::HookOutcome;

struct Describe {
  static constexpr host::Selector selector{"describe"};
  using Imp = std::string (*)(const host::Id& self, host::Selector);
};

struct Add {
  static constexpr host::Selector selector{"add:to:"};
  using Imp = int (*)(const host::Object& self, host::Selector, int a, int b);
};

class Plain final : public sim::Instance<host::Object> {
 public:
  using Instance::Instance;
};

std::vector<std::string> calls;

std::string baseDescribe(const host::Id&, host::Selector) { return "base"; }
std::string windowDescribe(const host::Id&, host::Selector) { return "window"; }
int baseAdd(const host::Object&, host::Selector, int a, int b) { return a + b; }
bool baseAllowsParallax(host::Class&, host::Selector) { return true; }
void baseTick(const host::Id&, host::Selector) { calls.push_back("tick"); }

class Runtime : public ::testing::Test {
 protected:
  void SetUp() override { calls.clear(); }

  std::shared_ptr<Plain> make(host::Class& cls) { return std::make_shared<Plain>(cls); }
  std::string describe(const host::Id& object) { return runtime.send<Describe>(object); }

  sim::Record record{[] { return 0.0; }};
  sim::Runtime runtime{record};
  sim::SimClass& base = runtime.defineClass("Base", nullptr);
  sim::SimClass& derived = runtime.defineClass("Derived", &base);
  sim::SimClass& window = runtime.defineClass("Window", &base);
};

Describe::Imp firstPrevious = nullptr;
std::string firstReplacement(const host::Id& self, host::Selector sel) {
  return "first(" + firstPrevious(self, sel) + ")";
}
Describe::Imp secondPrevious = nullptr;
std::string secondReplacement(const host::Id& self, host::Selector sel) {
  return "second(" + secondPrevious(self, sel) + ")";
}

TEST_F(Runtime, ReplacingAnOwnMethodHandsBackThePreviousAndInterceptsSends) {
  runtime.defineMethod<Describe>(base, &baseDescribe);
  firstPrevious = nullptr;
  EXPECT_EQ(host::methods::hookMessage<Describe>(runtime, &base, &firstReplacement, &firstPrevious),
            HookOutcome::replaced);
  EXPECT_EQ(firstPrevious, &baseDescribe);
  EXPECT_EQ(describe(make(base)), "first(base)");
}

TEST_F(Runtime, ReplacingTwiceChainsThroughBothReplacements) {
  runtime.defineMethod<Describe>(base, &baseDescribe);
  host::methods::hookMessage<Describe>(runtime, &base, &firstReplacement, &firstPrevious);
  EXPECT_EQ(
      host::methods::hookMessage<Describe>(runtime, &base, &secondReplacement, &secondPrevious),
      HookOutcome::replaced);
  EXPECT_EQ(secondPrevious, &firstReplacement);
  EXPECT_EQ(describe(make(base)), "second(first(base))");
}

TEST_F(Runtime, AddingAMethodLeavesAnExistingOwnMethodInPlace) {
  runtime.defineMethod<host::methods::TickTock>(base, &baseTick);
  auto other = +[](const host::Id&, host::Selector) { calls.push_back("other"); };
  EXPECT_FALSE(host::methods::addMethod<host::methods::TickTock>(runtime, &base, other));
  runtime.sendVoid(make(base), host::methods::TickTock::selector);
  EXPECT_EQ(calls, std::vector<std::string>{"tick"});
}

TEST_F(Runtime, AddingAMethodASuperclassHasGivesTheSubclassItsOwn) {
  runtime.defineMethod<host::methods::TickTock>(base, &baseTick);
  auto other = +[](const host::Id&, host::Selector) { calls.push_back("other"); };
  EXPECT_TRUE(host::methods::addMethod<host::methods::TickTock>(runtime, &derived, other));
  runtime.sendVoid(make(derived), host::methods::TickTock::selector);
  runtime.sendVoid(make(base), host::methods::TickTock::selector);
  EXPECT_EQ(calls, (std::vector<std::string>{"other", "tick"}));
}

TEST_F(Runtime, HookingAnInheritedMethodGivesTheClassItsOwnAndLeavesTheSuperclassAlone) {
  runtime.defineMethod<Describe>(base, &baseDescribe);
  EXPECT_EQ(
      host::methods::hookMessage<Describe>(runtime, &derived, &firstReplacement, &firstPrevious),
      HookOutcome::overrodeInherited);
  EXPECT_EQ(firstPrevious, &baseDescribe);
  EXPECT_EQ(describe(make(derived)), "first(base)");
  EXPECT_EQ(describe(make(base)), "base");
}

std::string (*baseHookPrevious)(const host::Id&, host::Selector) = nullptr;
std::string (*windowHookPrevious)(const host::Id&, host::Selector) = nullptr;
std::string baseHook(const host::Id& self, host::Selector sel) {
  return "hooked base(" + baseHookPrevious(self, sel) + ")";
}
std::string windowHook(const host::Id& self, host::Selector sel) {
  return "hooked window(" + windowHookPrevious(self, sel) + ")";
}

TEST_F(Runtime, TwoClassesWithTheSameSelectorKeepSeparatePreviousImplementations) {
  runtime.defineMethod<Describe>(derived, &baseDescribe);
  runtime.defineMethod<Describe>(window, &windowDescribe);
  host::methods::hookMessage<Describe>(runtime, &derived, &baseHook, &baseHookPrevious);
  host::methods::hookMessage<Describe>(runtime, &window, &windowHook, &windowHookPrevious);
  EXPECT_EQ(baseHookPrevious, &baseDescribe);
  EXPECT_EQ(windowHookPrevious, &windowDescribe);
  EXPECT_EQ(describe(make(derived)), "hooked base(base)");
  EXPECT_EQ(describe(make(window)), "hooked window(window)");
}

bool (*parallaxPrevious)(host::Class&, host::Selector) = nullptr;
bool noParallax(host::Class&, host::Selector) { return false; }

TEST_F(Runtime, ClassMethodsLiveInTheMetaclassAndAreInherited) {
  using host::methods::AllowsParallax;
  runtime.defineMethod<AllowsParallax>(*host::metaclassOf(&base), &baseAllowsParallax);
  EXPECT_TRUE(host::metaclassOf(&base)->isMetaclass());
  EXPECT_EQ(host::metaclassOf(&base)->name(), "Base");
  EXPECT_TRUE(runtime.send<AllowsParallax>(derived));
  EXPECT_FALSE(runtime.respondsToSelector(*make(base), AllowsParallax::selector));

  EXPECT_EQ(host::methods::hookMessage<AllowsParallax>(runtime, host::metaclassOf(&base),
                                                       &noParallax, &parallaxPrevious),
            HookOutcome::replaced);
  EXPECT_EQ(parallaxPrevious, &baseAllowsParallax);
  EXPECT_FALSE(runtime.send<AllowsParallax>(base));
  EXPECT_EQ(record.textsIn("hook"), std::vector<std::string>{"replaced +[Base _allowsParallax]"});
}

TEST_F(Runtime, EveryMetaclassIsAnInstanceOfTheRootMetaclass) {
  host::Class* rootMeta = host::metaclassOf(&base);
  EXPECT_EQ(&rootMeta->objectClass(), rootMeta);
  EXPECT_EQ(&host::metaclassOf(&derived)->objectClass(), rootMeta);
  EXPECT_EQ(host::metaclassOf(&derived)->superclass(), rootMeta);
}

TEST_F(Runtime, AnAbsentClassIsNoneAndHooksOnItChangeNothing) {
  EXPECT_EQ(runtime.findClass("WAHourlyForecast"), nullptr);
  EXPECT_EQ(runtime.getClass("WAHourlyForecast"), nullptr);
  EXPECT_FALSE(runtime.classExists("WAHourlyForecast"));
  EXPECT_EQ(runtime.getClass("Derived"), &derived);
  // Hidden (lacked by name, or not loaded yet): none to the add-on, still there for the
  // simulation, and found again once revealed.
  runtime.hideClass("Derived");
  EXPECT_EQ(runtime.getClass("Derived"), nullptr);
  EXPECT_FALSE(runtime.classExists("Derived"));
  EXPECT_EQ(runtime.findClass("Derived"), &derived);
  runtime.revealClass("Derived");
  EXPECT_EQ(runtime.getClass("Derived"), &derived);

  Describe::Imp untouched = &windowDescribe;
  EXPECT_EQ(host::methods::hookMessage<Describe>(runtime, runtime.getClass("Absent"),
                                                 &firstReplacement, &untouched),
            HookOutcome::noSuchClass);
  EXPECT_EQ(untouched, &windowDescribe);
  EXPECT_FALSE(host::methods::addMethod<host::methods::TickTock>(runtime, nullptr, &baseTick));
}

TEST_F(Runtime, HookingAMethodNoClassInTheChainHasChangesNothing) {
  Describe::Imp untouched = &windowDescribe;
  EXPECT_EQ(host::methods::hookMessage<Describe>(runtime, &derived, &firstReplacement, &untouched),
            HookOutcome::noSuchMethod);
  EXPECT_EQ(untouched, &windowDescribe);
  EXPECT_FALSE(runtime.respondsToSelector(*make(derived), Describe::selector));
}

TEST_F(Runtime, AnUnrecognizedSelectorRaisesInvalidArgument) {
  try {
    describe(make(derived));
    FAIL() << "expected the platform exception";
  } catch (const host::PlatformException& e) {
    EXPECT_EQ(e.name(), "NSInvalidArgumentException");
    EXPECT_STREQ(e.what(), "-[Derived describe]: unrecognized selector sent to instance");
  }
  try {
    runtime.send<host::methods::AllowsParallax>(derived);
    FAIL() << "expected the platform exception";
  } catch (const host::PlatformException& e) {
    EXPECT_STREQ(e.what(), "+[Derived _allowsParallax]: unrecognized selector sent to class");
  }
  EXPECT_THROW(runtime.sendVoid(make(base), host::methods::TickTock::selector),
               host::PlatformException);
}

TEST_F(Runtime, MessagingNilDoesNothingAndYieldsZero) {
  runtime.defineMethod<Describe>(base, &baseDescribe);
  EXPECT_EQ(runtime.send<Describe>(host::Id()), "");
  EXPECT_NO_THROW(runtime.sendVoid(nullptr, host::methods::TickTock::selector));
}

TEST_F(Runtime, SendPassesArgumentsThrough) {
  runtime.defineMethod<Add>(base, &baseAdd);
  EXPECT_EQ(runtime.send<Add>(*make(derived), 2, 3), 5);
}

TEST_F(Runtime, SendVoidRefusesAMethodOfAnotherTypeEncoding) {
  runtime.defineMethod<Describe>(base, &baseDescribe);
  EXPECT_THROW(runtime.sendVoid(make(base), Describe::selector), std::logic_error);
}

TEST_F(Runtime, HooksAndAdditionsAreRecordedInOrder) {
  runtime.defineMethod<Describe>(base, &baseDescribe);
  host::methods::hookMessage<Describe>(runtime, &base, &firstReplacement, &firstPrevious);
  host::methods::hookMessage<Describe>(runtime, &window, &secondReplacement, &secondPrevious);
  host::methods::addMethod<host::methods::TickTock>(runtime, &derived, &baseTick);
  host::methods::addMethod<host::methods::TickTock>(runtime, &derived, &baseTick);
  host::methods::hookMessage<host::methods::AllowsParallax>(runtime, host::metaclassOf(&base),
                                                            &noParallax, &parallaxPrevious);
  EXPECT_EQ(record.textsIn("hook"),
            (std::vector<std::string>{
                "replaced -[Base describe]", "overrode inherited -[Window describe]",
                "added -[Derived tickTock]", "kept existing -[Derived tickTock]",
                "no method +[Base _allowsParallax]"}));
}

TEST_F(Runtime, MemberOfClassIsExactWhileKindOfClassIncludesSuperclasses) {
  auto object = make(derived);
  EXPECT_TRUE(object->isMemberOfClass(&derived));
  EXPECT_FALSE(object->isMemberOfClass(&base));
  EXPECT_TRUE(sim::isKindOfClass(*object, base));
  EXPECT_FALSE(sim::isKindOfClass(*object, window));
}

TEST_F(Runtime, AClassNameIsDefinedOnce) {
  EXPECT_THROW(runtime.defineClass("Base", nullptr), std::invalid_argument);
  EXPECT_THROW(runtime.defineClass("Meta", host::metaclassOf(&base)), std::invalid_argument);
}

// A class object from outside the runtime.
class ForeignClass final : public host::Class {
 public:
  host::Class& objectClass() const override { return const_cast<ForeignClass&>(*this); }
  std::string_view name() const override { return "Foreign"; }
  host::Class* superclass() const override { return nullptr; }
  bool isMetaclass() const override { return false; }
};

// Each class object reaches its own method table, also when asked again after other kinds
// of class objects; one from outside the runtime has none.
TEST_F(Runtime, EveryClassObjectReachesItsOwnStateAndAForeignOneIsRefused) {
  ForeignClass foreign;
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(&sim::classState(&derived)->className(), &derived.className());
    EXPECT_EQ(sim::classState(host::metaclassOf(&base))->className(), "Base");
    EXPECT_EQ(sim::classState(&foreign), nullptr);
    EXPECT_EQ(sim::classState(nullptr), nullptr);
  }
  auto object = std::make_shared<Plain>(foreign);
  EXPECT_THROW(runtime.send<Describe>(object), std::logic_error);
}

}  // namespace
