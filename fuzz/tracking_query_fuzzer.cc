// Decodes any text as a tracking query, and checks that whatever decodes
// encodes back to the same query.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/text.h"
#include "tracking/tracking_query.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto text =
      norvale::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!text) return 0;
  norvale::TrackingValues values;
  try {
    values = norvale::ParseTrackingQuery(*text);
  } catch (const norvale::TrackingQueryError&) {
    return 0;
  }
  // Decoding accepts canonical values only, so every value encodes back to
  // the text it was decoded from.
  for (const std::u16string& value : values) {
    if (norvale::DecodeParameter(norvale::EncodeParameter(value)) != value) std::abort();
  }
  return 0;
}
