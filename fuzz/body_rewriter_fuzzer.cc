// Rewrites any body as a tracked copy carries it. The input is the body as
// UTF-8 when it is valid UTF-8, else as raw UTF-16 code units, so that unpaired
// surrogates reach the parser too.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "base/text.h"
#include "tracking/body_rewriter.h"
#include "tracking/tracking_query.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::u16string body;
  if (auto text = norvale::Utf8ToUtf16(bytes)) {
    body = *std::move(text);
  } else {
    body.resize(size / 2);
    std::memcpy(body.data(), data, body.size() * 2);
  }
  std::u16string subject = u"Quarterly update", sEmail = u"mary@contoso.com", sFName = u"Mary Ann",
                 sLName = u"Smith", rFName = u"Jane", rLName = u"Roe",
                 rEmail = u"jane.roe@contoso.com", rCName = u"Contoso";
  const std::u16string query =
      norvale::BuildTrackingQuery(subject, sEmail, sFName, sLName, rFName, rLName, rEmail, rCName);
  norvale::RewriteBody(body, query);
  return 0;
}
