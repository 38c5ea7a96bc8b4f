#include "sim/outlook/report.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "sending/sent_summary.h"
#include "tracking/body_rewriter.h"
#include "tracking/email_content_parser.h"
#include "tracking/tracking_query.h"

namespace norvale::sim {
namespace {

using nlohmann::ordered_json;

template <typename T>
ordered_json Optional(const std::optional<T>& value) {
  return value ? ordered_json(*value) : ordered_json(nullptr);
}

// The decoded values of the tracking image that the add-in appended to a
// tracked copy, keyed by their names; null for an untracked copy.
ordered_json TrackingOf(std::u16string_view body) {
  const std::optional<std::u16string_view> query = AppendedTrackingQuery(body);
  if (!query) return nullptr;
  TrackingValues values;
  try {
    values = ParseTrackingQuery(*query);
  } catch (const TrackingQueryError&) {
    return nullptr;
  }
  ordered_json tracking = ordered_json::object();
  for (size_t k = 0; k < values.size(); ++k) {
    tracking[Utf16ToUtf8(TrackingFieldName(k))] = Utf16ToUtf8(values[k]);
  }
  return tracking;
}

// The links of a copy whose address differs from the composed message's,
// as written in the markup. Rewriting changes addresses but never adds or
// removes a link, so the two bodies' links pair up in order.
ordered_json RewrittenLinks(std::u16string_view composed, std::u16string_view copy) {
  std::vector<std::u16string> before, after;
  EmailContentParser::CollectHrefs(composed, before);
  EmailContentParser::CollectHrefs(copy, after);
  ordered_json links = ordered_json::array();
  for (size_t i = 0; i < std::min(before.size(), after.size()); ++i) {
    if (before[i] == after[i]) continue;
    links.push_back({{"original", Utf16ToUtf8(before[i])}, {"rewritten", Utf16ToUtf8(after[i])}});
  }
  return links;
}

// The banner line of an untracked copy ("Mail sent to:..."), as written in
// the markup; null when the copy has none.
ordered_json BannerOf(std::u16string_view body) {
  const std::optional<std::u16string_view> banner = FindSentSummaryBanner(body);
  return banner ? ordered_json(Utf16ToUtf8(*banner)) : ordered_json(nullptr);
}

}  // namespace

ordered_json TextJson(const OptText& text) {
  return text ? ordered_json(Utf16ToUtf8(*text)) : ordered_json(nullptr);
}

std::string HresultText(HRESULT hr) {
  char text[11];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

ordered_json BuildReport(const SimOutlook& outlook, const platform::SimDesktop& desktop) {
  const std::u16string composed = outlook.source().fields.htmlBody.value_or(u"");
  ordered_json sent = ordered_json::array();
  for (const MailFields& mail : outlook.sent()) {
    const std::u16string body = mail.htmlBody.value_or(u"");
    sent.push_back({{"to", TextJson(mail.to)},
                    {"cc", TextJson(mail.cc)},
                    {"bcc", TextJson(mail.bcc)},
                    {"subject", TextJson(mail.subject)},
                    {"htmlBody", TextJson(mail.htmlBody)},
                    {"body", TextJson(mail.body)},
                    {"tracking", TrackingOf(body)},
                    {"rewrittenLinks", RewrittenLinks(composed, body)},
                    {"banner", BannerOf(body)}});
  }

  ordered_json leftovers = ordered_json::array();
  for (const MailRecord& copy : outlook.copies()) {
    if (copy.sent || copy.deleted) continue;
    leftovers.push_back({{"to", TextJson(copy.fields.to)},
                         {"subject", TextJson(copy.fields.subject)},
                         {"state", copy.closedWith ? "closed" : "draft"}});
  }

  ordered_json boxes = ordered_json::array();
  for (const platform::SimDesktop::MessageBox& box : desktop.messageBoxes()) {
    boxes.push_back({{"text", Utf16ToUtf8(box.text)},
                     {"caption", Utf16ToUtf8(box.caption)},
                     {"style", box.style},
                     {"owner", box.owner == SimOutlook::kInspectorWindow ? "inspector" : "none"}});
  }

  const MailRecord& source = outlook.source();
  const ordered_json body_format = source.bodyFormatWrites.empty()
                                       ? ordered_json(nullptr)
                                       : ordered_json(source.bodyFormatWrites.back());

  ordered_json report;
  report["sent"] = std::move(sent);
  report["leftovers"] = std::move(leftovers);
  report["messageBoxes"] = std::move(boxes);
  report["source"] = {{"bodyFormat", body_format},
                      {"saved", source.saved},
                      {"closedWith", Optional(source.closedWith)},
                      {"deleted", source.deleted}};
  if (outlook.scenario().action == Scenario::Action::kInline) {
    const auto& shown = desktop.shownWindows();
    const bool hidden =
        std::find(shown.begin(), shown.end(),
                  std::pair{SimOutlook::kInspectorWindow, platform::kSwHide}) != shown.end();
    report["inline"] = {{"poppedOut", outlook.poppedOut()}, {"inspectorHidden", hidden}};
  }
  report["calls"] = outlook.totalCalls();
  return report;
}

}  // namespace norvale::sim
