// A desktop without a screen: message boxes are recorded and "closed" with OK
// at once, the message pump only counts how often it was asked to run, the
// windows are a tree the test builds, mouse input moves a recorded pointer,
// and timers fire only when the test fires them.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/desktop.h"

namespace norvale::platform {

class SimDesktop : public Desktop {
 public:
  struct MessageBox {
    WindowHandle owner = kNoWindow;
    std::u16string text;
    std::u16string caption;
    std::uint32_t style = 0;
  };
  struct Point {
    std::int32_t x = 0, y = 0;
    bool operator==(const Point&) const = default;
  };

  // A primary screen of 1920 by 1080 pixels, which is the whole virtual screen.
  SimDesktop();

  // Records the box and answers IDOK.
  int ShowMessageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                     std::uint32_t style) override;
  void PumpMessages() override;
  WindowHandle FindChildWindow(WindowHandle parent, std::string_view className,
                               std::optional<std::string_view> windowName) override;
  std::optional<Rect> GetWindowRect(WindowHandle window) override;
  // The screen's metrics; 0 for any other index, as user32 answers.
  std::int32_t GetSystemMetrics(int index) override;
  // Moves the pointer as Windows maps normalised coordinates onto the
  // (virtual) screen; a left button press and release is a click.
  void SendInput(const MouseInput& input) override;
  void ShowWindow(WindowHandle window, int command) override;
  void SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t milliseconds) override;
  void KillTimer(WindowHandle window, std::uintptr_t id) override;
  void Sleep(std::uint32_t milliseconds) override;

  // Adds a window as the last child of `parent` (kNoWindow: a top-level
  // window) and returns its handle.
  WindowHandle AddWindow(WindowHandle parent, std::string className, std::string windowName,
                         Rect rect);
  // Sets the primary screen's size and the virtual screen's rectangle.
  void SetScreens(std::int32_t width, std::int32_t height, Rect virtualScreen);

  // Every box shown, in order.
  const std::vector<MessageBox>& messageBoxes() const { return message_boxes_; }
  int pumpCount() const { return pump_count_; }
  const std::vector<MouseInput>& inputs() const { return inputs_; }
  // Where the pointer was at each left click, in order.
  const std::vector<Point>& clicks() const { return clicks_; }
  // Every ShowWindow call as (window, command), in order.
  const std::vector<std::pair<WindowHandle, int>>& shownWindows() const { return shown_; }
  // Timers running now, by window and id, with their periods.
  const std::map<std::pair<WindowHandle, std::uintptr_t>, std::uint32_t>& timers() const {
    return timers_;
  }
  std::uint64_t sleptMilliseconds() const { return slept_; }

 private:
  struct Window {
    WindowHandle parent = kNoWindow;
    std::string className;
    std::string windowName;
    Rect rect;
  };

  std::vector<MessageBox> message_boxes_;
  int pump_count_ = 0;
  std::vector<Window> windows_;  // handle n + 1 is windows_[n]
  std::int32_t width_ = 0, height_ = 0;
  Rect virtual_screen_;
  Point pointer_;
  bool left_down_ = false;
  std::vector<MouseInput> inputs_;
  std::vector<Point> clicks_;
  std::vector<std::pair<WindowHandle, int>> shown_;
  std::map<std::pair<WindowHandle, std::uintptr_t>, std::uint32_t> timers_;
  std::uint64_t slept_ = 0;
};

}  // namespace norvale::platform
