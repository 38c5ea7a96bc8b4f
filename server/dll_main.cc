// NorvaleOAddin.dll's entry point and its four exports (NorvaleOAddin.def).
#include <windows.h>

#include <ole2.h>

#include "base/win/com_guard.h"
#include "server/class_table.h"
#include "server/module.h"

using norvale::win::g_app;
using norvale::win::g_module;
using norvale::win::GuardHResult;

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      g_app.InitInstance(hInstance);
      break;
    case DLL_PROCESS_DETACH:
      // On FreeLibrary only: at process exit other DLLs may be gone already.
      if (reserved == nullptr) norvale::win::ClassTableReleaseFactories();
      break;
  }
  return TRUE;
}

STDAPI DllCanUnloadNow() { return g_module.GetLockCount() <= 0 ? S_OK : S_FALSE; }

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  return GuardHResult([&] {
    // The table is the only source of class objects: whatever it does not
    // serve is unavailable.
    return norvale::win::ClassTableGetClassObject(rclsid, riid, ppv) == S_OK
               ? S_OK
               : CLASS_E_CLASSNOTAVAILABLE;
  });
}

STDAPI DllRegisterServer() {
  return GuardHResult([] {
    // The module's own application of the script is not checked; the class
    // table applies the same script again and reports its failure.
    g_module.UpdateRegistryFromResource(g_module.registryScript(), true);
    return g_module.RegisterServer();
  });
}

STDAPI DllUnregisterServer() {
  return GuardHResult([] {
    g_module.UpdateRegistryFromResource(g_module.registryScript(), false);
    return g_module.UnregisterServer();
  });
}
