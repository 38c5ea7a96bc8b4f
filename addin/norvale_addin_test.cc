#include "addin/norvale_addin.h"

#include <gtest/gtest.h>

namespace norvale {
namespace {

TEST(NorvaleAddinTest, GetOutlookLevel) {
  const struct {
    std::u16string_view version;
    std::int32_t level;
  } cases[] = {
      {u"16.0.4266.1001", 5},
      {u"15.0.4569.1506", 4},
      {u"14.0.7015.1000", 3},
      {u"12.0.6423.1000", 2},
      {u"11.0.8169", 1},
      {u"17.0.1", 0},
      {u"10.0.6626", 0},
      {u"13.0.1", 0},
      {u"x16.0", 0},
      {u" 16.0", 0},
      {u"16", 0},
      {u"", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CNorvaleOAddin::GetOutlookLevel(c.version), c.level)
        << std::string(c.version.begin(), c.version.end());
  }
}

}  // namespace
}  // namespace norvale
