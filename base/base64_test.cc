#include "base/base64.h"

#include <gtest/gtest.h>

namespace norvale {
namespace {

// RFC 4648, section 10.
TEST(Base64Test, StandardVectorsRoundTrip) {
  const struct {
    std::string_view bytes, text;
  } cases[] = {{"", ""},
               {"f", "Zg=="},
               {"fo", "Zm8="},
               {"foo", "Zm9v"},
               {"foob", "Zm9vYg=="},
               {"fooba", "Zm9vYmE="},
               {"foobar", "Zm9vYmFy"},
               {"\xFB\xFF", "+/8="}};
  for (const auto& c : cases) {
    EXPECT_EQ(Base64Encode(c.bytes), c.text);
    EXPECT_EQ(Base64Decode(c.text), std::string(c.bytes));
  }
  EXPECT_EQ(Base64Encode("a", '_'), "YQ__");
  EXPECT_EQ(Base64Decode("YQ__", '_'), "a");
}

TEST(Base64Test, LongInputHasNoLineBreaks) {
  const std::string encoded = Base64Encode(std::string(300, 'x'));
  EXPECT_EQ(encoded.size(), 400u);
  EXPECT_EQ(encoded.find('\n'), std::string::npos);
}

TEST(Base64Test, DecodeRejectsNonCanonicalText) {
  const std::string_view rejected[] = {
      "Zg=",       // length not a multiple of four
      "Zg==",      // wrong pad character for "_"
      "Z___",      // three pads
      "Zh__",      // stray bits under the pad
      "Zg_A",      // pad before the end of a group
      "Zg__Zm9v",  // pad before the last group
      "Zm9-",      // URL-safe alphabet is not ours
      "Zm 9",
  };
  for (std::string_view text : rejected) EXPECT_FALSE(Base64Decode(text, '_')) << text;
}

}  // namespace
}  // namespace norvale
