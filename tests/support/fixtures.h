// Where the tests find the property-list files written by an independent writer.
#pragma once

#include <string>

namespace testing_support {

// The path of a file in tests/fixtures/plists.
std::string fixturePath(const std::string& name);

}  // namespace testing_support
