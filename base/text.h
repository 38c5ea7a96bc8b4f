// Text conventions of the add-in: UTF-16 values, where a missing value
// (a null BSTR at the COM boundary) stays distinct from an empty one.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvale {

// A value that Outlook may not supply at all: std::nullopt is "no string",
// an empty string is a value.
using OptText = std::optional<std::u16string>;

// True for the fixed white-space set: U+0009..U+000D, U+0020, U+00A0, U+1680,
// U+2000..U+200A, U+2028, U+2029, U+202F, U+205F, U+3000.
bool IsWhiteSpace(char16_t c);

// Returns `text` without leading and trailing white space.
std::u16string_view TrimView(std::u16string_view text);

// Removes leading and trailing white space from `text` in place.
void Trim(std::u16string& text);

// Folds A-Z to a-z; every other character is returned unchanged.
constexpr char16_t ToLowerAscii(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// Lower-cases the ASCII letters of `text` in place.
void ToLowerAscii(std::u16string& text);

// `text` with its ASCII letters lower-cased.
std::u16string ToLowerAsciiCopy(std::u16string_view text);

// Compares whole texts, folding ASCII letters only.
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);

// True when `text` starts with `prefix`, folding ASCII letters only.
bool StartsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix);

// True when `needle` occurs in `text` (exact, case-sensitive).
inline bool Contains(std::u16string_view text, std::u16string_view needle) {
  return text.find(needle) != std::u16string_view::npos;
}

// Replaces every occurrence of `from` (non-empty) by `to` in one left-to-right
// pass; the replaced text is not searched again.
void ReplaceAll(std::u16string& text, std::u16string_view from, std::u16string_view to);

// `text` with & < > " written as HTML character references.
std::u16string EscapeHtml(std::u16string_view text);

// Clears `tokens`, then appends the pieces of `text` between runs of the
// characters in `delimiters`; empty pieces never occur.
void SplitTokens(std::u16string text, std::vector<std::u16string>& tokens,
                 std::u16string_view delimiters);

// Converts UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// Converts strict UTF-8 to UTF-16; nullopt for any malformed, overlong or
// surrogate sequence.
std::optional<std::u16string> Utf8ToUtf16(std::string_view bytes);

}  // namespace norvale
