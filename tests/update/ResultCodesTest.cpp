#include "update/ResultCodes.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tbt {
namespace {

TEST(ResultCodesTest, OwnCodesAreConsecutiveAndEachHasItsOwnName) {
  std::set<std::string> names;
  for (UpdateResult code = TBU_E_NO_ACPI_DEVICE; code <= TBU_E_ON_BATTERY; ++code) {
    EXPECT_TRUE(IsOwnResultCode(code));
    const std::string name(ResultCodeName(code));
    EXPECT_EQ(name.rfind("TBU_E_", 0), 0u) << name;
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 14u);
  EXPECT_EQ(ResultCodeName(TBU_OK), "TBU_OK");
}

TEST(ResultCodesTest, ValuesOutsideTheBlockAreProviderReturnValues) {
  for (UpdateResult code : {UpdateResult{1}, UpdateResult{0x10430000}, UpdateResult{0x1043000F},
                            UpdateResult{0xFFFFFFFF}}) {
    EXPECT_FALSE(IsOwnResultCode(code));
    EXPECT_EQ(ResultCodeName(code), "PROVIDER_RETURN_VALUE");
    EXPECT_FALSE(ResultCodeDescription(code).empty());
  }
}

}  // namespace
}  // namespace tbt
