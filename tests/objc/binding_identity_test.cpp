// One host object per Objective-C object, and its ownership: retained once while held, borrowed
// for a call, swept when dormant; the pointer map under it; host types by class.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

#include "host/methods.h"
#include "objc/binding/bound.h"
#include "objc/binding/pointer_map.h"
#include "objc/binding/registry.h"
#include "tests/objc/binding_test.h"

namespace {
// This thread's heap allocations: a background thread's do not disturb a count.
thread_local long allocations = 0;
}  // namespace

// (GCC takes the replacement pair below for a mismatch.)
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace nimbrel::objc;
using namespace nimbrel::objc::test;
namespace methods = host::methods;

methods::LayoutSubviews::Imp previousLayout = nullptr;

TEST_F(ObjcBinding, AnObjectIsOneHostObjectRetainedOnceWhileHeld) {
  id label = send<id>(send<id>(classNamed("UILabel"), sel<"alloc">()), sel<"init">());
  const long before = retainCount(label);
  {
    auto first = wrap(label);
    auto second = wrap(label);
    EXPECT_EQ(first, second);
    EXPECT_EQ(retainCount(label), before + 1);
    EXPECT_NE(std::dynamic_pointer_cast<host::Label>(first), nullptr);
    auto host = wrapAs<host::View>(shell_.wallpaperView)->superview();
    EXPECT_EQ(host->subviews().front(), wrap(shell_.wallpaperView));
  }
  EXPECT_EQ(retainCount(label), before);
  // Made again after the last holder let go, the host object is the one the table kept, and
  // its holding's bookkeeping is recycled: after the first time, wrapping it again allocates
  // nothing.
  const std::size_t made = hostObjectsMade();
  int unwrappedAsItself = unwrap(wrap(label)) == label;
  const long allocated = allocations;
  for (int i = 1; i < 100; ++i) unwrappedAsItself += unwrap(wrap(label)) == label;
  EXPECT_EQ(allocations - allocated, 0);
  EXPECT_EQ(unwrappedAsItself, 100);
  EXPECT_EQ(hostObjectsMade(), made);
  EXPECT_EQ(retainCount(label), before);
  // Objects coming and going make the table sweep, and a newcomer may take a gone object's
  // address: each gets the host type of its own class, and a held object keeps its host object.
  {
    auto held = wrap(label);
    for (int i = 0; i < 600; ++i) {
      id other = send<id>(send<id>(classNamed(i % 2 ? "UILabel" : "UIView"), sel<"alloc">()),
                          sel<"init">());
      auto host = wrap(other);
      EXPECT_EQ(unwrap(host), other);
      EXPECT_EQ(std::dynamic_pointer_cast<host::Label>(host) != nullptr, i % 2 == 1) << i;
      host.reset();
      release(other);
    }
    EXPECT_EQ(wrap(label), held);
    EXPECT_EQ(retainCount(label), before + 1);
  }
  release(label);
}

// A replaced method's receiver and the subviews it walks are borrowed for the call: nothing
// is retained unless the add-on keeps an object past the call, which then holds one retain. A
// call nested in it (another replaced method) ends first, letting go of its own objects only.
TEST_F(ObjcBinding, ACallBorrowsItsObjectsAndRetainsOnlyThoseKeptPastIt) {
  static long countDuringCall = 0;
  static host::Id kept;
  static bool keep = false;
  static id window = shell_.window;
  static methods::LayoutSubviews::Imp previousWindowLayout = nullptr;
  methods::hookMessage<methods::LayoutSubviews>(
      runtime(), hostClass("_SBWallpaperWindow"),
      [](const std::shared_ptr<host::View>&, host::Selector) {}, &previousWindowLayout);
  methods::hookMessage<methods::LayoutSubviews>(
      runtime(), hostClass("SBFStaticWallpaperView"),
      [](const std::shared_ptr<host::View>& self, host::Selector) {
        send<void>(window, sel<"layoutSubviews">());
        countDuringCall = retainCount(unwrap(self));
        auto subviews = self->subviews();
        if (keep) kept = subviews.empty() ? nullptr : subviews.front();
      },
      &previousLayout);
  id content = send<id>(shell_.wallpaperView, sel<"contentView">());
  // Each call in a pool of its own, as a run-loop turn: the subviews array goes with it.
  const auto layOut = [&] {
    PoolScope turn;
    send<void>(shell_.wallpaperView, sel<"layoutSubviews">());
  };
  const long viewCount = retainCount(shell_.wallpaperView);
  const long contentCount = retainCount(content);
  const std::size_t made = hostObjectsMade();

  layOut();
  EXPECT_EQ(countDuringCall, viewCount);
  EXPECT_EQ(retainCount(content), contentCount);

  keep = true;
  layOut();
  ASSERT_EQ(unwrap(kept), content);
  EXPECT_EQ(retainCount(content), contentCount + 1);
  layOut();  // held: found, not retained again
  EXPECT_EQ(retainCount(content), contentCount + 1);
  kept.reset();
  EXPECT_EQ(retainCount(content), contentCount);
  EXPECT_EQ(retainCount(shell_.wallpaperView), viewCount);
  // Made on the first call (the view, its content view, the window), found again afterwards.
  EXPECT_LE(hostObjectsMade(), made + 3);
  keep = false;
  // Outside any call, borrowing is holding, as wrap is: the receiver, dormant since its calls,
  // is retained once while held.
  {
    auto held = borrow(shell_.wallpaperView);
    EXPECT_EQ(retainCount(shell_.wallpaperView), viewCount + 1);
  }
  EXPECT_EQ(retainCount(shell_.wallpaperView), viewCount);
}

TEST_F(ObjcBinding, DormantHostObjectsAreSweptSoTheTableStaysBounded) {
  Owned kept(send<id>(classNamed("NSMutableArray"), sel<"new">()));
  const auto wrapNewLabels = [&] {
    for (int i = 0; i < 1000; ++i) {
      Owned label(send<id>(classNamed("UILabel"), sel<"new">()));
      send<void>(kept.get(), sel<"addObject:">(), label.get());
      wrap(label.get());  // held for this statement only, then dormant
    }
  };
  wrapNewLabels();
  EXPECT_LT(hostObjectsKept(), 500u);
  // Not while a call has an object on loan, even one nobody holds: its entry stays until the
  // call ends, which sweeps.
  {
    CallScope call;
    borrow(shell_.wallpaperView);
    wrapNewLabels();
    EXPECT_GT(hostObjectsKept(), 1000u);
  }
  EXPECT_LT(hostObjectsKept(), 500u);
}

// Whatever addresses collide in the hash, every key inserted is found again with its value, also
// after a sweep dropped keys that came before it in its probe.
TEST(ObjcPointerMap, EveryKeyInsertedIsFoundAgainWithItsValueAndNoOther) {
  for (const std::uintptr_t stride : {8u, 16u, 48u, 4096u}) {
    SCOPED_TRACE(stride);
    const auto key = [stride](std::uintptr_t i) {
      return reinterpret_cast<const void*>(i * stride);
    };
    PointerMap<const void*, std::uintptr_t> map;
    for (std::uintptr_t i = 1; i <= 300; ++i)
      map.insert(key(i), std::make_unique<std::uintptr_t>(i));
    // How many keys are found with their value where `kept(i)`, and not found elsewhere.
    const auto foundAsKept = [&](auto kept) {
      int found = 0;
      for (std::uintptr_t i = 1; i <= 300; ++i) {
        const std::uintptr_t* value = map.find(key(i));
        found += kept(i) ? value && *value == i : value == nullptr;
      }
      return found;
    };
    EXPECT_EQ(foundAsKept([](std::uintptr_t) { return true; }), 300);
    EXPECT_EQ(map.find(key(301)), nullptr);
    map.eraseIf([](std::uintptr_t value) { return value % 3 != 0; });
    EXPECT_EQ(foundAsKept([](std::uintptr_t i) { return i % 3 == 0; }), 300);
    EXPECT_EQ(map.size(), 100u);
  }
}

TEST_F(ObjcBinding, HostTypesFollowTheClass) {
  auto background = host::lookUpClass<host::WeatherBackgroundClass>("WUIDynamicWeatherBackground")
                        ->makeWithFrame(host::makeRect(1, 2, 30, 40));
  ASSERT_NE(background, nullptr);
  EXPECT_EQ(background->frame(), host::makeRect(1, 2, 30, 40));
  EXPECT_NE(std::dynamic_pointer_cast<host::City>(host::platform().factory().newCity()), nullptr);
  // Key-value observing swaps an object's class underneath it: each ask sees the class of the
  // moment.
  const host::Id window = wrap(shell_.window);
  EXPECT_EQ(window->objectClass().name(), "_SBWallpaperWindow");
  Class wallpaperWindow = object_setClass(shell_.window, objc_getClass("UIView"));
  EXPECT_EQ(window->objectClass().name(), "UIView");
  object_setClass(shell_.window, wallpaperWindow);
  EXPECT_EQ(window->objectClass().name(), "_SBWallpaperWindow");
  EXPECT_TRUE(host::metaclassOf(hostClass("City"))->isMetaclass());
  // A metaclass shares its class's name, but answers none of the class's own messages.
  EXPECT_EQ(dynamic_cast<host::WeatherBackgroundClass*>(
                host::metaclassOf(hostClass("WUIDynamicWeatherBackground"))),
            nullptr);
  EXPECT_EQ(wrap(classNamed("City")).get(), hostClass("City")) << "a class is its host class";
  EXPECT_EQ(hostClass("City")->superclass()->name(), "TSObject");
}

}  // namespace
