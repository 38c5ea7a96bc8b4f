#include "outlook/com/com_mapi.h"

#include <mapix.h>
#include <wrl/client.h>

#include <utility>
#include <vector>

#include "base/win/com_guard.h"
#include "outlook/com/outlook_iids.h"

namespace norvale::com {
namespace {

using Microsoft::WRL::ComPtr;
using win::ThrowIfOutOfMemory;

// Owns one buffer that MAPI allocated for an out parameter.
template <typename T>
class MapiBuffer {
 public:
  explicit MapiBuffer(const MapiDll& dll) : m_dll(dll) {}
  MapiBuffer(const MapiBuffer&) = delete;
  MapiBuffer& operator=(const MapiBuffer&) = delete;
  ~MapiBuffer() {
    if (m_buffer) m_dll.FreeBuffer(m_buffer);
  }

  T* get() const { return m_buffer; }
  T** put() { return &m_buffer; }

 private:
  const MapiDll& m_dll;
  T* m_buffer = nullptr;
};

class ComMapiProp final : public outlook::MapiProp {
 public:
  ComMapiProp(ComPtr<IMAPIProp> prop, std::shared_ptr<const MapiDll> dll)
      : m_spProp(std::move(prop)), m_dll(std::move(dll)) {}

  HRESULT GetProps(const std::vector<std::uint32_t>& tags,
                   std::vector<outlook::MapiPropValue>& values) override {
    // An SPropTagArray: the count, then the tags.
    std::vector<ULONG> tagArray{static_cast<ULONG>(tags.size())};
    tagArray.insert(tagArray.end(), tags.begin(), tags.end());
    ULONG count = 0;
    MapiBuffer<SPropValue> props(*m_dll);
    const HRESULT hr = ThrowIfOutOfMemory(m_spProp->GetProps(
        reinterpret_cast<LPSPropTagArray>(tagArray.data()), 0, &count, props.put()));
    values.clear();
    if (FAILED(hr) || !props.get()) return hr;
    for (ULONG i = 0; i < count; ++i) {
      const SPropValue& prop = props.get()[i];
      outlook::MapiPropValue& value = values.emplace_back();
      value.tag = prop.ulPropTag;
      if (PROP_TYPE(prop.ulPropTag) == PT_UNICODE && prop.Value.lpszW) {
        value.text = reinterpret_cast<const char16_t*>(prop.Value.lpszW);
      }
    }
    return hr;
  }

 private:
  ComPtr<IMAPIProp> m_spProp;
  std::shared_ptr<const MapiDll> m_dll;
};

class ComMapiSession final : public outlook::MapiSession {
 public:
  ComMapiSession(ComPtr<IMAPISession> session, std::shared_ptr<const MapiDll> dll)
      : m_spSession(std::move(session)), m_dll(std::move(dll)) {}

  HRESULT QueryIdentity(outlook::MapiEntryId& entry_id) override {
    ULONG size = 0;
    MapiBuffer<ENTRYID> id(*m_dll);
    const HRESULT hr = ThrowIfOutOfMemory(m_spSession->QueryIdentity(&size, id.put()));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(id.get());
    if (SUCCEEDED(hr) && bytes) entry_id.assign(bytes, bytes + size);
    return hr;
  }

  HRESULT OpenEntry(const outlook::MapiEntryId& entry_id, std::uint32_t flags,
                    std::shared_ptr<outlook::MapiProp>& entry) override {
    outlook::MapiEntryId id = entry_id;  // OpenEntry takes a mutable identifier
    ULONG objectType = 0;
    ComPtr<IUnknown> spEntry;
    const HRESULT hr = ThrowIfOutOfMemory(m_spSession->OpenEntry(
        static_cast<ULONG>(id.size()), reinterpret_cast<LPENTRYID>(id.data()), nullptr, flags,
        &objectType, spEntry.ReleaseAndGetAddressOf()));
    // Without an interface identifier MAPI gives the entry's standard
    // interface, which for a mail user derives from IMAPIProp.
    if (SUCCEEDED(hr) && spEntry) {
      entry = std::make_shared<ComMapiProp>(reinterpret_cast<IMAPIProp*>(spEntry.Get()), m_dll);
    }
    return hr;
  }

 private:
  ComPtr<IMAPISession> m_spSession;
  std::shared_ptr<const MapiDll> m_dll;
};

class ComMapiObject final : public outlook::MapiObject {
 public:
  ComMapiObject(ComPtr<IUnknown> object, std::shared_ptr<const MapiDll> dll)
      : m_spObject(std::move(object)), m_dll(std::move(dll)) {}

  HRESULT QueryMapiSession(std::shared_ptr<outlook::MapiSession>& session) override {
    ComPtr<IMAPISession> spSession;
    const HRESULT hr = ThrowIfOutOfMemory(m_spObject->QueryInterface(
        IID_MapiSession, reinterpret_cast<void**>(spSession.ReleaseAndGetAddressOf())));
    if (SUCCEEDED(hr) && spSession) {
      session = std::make_shared<ComMapiSession>(std::move(spSession), m_dll);
    }
    return hr;
  }

 private:
  ComPtr<IUnknown> m_spObject;
  std::shared_ptr<const MapiDll> m_dll;
};

}  // namespace

HRESULT MapiDll::Load(std::shared_ptr<const MapiDll>& dll) {
  std::shared_ptr<MapiDll> loaded(new MapiDll);
  loaded->m_module.reset(LoadLibraryW(L"mapi32.dll"));
  if (!loaded->m_module) return HRESULT_FROM_WIN32(GetLastError());
  const HMODULE module = loaded->m_module.get();
  if (!win::ResolveExport(module, "MAPIInitialize", loaded->m_pfnInitialize) ||
      !win::ResolveExport(module, "MAPIUninitialize", loaded->m_pfnUninitialize) ||
      !win::ResolveExport(module, "MAPIFreeBuffer", loaded->m_pfnFreeBuffer)) {
    return HRESULT_FROM_WIN32(GetLastError());
  }
  dll = std::move(loaded);
  return S_OK;
}

HRESULT MapiDll::Initialize() const { return m_pfnInitialize(nullptr); }
void MapiDll::Uninitialize() const { m_pfnUninitialize(); }
void MapiDll::FreeBuffer(void* buffer) const { m_pfnFreeBuffer(buffer); }

HRESULT ComMapiLibrary::Dll(std::shared_ptr<const MapiDll>& dll) {
  HRESULT hr = S_OK;
  if (!m_dll) hr = MapiDll::Load(m_dll);
  dll = m_dll;
  return hr;
}

HRESULT ComMapiLibrary::Initialize() {
  std::shared_ptr<const MapiDll> dll;
  const HRESULT hr = Dll(dll);
  return FAILED(hr) ? hr : ThrowIfOutOfMemory(dll->Initialize());
}

void ComMapiLibrary::Uninitialize() {
  if (m_dll) m_dll->Uninitialize();
}

std::shared_ptr<outlook::MapiObject> WrapMapiObject(IUnknown* object,
                                                    std::shared_ptr<const MapiDll> dll) {
  if (!object) return nullptr;
  return std::make_shared<ComMapiObject>(object, std::move(dll));
}

}  // namespace norvale::com
