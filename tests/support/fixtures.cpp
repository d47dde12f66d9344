#include "tests/support/fixtures.h"

namespace testing_support {

std::string fixturePath(const std::string& name) {
  return std::string(NIMBREL_FIXTURES_DIR) + "/" + name;
}

}  // namespace testing_support
