// Defines CLSID_NorvaleOAddin, LIBID_NorvaleOlkAddinLib and IID_INorvaleOAddin
// once for the whole DLL.
#include <initguid.h>

#include "NorvaleOlkAddin.h"
