// MAPI as Outlook's process offers it to the add-in: initialisation goes to
// the attached simulator, which counts it and injects its faults; buffers are
// MAPI's, counted so that a test sees every one the add-in failed to free.
// With no simulator attached, MAPIInitialize fails as Wine's own mapi32.dll
// fails without a MAPI provider.
#include "sim/com/mapi32/mapi32_harness.h"

#include <mapix.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <set>

#include "base/win/com_guard.h"

namespace {

using norvale::outlook::MapiLibrary;
using norvale::win::GuardHResult;

std::atomic<MapiLibrary*> g_library{nullptr};

// Each block starts with a header. The header of a block from
// MAPIAllocateBuffer heads the chain of the blocks that MAPIAllocateMore
// linked to it; MAPIFreeBuffer frees the chain with it.
struct alignas(16) Header {
  Header* more = nullptr;
};

std::mutex g_lock;
std::set<void*>& Buffers() {  // the blocks of MAPIAllocateBuffer not yet freed
  static std::set<void*> buffers;
  return buffers;
}

Header* HeaderOf(void* buffer) { return static_cast<Header*>(buffer) - 1; }

// A block of `size` bytes after its header, or nullptr.
Header* NewBlock(ULONG size) {
  void* memory = std::malloc(sizeof(Header) + size);
  return memory != nullptr ? new (memory) Header : nullptr;
}

}  // namespace

extern "C" {

HRESULT WINAPI MAPIInitialize(LPVOID) {
  MapiLibrary* library = g_library.load();
  if (library == nullptr) return MAPI_E_NOT_INITIALIZED;
  return GuardHResult([&] { return library->Initialize(); });
}

void WINAPI MAPIUninitialize() {
  if (MapiLibrary* library = g_library.load()) {
    GuardHResult([&] {
      library->Uninitialize();
      return S_OK;
    });
  }
}

SCODE WINAPI MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer) {
  if (lppBuffer == nullptr) return MAPI_E_INVALID_PARAMETER;
  *lppBuffer = nullptr;
  Header* block = NewBlock(cbSize);
  if (block == nullptr) return MAPI_E_NOT_ENOUGH_MEMORY;
  const HRESULT hr = GuardHResult([&] {
    std::lock_guard lock(g_lock);
    Buffers().insert(block + 1);
    return S_OK;
  });
  if (FAILED(hr)) {
    std::free(block);
    return hr;
  }
  *lppBuffer = block + 1;
  return S_OK;
}

SCODE WINAPI MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer) {
  if (lppBuffer == nullptr) return MAPI_E_INVALID_PARAMETER;
  *lppBuffer = nullptr;
  std::lock_guard lock(g_lock);
  if (!Buffers().contains(lpObject)) return MAPI_E_INVALID_PARAMETER;
  Header* block = NewBlock(cbSize);
  if (block == nullptr) return MAPI_E_NOT_ENOUGH_MEMORY;
  Header* parent = HeaderOf(lpObject);
  block->more = parent->more;
  parent->more = block;
  *lppBuffer = block + 1;
  return S_OK;
}

// Only a block of MAPIAllocateBuffer may be freed, and only once.
ULONG WINAPI MAPIFreeBuffer(LPVOID lpBuffer) {
  if (lpBuffer == nullptr) return S_OK;
  std::lock_guard lock(g_lock);
  if (Buffers().erase(lpBuffer) == 0) return static_cast<ULONG>(MAPI_E_INVALID_PARAMETER);
  for (Header* block = HeaderOf(lpBuffer); block != nullptr;) {
    Header* next = block->more;
    std::free(block);
    block = next;
  }
  return S_OK;
}

MapiLibrary* WINAPI NorvaleSimMapiAttach(MapiLibrary* library) {
  return g_library.exchange(library);
}

LONG WINAPI NorvaleSimMapiLiveBuffers() {
  std::lock_guard lock(g_lock);
  return static_cast<LONG>(Buffers().size());
}

}  // extern "C"
