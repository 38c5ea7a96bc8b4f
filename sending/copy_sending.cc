#include "sending/copy_sending.h"

#include <string>

#include "tracking/store_html_body.h"

namespace norvale {
namespace {

// True when Outlook holds `to` as the copy's one recipient. The Recipients
// collection holds every recipient of To, CC and BCC alike, so one entry with
// the written text also proves that CC and BCC are empty.
bool AddressedToOnly(outlook::MailItem& copy, std::u16string_view to) {
  const auto recipients = copy.Recipients();
  if (!recipients || recipients->Count() != 1) return false;
  const auto recipient = recipients->Item(1);
  if (!recipient) return false;
  const OptText text = ReadRecipientText(*recipient).text;
  return text && EqualsIgnoreCase(*text, to);
}

}  // namespace

RecipientText ReadRecipientText(outlook::Recipient& recipient) {
  RecipientText read{recipient.Address(), true};
  if (!read.text || read.text->empty()) read = {recipient.Name(), false};
  return read;
}

HRESULT AddressAndSendCopy(outlook::MailItem& copy, std::u16string_view body,
                           std::u16string_view to, const OptText& subject) {
  StoreHtmlBody(copy, body);
  // Sending a copy whose addressing failed would reach every recipient of the
  // composed message; such a copy fails like a refused Send instead.
  HRESULT hr = copy.SetTo(std::u16string(to));
  if (Failed(hr)) return hr;
  copy.SetSubject(subject);
  if (Failed(hr = copy.SetCC(u""))) return hr;
  if (Failed(hr = copy.SetBCC(u""))) return hr;
  // A write can answer success without effect, and one text can name several
  // people: only what Outlook reads back proves the copy's addressing.
  if (!AddressedToOnly(copy, to)) return kCopyMisaddressed;
  return copy.Send();
}

}  // namespace norvale
