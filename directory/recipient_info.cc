#include "directory/recipient_info.h"

#include <algorithm>
#include <array>
#include <vector>

namespace norvale {
namespace {

constexpr char16_t kFieldSeparator = u'~';

void UnescapeTilde(std::u16string& value) { ReplaceAll(value, kEscapedTilde, u"~"); }

// A field of a full record as its value.
std::u16string ReadField(std::u16string_view piece) {
  std::u16string value(TrimView(piece));
  if (value == kPlaceholder) return {};
  UnescapeTilde(value);
  return value;
}

}  // namespace

std::u16string RecipientInfoField(const OptText& value) {
  if (!value) return std::u16string(kPlaceholder);
  std::u16string field = *value;
  // Spaces first, so that a leading space stays as placeholder text.
  ReplaceAll(field, u" ", kPlaceholder);
  Trim(field);
  ReplaceAll(field, u"~", kEscapedTilde);
  return field;
}

std::u16string BuildRecipientInfo(const OptText& first_name, const OptText& last_name,
                                  const OptText& email, const OptText& company) {
  std::u16string record = RecipientInfoField(first_name);
  for (const OptText* value : {&last_name, &email, &company}) {
    record += kFieldSeparator;
    record += RecipientInfoField(*value);
  }
  return record;
}

std::u16string BuildMemberRecipientInfo(const OptText& name, const OptText& address) {
  return RecipientInfoField(name) + kFieldSeparator + RecipientInfoField(address);
}

std::optional<RecipientInfo> ReadRecipientInfo(std::u16string_view record,
                                               RecipientInfoReader reader) {
  std::vector<std::u16string> pieces;
  SplitTokens(std::u16string(record), pieces, std::u16string_view(&kFieldSeparator, 1));

  RecipientInfo info;
  const size_t full_size = reader == RecipientInfoReader::kSender ? 3 : 4;
  if (pieces.size() >= full_size) {
    const std::array<std::u16string*, 4> fields = {&info.first_name, &info.last_name, &info.email,
                                                   &info.company};
    for (size_t i = 0; i < std::min(pieces.size(), fields.size()); ++i) {
      *fields[i] = ReadField(pieces[i]);
    }
    return info;
  }
  if (pieces.size() != 2 || reader == RecipientInfoReader::kSender) return std::nullopt;

  // The member form: a display name and an address.
  std::vector<std::u16string> words;
  SplitTokens(pieces[0], words, u" ");
  if (words.size() >= 2) {
    info.first_name = words[0];
    info.last_name = words[1];
  } else if (words.size() == 1) {
    info.first_name = pieces[0];
  }
  info.email = pieces[1];
  for (std::u16string* value : {&info.first_name, &info.last_name, &info.email}) {
    if (reader == RecipientInfoReader::kRecipient) Trim(*value);
    UnescapeTilde(*value);
  }
  return info;
}

}  // namespace norvale
