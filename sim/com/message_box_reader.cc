#include "sim/com/message_box_reader.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace norvale::sim {
namespace {

// Messages to the box go to the thread that shows it, which answers them
// from the box's modal loop; the timeout keeps a closing box from stalling
// the reader.
constexpr UINT kAnswerTimeoutMs = 2000;
constexpr DWORD kPollMs = 10;
constexpr auto kCloseTimeout = std::chrono::seconds(10);

// The text of a window without a message to its thread (the thread that owns
// it may be busy, or waiting for the reader).
std::wstring WindowText(HWND window) {
  wchar_t text[4096] = {};
  const int length = InternalGetWindowText(window, text, static_cast<int>(std::size(text)));
  return std::wstring(text, std::max(length, 0));
}

bool HasClass(HWND window, const wchar_t* name) {
  wchar_t class_name[64] = {};
  GetClassNameW(window, class_name, static_cast<int>(std::size(class_name)));
  return _wcsicmp(class_name, name) == 0;
}

template <typename Visit>
void ForEachChild(HWND parent, Visit visit) {
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM context) CALLBACK -> BOOL {
        (*reinterpret_cast<Visit*>(context))(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&visit));
}

// MB_ICON* of the icon the box shows; 0 when it shows none.
UINT IconStyle(HWND box) {
  HICON shown = nullptr;
  ForEachChild(box, [&](HWND child) {
    if (!HasClass(child, L"Static") ||
        (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
      return;
    }
    DWORD_PTR icon = 0;
    SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &icon);
    if (icon != 0) shown = reinterpret_cast<HICON>(icon);
  });
  if (shown == nullptr) return 0;
  static const struct {
    LPCWSTR icon;
    UINT style;
  } kIcons[] = {{IDI_HAND, MB_ICONERROR},
                {IDI_QUESTION, MB_ICONQUESTION},
                {IDI_EXCLAMATION, MB_ICONWARNING},
                {IDI_ASTERISK, MB_ICONINFORMATION}};
  for (const auto& [icon, style] : kIcons) {
    if (LoadIconW(nullptr, icon) == shown) return style;
  }
  return MB_ICONMASK;
}

// The MB_ style whose buttons the box shows.
UINT ButtonStyle(HWND box) {
  std::vector<int> shown;
  ForEachChild(box, [&](HWND child) {
    if (HasClass(child, L"Button") && IsWindowVisible(child)) shown.push_back(GetDlgCtrlID(child));
  });
  std::sort(shown.begin(), shown.end());
  static const struct {
    UINT style;
    std::vector<int> buttons;  // ascending
  } kStyles[] = {{MB_OK, {IDOK}},
                 {MB_OKCANCEL, {IDOK, IDCANCEL}},
                 {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}},
                 {MB_YESNOCANCEL, {IDCANCEL, IDYES, IDNO}},
                 {MB_YESNO, {IDYES, IDNO}},
                 {MB_RETRYCANCEL, {IDCANCEL, IDRETRY}}};
  for (const auto& [style, buttons] : kStyles) {
    if (buttons == shown) return style;
  }
  return MB_TYPEMASK;
}

}  // namespace

MessageBoxReader::MessageBoxReader(std::wstring caption)
    : m_caption(std::move(caption)), m_thread([this] { Watch(); }) {}

MessageBoxReader::~MessageBoxReader() {
  m_stop = true;
  m_thread.join();
}

std::vector<MessageBoxReader::Box> MessageBoxReader::boxes() const {
  std::lock_guard lock(m_mutex);
  return m_boxes;
}

// A visible dialog of this process with the caption.
HWND MessageBoxReader::FindBox() const {
  struct Search {
    const std::wstring& caption;
    HWND found;
  } search{m_caption, nullptr};
  EnumWindows(
      [](HWND window, LPARAM context) CALLBACK -> BOOL {
        auto& search = *reinterpret_cast<Search*>(context);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process != GetCurrentProcessId() || !IsWindowVisible(window) ||
            !HasClass(window, L"#32770") || WindowText(window) != search.caption) {
          return TRUE;
        }
        search.found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void MessageBoxReader::Watch() {
  while (!m_stop) {
    const HWND box = FindBox();
    if (box == nullptr) {
      Sleep(kPollMs);
      continue;
    }
    Box read;
    read.text = WindowText(GetDlgItem(box, 0xFFFF));
    read.owner = GetWindow(box, GW_OWNER);
    read.style = IconStyle(box) | ButtonStyle(box);
    {
      std::lock_guard lock(m_mutex);
      m_boxes.push_back(std::move(read));
    }
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    // The same box must not be read twice.
    const auto deadline = std::chrono::steady_clock::now() + kCloseTimeout;
    while (IsWindow(box) && std::chrono::steady_clock::now() < deadline) Sleep(kPollMs);
  }
}

}  // namespace norvale::sim
