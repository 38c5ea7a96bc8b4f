// Finds the links and images of an HTML body by a light scan of its tags; the
// body is never parsed into a tree, so Outlook's own markup (conditional
// comments, VML, Word's namespaces) reaches the copy untouched.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace norvale {

// One attribute value that the rewriting looks at: where the value stands in
// the body (inside its quotes, when it has them).
struct MarkupValue {
  enum class Kind {
    kLink,   // the href of a link a reader can click
    kImage,  // the src of an <img>
  };
  Kind kind;
  size_t offset;
  size_t length;
  // The whole tag, from its "<" to its ">" (or the end of the body).
  size_t tag_offset;
  size_t tag_length;
};

class EmailContentParser {
 public:
  EmailContentParser() = delete;
  virtual ~EmailContentParser() = default;

  // The href values of the clickable links and the src values of the images
  // of `body`, in body order. A link is an <a>, an <area> or a VML shape
  // (<v:roundrect>, <v:rect>, <v:shape>, ...) and its address is its first
  // attribute named exactly "href" after white space; <link>, <base> and
  // attributes such as "data-href" or "o:href" are not links.
  static std::vector<MarkupValue> FindValues(std::u16string_view body);

  // Appends the href value of each link of `body`, in body order.
  static void CollectHrefs(std::u16string_view body, std::vector<std::u16string>& hrefs);

  // True when `href` contains an at sign anywhere.
  static bool HasAtSign(std::u16string_view href);
};

}  // namespace norvale
