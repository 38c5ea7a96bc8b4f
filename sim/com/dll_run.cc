#include "sim/com/dll_run.h"

#include <wrl/client.h>

#include <chrono>
#include <string>
#include <utility>

#include "NorvaleOlkAddin.h"
#include "addin/norvale_addin.h"
#include "addin/norvale_helper_dlg.h"
#include "base/win/scoped_variant.h"
#include "outlook/com/office.h"
#include "sim/com/message_box_reader.h"
#include "sim/com/ribbon_control.h"
#include "sim/outlook/report.h"

namespace norvale::sim {
namespace {

using Microsoft::WRL::ComPtr;
using Clock = std::chrono::steady_clock;

// WM_TIMER messages of the helper's timer that the thread took from its queue.
thread_local int t_timerMessages = 0;

LRESULT CALLBACK CountTimerMessages(int code, WPARAM wParam, LPARAM lParam) noexcept {
  const auto* msg = reinterpret_cast<const MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_TIMER &&
      msg->wParam == NorvaleHelperDlg::kInlineSendTimer) {
    ++t_timerMessages;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Presses the ribbon button `controlId`, whose callback is `callback` (the
// interface's `method`), as Office does: by name through IDispatch. A DLL
// loaded from a path without its type library registered has no names; then
// through the interface.
HRESULT PressButton(INorvaleOAddin& addin, const wchar_t* callback,
                    HRESULT (STDMETHODCALLTYPE INorvaleOAddin::*method)(IDispatch*),
                    const wchar_t* controlId) {
  ComPtr<IRibbonControl> spControl = NewRibbonControl(controlId);
  const win::ScopedVariant control(spControl.Get());
  const HRESULT hr = InvokeByName(&addin, callback, DISPATCH_METHOD, {&control.get(), 1}, nullptr);
  if (hr != TYPE_E_LIBNOTREGISTERED && hr != TYPE_E_CANTLOADLIBRARY) return hr;
  return (addin.*method)(spControl.Get());
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const DllRunLeftovers& left) {
  return out << "objects " << left.comObjects << ", event connections " << left.eventConnections
             << ", windows " << left.windows << ", MAPI buffers " << left.mapiBuffers
             << ", timer messages after the send " << left.timerMessagesAfterSend;
}

TimerMessageCounter::TimerMessageCounter()
    : m_hook(SetWindowsHookExW(WH_GETMESSAGE, &CountTimerMessages, nullptr, GetCurrentThreadId())) {
  t_timerMessages = 0;
}

TimerMessageCounter::~TimerMessageCounter() {
  if (m_hook != nullptr) UnhookWindowsHookEx(m_hook);
}

int TimerMessageCounter::count() const { return t_timerMessages; }

int ThreadWindows() {
  int count = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND, LPARAM counter) CALLBACK -> BOOL {
        ++*reinterpret_cast<int*>(counter);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

void DispatchMessagesUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const Clock::time_point end = Clock::now() + limit;
  while (!done() && Clock::now() < end) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (!done()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

DllRun::DllRun(Scenario scenario, const std::function<HRESULT(IUnknown**)>& createAddin,
               const SimMapi32& mapi)
    : outlook(std::move(scenario)) {
  const SimMapi32::Attachment attachment = mapi.Attach(outlook.application()->Mapi());
  const long buffersBefore = mapi.LiveBuffers();
  SimOutlookCom com(outlook);
  const ComObjectCount objectsBefore = LiveComObjects();
  const int windowsBefore = ThreadWindows();
  const bool inlineReply = outlook.scenario().action == Scenario::Action::kInline;
  std::vector<MessageBoxReader::Box> boxes;
  {
    const std::u16string_view caption = kAddinCaption;
    MessageBoxReader reader(std::wstring(caption.begin(), caption.end()));
    TimerMessageCounter timerMessagesSeen;
    ComPtr<IUnknown> spAddin;
    created = createAddin(spAddin.GetAddressOf());
    ComPtr<_IDTExtensibility2> spExtensibility;
    ComPtr<INorvaleOAddin> spButtons;
    if (SUCCEEDED(created) && SUCCEEDED(spAddin.As(&spExtensibility)) &&
        SUCCEEDED(spAddin.As(&spButtons))) {
      SAFEARRAY* custom = nullptr;
      connected =
          spExtensibility->OnConnection(com.application(), ext_cm_AfterStartup, nullptr, &custom);
      if (!inlineReply) {
        pressed = PressButton(*spButtons.Get(), L"SendButton_Action",
                              &INorvaleOAddin::SendButton_Action, L"SendNV");
      } else {
        // Outlook opens the reply in the reading pane; the user presses the
        // main window's Send. The click it queues pops the reply out, and the
        // helper's timer sends it 100 ms after the inline reply has closed.
        com.RaiseInlineResponse();
        pressed = PressButton(*spButtons.Get(), L"SendInlineButton_Action",
                              &INorvaleOAddin::SendInlineButton_Action, L"SendNVMain");
        DispatchMessagesUntil([&] { return com.popOutClicks() > 0; }, std::chrono::seconds(1));
        if (com.popOutClicks() > 0) {
          DispatchMessagesUntil([&] { return timerMessagesSeen.count() > 0; },
                                std::chrono::seconds(5));
        }
        timerMessages = timerMessagesSeen.count();
        // A timer that is still running would fire again in 100 ms.
        DispatchMessagesUntil([] { return false; }, std::chrono::milliseconds(300));
        leftovers.timerMessagesAfterSend = timerMessagesSeen.count() - timerMessages;
      }
      disconnected = spExtensibility->OnDisconnection(ext_dm_HostShutdown, &custom);
    }
    boxes = reader.boxes();
  }
  popOutClicks = com.popOutClicks();
  events = com.explorerEvents();
  for (const MessageBoxReader::Box& box : boxes) {
    const platform::WindowHandle owner = box.owner == com.inspectorWindow()
                                             ? SimOutlook::kInspectorWindow
                                             : reinterpret_cast<platform::WindowHandle>(box.owner);
    screen.ShowMessageBox(owner, std::u16string(box.text.begin(), box.text.end()), kAddinCaption,
                          box.style);
  }
  if (outlook.poppedOut() && !IsWindowVisible(com.inspectorWindow())) {
    screen.ShowWindow(SimOutlook::kInspectorWindow, platform::kSwHide);
  }
  const ComObjectCount objectsAfter = LiveComObjects();
  leftovers.comObjects = {objectsAfter.objects - objectsBefore.objects,
                          objectsAfter.references - objectsBefore.references};
  leftovers.eventConnections = events.standing;
  leftovers.windows = ThreadWindows() - windowsBefore;
  leftovers.mapiBuffers = mapi.LiveBuffers() - buffersBefore;
}

nlohmann::ordered_json DllRun::Report() const { return BuildReport(outlook, screen); }

}  // namespace norvale::sim
