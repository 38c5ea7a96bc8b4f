// The object model of outlook/outlook.h over Outlook's own objects, reached
// by late binding through IDispatch. Each wrapper holds one COM reference,
// released with the last shared_ptr to it.
#pragma once

#include <oaidl.h>

#include <memory>

#include "outlook/outlook.h"

namespace norvale::com {

// The object model over Outlook's IDispatch objects; nullptr when `app`
// does not answer _Application (IID_Outlook_Application).
std::shared_ptr<outlook::Application> WrapApplication(IDispatch* app);

// nullptr when `item` does not answer _MailItem.
std::shared_ptr<outlook::MailItem> WrapMailItem(IDispatch* item);

// The explorer's window through its IOleWindow; nullptr for a null `explorer`.
std::shared_ptr<outlook::Explorer> WrapExplorer(IDispatch* explorer);

// nullptr when `ribbon` does not answer IRibbonUI.
std::shared_ptr<outlook::RibbonUI> WrapRibbonUI(IDispatch* ribbon);

}  // namespace norvale::com
