// The DLL's application and module objects: one global instance each.
#pragma once

#include <windows.h>

namespace norvale::win {

// The application object: the DLL's instance handle and the count of live
// objects and locks that decides when the DLL may be unloaded.
class CNorvaleOlkAddinApp {
 public:
  // Runs when the DLL attaches to a process.
  void InitInstance(HINSTANCE hInstance) { m_hInstance = hInstance; }

  HINSTANCE instance() const { return m_hInstance; }

  // Counts a live object or lock in or out; returns the new count. Any thread.
  LONG AddObject() { return InterlockedIncrement(&m_nObjectCount); }
  LONG RemoveObject() { return InterlockedDecrement(&m_nObjectCount); }
  LONG objectCount() const { return m_nObjectCount; }

 private:
  HINSTANCE m_hInstance = nullptr;
  LONG volatile m_nObjectCount = 0;
};

// The COM module: its lock count (held by the application object), its
// registry script and the AppID that script may use, and the server's
// registration.
class CNorvaleOlkAddinModule {
 public:
  // Every live object and every LockServer lock holds one lock.
  LONG Lock();
  LONG Unlock();
  LONG GetLockCount() const;

  // Applies REGISTRY script `id` of this DLL through the system registrar, or
  // reverses it when `bRegister` is false, with %MODULE% (the DLL's path) and
  // %APPID% replaced.
  HRESULT UpdateRegistryFromResource(UINT id, bool bRegister);

  // Applies (reverses) the script of every class of the class table, then
  // registers (unregisters) the type library in this DLL's resources. Stops at
  // the first failure and returns it.
  HRESULT RegisterServer();
  HRESULT UnregisterServer();

  // The script DllRegisterServer applies as the module's own.
  UINT registryScript() const;
};

extern CNorvaleOlkAddinApp g_app;
extern CNorvaleOlkAddinModule g_module;

}  // namespace norvale::win
