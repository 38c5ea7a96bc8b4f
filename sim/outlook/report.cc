#include "sim/outlook/report.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace norvale::sim {
namespace {

using nlohmann::ordered_json;

// A missing string is null.
ordered_json Text(const OptText& text) {
  return text ? ordered_json(Utf16ToUtf8(*text)) : ordered_json(nullptr);
}

template <typename T>
ordered_json Optional(const std::optional<T>& value) {
  return value ? ordered_json(*value) : ordered_json(nullptr);
}

}  // namespace

std::string HresultText(HRESULT hr) {
  char text[11];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

ordered_json BuildReport(const SimOutlook& outlook, const platform::SimDesktop& desktop) {
  ordered_json sent = ordered_json::array();
  for (const MailFields& mail : outlook.sent()) {
    sent.push_back({{"to", Text(mail.to)},
                    {"cc", Text(mail.cc)},
                    {"bcc", Text(mail.bcc)},
                    {"subject", Text(mail.subject)},
                    {"htmlBody", Text(mail.htmlBody)},
                    {"body", Text(mail.body)}});
  }

  ordered_json leftovers = ordered_json::array();
  for (const MailRecord& copy : outlook.copies()) {
    if (copy.sent || copy.deleted) continue;
    leftovers.push_back({{"to", Text(copy.fields.to)},
                         {"subject", Text(copy.fields.subject)},
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
