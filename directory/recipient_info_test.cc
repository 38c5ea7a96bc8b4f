#include "directory/recipient_info.h"

#include <gtest/gtest.h>

#include <optional>

namespace norvale {
namespace {

TEST(RecipientInfoTest, FieldRule) {
  const struct {
    OptText value;
    std::u16string_view field;
  } cases[] = {
      {std::nullopt, u"&nbsp;"},
      {u"", u""},
      {u"Mary Ann", u"Mary&nbsp;Ann"},
      // The leading space becomes placeholder text before the trim; the tab goes.
      {u" Smith\t", u"&nbsp;Smith"},
      {u"\u3000Roe\n", u"Roe"},
      {u"Jo~an~", u"Jo&#126;an&#126;"},
  };
  for (const auto& c : cases) EXPECT_EQ(RecipientInfoField(c.value), c.field);
}

TEST(RecipientInfoTest, RecordsKeepEveryFieldInPlace) {
  EXPECT_EQ(BuildRecipientInfo(u"Mary Ann", u"O Neil", u"mary@contoso.com", std::nullopt),
            u"Mary&nbsp;Ann~O&nbsp;Neil~mary@contoso.com~&nbsp;");
  EXPECT_EQ(BuildRecipientInfo(u"", u"Roe", u"j@x.com", u"Co"), u"~Roe~j@x.com~Co");
  EXPECT_EQ(BuildMemberRecipientInfo(u"Sales Team", u"sales"), u"Sales&nbsp;Team~sales");
  EXPECT_EQ(BuildMemberRecipientInfo(std::nullopt, u""), u"&nbsp;~");
}

TEST(RecipientInfoTest, Readers) {
  using R = RecipientInfoReader;
  const struct {
    std::u16string_view record;
    RecipientInfoReader reader;
    std::optional<RecipientInfo> info;
  } cases[] = {
      {u"Jane~Roe~j@x.com~&nbsp;", R::kRecipient, RecipientInfo{u"Jane", u"Roe", u"j@x.com", u""}},
      {u"&nbsp;~ Roe\t~&nbsp;Co~Co~extra", R::kMember,
       RecipientInfo{u"", u"Roe", u"&nbsp;Co", u"Co"}},
      // An empty first name drops out of the split: three pieces.
      {u"~Roe~j@x.com~Co", R::kRecipient, std::nullopt},
      {u"~Roe~j@x.com~Co", R::kMember, std::nullopt},
      {u"Mary~Smith~mary@x.com", R::kSender, RecipientInfo{u"Mary", u"Smith", u"mary@x.com", u""}},
      {u"Mary~Smith~&nbsp;~&nbsp;", R::kSender, RecipientInfo{u"Mary", u"Smith", u"", u""}},
      // The two-field member form.
      {u"Sales&nbsp;Team~sales", R::kRecipient,
       RecipientInfo{u"Sales&nbsp;Team", u"", u"sales", u""}},
      {u"Jane Roe Smith~ j@x.com ", R::kRecipient, RecipientInfo{u"Jane", u"Roe", u"j@x.com", u""}},
      {u"Jane Roe Smith~ j@x.com ", R::kMember, RecipientInfo{u"Jane", u"Roe", u" j@x.com ", u""}},
      {u"\tJane~j@x.com", R::kRecipient, RecipientInfo{u"Jane", u"", u"j@x.com", u""}},
      {u"\tJane~j@x.com", R::kMember, RecipientInfo{u"\tJane", u"", u"j@x.com", u""}},
      {u"   ~j@x.com", R::kRecipient, RecipientInfo{u"", u"", u"j@x.com", u""}},
      {u"Jane~j@x.com", R::kSender, std::nullopt},
      {u"j@x.com", R::kRecipient, std::nullopt},
      {u"~~~", R::kMember, std::nullopt},
      {u"", R::kSender, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.record.begin(), c.record.end()));
    const auto info = ReadRecipientInfo(c.record, c.reader);
    ASSERT_EQ(info.has_value(), c.info.has_value());
    if (!info) continue;
    EXPECT_EQ(info->first_name, c.info->first_name);
    EXPECT_EQ(info->last_name, c.info->last_name);
    EXPECT_EQ(info->email, c.info->email);
    EXPECT_EQ(info->company, c.info->company);
  }
}

// A tilde in a value must not move the fields behind it: the address stays the
// address.
TEST(RecipientInfoTest, TildeInValuesRoundTrips) {
  const std::u16string record = BuildRecipientInfo(u"Jo~an", u"Roe", u"jo@x.com", u"A~B ~ C");
  for (RecipientInfoReader reader : {RecipientInfoReader::kRecipient, RecipientInfoReader::kMember,
                                     RecipientInfoReader::kSender}) {
    const auto info = ReadRecipientInfo(record, reader);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->first_name, u"Jo~an");
    EXPECT_EQ(info->last_name, u"Roe");
    EXPECT_EQ(info->email, u"jo@x.com");
    EXPECT_EQ(info->company, u"A~B&nbsp;~&nbsp;C");
  }
  const auto member = ReadRecipientInfo(BuildMemberRecipientInfo(u"~Team~", u"t@x.com"),
                                        RecipientInfoReader::kMember);
  ASSERT_TRUE(member.has_value());
  EXPECT_EQ(member->first_name, u"~Team~");
  EXPECT_EQ(member->email, u"t@x.com");
}

}  // namespace
}  // namespace norvale
