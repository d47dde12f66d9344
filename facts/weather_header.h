/* The Weather framework's platter and today header as both platforms' stand-ins lay them out:
 * the simulation's C++ and the test shell's Objective-C build their views from these frames,
 * so a change to the header's layout is made here once. Plain C, for the test shell. */
#ifndef NIMBREL_FACTS_WEATHER_HEADER_H
#define NIMBREL_FACTS_WEATHER_HEADER_H

typedef struct WeatherHeaderFrame {
  double x, y, width, height;
} WeatherHeaderFrame;

/* The platter and its header, whatever the screen. */
static const WeatherHeaderFrame kWeatherPlatterFrame = {0, 0, 359, 300};
static const WeatherHeaderFrame kWeatherHeaderFrame = {0, 0, 359, 106};
/* The header's labels, in the order it adds them. */
static const WeatherHeaderFrame kWeatherHeaderLocation = {16, 10, 220, 24};
static const WeatherHeaderFrame kWeatherHeaderLine1 = {16, 34, 220, 18};
static const WeatherHeaderFrame kWeatherHeaderTemperature = {20, 40, 110, 58};
static const WeatherHeaderFrame kWeatherHeaderHigh = {250, 52, 44, 20};
static const WeatherHeaderFrame kWeatherHeaderLow = {298, 52, 44, 20};
/* A plain view holding the second line, which fills it. */
static const WeatherHeaderFrame kWeatherHeaderDetails = {140, 76, 200, 20};
static const WeatherHeaderFrame kWeatherHeaderLine2 = {0, 0, 200, 20};

#endif
