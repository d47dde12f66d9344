// host::platform() over the Objective-C runtime, Foundation and the shell's UIKit.
#include "host/platform.h"

#include <objc/runtime.h>

#include <cstdlib>
#include <list>

#include "objc/binding/bound.h"
#include "objc/binding/hooks.h"
#include "objc/binding/registry.h"
#include "objc/binding/trampoline_guard.h"
#include "objc/runtime/foundation.h"
#include "objc/runtime/geometry.h"
#include "objc/runtime/message.h"
#include "objc/seam/system.h"

extern "C" id NSHomeDirectory(void);
extern "C" void NSLog(id format, ...);

namespace nimbrel::objc {

namespace {

// NSDate's reference date, 2001-01-01, in seconds since 1970.
constexpr double kReferenceDateSince1970 = 978307200;

std::vector<std::string> stringsFrom(id array) {
  std::vector<std::string> strings;
  const auto count = send<unsigned long>(array, sel<"count">());
  for (unsigned long i = 0; i < count; ++i)
    if (auto text = stringFrom(send<id>(array, sel<"objectAtIndex:">(), i)))
      strings.push_back(std::move(*text));
  return strings;
}

class ProcessInfo final : public host::ProcessInfo {
 public:
  std::vector<std::string> arguments() const override {
    PoolScope pool;
    return stringsFrom(
        send<id>(send<id>(cls<"NSProcessInfo">(), sel<"processInfo">()), sel<"arguments">()));
  }
  std::string homeDirectory() const override {
    PoolScope pool;
    return stringFrom(NSHomeDirectory()).value_or("");
  }
};

class Preferences final : public host::Preferences {
 public:
  std::optional<host::Array> copyKeyList(std::string_view domain) override {
    PoolScope pool;
    Owned name = makeString(domain);
    Owned keys(seam::copyPreferencesKeyList(name.get()));
    std::optional<host::Value> list = valueFrom(keys.get());
    if (!list || !list->is<host::Array>()) return std::nullopt;
    return std::move(*list->get<host::Array>());
  }
  std::optional<host::Dictionary> copyMultiple(const host::Array* keys,
                                               std::string_view domain) override {
    if (!keys) return std::nullopt;
    PoolScope pool;
    Owned name = makeString(domain);
    Owned list = makeValue(*keys);
    Owned values(seam::copyPreferencesMultiple(list.get(), name.get()));
    return dictionaryFrom(values.get());
  }
};

class PropertyListFiles final : public host::PropertyListFiles {
 public:
  // As dictionaryWithContentsOfFile: reads it (GNUstep's reads no binary lists, which the
  // phone's does), within the limits.
  std::optional<host::Dictionary> dictionaryWithContentsOfFile(std::string_view path) override {
    PoolScope pool;
    Owned file = makeString(seam::devicePath(path));
    return dictionaryFrom(propertyListWithContentsOfFile(file.get()));
  }

  bool writeToFile(const host::Dictionary& dictionary, std::string_view path,
                   bool atomically) override {
    PoolScope pool;
    Owned file = makeString(seam::devicePath(path));
    Owned values = makeDictionary(dictionary);
#if defined(__APPLE__)
    return send<BOOL>(values.get(), sel<"writeToFile:atomically:">(), file.get(), BOOL(atomically));
#else
    return send<BOOL>(serializedAsXML(values.get()), sel<"writeToFile:atomically:">(), file.get(),
                      BOOL(atomically));
#endif
  }

 private:
#if !defined(__APPLE__)
  // GNUstep's own writeToFile:atomically: writes its text format; the phone writes XML.
  static id serializedAsXML(id dictionary) {
    constexpr unsigned long kXMLFormat = 100;  // NSPropertyListXMLFormat_v1_0
    return send<id>(cls<"NSPropertyListSerialization">(),
                    sel<"dataWithPropertyList:format:options:error:">(), dictionary, kXMLFormat,
                    0ul, static_cast<id*>(nullptr));
  }
#endif
};

// Darwin notifications reach the add-on's callbacks through these registrations.
class NotificationCenter final : public host::NotificationCenter {
 public:
  void addObserver(const void* observer, host::NotificationCallback callback, const char* name,
                   const void* object, host::SuspensionBehavior behavior) override {
    registrations_.push_back({this, observer, callback, object});
    seam::addDarwinObserver(name, deliver, &registrations_.back(), static_cast<int>(behavior));
  }

 private:
  struct Registration {
    NotificationCenter* center;
    const void* observer;
    host::NotificationCallback callback;
    const void* object;
  };
  static void deliver(void* context, const char* name) {
    auto* r = static_cast<Registration*>(context);
    fromObjectiveC(
        [&] { r->callback(r->center, const_cast<void*>(r->observer), name, r->object, nullptr); });
  }
  // A list, so that a registration handed to the center never moves.
  std::list<Registration> registrations_;
};

class NotifyState final : public host::NotifyState {
 public:
  std::uint32_t registerCheck(const char* name, int* token) override {
    return seam::notifyRegisterCheck(name, token);
  }
  std::uint32_t getState(int token, std::uint64_t* state) override {
    return seam::notifyGetState(token, state);
  }
  std::uint32_t cancel(int token) override { return seam::notifyCancel(token); }
};

// UIScreen mainScreen, asked afresh each time: the shell may replace it.
class MainScreen final : public host::Screen {
 public:
  host::Class& objectClass() const override {
    id screen = mainScreen();
    return *classBinding(screen ? object_getClass(screen) : objc_getClass("NSObject"));
  }
  host::Rect bounds() const override { return toHost(send<CGRect>(mainScreen(), sel<"bounds">())); }
  host::Rect nativeDisplayBounds() const override {
    return toHost(send<CGRect>(mainScreen(), sel<"_nativeDisplayBounds">()));
  }

 private:
  static id mainScreen() { return send<id>(cls<"UIScreen">(), sel<"mainScreen">()); }
};

// The alert's initialiser as it is declared: variadic. On arm64 the variadic arguments go on
// the stack, where the callee reads them, so a fixed-argument call would lose the closing nil.
using AlertInit = id (*)(id, SEL, id, id, id, id, id, ...);

class Alerts final : public host::Alerts {
 public:
  std::shared_ptr<host::AlertView> makeAlert(const std::string& title, const std::string& message,
                                             const host::Id& delegate,
                                             std::optional<std::string> cancelButtonTitle,
                                             std::vector<std::string> otherButtonTitles) override {
    Owned nsTitle = makeString(title);
    Owned nsMessage = makeString(message);
    Owned cancel = cancelButtonTitle ? makeString(*cancelButtonTitle) : Owned();
    Owned firstOther = otherButtonTitles.empty() ? Owned() : makeString(otherButtonTitles[0]);
    id allocated = send<id>(cls<"UIAlertView">(), sel<"alloc">());
    if (!allocated) return nullptr;
    // The initialiser takes a nil-terminated list of further titles; the rest are added.
    SEL init = sel<"initWithTitle:message:delegate:cancelButtonTitle:otherButtonTitles:">();
    auto initialize =
        reinterpret_cast<AlertInit>(reinterpret_cast<void (*)()>(messageTarget(allocated, init)));
    Owned alert = initialized(allocated, [&](id self) {
      id made = nullptr;
      guarded([&] {
        made = initialize(self, init, nsTitle.get(), nsMessage.get(), unwrap(delegate),
                          cancel.get(), firstOther.get(), static_cast<id>(nullptr));
      });
      return made;
    });
    id shown = alert.get();
    auto made = as<host::AlertView>(adopt(std::move(alert)));
    for (std::size_t i = 1; i < otherButtonTitles.size(); ++i) {
      Owned other = makeString(otherButtonTitles[i]);
      send<long>(shown, sel<"addButtonWithTitle:">(), other.get());
    }
    return made;
  }
};

class RunLoop final : public host::RunLoop {
 public:
  std::shared_ptr<host::Timer> scheduledTimer(double interval, const host::Id& target,
                                              host::Selector selector, const host::Id& userInfo,
                                              bool repeats) override {
    SEL action = sel_registerName(std::string(selector.name).c_str());
    return wrapAs<host::Timer>(send<id>(
        cls<"NSTimer">(), sel<"scheduledTimerWithTimeInterval:target:selector:userInfo:repeats:">(),
        interval, unwrap(target), action, unwrap(userInfo), BOOL(repeats)));
  }
};

class Clock final : public host::Clock {
 public:
  // The class method answers without making a date object, so no pool is needed.
  host::Date now() const override {
    return {send<double>(cls<"NSDate">(), sel<"timeIntervalSinceReferenceDate">()) +
            kReferenceDateSince1970};
  }
};

class Random final : public host::Random {
 public:
  std::uint32_t uniform(std::uint32_t upperBound) override {
    return arc4random_uniform(upperBound);
  }
};

class SystemLog final : public host::SystemLog {
 public:
  void write(std::string_view line) override {
    PoolScope pool;
    Owned format = makeString("%@");
    Owned text = makeString(validUTF8(line));
    NSLog(format.get(), text.get());
  }
};

class Factory final : public host::Factory {
 public:
  std::shared_ptr<host::City> newCity() override {
    return makeInstance<host::City>(cls<"City">(), sel<"init">());
  }
  std::shared_ptr<host::City> newCity(const host::Dictionary& representation) override {
    Owned dictionary = makeDictionary(representation);
    return makeInstance<host::City>(cls<"City">(), sel<"initWithDictionaryRepresentation:">(),
                                    dictionary.get());
  }
  std::shared_ptr<host::Location> newLocation(double latitude, double longitude) override {
    return makeInstance<host::Location>(cls<"CLLocation">(), sel<"initWithLatitude:longitude:">(),
                                        latitude, longitude);
  }
  std::shared_ptr<host::Color> whiteColor() override {
    return wrapAs<host::Color>(send<id>(cls<"UIColor">(), sel<"whiteColor">()));
  }
};

class ObjcPlatform final : public host::Platform {
 public:
  // Made when the module initialiser first asks for it, before any hook is installed.
  ObjcPlatform() { seam::loadWeatherFrameworks(); }

  host::Runtime& runtime() override { return runtime_; }
  host::ProcessInfo& processInfo() override { return processInfo_; }
  host::Preferences& preferences() override { return preferences_; }
  host::PropertyListFiles& files() override { return files_; }
  host::NotificationCenter& darwinNotifyCenter() override { return notifyCenter_; }
  host::NotifyState& notifyState() override { return notifyState_; }
  host::Screen& mainScreen() override { return screen_; }
  host::Alerts& alerts() override { return alerts_; }
  host::RunLoop& runLoop() override { return runLoop_; }
  host::Clock& clock() override { return clock_; }
  host::Random& random() override { return random_; }
  host::Factory& factory() override { return factory_; }
  host::SystemLog& systemLog() override { return systemLog_; }

 private:
  ObjcRuntime runtime_;
  ProcessInfo processInfo_;
  Preferences preferences_;
  PropertyListFiles files_;
  NotificationCenter notifyCenter_;
  NotifyState notifyState_;
  MainScreen screen_;
  Alerts alerts_;
  RunLoop runLoop_;
  Clock clock_;
  Random random_;
  Factory factory_;
  SystemLog systemLog_;
};

}  // namespace

}  // namespace nimbrel::objc

namespace host {

// Never destroyed: observers and hooks outlive every static of the add-on.
Platform& platform() {
  static auto* p = new nimbrel::objc::ObjcPlatform();
  return *p;
}

}  // namespace host
