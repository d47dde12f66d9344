/* The Weather app's views and the loaders of their artwork. */
#import "objc/test_shell/weather.h"

@implementation WUIDynamicWeatherBackground

- (id)initWithFrame:(CGRect)frame {
  self = [super initWithFrame:frame];
  if (self) _gradientLayer = YES;
  TSTellCallObserver("initWithFrame:", self, 0, NO, nil);
  return self;
}

- (void)dealloc {
  [_city release];
  [super dealloc];
}

- (void)setCity:(City*)city animate:(BOOL)animate {
  TSRecordCall("setCity:animate:", self, 0, animate, city);
  TSAssignRetained(&_city, city);
}

- (City*)city {
  return _city;
}

- (void)setGradientLayer:(BOOL)gradientLayer {
  _gradientLayer = gradientLayer;
}

- (BOOL)gradientLayer {
  return _gradientLayer;
}

@end

static BOOL TSIsCondition(NSInteger condition) {
  return condition >= 0 && condition < TSConditionCount;
}

static NSDictionary* assetNames;
static NSArray* imageNamesByIndex;
static NSArray* storedImages;

void TSSetWeatherArtwork(id assets, id imageNames, id images) {
  TSAssignRetained(&assetNames, assets);
  TSAssignRetained(&imageNamesByIndex, imageNames);
  TSAssignRetained(&storedImages, images);
}

static WUIAsynchronousAssetLoader* sharedAssetLoader;

@implementation WUIAsynchronousAssetLoader

+ (WUIAsynchronousAssetLoader*)sharedAssetLoader {
  if (!sharedAssetLoader) sharedAssetLoader = [WUIAsynchronousAssetLoader new];
  return sharedAssetLoader;
}

- (NSString*)filenameForCondition:(NSInteger)condition isDay:(BOOL)isDay {
  TSRecordCall("filenameForCondition:isDay:", self, condition, isDay, nil);
  if (assetNames)
    return [assetNames objectForKey:[NSString stringWithFormat:@"%ld-%s", (long)condition,
                                                               isDay ? "day" : "night"]];
  if (!TSIsCondition(condition)) return nil;
  return [NSString stringWithFormat:@"Condition%ld-%s", (long)condition, isDay ? "day" : "night"];
}

@end

void TSWeatherViewsShutdown(void) {
  TSSetWeatherArtwork(nil, nil, nil);
  [sharedAssetLoader release];
  sharedAssetLoader = nil;
}

@implementation WeatherImageLoader

+ (NSString*)conditionImageNameWithConditionIndex:(NSInteger)condition {
  if (!TSIsCondition(condition)) return nil;
  if (imageNamesByIndex && (NSUInteger)condition < [imageNamesByIndex count])
    return [imageNamesByIndex objectAtIndex:(NSUInteger)condition];
  return [NSString stringWithFormat:@"condition-%ld", (long)condition];
}

+ (UIImage*)conditionImageNamed:(NSString*)name {
  if (!name) return nil;
  if (storedImages && ![storedImages containsObject:name]) return nil;
  return [[[UIImage alloc] initWithName:name] autorelease];
}

@end

@implementation WATodayHeaderView

- (id)initWithFrame:(CGRect)frame {
  self = [super initWithFrame:frame];
  if (!self) return nil;
  _temperatureLabel = [[UILabel alloc] initWithFrame:TSRectMake(20, 40, 110, 58)];
  [self addSubview:_temperatureLabel];
  return self;
}

- (void)dealloc {
  [_temperatureLabel release];
  [_locationName release];
  [_conditionsLine1 release];
  [_conditionsLine2 release];
  [_temperature release];
  [_temperatureHigh release];
  [_temperatureLow release];
  [_conditionsImage release];
  [super dealloc];
}

- (UILabel*)temperatureLabel {
  return _temperatureLabel;
}

- (NSString*)locationName {
  return _locationName;
}

- (void)setLocationName:(NSString*)text {
  TSAssignCopy(&_locationName, text);
}

- (NSString*)conditionsLine1 {
  return _conditionsLine1;
}

- (void)setConditionsLine1:(NSString*)text {
  TSAssignCopy(&_conditionsLine1, text);
}

- (NSString*)conditionsLine2 {
  return _conditionsLine2;
}

- (void)setConditionsLine2:(NSString*)text {
  TSAssignCopy(&_conditionsLine2, text);
}

- (NSString*)temperature {
  return _temperature;
}

/* The big reading is what the temperature label shows. */
- (void)setTemperature:(NSString*)text {
  TSAssignCopy(&_temperature, text);
  [_temperatureLabel setText:text];
}

- (NSString*)temperatureHigh {
  return _temperatureHigh;
}

- (void)setTemperatureHigh:(NSString*)text {
  TSAssignCopy(&_temperatureHigh, text);
}

- (NSString*)temperatureLow {
  return _temperatureLow;
}

- (void)setTemperatureLow:(NSString*)text {
  TSAssignCopy(&_temperatureLow, text);
}

- (UIImage*)conditionsImage {
  return _conditionsImage;
}

- (void)setConditionsImage:(UIImage*)image {
  TSAssignRetained(&_conditionsImage, image);
}

@end

@implementation WAWeatherPlatterViewController

- (id)init {
  self = [super init];
  if (!self) return nil;
  /* The platter and its header as the Weather framework sizes them, whatever the screen. */
  _view = [[UIView alloc] initWithFrame:TSRectMake(0, 0, 359, 300)];
  _headerView = [[WATodayHeaderView alloc] initWithFrame:TSRectMake(0, 0, 359, 106)];
  [_view addSubview:_headerView];
  return self;
}

- (void)dealloc {
  [_headerView release];
  [_view release];
  [super dealloc];
}

- (UIView*)view {
  return _view;
}

- (WATodayHeaderView*)headerView {
  return _headerView;
}

@end
