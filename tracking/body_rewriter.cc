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

// The scheme of `address` ("https"), or empty when it has none.
std::u16string_view SchemeOf(std::u16string_view address) {
  if (address.empty() || !IsAsciiAlpha(address.front())) return {};
  size_t pos = 1;
  while (pos < address.size() && IsSchemeChar(address[pos])) ++pos;
  if (pos == address.size() || address[pos] != u':') return {};
  return address.substr(0, pos);
}

// True for addresses a browser opens as web pages: http, https, and relative
// addresses. In-page anchors, other schemes (tel:, javascript:, data:, ...)
// and e-mail addresses written without "mailto:" keep their exact text.
bool IsWebAddress(std::u16string_view address) {
  if (address.empty() || address.front() == u'#') return false;
  const std::u16string_view scheme = SchemeOf(address);
  if (scheme.empty()) return !EmailContentParser::HasAtSign(address);
  return EqualsIgnoreCase(scheme, u"http") || EqualsIgnoreCase(scheme, u"https");
}

// `query` (the text after "?") without its tracking parameters; the others
// keep their order and their own separators. `removed` tells whether any went.
std::u16string WithoutTrackingParameters(std::u16string_view query, bool& removed) {
  std::u16string kept;
  bool any_kept = false;
  size_t separator = 0;  // length of the separator in front of `pos`
  for (size_t pos = 0;;) {
    size_t end = pos;
    while (end < query.size() && ParameterSeparatorAt(query, end) == 0) ++end;
    const std::u16string_view parameter = query.substr(pos, end - pos);
    if (IsTrackingFieldName(parameter.substr(0, parameter.find(u'=')))) {
      removed = true;
    } else {
      if (any_kept) kept += query.substr(pos - separator, separator);
      kept += parameter;
      any_kept = true;
    }
    if (end == query.size()) return kept;
    separator = ParameterSeparatorAt(query, end);
    pos = end + separator;
  }
}

// The web address `address` with its tracking parameters removed and `query`
// added in front of any fragment; the path stays exactly as written.
std::u16string TrackAddress(std::u16string_view address, std::u16string_view query) {
  const size_t hash = address.find(u'#');
  const std::u16string_view fragment =
      hash == std::u16string_view::npos ? std::u16string_view() : address.substr(hash);
  const std::u16string_view before_fragment = address.substr(0, hash);
  const size_t question = before_fragment.find(u'?');
  std::u16string tracked(before_fragment.substr(0, question));
  if (question != std::u16string_view::npos) {
    bool removed = false;
    const std::u16string kept =
        WithoutTrackingParameters(before_fragment.substr(question + 1), removed);
    // A query that held only tracking parameters goes with its "?".
    if (!kept.empty() || !removed) tracked += u'?' + kept;
  }
  if (!query.empty()) {
    if (!Contains(tracked, u"?")) {
      tracked += u'?';
    } else if (tracked.back() != u'?' && tracked.back() != u'&') {
      tracked += u'&';
    }
    tracked += query;
  }
  tracked += fragment;
  return tracked;
}

// True when `src` is a tracking URL of either tracking server, however quoted
// mail has escaped its "&".
bool IsTrackingImageSource(std::u16string_view src) {
  src = TrimView(src);
  for (std::u16string_view origin : {kProductionTrackingOrigin, kDemoTrackingOrigin}) {
    if (StartsWithIgnoreCase(src, origin) &&
        src.substr(origin.size()).starts_with(kTrackingPath.substr(0, kTrackingPath.find(u'?')))) {
      return true;
    }
  }
  return false;
}

// `body` with earlier tracking removed and `query` (if not empty) added to its
// web links. One pass: every value is replaced where it stands, so the work
// grows with the body, not with links times body.
std::u16string RewriteValues(std::u16string_view body, std::u16string_view query) {
  std::u16string rewritten;
  rewritten.reserve(body.size() + body.size() / 8);
  size_t done = 0;
  for (const MarkupValue& value : EmailContentParser::FindValues(body)) {
    const std::u16string_view text = body.substr(value.offset, value.length);
    if (value.kind == MarkupValue::Kind::kImage) {
      if (!IsTrackingImageSource(text)) continue;
      rewritten.append(body.substr(done, value.tag_offset - done));
      done = value.tag_offset + value.tag_length;
      continue;
    }
    rewritten.append(body.substr(done, value.offset - done));
    rewritten += RewriteHref(text, query);
    done = value.offset + value.length;
  }
  rewritten.append(body.substr(done));
  return rewritten;
}

std::u16string TrackingImageTag(std::u16string_view query) {
  std::u16string image(kTrackImageTemplate);
  ReplaceAll(image, u"{URL}", GetTrackingUrl(query));
  return image;
}

}  // namespace

std::u16string RewriteHref(std::u16string_view href, std::u16string_view query) {
  // White space around the address stays where it is, outside the address.
  const std::u16string_view address = TrimView(href);
  // A value holding "<" or ">" runs past its tag: its quote is never closed.
  if (!IsWebAddress(address) || address.find_first_of(u"<>") != std::u16string_view::npos) {
    return std::u16string(href);
  }
  const size_t lead = static_cast<size_t>(address.data() - href.data());
  std::u16string rewritten(href.substr(0, lead));
  rewritten += TrackAddress(address, query);
  rewritten += href.substr(lead + address.size());
  return rewritten;
}

void RewriteBody(std::u16string& body, std::u16string_view query) {
  body = RewriteValues(body, query) + TrackingImageTag(query);
}

void RemoveTracking(std::u16string& body) { body = RewriteValues(body, u""); }

std::optional<std::u16string_view> AppendedTrackingQuery(std::u16string_view body) {
  // The tag as TrackingImageTag writes it: the template around the URL.
  constexpr std::u16string_view kUrl = u"{URL}";
  const size_t url = kTrackImageTemplate.find(kUrl);
  const std::u16string start =
      std::u16string(kTrackImageTemplate.substr(0, url)) + GetTrackingUrl(u"");
  const std::u16string_view end = kTrackImageTemplate.substr(url + kUrl.size());
  const size_t image = body.rfind(start);
  if (image == std::u16string_view::npos || !body.ends_with(end)) return std::nullopt;
  const std::u16string_view query =
      body.substr(image + start.size(), body.size() - end.size() - image - start.size());
  if (Contains(query, u"'")) return std::nullopt;
  return query;
}

}  // namespace norvale
