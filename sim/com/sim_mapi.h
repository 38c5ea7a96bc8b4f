// The harness's mapi32.dll in this process: Outlook's MAPI subsystem as the
// add-in finds it. Loaded before the add-in asks for mapi32.dll by name, so
// that the add-in gets this one; connected to a simulated profile around each
// run; asked afterwards for the buffers the add-in did not free.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/win/unique_handle.h"
#include "outlook/outlook.h"
#include "sim/com/mapi32/mapi32_harness.h"

namespace norvale::sim {

class SimMapi32 {
 public:
  // While alive, MAPIInitialize and MAPIUninitialize of the DLL reach a
  // simulator's MapiLibrary, which counts them and injects their faults.
  class Attachment {
   public:
    ~Attachment();
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

   private:
    friend class SimMapi32;
    Attachment(const SimMapi32& dll, outlook::MapiLibrary& library);

    const SimMapi32& m_dll;
    outlook::MapiLibrary* m_previous;
  };

  // Loads mapi32.dll from `folder`, by default the running program's. Fails
  // when that gives another mapi32.dll (Wine gives its own, even for a path,
  // unless WINEDLLOVERRIDES has mapi32=n,b) or another one is loaded already,
  // since the add-in would get that one. On failure `dll` stays null.
  static HRESULT Load(std::unique_ptr<SimMapi32>& dll, const std::wstring& folder = {});

  [[nodiscard]] Attachment Attach(outlook::MapiLibrary& library) const { return {*this, library}; }

  // Buffers from MAPIAllocateBuffer not yet freed.
  long LiveBuffers() const;

 private:
  SimMapi32() = default;

  win::UniqueModule m_module;
  decltype(&NorvaleSimMapiAttach) m_pfnAttach = nullptr;
  decltype(&NorvaleSimMapiLiveBuffers) m_pfnLiveBuffers = nullptr;
};

// MAPIAllocateBuffer, MAPIAllocateMore and MAPIFreeBuffer of the mapi32.dll
// loaded in this process, the one whose MAPIFreeBuffer the add-in calls.
// MAPI_E_NOT_INITIALIZED when none is loaded.
SCODE MapiAllocateBuffer(ULONG size, void** buffer);
SCODE MapiAllocateMore(ULONG size, void* parent, void** buffer);
ULONG MapiFreeBuffer(void* buffer);

}  // namespace norvale::sim
