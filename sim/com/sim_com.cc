#include "sim/com/sim_com.h"

#include <string_view>
#include <utility>

#include "base/win/com_guard.h"
#include "base/win/scoped_variant.h"
#include "outlook/com/outlook_iids.h"
#include "sim/com/com_object.h"
#include "sim/com/explorer.h"
#include "sim/com/outlook_objects.h"
#include "sim/run/inline_layout.h"

namespace norvale::sim {

using Microsoft::WRL::ComPtr;
using win::GuardHResult;

namespace {

// The DISPID of Outlook's explorer event `name`, as the type library declares it.
DISPID ExplorerEventDispid(const wchar_t* name) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  MEMBERID id = DISPID_UNKNOWN;
  TypeInfoOf(com::IID_Outlook_ExplorerEvents_10)->GetIDsOfNames(names, 1, &id);
  return id;
}

HWND CreateHiddenWindow(const wchar_t* title) {
  static const ATOM kClass = [] {
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"NorvaleHarnessOutlookWindow";
    return RegisterClassW(&window_class);
  }();
  return CreateWindowExW(0, MAKEINTATOM(kClass), title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                         CW_USEDEFAULT, 640, 480, nullptr, nullptr, GetModuleHandleW(nullptr),
                         nullptr);
}

}  // namespace

SimOutlookCom::SimOutlookCom(sim::SimOutlook& outlook, bool with_explorer)
    : m_outlook(outlook),
      m_inspectorWindow(CreateHiddenWindow(L"Norvale harness: compose window")),
      m_events(std::make_shared<ExplorerEventConnections>()) {
  ComPtr<_Explorer> spExplorer;
  if (with_explorer) {
    m_explorerWindow.reset(CreateHiddenWindow(L"Norvale harness: main window"));
    spExplorer = NewExplorer(m_explorerWindow.get(), m_events);
    if (outlook.scenario().action == Scenario::Action::kInline) {
      CreateInlineWindows(outlook.scenario().inlineWindows);
    }
  }
  m_spApplication =
      NewApplication(outlook.application(), m_inspectorWindow.get(), std::move(spExplorer));
}

SimOutlookCom::~SimOutlookCom() {
  m_spApplication.Reset();
  m_events->sinks.clear();
}

void SimOutlookCom::CreateInlineWindows(const std::vector<std::string>& chain) {
  [[maybe_unused]] static const bool kRegistered = [] {
    // Outlook's own window classes, played by the harness; "#32770" is the
    // system's dialog class. The toolbar gets its own procedure.
    for (const wchar_t* name : {L"rctrl_renwnd32", L"AfxWndW", L"ToolbarWindow32"}) {
      WNDCLASSW window_class = {};
      window_class.lpfnWndProc = std::wstring_view(name) == L"ToolbarWindow32"
                                     ? &SimOutlookCom::ToolbarProc
                                     : DefWindowProcW;
      window_class.hInstance = GetModuleHandleW(nullptr);
      window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
      window_class.lpszClassName = name;
      RegisterClassW(&window_class);
    }
    return true;
  }();
  // On screen, so that the synthetic click lands on the toolbar.
  SetWindowPos(m_explorerWindow.get(), HWND_TOP, kExplorerRect.left, kExplorerRect.top,
               kExplorerRect.right - kExplorerRect.left, kExplorerRect.bottom - kExplorerRect.top,
               SWP_NOACTIVATE | SWP_SHOWWINDOW);
  HWND parent = m_explorerWindow.get();
  RECT client;
  for (std::size_t i = 0; i < chain.size(); ++i) {
    GetClientRect(parent, &client);
    const std::wstring name(chain[i].begin(), chain[i].end());
    const bool last = i + 1 == chain.size();
    parent = CreateWindowExW(0, name.c_str(), i == 0 ? L"" : name.c_str(), WS_CHILD | WS_VISIBLE,
                             kInlineWindowInset, kInlineWindowInset,
                             client.right - 2 * kInlineWindowInset,
                             last ? kInlineToolbarHeight : client.bottom - 2 * kInlineWindowInset,
                             parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (parent == nullptr) return;
  }
  m_toolbarWindow = parent;
  SetWindowLongPtrW(m_toolbarWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  UpdateWindow(m_explorerWindow.get());
}

LRESULT CALLBACK SimOutlookCom::ToolbarProc(HWND hWnd, UINT message, WPARAM wParam,
                                            LPARAM lParam) noexcept {
  if (message == WM_LBUTTONUP) {
    auto* self = reinterpret_cast<SimOutlookCom*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    if (self != nullptr && OnFirstToolbarButton(x, y)) {
      GuardHResult([&] {
        self->OnPopOutClick();
        return S_OK;
      });
    }
    return 0;
  }
  return DefWindowProcW(hWnd, message, wParam, lParam);
}

void SimOutlookCom::OnPopOutClick() {
  ++m_popOutClicks;
  if (m_outlook.poppedOut()) return;
  // The reply moves into a compose window of its own, and the inline reply ends.
  m_outlook.PopOutInline();
  ShowWindow(m_inspectorWindow.get(), SW_SHOWNOACTIVATE);
  RaiseExplorerEvent(ExplorerEventDispid(L"InlineResponseClose"), {});
}

void SimOutlookCom::RaiseExplorerEvent(DISPID dispid, std::span<const VARIANT> args) {
  sim::RaiseExplorerEvent(*m_events, dispid, args);
}

void SimOutlookCom::RaiseInlineResponse() {
  const win::ScopedVariant item(NewMailItem(m_outlook.sourceItem()).Get());
  RaiseExplorerEvent(ExplorerEventDispid(L"InlineResponse"), {&item.get(), 1});
}

ExplorerEventLog SimOutlookCom::explorerEvents() const {
  return {m_events->advised, m_events->unadvised, static_cast<int>(m_events->sinks.size())};
}

}  // namespace norvale::sim
