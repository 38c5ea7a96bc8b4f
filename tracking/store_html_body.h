// How a changed body is stored on a copy.
#pragma once

#include <string_view>

#include "outlook/outlook.h"

namespace norvale {

// Empties the plain body, switches the copy to HTML, empties the HTML body and
// then sets it to `body` trimmed. Clearing first keeps Outlook from carrying
// text of the old body over into the new one.
void StoreHtmlBody(outlook::MailItem& copy, std::u16string_view body);

}  // namespace norvale
