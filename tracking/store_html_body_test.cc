#include "tracking/store_html_body.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvale {
namespace {

// Records the writes that reach the copy, in order.
class RecordingMailItem : public outlook::MailItem {
 public:
  std::vector<std::u16string> writes;

  void SetBody(const OptText& value) override { Record(u"Body", value); }
  void SetBodyFormat(std::int32_t format) override {
    writes.push_back(u"BodyFormat=" + std::u16string(1, static_cast<char16_t>(u'0' + format)));
  }
  void SetHTMLBody(const OptText& value) override { Record(u"HTMLBody", value); }

  OptText Subject() override { return std::nullopt; }
  void SetSubject(const OptText& value) override { Record(u"Subject", value); }
  OptText HTMLBody() override { return std::nullopt; }
  OptText To() override { return std::nullopt; }
  OptText CC() override { return std::nullopt; }
  OptText BCC() override { return std::nullopt; }
  HRESULT SetTo(const OptText& value) override {
    Record(u"To", value);
    return S_OK;
  }
  HRESULT SetCC(const OptText& value) override {
    Record(u"CC", value);
    return S_OK;
  }
  HRESULT SetBCC(const OptText& value) override {
    Record(u"BCC", value);
    return S_OK;
  }
  std::shared_ptr<outlook::Recipients> Recipients() override { return nullptr; }
  std::shared_ptr<outlook::Account> SendUsingAccount() override { return nullptr; }
  std::shared_ptr<outlook::MailItem> Copy() override { return nullptr; }
  void Save() override { writes.push_back(u"Save"); }
  HRESULT Send() override { return S_OK; }
  HRESULT Close(std::int32_t) override { return S_OK; }
  HRESULT Delete() override { return S_OK; }

 private:
  void Record(std::u16string_view name, const OptText& value) {
    writes.push_back(std::u16string(name) + u"=" + value.value_or(u"<null>"));
  }
};

TEST(StoreHtmlBodyTest, ClearsThenStoresTrimmedBodyAsHtml) {
  RecordingMailItem copy;
  StoreHtmlBody(copy, u"\r\n <html><body> Hi </body></html>\t\n");
  const std::vector<std::u16string> expected = {u"Body=", u"BodyFormat=2", u"HTMLBody=",
                                                u"HTMLBody=<html><body> Hi </body></html>"};
  EXPECT_EQ(copy.writes, expected);
}

}  // namespace
}  // namespace norvale
