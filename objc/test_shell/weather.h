/* Just enough of the Weather app's frameworks: cities and their readings, the preferences that
 * hold them, the service that updates them, and the views that show them. */
#ifndef NIMBREL_OBJC_TEST_SHELL_WEATHER_H
#define NIMBREL_OBJC_TEST_SHELL_WEATHER_H

#import "objc/test_shell/uikit.h"

@interface CLLocation : TSObject {
  CLLocationCoordinate2D _coordinate;
}
- (id)initWithLatitude:(double)latitude longitude:(double)longitude;
- (CLLocationCoordinate2D)coordinate;
@end

@interface WFTemperature : TSObject {
  double _celsius;
}
- (id)initWithCelsius:(double)celsius;
- (double)celsius;
- (double)fahrenheit;
@end

@interface WAHourlyForecast : TSObject {
  WFTemperature* _temperature;
}
- (id)initWithCelsius:(double)celsius;
- (WFTemperature*)temperature;
@end

@interface City : TSObject {
  NSString* _name;
  CLLocation* _location;
  NSInteger _conditionCode;
  BOOL _isDay;
  BOOL _autoUpdate;
  NSDate* _updateTime;
  WFTemperature* _temperature;
  NSArray* _hourlyForecasts;
}
- (id)initWithDictionaryRepresentation:(NSDictionary*)dictionary;
- (NSDictionary*)dictionaryRepresentation;
- (NSString*)name;
- (void)setName:(NSString*)name;
- (CLLocation*)location;
- (void)setLocation:(CLLocation*)location;
- (NSInteger)conditionCode;
- (void)setConditionCode:(NSInteger)code;
- (BOOL)isDay;
- (void)setIsDay:(BOOL)isDay;
- (BOOL)autoUpdate;
- (void)setAutoUpdate:(BOOL)autoUpdate;
- (NSDate*)updateTime;
- (void)setUpdateTime:(NSDate*)time;
- (WFTemperature*)temperature;
- (NSArray*)hourlyForecasts;
/* A reading: the temperature now and the hourly forecasts' temperatures (NSNumbers). */
- (void)setCelsius:(double)celsius hourlyCelsius:(NSArray*)hourly;
@end

/* The app's stored settings, as its preferences' persistence hands them out: only the saved
 * cities, under "Cities". */
@interface TSWeatherDefaults : TSObject
- (id)objectForKey:(NSString*)key;
@end

@interface TSWeatherPersistence : TSObject {
  TSWeatherDefaults* _defaults;
}
- (TSWeatherDefaults*)userDefaults;
@end

@interface WeatherPreferences : TSObject {
  City* _localCity;
  id _persistence;
}
+ (WeatherPreferences*)sharedPreferences;
- (City*)localWeatherCity;
- (id)userDefaultsPersistence;
- (City*)cityFromPreferencesDictionary:(NSDictionary*)dictionary;
- (BOOL)isCelsius;
@end

@interface TWCLocationUpdater : TSObject {
  NSMutableArray* _pending;
}
+ (TWCLocationUpdater*)sharedLocationUpdater;
- (void)updateWeatherForLocation:(CLLocation*)location
                            city:(City*)city
           withCompletionHandler:(id)handler;
@end

@interface WUIDynamicWeatherBackground : UIView {
  City* _city;
  BOOL _gradientLayer;
  BOOL _drewCity;
  NSInteger _drawnCondition;
  BOOL _drawnIsDay;
}
- (void)setCity:(City*)city animate:(BOOL)animate;
- (City*)city;
/* Draws its city as the city is now: when bound, and again when the bound city's condition or
 * day flag changes. */
- (void)drawCity;
/* What it drew last: whether it drew a city, and that city's condition and day flag then. */
- (BOOL)drewCity;
- (NSInteger)drawnCondition;
- (BOOL)drawnIsDay;
- (void)setGradientLayer:(BOOL)gradientLayer;
- (BOOL)gradientLayer;
@end

@interface WUIAsynchronousAssetLoader : TSObject
+ (WUIAsynchronousAssetLoader*)sharedAssetLoader;
- (NSString*)filenameForCondition:(NSInteger)condition isDay:(BOOL)isDay;
@end

@interface WeatherImageLoader : TSObject
+ (NSString*)conditionImageNameWithConditionIndex:(NSInteger)condition;
+ (UIImage*)conditionImageNamed:(NSString*)name;
@end

/* The high and low readings' label class. */
@interface WAHighLowLabel : UILabel
@end

/* Laid out as the framework's: location and first line at the top left, the big reading
 * below them, high and low at the right, and the second line in a details view of its own. */
@interface WATodayHeaderView : UIView {
  UILabel* _locationLabel;
  UILabel* _line1Label;
  UILabel* _temperatureLabel;
  UILabel* _highLabel;
  UILabel* _lowLabel;
  UILabel* _line2Label;
  UIImage* _conditionsImage;
}
- (UILabel*)temperatureLabel;
- (NSString*)locationName;
- (void)setLocationName:(NSString*)text;
- (NSString*)conditionsLine1;
- (void)setConditionsLine1:(NSString*)text;
- (NSString*)conditionsLine2;
- (void)setConditionsLine2:(NSString*)text;
- (NSString*)temperature;
- (void)setTemperature:(NSString*)text;
- (NSString*)temperatureHigh;
- (void)setTemperatureHigh:(NSString*)text;
- (NSString*)temperatureLow;
- (void)setTemperatureLow:(NSString*)text;
- (UIImage*)conditionsImage;
- (void)setConditionsImage:(UIImage*)image;
@end

@interface WAWeatherPlatterViewController : TSObject {
  UIView* _view;
  UIView* _headerView; /* a WATodayHeaderView unless TSSetPlatterHeader says otherwise */
}
- (UIView*)view;
- (WATodayHeaderView*)headerView;
@end

/* A city's condition or day flag changed: each background bound to it redraws, in the order
 * the backgrounds were made (told to the call observer as "redraw"). */
void TSRedrawBackgroundsOf(City* city);

/* The weather conditions run from 0 to this count minus one. */
enum { TSConditionCount = 48 };

/* Releases the shared asset loader; called at shutdown. */
void TSWeatherViewsShutdown(void);

#endif
