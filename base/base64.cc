#include "base/base64.h"

#include <array>

namespace norvale {
namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<signed char, 256> MakeDecodeTable() {
  std::array<signed char, 256> table{};
  for (auto& entry : table) entry = -1;
  for (size_t i = 0; i < kAlphabet.size(); ++i) {
    table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<signed char>(i);
  }
  return table;
}

constexpr std::array<signed char, 256> kDecode = MakeDecodeTable();

}  // namespace

std::string Base64Encode(std::string_view bytes, char pad) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t n = std::min<size_t>(3, bytes.size() - i);
    unsigned group = 0;
    for (size_t k = 0; k < 3; ++k) {
      group = (group << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    }
    for (size_t k = 0; k < 4; ++k) {
      out.push_back(k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : pad);
    }
  }
  return out;
}

std::optional<std::string> Base64Decode(std::string_view text, char pad) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::string out;
  out.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    size_t pads = 0;
    while (last && pads < 2 && text[i + 3 - pads] == pad) ++pads;
    unsigned group = 0;
    for (size_t k = 0; k < 4; ++k) {
      int value = 0;
      if (k < 4 - pads) {
        value = kDecode[static_cast<unsigned char>(text[i + k])];
        if (value < 0) return std::nullopt;
      }
      group = (group << 6) | static_cast<unsigned>(value);
    }
    // Bits below the last whole byte must be zero, or the text is not canonical.
    if ((pads == 1 && (group & 0xFF) != 0) || (pads == 2 && (group & 0xFFFF) != 0)) {
      return std::nullopt;
    }
    for (size_t k = 0; k < 3 - pads; ++k) {
      out.push_back(static_cast<char>((group >> (16 - 8 * k)) & 0xFF));
    }
  }
  return out;
}

}  // namespace norvale
