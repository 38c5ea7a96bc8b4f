// The desktop of the thread Outlook runs the add-in on: user32's message box
// and message queue.
#pragma once

#include "platform/desktop.h"

namespace norvale::platform {

class Win32Desktop final : public Desktop {
 public:
  // MessageBoxW owned by `owner` (none for kNoWindow); returns its answer.
  int ShowMessageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                     std::uint32_t style) override;
  // Dispatches every message queued for the thread, then returns.
  void PumpMessages() override;
};

}  // namespace norvale::platform
