#include "sending/sent_summary.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "addin/norvale_addin.h"
#include "outlook/outlook.h"
#include "tracking/body_rewriter.h"

namespace norvale {
namespace {

constexpr std::u16string_view kBannerRule =
    u"----------------------------------------------------<br>";
constexpr std::u16string_view kBannerLabel = u"Mail sent to:";
constexpr std::u16string_view kBannerEnd =
    u"<br>----------------------------------------------------<br>";
constexpr std::u16string_view kBodyTag = u"<body>";

}  // namespace

void InsertSentSummaryBanner(std::u16string& body, const std::vector<std::u16string>& to_names) {
  std::u16string toRecips;
  for (const std::u16string& name : to_names) {
    if (!toRecips.empty()) toRecips += u", ";
    toRecips += EscapeHtml(name);
  }
  if (toRecips.empty()) return;

  const std::u16string toInformation = std::u16string(kBannerRule) + std::u16string(kBannerLabel) +
                                       toRecips + std::u16string(kBannerEnd);
  const size_t body_tag = body.find(kBodyTag);
  body.insert(body_tag == std::u16string::npos ? 0 : body_tag + kBodyTag.size(), toInformation);
}

std::optional<std::u16string_view> FindSentSummaryBanner(std::u16string_view body) {
  const size_t start = body.find(kBannerLabel);
  if (start == std::u16string_view::npos) return std::nullopt;
  return body.substr(start, body.find(kBannerEnd, start) - start);
}

namespace {

std::vector<std::u16string> ReadToNames(outlook::MailItem& mail) {
  std::vector<std::u16string> toNames;
  if (const auto spRecips = mail.Recipients()) {
    const std::int32_t recipCount = spRecips->Count().value_or(0);
    for (std::int32_t i = 1; i <= recipCount; ++i) {
      const auto spRecip = spRecips->Item(i);
      // A recipient whose type cannot be read counts as a To recipient.
      if (!spRecip || spRecip->Type().value_or(outlook::olTo) != outlook::olTo) continue;
      OptText recipName = spRecip->Name();
      if (!recipName) recipName = spRecip->Address();
      toNames.push_back(recipName.value_or(u""));
    }
  }
  return toNames;
}

}  // namespace

void CNorvaleOAddin::InsertSentSummary(std::u16string& strBody,
                                       std::shared_ptr<outlook::MailItem>& spMailItem) {
  // Every untracked copy of a send carries the same banner, so the
  // recipients are read once per send, not once per copy.
  std::optional<std::vector<std::u16string>> unshared;
  auto& toNames = m_pSend ? m_pSend->toNames : unshared;
  if (!toNames) toNames = ReadToNames(*spMailItem);
  RemoveTracking(strBody);
  InsertSentSummaryBanner(strBody, *toNames);
}

}  // namespace norvale
