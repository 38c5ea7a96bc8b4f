#include "sending/copy_sending.h"

#include <string>

#include "tracking/store_html_body.h"

namespace norvale {
namespace {

// True when Outlook holds `to` as the copy's one recipient. The Recipients
// collection holds every recipient of To, CC and BCC alike, so one entry with
// the written address also proves that CC and BCC are empty. A recipient that
// Outlook has not resolved yet may have no address, and then its name is the
// text written.
bool AddressedToOnly(outlook::MailItem& copy, std::u16string_view to) {
  const auto recipients = copy.Recipients();
  if (!recipients || recipients->Count() != 1) return false;
  const auto recipient = recipients->Item(1);
  if (!recipient) return false;
  if (const OptText address = recipient->Address(); address && !address->empty()) {
    return EqualsIgnoreCase(*address, to);
  }
  const OptText name = recipient->Name();
  return name && EqualsIgnoreCase(*name, to);
}

}  // namespace

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
