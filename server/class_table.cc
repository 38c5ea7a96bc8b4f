#include "server/class_table.h"

#include "NorvaleOlkAddin.h"
#include "addin/com/norvale_oaddin_com.h"
#include "base/win/com_guard.h"
#include "server/module.h"

namespace norvale::win {
namespace {

// The factory of one class. While anyone but the class table holds it, it
// counts as a lock of the module, so the DLL stays loaded under a caller's
// factory pointer.
class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(CreateInstanceFn createInstance) : m_pfnCreateInstance(createInstance) {}

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }

  STDMETHODIMP_(ULONG) AddRef() override {
    const LONG count = InterlockedIncrement(&m_nRefCount);
    if (count == 2) g_module.Lock();
    return count;
  }

  STDMETHODIMP_(ULONG) Release() override {
    const LONG count = InterlockedDecrement(&m_nRefCount);
    if (count == 1) g_module.Unlock();
    if (count == 0) delete this;
    return count;
  }

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    return GuardHResult([&] {
      if (ppv == nullptr) return E_POINTER;
      *ppv = nullptr;
      // An aggregated object can only hand the outer object its inner IUnknown.
      if (outer != nullptr && riid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
      return m_pfnCreateInstance(outer, riid, ppv);
    });
  }

  STDMETHODIMP LockServer(BOOL fLock) override {
    if (fLock) {
      g_module.Lock();
    } else {
      g_module.Unlock();
    }
    return S_OK;
  }

 private:
  CreateInstanceFn m_pfnCreateInstance;
  LONG volatile m_nRefCount = 0;
};

struct ClassEntry {
  const CLSID* pClsid;
  UpdateRegistryFn pfnUpdateRegistry;
  CreateInstanceFn pfnCreateInstance;
  IClassFactory* volatile pCachedFactory;  // one reference, owned by the table
};

HRESULT UpdateAddinRegistry(bool bRegister) {
  return g_module.UpdateRegistryFromResource(g_module.registryScript(), bRegister);
}

ClassEntry g_classTable[] = {
    {&CLSID_NorvaleOAddin, &UpdateAddinRegistry, &CNorvaleOAddin::CreateInstance, nullptr},
};

// The entry's factory, creating and caching it at the first call. Threads that
// race here agree on the first factory published.
IClassFactory* CachedFactory(ClassEntry& entry) {
  if (IClassFactory* factory = entry.pCachedFactory) return factory;
  auto* created = new ClassFactory(entry.pfnCreateInstance);
  created->AddRef();
  void* previous = InterlockedCompareExchangePointer(
      reinterpret_cast<void* volatile*>(&entry.pCachedFactory), created, nullptr);
  if (previous == nullptr) return created;
  created->Release();
  return static_cast<IClassFactory*>(previous);
}

}  // namespace

HRESULT ClassTableGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  for (ClassEntry& entry : g_classTable) {
    if (*entry.pClsid == rclsid) return CachedFactory(entry)->QueryInterface(riid, ppv);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ClassTableUpdateRegistry(bool bRegister) {
  for (const ClassEntry& entry : g_classTable) {
    const HRESULT hr = entry.pfnUpdateRegistry(bRegister);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

void ClassTableReleaseFactories() {
  for (ClassEntry& entry : g_classTable) {
    void* factory = InterlockedExchangePointer(
        reinterpret_cast<void* volatile*>(&entry.pCachedFactory), nullptr);
    if (factory != nullptr) static_cast<IClassFactory*>(factory)->Release();
  }
}

}  // namespace norvale::win
