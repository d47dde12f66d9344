// Exceptions across the binding: an NSException goes back to the shell as the same object, a C++
// one as an NSException naming it; raising initialisers and previous implementations; texts.
#include <gtest/gtest.h>

#include <cmath>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>

#include "host/methods.h"
#include "objc/binding/bound.h"
#include "objc/runtime/exception.h"
#include "objc/runtime/exceptions_shim.h"
#include "tests/objc/binding_test.h"

namespace {

using namespace nimbrel::objc;
using namespace nimbrel::objc::test;
namespace methods = host::methods;

// What the replaced -layoutSubviews of the wallpaper view does, set by each case.
std::function<void()> duringLayout;
methods::LayoutSubviews::Imp previousLayout = nullptr;

id newObject(const char* cls) {
  return send<id>(send<id>(classNamed(cls), sel<"alloc">()), sel<"init">());
}

// An NSException of a class of the shell's own, as a framework would raise it.
id newServiceException(const std::string& reason, id userInfo) {
  Class cls = objc_getClass("TSWeatherServiceException");
  if (!cls) {
    cls = objc_allocateClassPair(objc_getClass("NSException"), "TSWeatherServiceException", 0);
    objc_registerClassPair(cls);
  }
  Owned name = makeString("WeatherServiceDown");
  Owned text = makeString(reason);
  return send<id>(send<id>(reinterpret_cast<id>(cls), sel<"alloc">()),
                  sel<"initWithName:reason:userInfo:">(), name.get(), text.get(), userInfo);
}

TEST_F(ObjcBinding, AnExceptionCrossesTheBindingWholeInBothDirections) {
  auto legacy =
      wrapAs<host::DateView>(send<id>(classNamed("SBFLegacyLockScreenDateView"), sel<"new">()));
  try {
    legacy->setSubtitleHidden(true);
    ADD_FAILURE() << "an unknown selector raised nothing";
  } catch (const host::PlatformException& e) {
    EXPECT_EQ(e.name(), "NSInvalidArgumentException");
  }
  EXPECT_THROW(legacy->setFrame(host::makeRect(0, 0, NAN, 1)), host::PlatformException);
  release(unwrap(legacy));

  methods::hookMessage<methods::LayoutSubviews>(
      runtime(), hostClass("SBFStaticWallpaperView"),
      [](const std::shared_ptr<host::View>&, host::Selector) { duringLayout(); }, &previousLayout);

  // Inside a step that expects it, the add-on reads the whole reason (a character straddles
  // byte 255); outside one, the raise unwinds through the add-on's frames as itself. Either
  // way the shell gets the very object back: its class, name, reason and user info.
  const std::string reason = std::string(254, 'r') + "\u20AC, then more: " + std::string(100, 'x');
  id userInfo = newObject("NSMutableDictionary");
  id raised = newServiceException(reason, userInfo);
  for (const bool expected : {true, false}) {
    SCOPED_TRACE(expected ? "inside a step" : "outside any step");
    std::string seenByAddon = "nothing";
    bool unwound = false;
    duringLayout = [&] {
      std::optional<host::ExpectPlatformException> step;
      if (expected) step.emplace();
      const std::shared_ptr<void> addonState(nullptr, [&](void*) { unwound = true; });
      try {
        send<void>(raised, sel<"raise">());
      } catch (const host::PlatformException& e) {
        seenByAddon = e.name() + ": " + e.what();
        throw;
      }
    };
    try {
      send<void>(shell_.wallpaperView, sel<"layoutSubviews">());
      ADD_FAILURE() << "the exception did not reach the shell";
    } catch (const RaisedException& e) {
      EXPECT_EQ(e.object(), raised);
      EXPECT_EQ(object_getClass(e.object()), objc_getClass("TSWeatherServiceException"));
      EXPECT_EQ(send<id>(e.object(), sel<"userInfo">()), userInfo);
      EXPECT_EQ(e.what(), reason);
    }
    EXPECT_EQ(seenByAddon, expected ? "WeatherServiceDown: " + reason : "nothing");
    EXPECT_TRUE(unwound);
    EXPECT_STREQ(TSSendCatchingException(shell_.wallpaperView, "layoutSubviews"),
                 "WeatherServiceDown");
  }
  // Raised past every shim, the exception is none of C++'s: it goes on as it is.
  duringLayout = [&] { nimbrel_objc_raise(raised); };
  id reached = nimbrel_objc_try(
      [](void* view) { sendUnguarded<void>(static_cast<id>(view), sel<"layoutSubviews">()); },
      shell_.wallpaperView);
  EXPECT_EQ(reached, raised);
  release(reached);
  release(raised);
  release(userInfo);

  // Any other exception stops at the trampoline and goes on as an NSException saying what it
  // was; a text that is not UTF-8 arrives with its broken bytes replaced, not as nothing.
  struct Row {
    std::function<void()> thrown;
    std::string name;
    std::string reason;
  } rows[] = {
      {[] { throw std::bad_alloc(); }, "NSInternalInconsistencyException",
       "C++ exception std::bad_alloc: std::bad_alloc"},
      {[] { throw 42; }, "NSInternalInconsistencyException", "C++ exception int"},
      {[] { throw host::PlatformException("CALayerInvalidGeometry", "cut \xE2\x82"); },
       "CALayerInvalidGeometry", "cut \uFFFD\uFFFD"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.reason);
    duringLayout = row.thrown;
    try {
      send<void>(shell_.wallpaperView, sel<"layoutSubviews">());
      ADD_FAILURE() << "nothing reached the shell";
    } catch (const RaisedException& e) {
      EXPECT_TRUE(isKindOfClass(e.object(), classNamed("NSException")));
      EXPECT_EQ(e.name(), row.name);
      EXPECT_EQ(e.what(), row.reason);
    }
  }
  duringLayout = [] {};
}

// An initialiser that raises frees what alloc made whether or not it let go of it first: one
// that raises as it is (a class of the test's own) and one that releases itself first (a view
// with a frame that is not finite).
TEST_F(ObjcBinding, AnInitialiserThatRaisesLeavesNoObjectBehind) {
  Class raising = objc_getClass("TSRaisingInit");
  if (!raising) {
    raising = objc_allocateClassPair(objc_getClass("TSObject"), "TSRaisingInit", 0);
    class_addMethod(raising, sel<"init">(), asImp(+[](id, SEL) -> id {
                      id raised = newServiceException("no init today", nullptr);
                      nimbrel_objc_raise(send<id>(raised, sel<"autorelease">()));
                    }),
                    "@@:");
    objc_registerClassPair(raising);
  }
  const long live = TSLiveObjects();
  EXPECT_THROW(makeInstance<host::Object>(reinterpret_cast<id>(raising), sel<"init">()),
               host::PlatformException);
  EXPECT_EQ(TSLiveObjects(), live);
  EXPECT_THROW(host::lookUpClass<host::WeatherBackgroundClass>("WUIDynamicWeatherBackground")
                   ->makeWithFrame(host::makeRect(0, 0, NAN, 1)),
               host::PlatformException);
  EXPECT_EQ(TSLiveObjects(), live);
}

// Inside a step that expects a raise, a previous implementation that raises does so as a
// message sent there does: as host::PlatformException, which the step catches.
TEST_F(ObjcBinding, APreviousImplementationRaisesAsAPlatformExceptionInsideAStep) {
  Class raising = objc_getClass("TSRaisingLayoutView");
  if (!raising) {
    raising = objc_allocateClassPair(objc_getClass("UIView"), "TSRaisingLayoutView", 0);
    class_addMethod(raising, sel<"layoutSubviews">(), asImp(+[](id, SEL) {
                      id raised = newServiceException("no layout today", nullptr);
                      nimbrel_objc_raise(send<id>(raised, sel<"autorelease">()));
                    }),
                    "v@:");
    objc_registerClassPair(raising);
  }
  methods::LayoutSubviews::Imp previous = nullptr;
  ASSERT_EQ(methods::hookMessage<methods::LayoutSubviews>(
                runtime(), hostClass("TSRaisingLayoutView"),
                [](const std::shared_ptr<host::View>&, host::Selector) {}, &previous),
            host::HookOutcome::replaced);
  auto view =
      wrapAs<host::View>(Owned(send<id>(reinterpret_cast<id>(raising), sel<"new">())).get());
  host::ExpectPlatformException step;
  try {
    previous(view, methods::LayoutSubviews::selector);
    ADD_FAILURE() << "nothing raised";
  } catch (const host::PlatformException& e) {
    EXPECT_EQ(e.name(), "WeatherServiceDown");
  }
}

TEST(ObjcExceptionTexts, BrokenUTF8IsReplacedAndWholeCharactersKept) {
  struct Row {
    std::string text;
    std::string valid;
  } rows[] = {
      {"plain", "plain"},
      {"\u00E9\u20AC\U0001D11E", "\u00E9\u20AC\U0001D11E"},
      {"end \xF0\x9D\x84", "end \uFFFD\uFFFD\uFFFD"},
      {"\xC0\xAF overlong", "\uFFFD\uFFFD overlong"},
      {"\xED\xA0\x80 surrogate", "\uFFFD\uFFFD\uFFFD surrogate"},
      {"\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xFF", "\uFFFD"},
      // The bounds of each lead's second byte: kept whole at them, refused one past them.
      {"\xC2\x80 \xE0\xA0\x80 \xED\x9F\xBF \xEF\xBF\xBF \xF0\x90\x80\x80 \xF4\x8F\xBF\xBF",
       "\u0080 \u0800 \uD7FF \uFFFF \U00010000 \U0010FFFF"},
      {"\xE0\x9F\xBF", "\uFFFD\uFFFD\uFFFD"},
      {"\xF0\x8F\xBF\xBF", "\uFFFD\uFFFD\uFFFD\uFFFD"},
  };
  for (const Row& row : rows) EXPECT_EQ(validUTF8(row.text), row.valid) << row.text;
}

// Apple's runtime throws an NSException as a C++ exception, told apart by rethrowing the one
// being handled into the shim, which catches only objects. A C++ exception is no object there,
// and it stays the exception being handled, the same one.
TEST(ObjcExceptionKinds, ACxxExceptionRethrownIntoTheShimIsNoObjectAndStaysTheOneHandled) {
  const std::function<void()> raises[] = {
      [] { throw std::runtime_error("a C++ exception"); },
      [] { throw host::PlatformException("NSRangeException", "a platform exception"); },
      [] { throw 7; },
  };
  for (const auto& raise : raises) {
    try {
      raise();
    } catch (...) {
      const std::exception_ptr handled = std::current_exception();
      EXPECT_FALSE(rethrownIsObjectiveC());
      EXPECT_EQ(std::current_exception(), handled);
    }
  }
}

// An exception whose name and reason answer nil, as the phone's may.
id namelessException() {
  static const Class nameless = [] {
    Class made = objc_allocateClassPair(reinterpret_cast<Class>(classNamed("NSException")),
                                        "TSNamelessException", 0);
    IMP none = asImp(+[](id, SEL) -> id { return nullptr; });
    class_addMethod(made, sel_registerName("name"), none, "@@:");
    class_addMethod(made, sel_registerName("reason"), none, "@@:");
    objc_registerClassPair(made);
    return made;
  }();
  return send<id>(send<id>(reinterpret_cast<id>(nameless), sel<"alloc">()),
                  sel<"initWithName:reason:userInfo:">(), makeString("n").get(),
                  makeString("r").get(), static_cast<id>(nullptr));
}

TEST_F(ObjcBinding, AnExceptionWithoutNameOrReasonReadsAsEmpty) {
  try {
    Owned exception(namelessException());
    guarded([&] { send<void>(exception.get(), sel<"raise">()); });
    ADD_FAILURE() << "nothing raised";
  } catch (const host::PlatformException& e) {
    EXPECT_EQ(e.name(), "");
    EXPECT_STREQ(e.what(), "");
  }
}

}  // namespace
