#include "tracking/tracking_query.h"

#include <vector>

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

bool IsTrackingFieldName(std::u16string_view name) {
  for (size_t i = 0; i < kTrackingKeys.size(); ++i) {
    if (TrackingFieldName(i) == name) return true;
  }
  return false;
}

size_t ParameterSeparatorAt(std::u16string_view text, size_t pos) {
  if (pos >= text.size() || text[pos] != u'&') return 0;
  return text.substr(pos, 5) == u"&amp;" ? 5 : 1;
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

// A parameter of a text whose name is a tracking key.
struct KeyAt {
  size_t key;    // index into kTrackingKeys
  size_t value;  // where its value starts
};

void NoteKeyAt(std::u16string_view text, size_t start, std::vector<KeyAt>& keys) {
  for (size_t k = 0; k < kTrackingKeys.size(); ++k) {
    const std::u16string_view name = TrackingFieldName(k);
    const size_t equals = start + name.size();
    if (text.substr(start, name.size()) == name && equals < text.size() && text[equals] == u'=') {
      keys.push_back({k, equals + 1});
      return;
    }
  }
}

// Every parameter of `text` named like a tracking key, in text order. A
// parameter starts at the start of the text, after "?" or after a separator.
std::vector<KeyAt> FindTrackingKeys(std::u16string_view text) {
  std::vector<KeyAt> keys;
  NoteKeyAt(text, 0, keys);
  for (size_t pos = 0; pos < text.size(); ++pos) {
    const size_t separator = text[pos] == u'?' ? 1 : ParameterSeparatorAt(text, pos);
    if (separator == 0) continue;
    pos += separator - 1;
    NoteKeyAt(text, pos + 1, keys);
  }
  return keys;
}

}  // namespace

TrackingValues ParseTrackingQuery(std::u16string_view text) {
  const std::vector<KeyAt> keys = FindTrackingKeys(text);
  std::array<int, kTrackingKeys.size()> seen{};
  for (const KeyAt& key : keys) {
    if (++seen[key.key] > 1) {
      throw TrackingQueryError("the text carries more than one set of tracking values ('" +
                               Utf16ToUtf8(TrackingFieldName(key.key)) + "' occurs twice)");
    }
  }
  size_t first = 0;
  while (first < keys.size() && keys[first].key != 0) ++first;
  if (first == keys.size()) throw TrackingQueryError("no 'nv_subject=' key found");

  TrackingValues values;
  for (size_t i = 0; i < kTrackingKeys.size(); ++i) {
    const size_t begin = keys[first + i].value;
    size_t end = begin;
    while (end < text.size() && IsEncodedChar(text[end])) ++end;
    try {
      values[i] = DecodeParameter(text.substr(begin, end - begin));
    } catch (const TrackingQueryError& error) {
      throw TrackingQueryError(Utf16ToUtf8(TrackingFieldName(i)) + ": " + error.what());
    }
    if (i + 1 == kTrackingKeys.size()) break;
    // The next key follows this value directly, after one separator.
    const size_t separator = ParameterSeparatorAt(text, end);
    const bool follows =
        separator > 0 && first + i + 1 < keys.size() && keys[first + i + 1].key == i + 1 &&
        keys[first + i + 1].value == end + separator + TrackingFieldName(i + 1).size() + 1;
    if (!follows) {
      throw TrackingQueryError("expected '" + Utf16ToUtf8(kTrackingKeys[i + 1]) + "' at offset " +
                               std::to_string(end));
    }
  }
  return values;
}

}  // namespace norvale
