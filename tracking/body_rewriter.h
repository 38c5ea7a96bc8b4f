// Rewriting of a copy's HTML body: every copy loses the tracking of earlier
// sends (a reply or forward quotes tracked links and the tracking image), and
// a tracked copy's web links then carry its own query and the body ends in
// its own tracking image.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norvale {

// The tracking image tag; "{URL}" stands for the tracking URL.
inline constexpr std::u16string_view kTrackImageTemplate = u"<img src='{URL}'>";

// The href value `href` of a link with the tracking parameters removed and,
// unless `query` is empty, `query` added to its web address after the last
// non-white-space character and before any fragment. `href` unchanged when it
// holds no web address.
std::u16string RewriteHref(std::u16string_view href, std::u16string_view query);

// Removes earlier tracking from `body`, adds `query` to every web link and
// appends the tracking image.
void RewriteBody(std::u16string& body, std::u16string_view query);

// Removes earlier tracking from `body`: the tracking parameters of its links
// and the images whose source is a tracking URL of either tracking server.
void RemoveTracking(std::u16string& body);

// The query of the tracking image that RewriteBody appended, when `body` ends
// in that image.
std::optional<std::u16string_view> AppendedTrackingQuery(std::u16string_view body);

}  // namespace norvale
