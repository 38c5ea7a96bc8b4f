#include "tracking/body_rewriter.h"

#include "base/text.h"
#include "tracking/email_content_parser.h"
#include "tracking/tracking_query.h"

namespace norvale {
namespace {

constexpr bool IsAsciiAlpha(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

constexpr bool IsSchemeChar(char16_t c) {
  return IsAsciiAlpha(c) || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
}

// True for addresses a browser opens as web pages: http, https, and relative
// addresses. In-page anchors and other schemes (tel:, javascript:, data:, ...)
// must keep their exact text.
bool IsWebAddress(std::u16string_view address) {
  address = TrimView(address);
  if (address.empty() || address.front() == u'#') return false;
  if (!IsAsciiAlpha(address.front())) return true;
  size_t pos = 1;
  while (pos < address.size() && IsSchemeChar(address[pos])) ++pos;
  if (pos == address.size() || address[pos] != u':') return true;  // no scheme
  const std::u16string_view scheme = address.substr(0, pos);
  return EqualsIgnoreCase(scheme, u"http") || EqualsIgnoreCase(scheme, u"https");
}

// Adds the query in front of any fragment, dropping one trailing "/".
std::u16string TrackAddress(std::u16string_view address, std::u16string_view query) {
  const size_t hash = address.find(u'#');
  std::u16string tracked(address.substr(0, hash));
  const std::u16string_view fragment =
      hash == std::u16string_view::npos ? std::u16string_view() : address.substr(hash);
  if (!tracked.empty() && tracked.back() == u'/') tracked.pop_back();
  tracked += Contains(tracked, u"?") ? u'&' : u'?';
  tracked += query;
  ReplaceAll(tracked, u"/?", u"?");
  tracked += fragment;
  return tracked;
}

bool IsWordThemeReference(std::u16string_view address) {
  return address == u"~~themedata~~" || address == u"~~colorschememapping~~";
}

}  // namespace

std::u16string RewriteHref(std::u16string_view href, std::u16string_view query) {
  const std::u16string unchanged(href);
  if (EmailContentParser::HasAtSign(href)) return unchanged;
  // The address is the text after the first run of double quotes, up to the
  // next one. Only an attribute whose own value is quoted has one: with
  // href='x' title="y" the quoted text is the title.
  const size_t quote = href.find(u'"');
  if (quote == std::u16string_view::npos) return unchanged;
  if (!TrimView(href.substr(0, quote).substr(std::u16string_view(u"href=").size())).empty()) {
    return unchanged;
  }
  const size_t begin = href.find_first_not_of(u'"', quote);
  if (begin == std::u16string_view::npos) return unchanged;
  size_t end = href.find(u'"', begin);
  if (end == std::u16string_view::npos) end = href.size();
  const std::u16string_view address = href.substr(begin, end - begin);
  if (IsWordThemeReference(address) || !IsWebAddress(address)) return unchanged;

  std::u16string rewritten(href.substr(0, begin));
  rewritten += TrackAddress(address, query);
  rewritten += href.substr(end);
  return rewritten;
}

void RewriteBody(std::u16string& body, std::u16string_view query) {
  // One pass over the body: every collected href text is replaced where it
  // stands, so a link that occurs several times is rewritten at each place,
  // and the work grows with the body, not with links times body.
  std::u16string rewritten;
  rewritten.reserve(body.size() + body.size() / 8);
  size_t done = 0;
  for (const HrefSpan& span : EmailContentParser::FindHrefSpans(body)) {
    rewritten.append(body, done, span.offset - done);
    rewritten += RewriteHref(std::u16string_view(body).substr(span.offset, span.length), query);
    done = span.offset + span.length;
  }
  rewritten.append(body, done);

  std::u16string image(kTrackImageTemplate);
  ReplaceAll(image, u"{URL}", GetTrackingUrl(query));
  rewritten += image;
  body = std::move(rewritten);
}

}  // namespace norvale
