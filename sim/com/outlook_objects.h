// Outlook's objects over the simulator's object-model ports, each with the
// dual interface that the harness's type library declares for its kind. Every
// member calls the port, so the simulator's call counting and faults apply
// unchanged; what the port does not model answers E_NOTIMPL.
#pragma once

#include <windows.h>

#include <wrl/client.h>

#include <memory>

#include "outlook/outlook.h"
#include "outlook_typelib.h"

namespace norvale::sim {

// Outlook's Application over `app`. ActiveInspector's compose window has the
// real window `inspector_window`; ActiveExplorer gives `explorer`, which may
// be null.
Microsoft::WRL::ComPtr<_Application> NewApplication(std::shared_ptr<outlook::Application> app,
                                                    HWND inspector_window,
                                                    Microsoft::WRL::ComPtr<_Explorer> explorer);

// A mail item, as Outlook hands one to an event sink.
Microsoft::WRL::ComPtr<_MailItem> NewMailItem(std::shared_ptr<outlook::MailItem> item);

}  // namespace norvale::sim
