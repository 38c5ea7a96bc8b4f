#include "tracking/email_content_parser.h"

#include <array>

#include "base/text.h"

namespace norvale {
namespace {

// White space as HTML separates attributes with it.
constexpr bool IsHtmlSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// The VML elements that draw a shape and take an href; Word's "bulletproof"
// buttons are <v:roundrect> or <v:rect> inside an Outlook-only comment.
constexpr std::array<std::u16string_view, 9> kVmlShapes = {u"v:shape", u"v:rect", u"v:roundrect",
                                                           u"v:oval",  u"v:line", u"v:polyline",
                                                           u"v:curve", u"v:arc",  u"v:image"};

enum class TagKind { kOther, kLink, kImage };

// HTML tag names ignore case; Outlook 2003 writes <A> and <IMG>.
TagKind KindOfTag(std::u16string_view name) {
  if (EqualsIgnoreCase(name, u"a") || EqualsIgnoreCase(name, u"area")) return TagKind::kLink;
  if (EqualsIgnoreCase(name, u"img")) return TagKind::kImage;
  for (std::u16string_view shape : kVmlShapes) {
    if (EqualsIgnoreCase(name, shape)) return TagKind::kLink;
  }
  return TagKind::kOther;
}

// Reads the attributes of the tag whose name ends at `pos`, records the value
// of the attribute that the tag kind wants, and returns where the tag ends
// (after its ">", or the body's end). Quoted values may hold ">".
size_t ScanAttributes(std::u16string_view body, size_t pos, TagKind kind, size_t tag_offset,
                      std::vector<MarkupValue>& values) {
  bool found = false;
  while (pos < body.size()) {
    const bool after_space = IsHtmlSpace(body[pos]);
    while (pos < body.size() && (IsHtmlSpace(body[pos]) || body[pos] == u'/')) ++pos;
    if (pos == body.size()) break;
    if (body[pos] == u'>') return pos + 1;
    const size_t name_begin = pos;
    while (pos < body.size() && !IsHtmlSpace(body[pos]) && body[pos] != u'=' && body[pos] != u'>' &&
           body[pos] != u'/') {
      ++pos;
    }
    // The name may start with "=" or "/", which the loops above cannot pass.
    if (pos == name_begin) ++pos;
    const std::u16string_view name = body.substr(name_begin, pos - name_begin);
    size_t next = pos;
    while (next < body.size() && IsHtmlSpace(body[next])) ++next;
    if (next == body.size() || body[next] != u'=') continue;
    pos = next + 1;
    while (pos < body.size() && IsHtmlSpace(body[pos])) ++pos;
    size_t value_begin = pos;
    size_t value_end;
    if (pos < body.size() && (body[pos] == u'"' || body[pos] == u'\'')) {
      value_begin = pos + 1;
      value_end = body.find(body[pos], value_begin);
      if (value_end == std::u16string_view::npos) value_end = body.size();
      pos = value_end == body.size() ? value_end : value_end + 1;
    } else {
      while (pos < body.size() && !IsHtmlSpace(body[pos]) && body[pos] != u'>') ++pos;
      value_end = pos;
    }
    const bool wanted =
        kind == TagKind::kLink ? after_space && name == u"href" : EqualsIgnoreCase(name, u"src");
    if (wanted && !found) {
      found = true;
      values.push_back(
          {kind == TagKind::kLink ? MarkupValue::Kind::kLink : MarkupValue::Kind::kImage,
           value_begin, value_end - value_begin, tag_offset, 0});
    }
  }
  return body.size();
}

}  // namespace

std::vector<MarkupValue> EmailContentParser::FindValues(std::u16string_view body) {
  std::vector<MarkupValue> values;
  size_t pos = body.find(u'<');
  while (pos != std::u16string_view::npos) {
    size_t name_end = pos + 1;
    while (name_end < body.size() && !IsHtmlSpace(body[name_end]) && body[name_end] != u'>' &&
           body[name_end] != u'/' && body[name_end] != u'<') {
      ++name_end;
    }
    const TagKind kind = KindOfTag(body.substr(pos + 1, name_end - pos - 1));
    if (kind == TagKind::kOther) {
      pos = body.find(u'<', pos + 1);
      continue;
    }
    const size_t first = values.size();
    const size_t tag_end = ScanAttributes(body, name_end, kind, pos, values);
    if (values.size() > first) values.back().tag_length = tag_end - pos;
    pos = body.find(u'<', tag_end);
  }
  return values;
}

void EmailContentParser::CollectHrefs(std::u16string_view body,
                                      std::vector<std::u16string>& hrefs) {
  for (const MarkupValue& value : FindValues(body)) {
    if (value.kind == MarkupValue::Kind::kLink) {
      hrefs.emplace_back(body.substr(value.offset, value.length));
    }
  }
}

bool EmailContentParser::HasAtSign(std::u16string_view href) {
  return href.find(u'@') != std::u16string_view::npos;
}

}  // namespace norvale
