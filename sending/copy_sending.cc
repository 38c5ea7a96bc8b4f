#include "sending/copy_sending.h"

#include <string>

#include "tracking/store_html_body.h"

namespace norvale {

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
  return copy.Send();
}

}  // namespace norvale
