// The module this code is linked into: its handle, its path, and the lock
// count that keeps a COM server DLL loaded.
#pragma once

#include <windows.h>

#include <string>

#include "base/hresult.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace norvale::win {

// The module this code is linked into: the DLL inside a DLL, else the program.
inline HMODULE CurrentModule() { return reinterpret_cast<HMODULE>(&__ImageBase); }

// The full path of `module` (nullptr: the program), however long. Throws
// HResultError when Windows gives none.
inline std::wstring ModulePath(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) throw HResultError(HRESULT_FROM_WIN32(GetLastError()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// Every live object and every LockServer lock of a COM server DLL holds one
// module lock; DllCanUnloadNow answers S_OK only at none. Each returns the new
// count. Defined by the DLL's module object.
LONG LockModule();
LONG UnlockModule();

}  // namespace norvale::win
