// Finds the link attributes of an HTML body by plain text search; the body is
// never parsed as HTML, so Outlook's own markup reaches the copy untouched.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace norvale {

// Where one collected href text stands in a body.
struct HrefSpan {
  size_t offset;
  size_t length;
};

class EmailContentParser {
 public:
  EmailContentParser() = delete;
  virtual ~EmailContentParser() = default;

  // Appends each "href=" text of `body`, up to the next ">" or the end, in
  // body order; an "href=" inside a collected text is not collected again.
  static void CollectHrefs(std::u16string_view body, std::vector<std::u16string>& hrefs);

  // The same texts as CollectHrefs, as places in `body`.
  static std::vector<HrefSpan> FindHrefSpans(std::u16string_view body);

  // True when `href` contains an at sign anywhere.
  static bool HasAtSign(std::u16string_view href);
};

}  // namespace norvale
