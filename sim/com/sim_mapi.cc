#include "sim/com/sim_mapi.h"

#include <mapix.h>

#include <filesystem>
#include <utility>

#include "base/win/module.h"

namespace norvale::sim {
namespace {

// Calls the entry point `name` of the mapi32.dll loaded in this process.
template <typename Fn, typename... Args>
auto CallLoaded(const char* name, Args... args) {
  Fn* fn = nullptr;
  const HMODULE module = GetModuleHandleW(L"mapi32.dll");
  using Result = decltype(fn(args...));
  if (module == nullptr || !win::ResolveExport(module, name, fn)) {
    return static_cast<Result>(MAPI_E_NOT_INITIALIZED);
  }
  return fn(args...);
}

std::wstring ProgramFolder() {
  return std::filesystem::path(win::ModulePath(nullptr)).parent_path().wstring();
}

}  // namespace

SimMapi32::Attachment::Attachment(const SimMapi32& dll, outlook::MapiLibrary& library)
    : m_dll(dll), m_previous(dll.m_pfnAttach(&library)) {}

SimMapi32::Attachment::~Attachment() { m_dll.m_pfnAttach(m_previous); }

HRESULT SimMapi32::Load(std::unique_ptr<SimMapi32>& dll, const std::wstring& folder) {
  const std::filesystem::path path =
      std::filesystem::path(folder.empty() ? ProgramFolder() : folder) / L"mapi32.dll";
  std::unique_ptr<SimMapi32> loaded(new SimMapi32);
  loaded->m_module.reset(LoadLibraryW(path.c_str()));
  const HMODULE module = loaded->m_module.get();
  if (module == nullptr) return HRESULT_FROM_WIN32(GetLastError());
  if (!win::ResolveExport(module, "NorvaleSimMapiAttach", loaded->m_pfnAttach) ||
      !win::ResolveExport(module, "NorvaleSimMapiLiveBuffers", loaded->m_pfnLiveBuffers)) {
    return HRESULT_FROM_WIN32(GetLastError());
  }
  if (GetModuleHandleW(L"mapi32.dll") != module) return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
  dll = std::move(loaded);
  return S_OK;
}

long SimMapi32::LiveBuffers() const { return m_pfnLiveBuffers(); }

SCODE MapiAllocateBuffer(ULONG size, void** buffer) {
  if (buffer != nullptr) *buffer = nullptr;
  return CallLoaded<MAPIALLOCATEBUFFER>("MAPIAllocateBuffer", size, buffer);
}

SCODE MapiAllocateMore(ULONG size, void* parent, void** buffer) {
  if (buffer != nullptr) *buffer = nullptr;
  return CallLoaded<MAPIALLOCATEMORE>("MAPIAllocateMore", size, parent, buffer);
}

ULONG MapiFreeBuffer(void* buffer) { return CallLoaded<MAPIFREEBUFFER>("MAPIFreeBuffer", buffer); }

}  // namespace norvale::sim
