#include "sending/error_reporting.h"

#include <cstdint>

#include "addin/norvale_addin.h"
#include "outlook/outlook.h"
#include "platform/desktop.h"

namespace norvale {

std::u16string FormatErrorText(std::u16string_view message, HRESULT hr) {
  std::u16string digits;
  auto code = static_cast<std::uint32_t>(hr);
  do {
    digits.insert(digits.begin(), u"0123456789abcdef"[code % 16]);
    code /= 16;
  } while (code != 0);
  return std::u16string(message) + u"\nError code: 0x" + digits;
}

void CNorvaleOAddin::ShowError(std::u16string_view message, HRESULT hr) {
  const std::u16string strError = FormatErrorText(message, hr);
  // The box belongs to the compose window when there is one, so that it
  // stays in front of it.
  // It must not fail itself: it also reports the failure that ended a run.
  platform::WindowHandle olkWnd = platform::kNoWindow;
  try {
    const auto spInspector = m_spApp ? m_spApp->ActiveInspector() : nullptr;
    if (spInspector) olkWnd = spInspector->Window();
  } catch (...) {
    olkWnd = platform::kNoWindow;
  }
  m_desktop.ShowMessageBox(olkWnd, strError, kAddinCaption,
                           platform::kMbOk | platform::kMbIconError);
}

}  // namespace norvale
