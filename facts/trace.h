// What a platform saw happen, as typed facts, and the one writer of the trace's lines: the
// simulation and the shell process on the Objective-C runtime report the same facts, and the
// same line comes out of both.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace facts {

struct TraceLine {
  std::string category{};
  std::string text{};
};

// "-[SBLockScreenDateViewController dateView]", or "+[...]" for a class method; "nil dateView"
// for a message to nil (no class).
struct Method {
  std::string className{};
  std::string selector{};
  bool classMethod = false;
};
std::string describe(const Method& method);

// How the trace and the snapshot name a city: its name, "unnamed city" for an empty or absent
// one, "no city" when there is none (`exists` false).
std::string cityName(bool exists, const std::optional<std::string>& name);

struct Frame {
  double x = 0, y = 0, width = 0, height = 0;
};

// A city as the trace names it ("Cupertino", "unnamed city", "no city") with its weather.
struct Weather {
  std::string city{};
  long condition = 0;
  bool isDay = true;
};

// "Cupertino (condition 26, day)".
std::string describe(const Weather& weather);

struct Coordinate {
  double latitude = 0, longitude = 0;
};

// The hook engine.
enum class HookResult { replaced, overrodeInherited, noMethod, added, keptExisting };
struct MethodHooked {
  HookResult result{};
  Method method{};
};
struct HookFoundNoClass {
  std::string selector{};
  bool adding = false;
};

// The loader of add-ons.
enum class LoadStep { loading, noFilter, filterDoesNotMatch, refused };
struct AddonLoad {
  std::string name{};
  LoadStep step{};
  std::string reason{};  // why dlopen refused it
};

// The shell's own calls into the classes the add-on replaces methods of.
enum class ShellCall { dateView, windowLayout, allowsParallax, rebuildDateView };
struct ShellAsks {
  ShellCall call{};
};
struct ShellAsksContentView {
  std::string variant{};  // "lock", "home"
};
struct ShellLaysOutWallpaper {
  std::string variant{};
};
struct ShellFinishesUnlock {
  long source = 0;
  bool withOptions = false;
};
struct ShellRotates {
  bool landscape = false;
};

// The shell's originals of the replaced methods, as they ran.
struct DateViewBuilt {};
struct ContentViewRaised {
  std::string variant{};
};
struct WallpaperLaidOut {
  std::string variant{};
};
struct WindowLaidOut {};
struct ParallaxAnswered {
  bool allows = false;
};
struct UnlockFinished {
  long source = 0;
  bool withOptions = false;
};

// Weather backgrounds, numbered in their process as they are made.
struct BackgroundMade {
  std::string className{};
  int number = 0;
  Frame frame{};
};
struct BackgroundBound {
  int number = 0;
  std::optional<Weather> weather{};  // none: unbound
  bool animated = false;
};
struct BackgroundRedrawn {
  int number = 0;
  Weather weather{};
};
struct BackgroundRaisedAtBind {
  int number = 0;
};
struct BackgroundLeftWindow {
  int number = 0;
  std::optional<Weather> weather{};
};
struct GradientLayerSet {
  int number = 0;
  bool on = false;
};

// The Weather service's requests.
struct WeatherRequested {
  std::string city{};
  std::optional<Coordinate> location{};
};
struct WeatherReport {
  long condition = 0;
  bool isDay = true;
  std::optional<double> celsius{};
};
// onSecondThread: the framework called the completion handler on a thread of its own.
struct WeatherCompleted {
  std::string city{};
  std::optional<Coordinate> location{};
  WeatherReport report{};
  bool onSecondThread = false;
};
struct WeatherFailed {
  std::string city{};
  std::optional<Coordinate> location{};
  std::string error{};
  bool onSecondThread = false;
};

// Darwin notifications and notify(3).
struct ObserverRegistered {
  std::string name{};
  int suspensionBehavior = 0;  // 1 drop, 2 coalesce, 3 hold, 4 deliver immediately
};
struct NotificationPosted {
  std::string name{};
  bool coalesced = false;
};
struct NotificationDelivered {
  std::string name{};
  std::size_t observers = 0;
};
enum class NotifyCall { registerName, getState };
struct NotifyDone {
  NotifyCall call{};
  std::string name{};
  std::uint64_t value = 0;   // the token made, or the state read
  std::uint32_t status = 0;  // nonzero: the call failed
};
struct NotifyCancelled {
  int token = 0;
  std::string name{};
};

// Alerts.
struct AlertShown {
  std::string title{}, message{};
  std::vector<std::string> buttons{};  // from the cancel button on
  long tag = 0;
  std::optional<std::string> delegateClass{};
};
struct AlertDismissed {
  std::string title{};
  long button = 0;
  std::optional<std::string> buttonTitle{};
};

// Files and preferences, by device path and domain.
struct FileRefused {
  std::string path{};
};
struct FileRead {
  std::string path{};
  std::optional<std::size_t> keys{};  // none: no dictionary there
};
struct FileWritten {
  std::string path{};
  std::size_t keys = 0;
};
struct FileWriteFailed {
  std::string path{};
  std::string fault{};  // empty when the writer gave no reason
};
enum class PreferencesCall { keyList, values };
struct PreferencesRead {
  PreferencesCall call{};
  std::string domain{};
  std::optional<std::size_t> keys{};  // none: nothing came back
};

// Timers by their target's method ("-[Target selector]").
struct TimerScheduled {
  std::string timer{};
  bool repeats = false;
  double interval = 0;
};
struct TimerFired {
  std::string timer{};
};
struct TimerInvalidated {
  std::string timer{};
};

// A line the add-on logged.
struct Logged {
  std::string line{};
};

TraceLine traceLine(const MethodHooked& fact);
TraceLine traceLine(const HookFoundNoClass& fact);
TraceLine traceLine(const AddonLoad& fact);
TraceLine traceLine(const ShellAsks& fact);
TraceLine traceLine(const ShellAsksContentView& fact);
TraceLine traceLine(const ShellLaysOutWallpaper& fact);
TraceLine traceLine(const ShellFinishesUnlock& fact);
TraceLine traceLine(const ShellRotates& fact);
TraceLine traceLine(const DateViewBuilt& fact);
TraceLine traceLine(const ContentViewRaised& fact);
TraceLine traceLine(const WallpaperLaidOut& fact);
TraceLine traceLine(const WindowLaidOut& fact);
TraceLine traceLine(const ParallaxAnswered& fact);
TraceLine traceLine(const UnlockFinished& fact);
TraceLine traceLine(const BackgroundMade& fact);
TraceLine traceLine(const BackgroundBound& fact);
TraceLine traceLine(const BackgroundRedrawn& fact);
TraceLine traceLine(const BackgroundRaisedAtBind& fact);
TraceLine traceLine(const BackgroundLeftWindow& fact);
TraceLine traceLine(const GradientLayerSet& fact);
TraceLine traceLine(const WeatherRequested& fact);
TraceLine traceLine(const WeatherCompleted& fact);
TraceLine traceLine(const WeatherFailed& fact);
TraceLine traceLine(const ObserverRegistered& fact);
TraceLine traceLine(const NotificationPosted& fact);
TraceLine traceLine(const NotificationDelivered& fact);
TraceLine traceLine(const NotifyDone& fact);
TraceLine traceLine(const NotifyCancelled& fact);
TraceLine traceLine(const AlertShown& fact);
TraceLine traceLine(const AlertDismissed& fact);
TraceLine traceLine(const FileRefused& fact);
TraceLine traceLine(const FileRead& fact);
TraceLine traceLine(const FileWritten& fact);
TraceLine traceLine(const FileWriteFailed& fact);
TraceLine traceLine(const PreferencesRead& fact);
TraceLine traceLine(const TimerScheduled& fact);
TraceLine traceLine(const TimerFired& fact);
TraceLine traceLine(const TimerInvalidated& fact);
TraceLine traceLine(const Logged& fact);

// Anything the trace has a line for.
template <class T>
concept Fact = requires(const T& fact) {
  { traceLine(fact) } -> std::same_as<TraceLine>;
};

}  // namespace facts
