// Rewriting of a tracked copy's HTML body: its web links carry the copy's
// tracking query and the body ends in the tracking image.
#pragma once

#include <string>
#include <string_view>

namespace norvale {

// The tracking image tag; "{URL}" stands for the tracking URL.
inline constexpr std::u16string_view kTrackImageTemplate = u"<img src='{URL}'>";

// The collected href text `href` with `query` added to its web address, or
// `href` unchanged when it holds no web address to track.
std::u16string RewriteHref(std::u16string_view href, std::u16string_view query);

// Adds `query` to every web link of `body` and appends the tracking image.
void RewriteBody(std::u16string& body, std::u16string_view query);

}  // namespace norvale
