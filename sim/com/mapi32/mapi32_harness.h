// The harness's own entry points of its mapi32.dll, beside MAPI's: what the
// test harness and norvale-sim --dll use to connect the DLL to a simulated
// profile and to see the buffers the add-in left behind. Found with
// GetProcAddress; the declarations give their types.
#pragma once

#include <windows.h>

#include "outlook/outlook.h"

extern "C" {

// Makes MAPIInitialize and MAPIUninitialize reach `library` (nullptr: none)
// and returns the library attached before. `library` must outlive its
// attachment.
norvale::outlook::MapiLibrary* WINAPI NorvaleSimMapiAttach(norvale::outlook::MapiLibrary* library);

// Buffers from MAPIAllocateBuffer not yet given to MAPIFreeBuffer.
LONG WINAPI NorvaleSimMapiLiveBuffers();

}  // extern "C"
