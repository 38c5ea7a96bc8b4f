// The recipient-info record: a directory entry's first name, last name,
// e-mail address and company as one text of fields joined by "~". The lookups
// write it; the send workflow, the member copies and the sender identity read
// it back.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/text.h"

namespace norvale {

// The field of a value that the directory did not supply. Spaces inside
// values are written the same way.
inline constexpr std::u16string_view kPlaceholder = u"&nbsp;";

// How a "~" inside a value is written, so that it never splits the record.
inline constexpr std::u16string_view kEscapedTilde = u"&#126;";

// kPlaceholder for no value; otherwise the value with every space as
// kPlaceholder and every "~" as kEscapedTilde, trimmed.
std::u16string RecipientInfoField(const OptText& value);

// The four-field record of a person: first~last~email~company.
std::u16string BuildRecipientInfo(const OptText& first_name, const OptText& last_name,
                                  const OptText& email, const OptText& company);

// The two-field record of a list member that is neither a contact nor an
// Exchange user: name~address.
std::u16string BuildMemberRecipientInfo(const OptText& name, const OptText& address);

// The values a record gives; a value it does not give is empty.
struct RecipientInfo {
  std::u16string first_name;
  std::u16string last_name;
  std::u16string email;
  std::u16string company;
};

// Which reader takes the record; they differ in the shapes they accept.
enum class RecipientInfoReader {
  // Four fields or more, or the two-field form; values trimmed.
  kRecipient,
  // As kRecipient, but the two-field form's values are taken untrimmed.
  kMember,
  // Three fields or more (a sender's record may lack the company).
  kSender,
};

// Reads `record` split at "~" (empty pieces dropped). A full record gives its
// fields trimmed, a field that is kPlaceholder alone as empty. The two-field
// form gives the name's first two words as first and last name (a one-word
// name whole as first name) and the address. Every value has kEscapedTilde
// turned back into "~". nullopt when the record has a shape the reader does
// not accept.
std::optional<RecipientInfo> ReadRecipientInfo(std::u16string_view record,
                                               RecipientInfoReader reader);

}  // namespace norvale
