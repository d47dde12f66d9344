/* The test shell's controls: what a test does to the shell, the Weather app and the system
 * around the add-on, and what it reads back. Plain C, so that C++ tests call it without an
 * Objective-C compiler; objects cross as the runtime's `id`. */
#ifndef NIMBREL_OBJC_TEST_SHELL_H
#define NIMBREL_OBJC_TEST_SHELL_H

#include <objc/objc.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The shell's objects, made at boot as SpringBoard makes them. Owned by the test shell. */
typedef struct TSShell {
  id screen;             /* UIScreen mainScreen */
  id window;             /* _SBWallpaperWindow: container, host view, wallpaper view */
  id wallpaperView;      /* SBFStaticWallpaperView, with its content view */
  id dateViewController; /* SBLockScreenDateViewController */
  id lockScreenManager;  /* SBLockScreenManager */
} TSShell;

/* Makes the shell for a screen of width x height points, native pixels at `scale`. With
 * `legacyDateView` the date view is of a class without -setSubtitleHidden:. */
void TSBoot(TSShell* shell, double width, double height, double scale, BOOL legacyDateView);
/* Releases every object the test shell made or holds (the shell, saved data, records). */
void TSShutdown(TSShell* shell);
/* The screen turns: bounds and native bounds swap width and height, and the window, the
 * wallpaper view, the views between them and its content view take the new bounds. */
void TSRotate(TSShell* shell);

/* Objects of the test shell's classes alive now (made and not yet deallocated). */
long TSLiveObjects(void);

/* The main screen's panel in pixels, as a device profile gives it: _nativeDisplayBounds
 * answers it in every orientation from now on. */
void TSSetScreenNativeSize(double width, double height);

/* Runs the main run loop for `seconds` of real time. */
void TSRunLoop(double seconds);

/* The Weather app. The local city is on by default; saved cities are none by default. */
void TSSetLocalCityAvailable(BOOL available);
void TSSetSavedCityCount(long count);
void TSSetCelsius(BOOL celsius);
/* What the next completed update brings: condition, day flag and temperature, or an error. */
void TSSetUpdateResult(long conditionCode, BOOL isDay, double celsius, BOOL fails);
/* Update requests made so far, and those whose completion has not run yet. */
long TSUpdateRequests(void);
long TSPendingUpdates(void);
/* With `secondThread`, an update's completion handler is called on a thread of its own, as the
 * Weather framework may call it, once the request has left the pending ones (off at boot). */
void TSSetUpdatesCompleteOnSecondThread(BOOL secondThread);
/* Waits until every completion called on a second thread has returned, and answers how many
 * returned since the last call: each may have handed work over to the main run loop. */
long TSAwaitSecondThreadCompletions(void);

/* Alerts shown so far, and the title of the last one (NULL before any). */
long TSAlertsShown(void);
const char* TSLastAlertTitle(void);

/* The alerts on screen (an NSArray, oldest first; nil before any), and taking one off it as a
 * tap on its first button does. */
id TSVisibleAlerts(void);
void TSDismissAlert(id alert);

/* The last call of a shell or framework method the add-on replaces, made by its original
 * implementation: how many calls, the receiver, the integer and boolean arguments, the object
 * argument (each zero or nil where the method has none). */
typedef struct TSCall {
  long count;
  id receiver;
  long integer;
  BOOL flag;
  id object;
} TSCall;
TSCall TSLastCall(const char* selector);
/* Makes -setCity:animate: of WUIDynamicWeatherBackground raise
 * NSInternalInconsistencyException. Only the add-on binds backgrounds, so such an exception
 * can only come out of a replaced method. */
void TSSetBackgroundBindRaises(BOOL raises);
/* What -headerView of a WAWeatherPlatterViewController made from now on answers: its
 * WATodayHeaderView (at boot), nil, or a plain UIView in the header's place, as a Weather
 * framework whose platter is laid out otherwise may. */
typedef enum TSPlatterHeader {
  TSPlatterTodayHeader,
  TSPlatterNoHeader,
  TSPlatterPlainView
} TSPlatterHeader;
void TSSetPlatterHeader(TSPlatterHeader answer);
/* Makes the next -setCity:animate: of any weather background raise the same, before it takes
 * the city and without counting as a call; each call adds one. The call observer is told
 * "raise setCity:animate:". */
void TSRaiseAtNextBind(void);
/* Makes the date view lack -_timeLabel, -setSubtitleHidden: or -setDateHidden: as an older
 * system's does (TSBoot's legacy class lacks the second by itself): it does
 * not respond to it, and sending it raises NSInvalidArgumentException. */
void TSSetDateViewLacks(const char* selector, BOOL lacks);
/* Makes the next -contentView of the shell's own SBFStaticWallpaperView raise
 * NSInternalInconsistencyException, each call one more; the call observer is told
 * "raise contentView". */
void TSRaiseAtNextContentView(void);
void TSForgetContentViewRaises(void);
/* Makes a class lack one of its own methods (an instance method, else a class method of that
 * name), as a system without it does: the class and its subclasses do not respond to it, no
 * look-up finds it (the hook engine's included), and sending it raises
 * NSInvalidArgumentException. For the rest of the process. NO when the class, found by
 * objc_lookUpClass, has no such method of its own. */
BOOL TSRemoveMethod(const char* className, const char* selector);
/* What the original +_allowsParallax of SBFStaticWallpaperView answers (YES at boot). */
void TSSetAllowsParallax(BOOL allows);

/* Told of every call TSLastCall records, as it is made; also of weather requests
 * ("updateWeatherForLocation:city:withCompletionHandler:", then "completeWeatherUpdate" with
 * `flag` set for a failure, then for that failure "weatherUpdateError" with the NSError as
 * object), each with the location as receiver and the city as object; and of every test shell
 * object's "dealloc", as receiver. NULL stops telling. Kept
 * across TSShutdown: the watcher is the process's, not the shell's. */
typedef void (*TSCallObserver)(const char* selector, id receiver, long integer, BOOL flag,
                               id object);
void TSSetCallObserver(TSCallObserver observer);

/* The Weather app's data as a scenario sets it. The local city from a City's dictionary form
 * (nil: the built-in Brussels); takes effect at the next -localWeatherCity. */
void TSSetLocalCityDictionary(id dictionary);
/* The saved cities as stored, an NSArray of dictionaries; with `present` NO there is no
 * "Cities" key. Replaces the count of TSSetSavedCityCount. */
void TSSetSavedCityDictionaries(id cities, BOOL present);
/* The hourly temperatures (NSNumbers) of an update with nothing queued; nil: one degree
 * warmer each hour. */
void TSSetUpdateHourly(id hourly);
/* What the next requests bring, one each in order, before the default result; with
 * `secondThread` that request's completion handler is called on a thread of its own. */
void TSQueueUpdateResult(long conditionCode, BOOL isDay, double celsius, id hourly, BOOL fails,
                         BOOL secondThread);
/* How long a request takes to complete (0.01 s at boot; 0 answers at the next turn of the
 * run loop). */
void TSSetUpdateDelay(double seconds);

/* The Weather artwork as a system version installs it: each condition's background asset by
 * day and night (a dictionary from "26-day" or "26-night" to its file name; a pair not listed
 * has none), each condition index's image name (an array of 48 names), and the stored images
 * (an array of names). Until set, the test shell's own simple names answer. */
void TSSetWeatherArtwork(id assets, id imageNames, id images);

/* The process's Darwin notify center and notify(3) (system_stand_ins.m): observers of a name;
 * a name's state set as the system sets it; the next "register" or "get" (get-state) call
 * failing with that status; and every register, get-state and cancel told as it happens (`state`
 * read, `status` nonzero for a failure), every observer added ("observe", with its
 * suspension behaviour as `token`), and every post ("post", then "deliver" with the number of
 * observers it calls as `token`, before it calls them). */
int TSDarwinObserverCount(const char* name);
void TSSetNotifyState(const char* name, uint64_t state);
/* A name's state as the system keeps it, read without a token and told to no one; NO for a
 * name no one has set or registered. */
BOOL TSNotifyStateOf(const char* name, uint64_t* state);
void TSFailNextNotify(const char* call, uint32_t status);
typedef void (*TSNotifyObserver)(const char* call, const char* name, int token, uint64_t state,
                                 uint32_t status);
void TSSetNotifyObserver(TSNotifyObserver observer);

/* Sends a message that takes and returns nothing inside @try: the name of the exception that
 * came out of it, or NULL. */
const char* TSSendCatchingException(id receiver, const char* selector);

#ifdef __cplusplus
}
#endif

#endif
