/* The Weather app's views and the loaders of their artwork. */
#import "objc/test_shell/weather.h"

#include <stdlib.h>
#include <string.h>

#include "facts/weather_header.h"

static BOOL bindRaises;
static TSPlatterHeader platterHeader;
static int raisesAtBind;

void TSSetBackgroundBindRaises(BOOL raises) { bindRaises = raises; }
void TSSetPlatterHeader(TSPlatterHeader answer) { platterHeader = answer; }

/* The backgrounds alive, in the order they were made (not retained): a city's change
 * redraws those bound to it in that order. */
static WUIDynamicWeatherBackground** liveBackgrounds;
static NSUInteger liveCount, liveCapacity;

static void TSAddLiveBackground(WUIDynamicWeatherBackground* background) {
  if (liveCount == liveCapacity) {
    liveCapacity = liveCapacity ? 2 * liveCapacity : 16;
    liveBackgrounds = realloc(liveBackgrounds, liveCapacity * sizeof *liveBackgrounds);
  }
  liveBackgrounds[liveCount++] = background;
}

static void TSRemoveLiveBackground(WUIDynamicWeatherBackground* background) {
  for (NSUInteger i = 0; i < liveCount; ++i) {
    if (liveBackgrounds[i] != background) continue;
    memmove(&liveBackgrounds[i], &liveBackgrounds[i + 1],
            (liveCount - i - 1) * sizeof *liveBackgrounds);
    --liveCount;
    return;
  }
}

void TSRedrawBackgroundsOf(City* city) {
  for (NSUInteger i = 0; i < liveCount; ++i)
    if ([liveBackgrounds[i] city] == city) {
      [liveBackgrounds[i] drawCity];
      TSTellCallObserver("redraw", liveBackgrounds[i], 0, NO, city);
    }
}

void TSRaiseAtNextBind(void) { ++raisesAtBind; }

static void TSRaiseAtBind(void) {
  [NSException raise:NSInternalInconsistencyException format:@"The background cannot bind now"];
}

@implementation WUIDynamicWeatherBackground

- (id)initWithFrame:(CGRect)frame {
  self = [super initWithFrame:frame];
  if (self) {
    _gradientLayer = YES;
    TSAddLiveBackground(self);
  }
  TSTellCallObserver("initWithFrame:", self, 0, NO, nil);
  return self;
}

- (void)dealloc {
  TSRemoveLiveBackground(self);
  [_city release];
  [super dealloc];
}

/* Takes what its city has now as what it shows. */
- (void)drawCity {
  _drewCity = _city != nil;
  _drawnCondition = [_city conditionCode];
  _drawnIsDay = [_city isDay];
}

- (void)didMoveToWindow {
  TSTellCallObserver("didMoveToWindow", self, 0, NO, _city);
}

- (void)setCity:(City*)city animate:(BOOL)animate {
  if (raisesAtBind > 0) {
    --raisesAtBind;
    TSTellCallObserver("raise setCity:animate:", self, 0, animate, city);
    TSRaiseAtBind();
  }
  TSRecordCall("setCity:animate:", self, 0, animate, city);
  if (bindRaises) TSRaiseAtBind();
  TSAssignRetained(&_city, city);
  [self drawCity];
}

- (City*)city {
  return _city;
}

- (BOOL)drewCity {
  return _drewCity;
}

- (NSInteger)drawnCondition {
  return _drawnCondition;
}

- (BOOL)drawnIsDay {
  return _drawnIsDay;
}

- (void)setGradientLayer:(BOOL)gradientLayer {
  TSRecordCall("setGradientLayer:", self, 0, gradientLayer, nil);
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
  TSSetPlatterHeader(TSPlatterTodayHeader);
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

@implementation WAHighLowLabel
@end

static CGRect TSHeaderRect(WeatherHeaderFrame f) { return TSRectMake(f.x, f.y, f.width, f.height); }

static UILabel* TSAddLabel(UIView* view, Class cls, WeatherHeaderFrame frame) {
  UILabel* label = [[cls alloc] initWithFrame:TSHeaderRect(frame)];
  [view addSubview:label];
  return label;
}

@implementation WATodayHeaderView

- (id)initWithFrame:(CGRect)frame {
  self = [super initWithFrame:frame];
  if (!self) return nil;
  Class plain = [UILabel class];
  _locationLabel = TSAddLabel(self, plain, kWeatherHeaderLocation);
  _line1Label = TSAddLabel(self, plain, kWeatherHeaderLine1);
  _temperatureLabel = TSAddLabel(self, plain, kWeatherHeaderTemperature);
  _highLabel = TSAddLabel(self, [WAHighLowLabel class], kWeatherHeaderHigh);
  _lowLabel = TSAddLabel(self, [WAHighLowLabel class], kWeatherHeaderLow);
  UIView* details = [[UIView alloc] initWithFrame:TSHeaderRect(kWeatherHeaderDetails)];
  [self addSubview:details];
  _line2Label = TSAddLabel(details, plain, kWeatherHeaderLine2);
  [details release];
  return self;
}

- (void)dealloc {
  [_locationLabel release];
  [_line1Label release];
  [_temperatureLabel release];
  [_highLabel release];
  [_lowLabel release];
  [_line2Label release];
  [_conditionsImage release];
  [super dealloc];
}

- (UILabel*)temperatureLabel {
  return _temperatureLabel;
}

- (NSString*)locationName {
  return [_locationLabel text];
}

- (void)setLocationName:(NSString*)text {
  [_locationLabel setText:text];
}

- (NSString*)conditionsLine1 {
  return [_line1Label text];
}

- (void)setConditionsLine1:(NSString*)text {
  [_line1Label setText:text];
}

- (NSString*)conditionsLine2 {
  return [_line2Label text];
}

- (void)setConditionsLine2:(NSString*)text {
  [_line2Label setText:text];
}

- (NSString*)temperature {
  return [_temperatureLabel text];
}

- (void)setTemperature:(NSString*)text {
  [_temperatureLabel setText:text];
}

- (NSString*)temperatureHigh {
  return [_highLabel text];
}

- (void)setTemperatureHigh:(NSString*)text {
  [_highLabel setText:text];
}

- (NSString*)temperatureLow {
  return [_lowLabel text];
}

- (void)setTemperatureLow:(NSString*)text {
  [_lowLabel setText:text];
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
  _view = [[UIView alloc] initWithFrame:TSHeaderRect(kWeatherPlatterFrame)];
  const CGRect headerFrame = TSHeaderRect(kWeatherHeaderFrame);
  if (platterHeader == TSPlatterTodayHeader)
    _headerView = [[WATodayHeaderView alloc] initWithFrame:headerFrame];
  else if (platterHeader == TSPlatterPlainView)
    _headerView = [[UIView alloc] initWithFrame:headerFrame];
  if (_headerView) [_view addSubview:_headerView];
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
  return (WATodayHeaderView*)_headerView;
}

@end
