// The text of the add-in's error box.
#pragma once

#include <string>
#include <string_view>

#include "base/hresult.h"

namespace norvale {

// `message`, a line feed, and "Error code: 0x" with the 32 bits of `hr` in
// lower-case hexadecimal without leading zeros (0 reads "0x0").
std::u16string FormatErrorText(std::u16string_view message, HRESULT hr);

}  // namespace norvale
