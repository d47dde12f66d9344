// What the binding's tests share (binding_*_test.cpp): a booted test shell for each test, in a
// pool of its own, and the runtime's names for classes and retain counts.
#pragma once

#include <gtest/gtest.h>

#include "host/platform.h"
#include "objc/runtime/foundation.h"
#include "objc/runtime/message.h"
#include "objc/test_shell/test_shell.h"

namespace nimbrel::objc::test {

inline id classNamed(const char* name) { return reinterpret_cast<id>(objc_getClass(name)); }

inline long retainCount(id object) { return send<unsigned long>(object, sel<"retainCount">()); }

class ObjcBinding : public ::testing::Test {
 protected:
  void SetUp() override { TSBoot(&shell_, 375, 667, 2, NO); }
  void TearDown() override { TSShutdown(&shell_); }
  host::Runtime& runtime() { return host::platform().runtime(); }
  host::Class* hostClass(const char* name) { return runtime().getClass(name); }

  PoolScope pool_;
  TSShell shell_{};
};

}  // namespace nimbrel::objc::test
