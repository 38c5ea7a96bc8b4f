// Where the simulated Outlook puts an inline reply's windows on screen. The
// core's simulated desktop and the Outlook played over COM to the real DLL
// lay them out alike, so that the add-in's click lands on the same button.
#pragma once

#include <cstdint>

#include "platform/desktop.h"

namespace norvale::sim {

// The main window at kExplorerRect, each window of the reply's chain
// kInlineWindowInset pixels inside its parent, and the last, the reply's
// toolbar, kInlineToolbarHeight pixels high along the top of its parent.
inline constexpr platform::Rect kExplorerRect{100, 100, 900, 700};
inline constexpr std::int32_t kInlineWindowInset = 10;
inline constexpr std::int32_t kInlineToolbarHeight = 24;

// Whether a point, relative to the toolbar's top-left corner, is on its first
// button: a square of the toolbar's height at its left end.
constexpr bool OnFirstToolbarButton(std::int32_t x, std::int32_t y) {
  return x >= 0 && y >= 0 && x < kInlineToolbarHeight && y < kInlineToolbarHeight;
}

}  // namespace norvale::sim
