#include "sending/error_reporting.h"

#include <gtest/gtest.h>

namespace norvale {
namespace {

TEST(ErrorReportingTest, FormatErrorText) {
  const struct {
    HRESULT hr;
    std::u16string_view text;
  } cases[] = {
      {E_FAIL, u"Send error\nError code: 0x80004005"},
      {E_POINTER, u"Send error\nError code: 0x80004003"},
      {S_OK, u"Send error\nError code: 0x0"},
      {S_FALSE, u"Send error\nError code: 0x1"},
      {static_cast<HRESULT>(0x00040380), u"Send error\nError code: 0x40380"},
      {static_cast<HRESULT>(0x8004010F), u"Send error\nError code: 0x8004010f"},
      {static_cast<HRESULT>(0xFFFFFFFF), u"Send error\nError code: 0xffffffff"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatErrorText(u"Send error", c.hr), c.text);
  EXPECT_EQ(FormatErrorText(u"", E_FAIL), u"\nError code: 0x80004005");
}

}  // namespace
}  // namespace norvale
