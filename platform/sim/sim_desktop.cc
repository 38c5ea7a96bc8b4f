#include "platform/sim/sim_desktop.h"

namespace norvale::platform {

namespace {
constexpr int kIdOk = 1;
}  // namespace

int SimDesktop::ShowMessageBox(WindowHandle owner, std::u16string_view text,
                               std::u16string_view caption, std::uint32_t style) {
  message_boxes_.push_back({owner, std::u16string(text), std::u16string(caption), style});
  return kIdOk;
}

void SimDesktop::PumpMessages() { ++pump_count_; }

}  // namespace norvale::platform
