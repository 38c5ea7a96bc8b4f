// The last steps of every copy, the same for a recipient and for a list
// member.
#pragma once

#include <string_view>

#include "base/hresult.h"
#include "base/text.h"
#include "outlook/outlook.h"

namespace norvale {

// Stores `body` on `copy`, makes `to` its only recipient, gives it `subject`
// and sends it; returns the result of Send, or of the first addressing write
// that failed (then the copy is not sent). The copy starts with every
// recipient of the message it was made from, so CC and BCC are emptied.
HRESULT AddressAndSendCopy(outlook::MailItem& copy, std::u16string_view body,
                           std::u16string_view to, const OptText& subject);

}  // namespace norvale
