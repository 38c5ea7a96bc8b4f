// The tracking query that names a copy's subject, sender and recipient, and
// the tracking URL built from it. The tracking server decodes exactly this
// form: keys in this order, Base64 values with "_" for the pad character.
#pragma once

#include <array>
#include <stdexcept>
#include <string>
#include <string_view>

namespace norvale {

// "PROD" or "DEV", fixed when the add-in is built.
extern const std::string_view kTrackingEnv;

inline constexpr std::u16string_view kProductionTrackingOrigin = u"https://track.norvale.com";
inline constexpr std::u16string_view kDemoTrackingOrigin = u"https://track-demo.norvale.com";
inline constexpr std::u16string_view kTrackingPath =
    u"/webtracker/trackOutlookEmail.html?method=track&";

// The eight query keys in their order, each with its leading "&" where it has one.
inline constexpr std::array<std::u16string_view, 8> kTrackingKeys = {
    u"nv_subject=", u"&nv_semail=",    u"&nv_sfirstname=", u"&nv_slastname=",
    u"&nv_email=",  u"&nv_firstname=", u"&nv_lastname=",   u"&nv_companyname="};

// The tracking server for a build setting: "DEV" is the demo server, anything
// else the production server.
std::u16string_view TrackingOrigin(std::string_view tracking_env);

// UTF-8 of `value` in Base64, with "_" in place of "="; "+" and "/" stay.
std::u16string EncodeParameter(std::u16string_view value);

// Trims the eight values in place, then returns the query text of their
// encodings in key order.
std::u16string BuildTrackingQuery(std::u16string& subject, std::u16string& sender_email,
                                  std::u16string& sender_first_name,
                                  std::u16string& sender_last_name,
                                  std::u16string& recipient_first_name,
                                  std::u16string& recipient_last_name,
                                  std::u16string& recipient_email,
                                  std::u16string& recipient_company);

// The tracking server of this build, its fixed path and `query`.
std::u16string GetTrackingUrl(std::u16string_view query);

// Reduces 'Jane Roe (jane.roe)' to 'jane.roe'; leaves `address` alone unless
// its last ")" stands after its last "(", and an Exchange address ("/o=...")
// always.
void ExtractBracketedAddress(std::u16string& address);

// Turns every "&nbsp;" of a directory value back into a space.
void RestoreSpaces(std::u16string& value);

// The eight values of a tracking query, decoded, in key order.
using TrackingValues = std::array<std::u16string, 8>;

// The key names as the tracking server's form fields know them ("nv_subject").
std::u16string_view TrackingFieldName(size_t index);

// True when `name` is exactly one of the eight key names.
bool IsTrackingFieldName(std::u16string_view name);

// The length of the parameter separator at `pos` of `text`: 5 for "&amp;",
// which HTML attributes (and so quoted mail) write for "&", 1 for "&",
// otherwise 0.
size_t ParameterSeparatorAt(std::u16string_view text, size_t pos);

// Decodes one value made by EncodeParameter; throws TrackingQueryError when it
// is not canonical Base64 with "_" padding or not UTF-8.
std::u16string DecodeParameter(std::u16string_view encoded);

// Finds the tracking query in `text` (a query, a tracking URL or a rewritten
// link) and decodes its values. Keys count only as whole parameter names, and
// "&amp;" separates like "&". Throws TrackingQueryError when a key is missing
// or out of order, a value does not decode, or a key occurs more than once
// (the text carries more than one set of values).
TrackingValues ParseTrackingQuery(std::u16string_view text);

class TrackingQueryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace norvale
