// The banner at the top of an untracked copy that names the message's To
// recipients.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvale {

// Lists `to_names` in the banner, each escaped and preceded by ", " when the
// list so far is not empty, and inserts the banner right behind the first
// exact "<body>" of `body`, or at its start when there is none. No banner when
// the list comes out empty.
void InsertSentSummaryBanner(std::u16string& body, const std::vector<std::u16string>& to_names);

// The banner's line in `body`, "Mail sent to:" and the names as written;
// std::nullopt when the body carries none.
std::optional<std::u16string_view> FindSentSummaryBanner(std::u16string_view body);

}  // namespace norvale
