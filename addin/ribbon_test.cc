#include "addin/ribbon.h"

#include <gtest/gtest.h>

#include <string>

namespace norvale {
namespace {

std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

TEST(RibbonTest, RibbonDocumentForEachWindowAndLevel) {
  const struct {
    std::u16string_view ribbon_id;
    std::int32_t level;
    std::optional<int> document;
  } cases[] = {
      {u"Microsoft.Outlook.Mail.Compose", 0, std::nullopt},
      {u"Microsoft.Outlook.Mail.Compose", 1, std::nullopt},
      {u"Microsoft.Outlook.Mail.Compose", 2, 223},
      {u"Microsoft.Outlook.Mail.Compose", 3, 223},
      {u"Microsoft.Outlook.Mail.Compose", 5, 223},
      {u"Microsoft.Outlook.Explorer", 1, std::nullopt},
      {u"Microsoft.Outlook.Explorer", 3, std::nullopt},
      {u"Microsoft.Outlook.Explorer", 4, 227},
      {u"Microsoft.Outlook.Explorer", 5, 227},
      // Exact and case-sensitive: near misses get nothing.
      {u"microsoft.outlook.explorer", 5, std::nullopt},
      {u"Microsoft.Outlook.Explorer ", 5, std::nullopt},
      {u"Microsoft.Outlook.Mail", 5, std::nullopt},
      {u"Microsoft.Outlook.Mail.Read", 5, std::nullopt},
      {u"", 5, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RibbonDocumentFor(c.ribbon_id, c.level), c.document)
        << Narrow(c.ribbon_id) << " at level " << c.level;
  }
}

TEST(RibbonTest, OnlyTheMainWindowGroupFollowsTheInlineResponse) {
  const struct {
    std::u16string_view control_id;
    bool inline_response;
    bool visible;
  } cases[] = {
      {u"Email1Main", false, false}, {u"Email1Main", true, true},  {u"email1main", false, true},
      {u"Email1Inl", false, true},   {u"SendNVMain", false, true}, {u"", false, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsRibbonControlVisible(c.control_id, c.inline_response), c.visible)
        << Narrow(c.control_id) << " inline " << c.inline_response;
  }
}

}  // namespace
}  // namespace norvale
