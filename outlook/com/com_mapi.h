// MAPI for the sender's identity: mapi32.dll loaded on first use, and the
// session behind NameSpace.MAPIOBJECT. Every MAPI buffer is freed with
// MAPIFreeBuffer of the same DLL, which stays loaded while any of them lives.
#pragma once

#include <windows.h>

#include <memory>

#include "base/win/unique_handle.h"
#include "outlook/outlook.h"

namespace norvale::com {

// mapi32.dll and the entry points the add-in calls.
class MapiDll {
 public:
  // Loads mapi32.dll; on failure `dll` stays null and the load's status is returned.
  static HRESULT Load(std::shared_ptr<const MapiDll>& dll);

  HRESULT Initialize() const;  // MAPIInitialize(nullptr)
  void Uninitialize() const;
  void FreeBuffer(void* buffer) const;

 private:
  MapiDll() = default;

  win::UniqueModule m_module;
  HRESULT(WINAPI* m_pfnInitialize)(void*) = nullptr;
  void(WINAPI* m_pfnUninitialize)() = nullptr;
  ULONG(WINAPI* m_pfnFreeBuffer)(void*) = nullptr;
};

// MAPIInitialize/MAPIUninitialize of the process, through mapi32.dll loaded
// at the first call.
class ComMapiLibrary final : public outlook::MapiLibrary {
 public:
  HRESULT Initialize() override;
  void Uninitialize() override;

  // The DLL, loaded on first use; null with the load's status on failure.
  HRESULT Dll(std::shared_ptr<const MapiDll>& dll);

 private:
  std::shared_ptr<const MapiDll> m_dll;
};

// The MAPI object behind NameSpace.MAPIOBJECT; nullptr for a null `object`.
std::shared_ptr<outlook::MapiObject> WrapMapiObject(IUnknown* object,
                                                    std::shared_ptr<const MapiDll> dll);

}  // namespace norvale::com
