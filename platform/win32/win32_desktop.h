// The desktop of the thread Outlook runs the add-in on: user32's message box,
// message queue, windows, input and timers, and the thread's sleep.
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
  WindowHandle FindChildWindow(WindowHandle parent, std::string_view className,
                               std::optional<std::string_view> windowName) override;
  std::optional<Rect> GetWindowRect(WindowHandle window) override;
  std::int32_t GetSystemMetrics(int index) override;
  void SendInput(const MouseInput& input) override;
  void ShowWindow(WindowHandle window, int command) override;
  void SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t milliseconds) override;
  void KillTimer(WindowHandle window, std::uintptr_t id) override;
  void Sleep(std::uint32_t milliseconds) override;
};

}  // namespace norvale::platform
