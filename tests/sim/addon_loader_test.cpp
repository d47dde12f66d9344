// Filter files decide which processes the hook engine loads an add-on into.
#include "sim/process/addon_loader.h"

#include <gtest/gtest.h>

#include "sim/foundation/property_list.h"
#include "tests/support/fixtures.h"

namespace {

const sim::ProcessIdentity kShell{"SpringBoard", "com.apple.springboard"};
const sim::ProcessIdentity kBackboard{"backboardd", "com.apple.backboardd"};
const sim::ProcessIdentity kSettings{"Preferences", "com.apple.Preferences"};

host::Value filterFixture(const std::string& name) {
  std::optional<host::Value> filter = sim::readPropertyList(testing_support::fixturePath(name));
  EXPECT_TRUE(filter.has_value()) << name;
  return filter.value_or(host::Value(host::Dictionary{}));
}

TEST(FilterFile, EveryWrittenFormAdmitsTheShellOnly) {
  for (const char* name : {"filter-xml.plist", "filter-binary.plist", "filter-text.plist"}) {
    SCOPED_TRACE(name);
    const host::Value filter = filterFixture(name);
    EXPECT_TRUE(sim::filterAdmits(filter, kShell));
    EXPECT_FALSE(sim::filterAdmits(filter, kBackboard));
  }
}

TEST(FilterFile, ExecutablesMatchQuotedAndBareNames) {
  const host::Value filter = filterFixture("filter-text-executables.plist");
  EXPECT_TRUE(sim::filterAdmits(filter, kShell));
  EXPECT_TRUE(sim::filterAdmits(filter, kBackboard));
  EXPECT_FALSE(sim::filterAdmits(filter, kSettings));
}

host::Value filterOf(host::Dictionary filter) {
  return host::Value(host::Dictionary{{"Filter", host::Value(std::move(filter))}});
}

TEST(FilterFile, EveryListedKindMustMatchUnlessModeIsAny) {
  const host::Value bundles{host::Array{"com.apple.springboard"}};
  const host::Value executables{host::Array{"backboardd"}};
  EXPECT_FALSE(
      sim::filterAdmits(filterOf({{"Bundles", bundles}, {"Executables", executables}}), kShell));
  EXPECT_TRUE(sim::filterAdmits(
      filterOf({{"Bundles", bundles}, {"Executables", executables}, {"Mode", "Any"}}), kShell));
}

TEST(FilterFile, MalformedFiltersAdmitNothing) {
  const host::Value cases[] = {
      host::Value(host::Array{}),
      host::Value(host::Dictionary{}),
      filterOf({}),
      filterOf({{"Bundles", "com.apple.springboard"}}),
      host::Value(host::Dictionary{{"Filter", host::Value(host::Array{"com.apple.springboard"})}}),
  };
  for (const host::Value& filter : cases) EXPECT_FALSE(sim::filterAdmits(filter, kShell));
}

}  // namespace
