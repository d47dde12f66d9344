/* The Weather app's model: locations, temperatures, cities, the preferences holding them and
 * the service updating them; and the controls over what they hold and answer. */
#import "objc/test_shell/weather.h"

#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static BOOL localCityAvailable = YES;
static long savedCityCount;
static NSDictionary* localCityDictionary;
static NSArray* savedCityDictionaries;
static BOOL savedCitiesScripted;
static BOOL savedCitiesPresent;
static BOOL celsius = YES;

void TSSetLocalCityAvailable(BOOL available) { localCityAvailable = available; }

/* Enough for any test; a count outside 0..limit is taken as the nearest end. */
enum { TSSavedCityLimit = 1000 };

void TSSetSavedCityCount(long count) {
  savedCityCount = count < 0 ? 0 : count > TSSavedCityLimit ? TSSavedCityLimit : count;
}

void TSSetCelsius(BOOL isCelsius) { celsius = isCelsius; }

@interface WeatherPreferences ()
- (void)forgetLocalCity;
@end

@implementation CLLocation

- (id)initWithLatitude:(double)latitude longitude:(double)longitude {
  self = [super init];
  if (!self) return nil;
  _coordinate.latitude = latitude;
  _coordinate.longitude = longitude;
  return self;
}

- (CLLocationCoordinate2D)coordinate {
  return _coordinate;
}

@end

@implementation WFTemperature

- (id)initWithCelsius:(double)value {
  self = [super init];
  if (self) _celsius = value;
  return self;
}

- (double)celsius {
  return _celsius;
}

- (double)fahrenheit {
  return _celsius * 9.0 / 5.0 + 32.0;
}

@end

@implementation WAHourlyForecast

- (id)initWithCelsius:(double)value {
  self = [super init];
  if (self) _temperature = [[WFTemperature alloc] initWithCelsius:value];
  return self;
}

- (void)dealloc {
  [_temperature release];
  [super dealloc];
}

- (WFTemperature*)temperature {
  return _temperature;
}

@end

static NSString* const TSNameKey = @"Name";
static NSString* const TSLatitudeKey = @"Lat";
static NSString* const TSLongitudeKey = @"Lon";
static NSString* const TSConditionCodeKey = @"ConditionCode";
static NSString* const TSIsDayKey = @"IsDay";
static NSString* const TSAutoUpdateKey = @"AutoUpdate";
static NSString* const TSUpdateTimeKey = @"UpdateTime";
static NSString* const TSTemperatureKey = @"Temperature";
static NSString* const TSHourlyForecastsKey = @"HourlyForecasts";

/* The value under `key` when it is of `kind`; nil when missing or of another type. */
static id TSValueOfKind(NSDictionary* dictionary, NSString* key, Class kind) {
  id value = [dictionary objectForKey:key];
  return [value isKindOfClass:kind] ? value : nil;
}

static NSNumber* TSNumber(NSDictionary* dictionary, NSString* key) {
  return TSValueOfKind(dictionary, key, [NSNumber class]);
}

/* The numbers of an array; entries of another type are left out. */
static NSArray* TSNumbersIn(NSArray* list) {
  NSMutableArray* numbers = [NSMutableArray array];
  for (NSUInteger i = 0; i < [list count]; ++i) {
    id entry = [list objectAtIndex:i];
    if ([entry isKindOfClass:[NSNumber class]]) [numbers addObject:entry];
  }
  return numbers;
}

@interface City ()
- (NSArray*)hourlyCelsius;
- (void)setHourlyCelsius:(NSArray*)hourly;
@end

@implementation City

- (id)initWithDictionaryRepresentation:(NSDictionary*)dictionary {
  self = [super init];
  if (!self) return nil;
  if (![dictionary isKindOfClass:[NSDictionary class]]) return self;
  [self setName:TSValueOfKind(dictionary, TSNameKey, [NSString class])];
  NSNumber* latitude = TSNumber(dictionary, TSLatitudeKey);
  NSNumber* longitude = TSNumber(dictionary, TSLongitudeKey);
  if (latitude && longitude) {
    _location = [[CLLocation alloc] initWithLatitude:[latitude doubleValue]
                                           longitude:[longitude doubleValue]];
  }
  _conditionCode = [TSNumber(dictionary, TSConditionCodeKey) integerValue];
  _isDay = [TSNumber(dictionary, TSIsDayKey) boolValue];
  _autoUpdate = [TSNumber(dictionary, TSAutoUpdateKey) boolValue];
  [self setUpdateTime:TSValueOfKind(dictionary, TSUpdateTimeKey, [NSDate class])];
  NSNumber* temperature = TSNumber(dictionary, TSTemperatureKey);
  NSArray* hourly = TSNumbersIn(TSValueOfKind(dictionary, TSHourlyForecastsKey, [NSArray class]));
  if (temperature) _temperature = [[WFTemperature alloc] initWithCelsius:[temperature doubleValue]];
  [self setHourlyCelsius:hourly];
  return self;
}

- (void)dealloc {
  [_name release];
  [_location release];
  [_updateTime release];
  [_temperature release];
  [_hourlyForecasts release];
  [super dealloc];
}

- (NSArray*)hourlyCelsius {
  NSMutableArray* temperatures = [NSMutableArray array];
  for (NSUInteger i = 0; i < [_hourlyForecasts count]; ++i) {
    WAHourlyForecast* forecast = [_hourlyForecasts objectAtIndex:i];
    double value = [[forecast temperature] celsius];
    [temperatures addObject:[NSNumber numberWithDouble:value]];
  }
  return temperatures;
}

- (void)setHourlyCelsius:(NSArray*)hourly {
  NSMutableArray* forecasts = [NSMutableArray array];
  for (NSUInteger i = 0; i < [hourly count]; ++i) {
    NSNumber* reading = [hourly objectAtIndex:i];
    WAHourlyForecast* forecast = [[WAHourlyForecast alloc] initWithCelsius:[reading doubleValue]];
    [forecasts addObject:forecast];
    [forecast release];
  }
  TSAssignCopy(&_hourlyForecasts, forecasts);
}

- (void)setCelsius:(double)value hourlyCelsius:(NSArray*)hourly {
  WFTemperature* temperature = [[WFTemperature alloc] initWithCelsius:value];
  TSAssignRetained(&_temperature, temperature);
  [temperature release];
  [self setHourlyCelsius:hourly];
}

- (NSDictionary*)dictionaryRepresentation {
  NSMutableDictionary* dictionary = [NSMutableDictionary dictionary];
  if ([_name length]) [dictionary setObject:_name forKey:TSNameKey];
  if (_location) {
    CLLocationCoordinate2D at = [_location coordinate];
    [dictionary setObject:[NSNumber numberWithDouble:at.latitude] forKey:TSLatitudeKey];
    [dictionary setObject:[NSNumber numberWithDouble:at.longitude] forKey:TSLongitudeKey];
  }
  if (_conditionCode)
    [dictionary setObject:[NSNumber numberWithLong:_conditionCode] forKey:TSConditionCodeKey];
  if (_isDay) [dictionary setObject:[NSNumber numberWithBool:YES] forKey:TSIsDayKey];
  if (_autoUpdate) [dictionary setObject:[NSNumber numberWithBool:YES] forKey:TSAutoUpdateKey];
  if (_updateTime) [dictionary setObject:_updateTime forKey:TSUpdateTimeKey];
  if (_temperature)
    [dictionary setObject:[NSNumber numberWithDouble:[_temperature celsius]]
                   forKey:TSTemperatureKey];
  if ([_hourlyForecasts count])
    [dictionary setObject:[self hourlyCelsius] forKey:TSHourlyForecastsKey];
  return dictionary;
}

- (NSString*)name {
  return _name;
}

- (void)setName:(NSString*)name {
  TSAssignCopy(&_name, name);
}

- (CLLocation*)location {
  return _location;
}

- (void)setLocation:(CLLocation*)location {
  TSAssignRetained(&_location, location);
}

- (NSInteger)conditionCode {
  return _conditionCode;
}

- (void)setConditionCode:(NSInteger)code {
  if (_conditionCode == code) return;
  _conditionCode = code;
  TSRedrawBackgroundsOf(self);
}

- (BOOL)isDay {
  return _isDay;
}

- (void)setIsDay:(BOOL)isDay {
  if (_isDay == isDay) return;
  _isDay = isDay;
  TSRedrawBackgroundsOf(self);
}

- (BOOL)autoUpdate {
  return _autoUpdate;
}

- (void)setAutoUpdate:(BOOL)autoUpdate {
  _autoUpdate = autoUpdate;
}

- (NSDate*)updateTime {
  return _updateTime;
}

- (void)setUpdateTime:(NSDate*)time {
  TSAssignRetained(&_updateTime, time);
}

- (WFTemperature*)temperature {
  return _temperature;
}

- (NSArray*)hourlyForecasts {
  return _hourlyForecasts;
}

@end

/* Celsius readings for the hours after `now`: one degree warmer each hour. */
static NSArray* TSHourlyAfter(double now) {
  NSMutableArray* hourly = [NSMutableArray array];
  for (int hour = 1; hour <= 3; ++hour) [hourly addObject:[NSNumber numberWithDouble:now + hour]];
  return hourly;
}

static City* TSNewCity(NSString* name, double latitude, double longitude, NSInteger condition,
                       double reading) {
  City* city = [City new];
  CLLocation* location = [[CLLocation alloc] initWithLatitude:latitude longitude:longitude];
  [city setName:name];
  [city setLocation:location];
  [location release];
  [city setConditionCode:condition];
  [city setIsDay:YES];
  [city setCelsius:reading hourlyCelsius:TSHourlyAfter(reading)];
  return city;
}

/* The saved cities as the app stores them: the dictionary form of "Saved 1", "Saved 2", ... */
static NSArray* TSSavedCities(void) {
  NSMutableArray* cities = [NSMutableArray array];
  for (long i = 1; i <= savedCityCount; ++i) {
    NSString* name = [NSString stringWithFormat:@"Saved %ld", i];
    City* city = TSNewCity(name, 40.0 + i * 0.5, 2.0 + i * 0.5, i % TSConditionCount, 10.0 + i);
    [cities addObject:[city dictionaryRepresentation]];
    [city release];
  }
  return cities;
}

@implementation TSWeatherDefaults

- (id)objectForKey:(NSString*)key {
  if (![key isKindOfClass:[NSString class]] || ![key isEqualToString:@"Cities"]) return nil;
  if (savedCitiesScripted) return savedCitiesPresent ? savedCityDictionaries : nil;
  return savedCityCount > 0 ? TSSavedCities() : nil;
}

@end

@implementation TSWeatherPersistence

- (id)init {
  self = [super init];
  if (self) _defaults = [TSWeatherDefaults new];
  return self;
}

- (void)dealloc {
  [_defaults release];
  [super dealloc];
}

- (TSWeatherDefaults*)userDefaults {
  return _defaults;
}

@end

static WeatherPreferences* sharedPreferences;

@implementation WeatherPreferences

+ (WeatherPreferences*)sharedPreferences {
  if (!sharedPreferences) sharedPreferences = [WeatherPreferences new];
  return sharedPreferences;
}

- (id)init {
  self = [super init];
  if (self) _persistence = [TSWeatherPersistence new];
  return self;
}

- (void)dealloc {
  [_localCity release];
  [_persistence release];
  [super dealloc];
}

- (City*)localWeatherCity {
  if (!localCityAvailable) return nil;
  if (!_localCity && localCityDictionary)
    _localCity = [[City alloc] initWithDictionaryRepresentation:localCityDictionary];
  if (!_localCity) _localCity = TSNewCity(@"Brussels", 50.85, 4.35, 26, 12.5);
  return _localCity;
}

- (id)userDefaultsPersistence {
  return _persistence;
}

- (void)forgetLocalCity {
  [_localCity release];
  _localCity = nil;
}

/* A saved city converts only with a name and a place. */
- (City*)cityFromPreferencesDictionary:(NSDictionary*)dictionary {
  if (![dictionary isKindOfClass:[NSDictionary class]]) return nil;
  City* city = [[[City alloc] initWithDictionaryRepresentation:dictionary] autorelease];
  return [[city name] length] > 0 && [city location] ? city : nil;
}

- (BOOL)isCelsius {
  return celsius;
}

@end

/* A completion handler as the block ABI lays it out. */
typedef struct TSBlock {
  void* isa;
  int flags;
  int reserved;
  void (*invoke)(struct TSBlock* self, id city, id error);
  void* descriptor;
} TSBlock;

enum { TSBlockIsGlobal = 1 << 28 };

/* What a completed update brings. */
typedef struct TSUpdateResult {
  long conditionCode;
  BOOL isDay;
  double celsius;
  BOOL fails;
  NSArray* hourly; /* retained; nil: one degree warmer each hour */
  BOOL secondThread;
} TSUpdateResult;

static TSUpdateResult updateResult = {32, YES, 21.0, NO, nil, NO};
static TSUpdateResult* queuedResults;
static size_t queuedCount;
static double updateDelay = 0.01;
static long updateRequests;
static long pendingUpdates;
static BOOL completesOnSecondThread;

void TSSetUpdatesCompleteOnSecondThread(BOOL secondThread) {
  completesOnSecondThread = secondThread;
}

/* Completions on a second thread still running, and those returned since the last wait. */
static pthread_mutex_t secondThreadLock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t secondThreadReturned = PTHREAD_COND_INITIALIZER;
static long secondThreadRunning;
static long secondThreadDone;
/* Requests a scenario's second thread completes, kept for the shell's thread to release once
   their handlers have returned: the thread itself lets go of its target as it ends, and a
   request freed there would tell its end while the shell's thread reads what it watches. */
static id* heldRequests;
static size_t heldCount;

static void TSSecondThreadCompletion(long started, long done) {
  pthread_mutex_lock(&secondThreadLock);
  secondThreadRunning += started - done;
  secondThreadDone += done;
  pthread_cond_broadcast(&secondThreadReturned);
  pthread_mutex_unlock(&secondThreadLock);
}

static void TSHoldUntilReturned(id request) {
  id* grown = realloc(heldRequests, (heldCount + 1) * sizeof *grown);
  if (!grown) return;
  heldRequests = grown;
  heldRequests[heldCount++] = [request retain];
}

long TSAwaitSecondThreadCompletions(void) {
  pthread_mutex_lock(&secondThreadLock);
  while (secondThreadRunning > 0) pthread_cond_wait(&secondThreadReturned, &secondThreadLock);
  long done = secondThreadDone;
  secondThreadDone = 0;
  pthread_mutex_unlock(&secondThreadLock);
  for (size_t i = 0; i < heldCount; ++i) [heldRequests[i] release];
  heldCount = 0;
  return done;
}

void TSSetUpdateResult(long conditionCode, BOOL isDay, double reading, BOOL fails) {
  updateResult.conditionCode = conditionCode;
  updateResult.isDay = isDay;
  updateResult.celsius = reading;
  updateResult.fails = fails;
}

void TSSetUpdateHourly(id hourly) { TSAssignRetained(&updateResult.hourly, hourly); }

void TSQueueUpdateResult(long conditionCode, BOOL isDay, double reading, id hourly, BOOL fails,
                         BOOL secondThread) {
  TSUpdateResult* grown = realloc(queuedResults, (queuedCount + 1) * sizeof *grown);
  if (!grown) return;
  queuedResults = grown;
  queuedResults[queuedCount++] =
      (TSUpdateResult){conditionCode, isDay, reading, fails, [hourly retain], secondThread};
}

void TSSetUpdateDelay(double seconds) { updateDelay = seconds >= 0 ? seconds : 0.01; }

/* The result the next request takes: the first queued, or the default (retained either way). */
static TSUpdateResult TSNextUpdateResult(void) {
  if (queuedCount == 0) {
    TSUpdateResult result = updateResult;
    [result.hourly retain];
    return result;
  }
  TSUpdateResult next = queuedResults[0];
  memmove(queuedResults, queuedResults + 1, (queuedCount - 1) * sizeof *queuedResults);
  --queuedCount;
  return next;
}

static void TSForgetQueuedResults(void) {
  for (size_t i = 0; i < queuedCount; ++i) [queuedResults[i].hourly release];
  free(queuedResults);
  queuedResults = NULL;
  queuedCount = 0;
}

void TSSetLocalCityDictionary(id dictionary) {
  TSAssignRetained(&localCityDictionary, dictionary);
  [sharedPreferences forgetLocalCity];
}

void TSSetSavedCityDictionaries(id cities, BOOL present) {
  TSAssignRetained(&savedCityDictionaries, cities);
  savedCitiesScripted = YES;
  savedCitiesPresent = present;
}

long TSUpdateRequests(void) { return updateRequests; }

long TSPendingUpdates(void) { return pendingUpdates; }

static NSError* TSUpdateError(NSString* reason) {
  NSDictionary* info = [NSDictionary dictionaryWithObject:reason forKey:NSLocalizedDescriptionKey];
  return [NSError errorWithDomain:@"WeatherUpdateErrorDomain" code:1 userInfo:info];
}

/* One request on its way: what it holds until its completion runs. */
@interface TSWeatherRequest : TSObject {
  CLLocation* _location;
  City* _city;
  TSBlock* _handler;
  NSTimer* _timer;
  TSUpdateResult _result;
  City* _updated;
}
- (id)initWithLocation:(CLLocation*)location city:(City*)city handler:(TSBlock*)handler;
- (void)cancel;
- (void)callHandler;
- (void)callHandlerOnSecondThread;
+ (void)callHandlerOf:(NSValue*)request;
@end

@interface TWCLocationUpdater ()
- (void)finish:(TSWeatherRequest*)request;
@end

@implementation TSWeatherRequest

/* The service answers a little later, on the main run loop, as the network would. */
- (id)initWithLocation:(CLLocation*)location city:(City*)city handler:(TSBlock*)handler {
  self = [super init];
  if (!self) return nil;
  _location = [location retain];
  _city = [city retain];
  _handler = handler;
  _result = TSNextUpdateResult();
  TSTellCallObserver("updateWeatherForLocation:city:withCompletionHandler:", location, 0, NO, city);
  _timer = [NSTimer scheduledTimerWithTimeInterval:updateDelay
                                            target:self
                                          selector:@selector(complete:)
                                          userInfo:nil
                                           repeats:NO];
  return self;
}

- (void)dealloc {
  [_location release];
  [_city release];
  [_result.hourly release];
  [_updated release];
  [super dealloc];
}

- (void)cancel {
  [_timer invalidate];
  _timer = nil;
}

- (City*)updatedCity {
  City* city = _city;
  if (!city) city = [[City new] autorelease];
  [city setConditionCode:_result.conditionCode];
  [city setIsDay:_result.isDay];
  [city setCelsius:_result.celsius
      hourlyCelsius:_result.hourly ? _result.hourly : TSHourlyAfter(_result.celsius)];
  [city setUpdateTime:[NSDate date]];
  /* The reading is for the place asked about: the city now stands there. */
  [city setLocation:_location];
  return city;
}

- (void)complete:(NSTimer*)timer {
  (void)timer;
  _timer = nil;
  NSAutoreleasePool* pool = [NSAutoreleasePool new];
  [self retain];
  [[TWCLocationUpdater sharedLocationUpdater] finish:self];
  /* The reading is written into the city here, on the run loop's thread that draws it; only the
     handler is called on the second thread. */
  if (_location && !_result.fails) _updated = [[self updatedCity] retain];
  if (completesOnSecondThread || _result.secondThread) {
    TSSecondThreadCompletion(1, 0);
    if (_result.secondThread) {
      TSHoldUntilReturned(self);
      [NSThread detachNewThreadSelector:@selector(callHandlerOf:)
                               toTarget:[TSWeatherRequest class]
                             withObject:[NSValue valueWithPointer:self]];
    } else
      [NSThread detachNewThreadSelector:@selector(callHandlerOnSecondThread)
                               toTarget:self
                             withObject:nil];
  } else
    [self callHandler];
  [self release];
  [pool drain];
}

- (void)callHandler {
  NSAutoreleasePool* pool = [NSAutoreleasePool new];
  /* Without a location the service has nothing to look up. */
  if (!_location) {
    NSError* error = TSUpdateError(@"no location to update the weather for");
    TSTellCallObserver("completeWeatherUpdate", nil, 0, YES, _city);
    TSTellCallObserver("weatherUpdateError", nil, 0, YES, error);
    _handler->invoke(_handler, nil, error);
  } else if (_result.fails) {
    NSError* error = TSUpdateError(@"The weather service could not be reached");
    TSTellCallObserver("completeWeatherUpdate", _location, 0, YES, _city);
    TSTellCallObserver("weatherUpdateError", _location, 0, YES, error);
    _handler->invoke(_handler, nil, error);
  } else {
    TSTellCallObserver("completeWeatherUpdate", _location, 0, NO, _updated);
    _handler->invoke(_handler, _updated, nil);
  }
  [pool drain];
}

- (void)callHandlerOnSecondThread {
  [self callHandler];
  TSSecondThreadCompletion(0, 1);
}

/* The thread holds only the class and the pointer's box; the request stays held elsewhere. */
+ (void)callHandlerOf:(NSValue*)request {
  [(TSWeatherRequest*)[request pointerValue] callHandlerOnSecondThread];
}

@end

static TWCLocationUpdater* sharedUpdater;

@implementation TWCLocationUpdater

+ (TWCLocationUpdater*)sharedLocationUpdater {
  if (!sharedUpdater) sharedUpdater = [TWCLocationUpdater new];
  return sharedUpdater;
}

- (id)init {
  self = [super init];
  if (self) _pending = [NSMutableArray new];
  return self;
}

- (void)dealloc {
  for (NSUInteger i = 0; i < [_pending count]; ++i) [[_pending objectAtIndex:i] cancel];
  [_pending release];
  [super dealloc];
}

- (void)updateWeatherForLocation:(CLLocation*)location
                            city:(City*)city
           withCompletionHandler:(id)handler {
  ++updateRequests;
  TSBlock* block = (TSBlock*)handler;
  /* Only a global block can be kept without copying it, and no copy is possible here. */
  if (!block || !(block->flags & TSBlockIsGlobal) || !block->invoke) {
    fprintf(stderr, "TWCLocationUpdater: the completion handler is not a global block; "
                    "the request is dropped\n");
    return;
  }
  /* The timer comes autoreleased; the run loop keeps it, so it need not outlive a pool. */
  NSAutoreleasePool* pool = [NSAutoreleasePool new];
  TSWeatherRequest* request = [[TSWeatherRequest alloc] initWithLocation:location
                                                                    city:city
                                                                 handler:block];
  [_pending addObject:request];
  [request release];
  ++pendingUpdates;
  [pool drain];
}

- (void)finish:(TSWeatherRequest*)request {
  [_pending removeObjectIdenticalTo:request];
  --pendingUpdates;
}

@end

void TSWeatherShutdown(void) {
  [sharedUpdater release];
  sharedUpdater = nil;
  updateRequests = pendingUpdates = 0;
  [sharedPreferences release];
  sharedPreferences = nil;
  TSSetLocalCityAvailable(YES);
  TSSetSavedCityCount(0);
  TSSetCelsius(YES);
  TSSetUpdateResult(32, YES, 21.0, NO);
  TSSetUpdatesCompleteOnSecondThread(NO);
  TSSetUpdateHourly(nil);
  TSForgetQueuedResults();
  TSSetUpdateDelay(0.01);
  TSSetLocalCityDictionary(nil);
  TSSetSavedCityDictionaries(nil, NO);
  savedCitiesScripted = NO;
  TSWeatherViewsShutdown();
}
