// Runs a scenario's action through the real add-in DLL, as Outlook and Office
// would: the add-in object is created by COM, connected to Outlook played
// over the simulated profile, its button is pressed (for an inline reply:
// the reply is opened, the main window's button pressed, and the messages
// dispatched until the popped-out reply has been sent), and it is
// disconnected and released. Message boxes are read from the screen and
// closed. What the DLL left behind is counted.
#pragma once

#include <windows.h>

#include <unknwn.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>

#include <nlohmann/json.hpp>

#include "sim/com/sim_com.h"
#include "sim/com/sim_mapi.h"
#include "sim/desktop/sim_desktop.h"
#include "sim/outlook/scenario.h"
#include "sim/outlook/sim_outlook.h"

namespace norvale::sim {

// Counts, while alive, the WM_TIMER messages of the add-in's helper timer that
// the thread takes from its queue.
class TimerMessageCounter {
 public:
  TimerMessageCounter();
  ~TimerMessageCounter();
  TimerMessageCounter(const TimerMessageCounter&) = delete;
  TimerMessageCounter& operator=(const TimerMessageCounter&) = delete;

  int count() const;

 private:
  HHOOK m_hook;
};

// Dispatches the thread's messages, as Outlook's message loop does, until
// `done` answers true or `limit` has passed.
void DispatchMessagesUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

// The thread's top-level windows.
int ThreadWindows();

// What a run left behind that it found in place; all zero for a DLL that
// cleans up after itself.
struct DllRunLeftovers {
  ComObjectCount comObjects;       // the harness's objects and references, beyond those before
  int eventConnections = 0;        // explorer-event sinks still attached
  int windows = 0;                 // top-level windows of the thread, beyond those before
  long mapiBuffers = 0;            // MAPI buffers not freed
  int timerMessagesAfterSend = 0;  // WM_TIMER messages of timer 1003 after its send
  bool operator==(const DllRunLeftovers&) const = default;
};
std::ostream& operator<<(std::ostream& out, const DllRunLeftovers& left);

struct DllRun {
  // `createAddin` makes one add-in object as COM does, and gives its IUnknown.
  // `mapi` is the harness's mapi32.dll, loaded before the DLL's first MAPI call.
  DllRun(Scenario scenario, const std::function<HRESULT(IUnknown**)>& createAddin,
         const SimMapi32& mapi);

  SimOutlook outlook;
  platform::SimDesktop screen;  // the message boxes read from the screen
  HRESULT created = E_FAIL;
  HRESULT connected = E_FAIL;
  HRESULT pressed = E_FAIL;
  HRESULT disconnected = E_FAIL;
  ExplorerEventLog events;
  int popOutClicks = 0;   // clicks on the first button of the inline reply's toolbar
  int timerMessages = 0;  // WM_TIMER messages of timer 1003 up to the end of its send
  DllRunLeftovers leftovers;

  // The same report as the core's run of the scenario.
  nlohmann::ordered_json Report() const;
};

}  // namespace norvale::sim
