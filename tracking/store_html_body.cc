#include "tracking/store_html_body.h"

#include <string>

#include "base/text.h"

namespace norvale {

void StoreHtmlBody(outlook::MailItem& copy, std::u16string_view body) {
  copy.SetBody(u"");
  copy.SetBodyFormat(outlook::olFormatHTML);
  copy.SetHTMLBody(u"");
  copy.SetHTMLBody(std::u16string(TrimView(body)));
}

}  // namespace norvale
