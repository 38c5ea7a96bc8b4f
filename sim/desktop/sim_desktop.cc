#include "sim/desktop/sim_desktop.h"

namespace norvale::platform {

namespace {
constexpr int kIdOk = 1;

// The pixel that a normalised coordinate (0 to 65535) falls on along an axis
// of `size` pixels starting at `origin`.
std::int32_t Denormalise(std::int32_t value, std::int32_t origin, std::int32_t size) {
  return origin + static_cast<std::int32_t>((static_cast<std::int64_t>(value) * size) >> 16);
}
}  // namespace

SimDesktop::SimDesktop() { SetScreens(1920, 1080, {0, 0, 1920, 1080}); }

int SimDesktop::ShowMessageBox(WindowHandle owner, std::u16string_view text,
                               std::u16string_view caption, std::uint32_t style) {
  message_boxes_.push_back({owner, std::u16string(text), std::u16string(caption), style});
  return kIdOk;
}

void SimDesktop::PumpMessages() { ++pump_count_; }

WindowHandle SimDesktop::FindChildWindow(WindowHandle parent, std::string_view className,
                                         std::optional<std::string_view> windowName) {
  for (std::size_t i = 0; i < windows_.size(); ++i) {
    const Window& window = windows_[i];
    if (window.parent == parent && window.className == className &&
        (!windowName || window.windowName == *windowName)) {
      return i + 1;
    }
  }
  return kNoWindow;
}

std::optional<Rect> SimDesktop::GetWindowRect(WindowHandle window) {
  if (window == kNoWindow || window > windows_.size()) return std::nullopt;
  return windows_[window - 1].rect;
}

std::int32_t SimDesktop::GetSystemMetrics(int index) {
  switch (index) {
    case kSmCxScreen:
      return width_;
    case kSmCyScreen:
      return height_;
    case kSmXVirtualScreen:
      return virtual_screen_.left;
    case kSmYVirtualScreen:
      return virtual_screen_.top;
    case kSmCxVirtualScreen:
      return virtual_screen_.right - virtual_screen_.left;
    case kSmCyVirtualScreen:
      return virtual_screen_.bottom - virtual_screen_.top;
    default:
      return 0;
  }
}

void SimDesktop::SendInput(const MouseInput& input) {
  inputs_.push_back(input);
  if ((input.flags & kMouseEventMove) && (input.flags & kMouseEventAbsolute)) {
    if (input.flags & kMouseEventVirtualDesk) {
      pointer_ = {Denormalise(input.dx, virtual_screen_.left, GetSystemMetrics(kSmCxVirtualScreen)),
                  Denormalise(input.dy, virtual_screen_.top, GetSystemMetrics(kSmCyVirtualScreen))};
    } else {
      pointer_ = {Denormalise(input.dx, 0, width_), Denormalise(input.dy, 0, height_)};
    }
  }
  if (input.flags & kMouseEventLeftDown) left_down_ = true;
  if ((input.flags & kMouseEventLeftUp) && left_down_) {
    left_down_ = false;
    clicks_.push_back(pointer_);
  }
}

void SimDesktop::ShowWindow(WindowHandle window, int command) {
  shown_.emplace_back(window, command);
}

void SimDesktop::SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t milliseconds) {
  timers_[{window, id}] = milliseconds;
}

void SimDesktop::KillTimer(WindowHandle window, std::uintptr_t id) { timers_.erase({window, id}); }

void SimDesktop::Sleep(std::uint32_t milliseconds) { slept_ += milliseconds; }

WindowHandle SimDesktop::AddWindow(WindowHandle parent, std::string className,
                                   std::string windowName, Rect rect) {
  windows_.push_back({parent, std::move(className), std::move(windowName), rect});
  return windows_.size();
}

void SimDesktop::SetScreens(std::int32_t width, std::int32_t height, Rect virtualScreen) {
  width_ = width;
  height_ = height;
  virtual_screen_ = virtualScreen;
}

}  // namespace norvale::platform
