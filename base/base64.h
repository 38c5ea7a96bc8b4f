// Base64 of RFC 4648 with the standard alphabet and no line breaks.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norvale {

// Encodes `bytes`, padding with `pad` to a multiple of four characters.
std::string Base64Encode(std::string_view bytes, char pad = '=');

// Decodes a padded text whose pad character is `pad`; nullopt when the text is
// not canonical Base64 (bad length, bad character, misplaced pad, stray bits).
std::optional<std::string> Base64Decode(std::string_view text, char pad = '=');

}  // namespace norvale
