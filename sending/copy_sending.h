// The last steps of every copy, the same for a recipient and for a list
// member.
#pragma once

#include <string_view>

#include "base/hresult.h"
#include "base/text.h"
#include "outlook/outlook.h"

namespace norvale {

// The text a recipient is known by: its address, or its name when Outlook
// holds no address for it (one it has not resolved yet). Reads Address, and
// Name only when the address is missing or empty.
struct RecipientText {
  OptText text;
  bool byAddress = false;
};
RecipientText ReadRecipientText(outlook::Recipient& recipient);

// The status of a copy that Outlook does not hold as addressed to its one
// recipient alone; reported as a refused Send is.
inline constexpr HRESULT kCopyMisaddressed = E_FAIL;

// Stores `body` on `copy`, makes `to` its only recipient, gives it `subject`
// and sends it; returns the result of Send, of the first addressing write
// that failed, or kCopyMisaddressed when the recipients read back are not
// `to` alone (then the copy is not sent). The copy starts with every
// recipient of the message it was made from, so CC and BCC are emptied.
HRESULT AddressAndSendCopy(outlook::MailItem& copy, std::u16string_view body,
                           std::u16string_view to, const OptText& subject);

}  // namespace norvale
