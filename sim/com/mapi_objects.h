// MAPI as NameSpace.MAPIOBJECT gives it: the session's IUnknown, the
// session, and the identity's mail user, over the simulator's MAPI ports.
// The MAPI buffers they hand out come from the mapi32.dll loaded in the
// process (sim_mapi.h).
#pragma once

#include <windows.h>

#include <wrl/client.h>

#include <memory>

#include "outlook/outlook.h"

namespace norvale::sim {

// NameSpace.MAPIOBJECT over `port`: asked for IMAPISession, it asks the
// simulator, and gives the session only when the simulator does.
Microsoft::WRL::ComPtr<IUnknown> NewMapiObject(std::shared_ptr<outlook::MapiObject> port);

}  // namespace norvale::sim
