# What the phone library is built from, relative to the project's root: read by Makefile (the
# tweak tool chain's build) and by scripts/phone (Debian's tools), so the two build the same.
NIMBREL_SOURCES := startup/*.cpp state/*.cpp lockscreen/*.cpp homescreen/*.cpp events/*.cpp \
                   objc/runtime/*.cpp objc/runtime/*.m objc/binding/*.cpp plist/*.cpp \
                   objc/seam/apple.cpp
# ARC off: the binding retains and releases by hand, as GCC's runtime needs. Blocks on: the
# completion handler is the compiler's own block on the phone. Release: the debug checks'
# assertions (a dynamic_cast at every cross cast) stay out of the package.
NIMBREL_FLAGS := -fno-objc-arc -fblocks -Os -DNDEBUG
# Objective-C files only: to a C++ file clang calls it an unused argument, an error under
# -Werror.
NIMBREL_OBJC_FLAGS := -fobjc-exceptions
NIMBREL_CXX_FLAGS := -std=c++20
# Weather, WeatherUI and the shell's classes are looked up by name, so that a system lacking
# one degrades class by class instead of refusing to load the library: no private framework
# is linked.
NIMBREL_FRAMEWORKS := Foundation CoreFoundation UIKit
