#include "addin/ribbon.h"

namespace norvale {

std::optional<int> RibbonDocumentFor(std::u16string_view ribbon_id, std::int32_t level) {
  // Outlook 2007 (level 2) has ribbons on its compose windows only; the main
  // window has one from Outlook 2013 (level 4) on.
  if (level < 2) return std::nullopt;
  if (ribbon_id == kComposeRibbonId) return kComposeRibbonDocument;
  if (ribbon_id == kExplorerRibbonId && level >= 4) return kExplorerRibbonDocument;
  return std::nullopt;
}

bool IsRibbonControlVisible(std::u16string_view control_id, bool inline_response) {
  return control_id != kInlineGroupId || inline_response;
}

}  // namespace norvale
