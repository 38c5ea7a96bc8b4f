#include "tracking/email_content_parser.h"

namespace norvale {

std::vector<HrefSpan> EmailContentParser::FindHrefSpans(std::u16string_view body) {
  std::vector<HrefSpan> spans;
  for (size_t pos = body.find(u"href="); pos != std::u16string_view::npos;) {
    size_t end = body.find(u'>', pos);
    if (end == std::u16string_view::npos) end = body.size();
    spans.push_back({pos, end - pos});
    pos = body.find(u"href=", end);
  }
  return spans;
}

void EmailContentParser::CollectHrefs(std::u16string_view body,
                                      std::vector<std::u16string>& hrefs) {
  for (const HrefSpan& span : FindHrefSpans(body)) {
    hrefs.emplace_back(body.substr(span.offset, span.length));
  }
}

bool EmailContentParser::HasAtSign(std::u16string_view href) {
  return href.find(u'@') != std::u16string_view::npos;
}

}  // namespace norvale
