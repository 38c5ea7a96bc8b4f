// Office's ribbon control as Office passes it to a ribbon callback.
#pragma once

#include <wrl/client.h>

#include <string>

#include "outlook/com/office.h"

namespace norvale::sim {

// The IRibbonControl of control `id`; its Context is empty and its Tag an
// empty string. Its IDispatch is Office's, from the harness's type library.
Microsoft::WRL::ComPtr<IRibbonControl> NewRibbonControl(std::wstring id);

}  // namespace norvale::sim
