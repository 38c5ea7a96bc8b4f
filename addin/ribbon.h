// Which ribbon document Office gets for a window kind, and which controls it
// shows: the decisions behind GetCustomUI and GetVisible.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace norvale {

// The ribbon documents among the add-in's resources (type "XML").
inline constexpr int kComposeRibbonDocument = 223;
inline constexpr int kExplorerRibbonDocument = 227;

// The RibbonIDs Office asks for: the compose window and the main window.
inline constexpr std::u16string_view kComposeRibbonId = u"Microsoft.Outlook.Mail.Compose";
inline constexpr std::u16string_view kExplorerRibbonId = u"Microsoft.Outlook.Explorer";

// The main window's group, shown only while an inline response is open.
inline constexpr std::u16string_view kInlineGroupId = u"Email1Main";

// The document that answers GetCustomUI for `ribbon_id` (compared exactly) at
// Outlook version level `level`; std::nullopt when the window gets none.
std::optional<int> RibbonDocumentFor(std::u16string_view ribbon_id, std::int32_t level);

// GetVisible's answer for the control `control_id` while `inline_response`
// tells whether an inline response is open.
bool IsRibbonControlVisible(std::u16string_view control_id, bool inline_response);

}  // namespace norvale
