#include "tracking/tracking_query.h"

#include "base/base64.h"
#include "base/text.h"

namespace norvale {

#ifndef NORVALE_TRACKING_ENV
#define NORVALE_TRACKING_ENV "PROD"
#endif
const std::string_view kTrackingEnv = NORVALE_TRACKING_ENV;

std::u16string_view TrackingOrigin(std::string_view tracking_env) {
  return tracking_env == "DEV" ? kDemoTrackingOrigin : kProductionTrackingOrigin;
}

std::u16string EncodeParameter(std::u16string_view value) {
  const std::string encoded = Base64Encode(Utf16ToUtf8(value), '_');
  return std::u16string(encoded.begin(), encoded.end());
}

std::u16string BuildTrackingQuery(std::u16string& subject, std::u16string& sender_email,
                                  std::u16string& sender_first_name,
                                  std::u16string& sender_last_name,
                                  std::u16string& recipient_first_name,
                                  std::u16string& recipient_last_name,
                                  std::u16string& recipient_email,
                                  std::u16string& recipient_company) {
  // Trimmed in the argument order; encoded in the key order, where the
  // recipient's address comes before the recipient's names.
  for (std::u16string* value :
       {&subject, &sender_email, &sender_first_name, &sender_last_name, &recipient_first_name,
        &recipient_last_name, &recipient_email, &recipient_company}) {
    Trim(*value);
  }
  const std::array<const std::u16string*, 8> in_key_order = {
      &subject,         &sender_email,         &sender_first_name,   &sender_last_name,
      &recipient_email, &recipient_first_name, &recipient_last_name, &recipient_company};
  std::u16string query;
  for (size_t i = 0; i < kTrackingKeys.size(); ++i) {
    query += kTrackingKeys[i];
    query += EncodeParameter(*in_key_order[i]);
  }
  return query;
}

std::u16string GetTrackingUrl(std::u16string_view query) {
  std::u16string url(TrackingOrigin(kTrackingEnv));
  url += kTrackingPath;
  url += query;
  return url;
}

void ExtractBracketedAddress(std::u16string& address) {
  // An Exchange address names its administrative group in brackets; the
  // bracketed text is no address of its own.
  if (StartsWithIgnoreCase(address, u"/o=")) return;
  const size_t open = address.rfind(u'(');
  const size_t close = address.rfind(u')');
  if (open == std::u16string::npos || close == std::u16string::npos || close < open) return;
  address = address.substr(open + 1, close - open - 1);
}

void RestoreSpaces(std::u16string& value) { ReplaceAll(value, u"&nbsp;", u" "); }

std::u16string_view TrackingFieldName(size_t index) {
  std::u16string_view key = kTrackingKeys.at(index);
  if (key.front() == u'&') key.remove_prefix(1);
  key.remove_suffix(1);
  return key;
}

std::u16string DecodeParameter(std::u16string_view encoded) {
  const std::string ascii(encoded.begin(), encoded.end());
  for (char16_t c : encoded) {
    if (c > 0x7F) throw TrackingQueryError("value has a character outside Base64");
  }
  const std::optional<std::string> bytes = Base64Decode(ascii, '_');
  if (!bytes) throw TrackingQueryError("value '" + ascii + "' is not Base64 with '_' padding");
  std::optional<std::u16string> text = Utf8ToUtf16(*bytes);
  if (!text) throw TrackingQueryError("value '" + ascii + "' does not decode to UTF-8 text");
  return std::move(*text);
}

namespace {

constexpr bool IsEncodedChar(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
         c == u'+' || c == u'/' || c == u'_';
}

}  // namespace

TrackingValues ParseTrackingQuery(std::u16string_view text) {
  TrackingValues values;
  size_t pos = text.find(kTrackingKeys[0]);
  if (pos == std::u16string_view::npos) throw TrackingQueryError("no 'nv_subject=' key found");
  for (size_t i = 0; i < kTrackingKeys.size(); ++i) {
    if (text.substr(pos, kTrackingKeys[i].size()) != kTrackingKeys[i]) {
      throw TrackingQueryError("expected '" + Utf16ToUtf8(kTrackingKeys[i]) + "' at offset " +
                               std::to_string(pos));
    }
    pos += kTrackingKeys[i].size();
    const size_t begin = pos;
    while (pos < text.size() && IsEncodedChar(text[pos])) ++pos;
    try {
      values[i] = DecodeParameter(text.substr(begin, pos - begin));
    } catch (const TrackingQueryError& error) {
      throw TrackingQueryError(Utf16ToUtf8(TrackingFieldName(i)) + ": " + error.what());
    }
  }
  return values;
}

}  // namespace norvale
