#include "sim/com/mapi_objects.h"

#include <mapix.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/win/com_guard.h"
#include "outlook/com/outlook_iids.h"
#include "sim/com/com_object.h"
#include "sim/com/sim_mapi.h"

namespace norvale::sim {
namespace {

using Microsoft::WRL::ComPtr;
using win::GuardHResult;

// MAPI's interface ids of a mail user (mapiguid.h).
constexpr GUID kIidMapiProp = {0x00020303, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidMailUser = {0x0002030A, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// What a member that the add-in never calls answers: MAPI_E_NO_SUPPORT, its
// out parameters cleared.
template <typename... Out>
HRESULT NoSupport(Out*... out) {
  ((out != nullptr ? void(*out = {}) : void()), ...);
  return MAPI_E_NO_SUPPORT;
}

// The identity's mail user as IMAPISession::OpenEntry gives it; its
// properties are the simulator's.
class MailUserObject final : public ComObject<IMailUser> {
 public:
  explicit MailUserObject(std::shared_ptr<outlook::MapiProp> port)
      : ComObject("MailUser"), m_port(std::move(port)) {}

  static bool Answers(REFIID riid) {
    return riid == IID_IUnknown || riid == kIidMapiProp || riid == kIidMailUser;
  }

  // The values in MAPI's shape: one buffer holding the array, the texts
  // allocated onto it. The simulator gives Unicode texts, and PT_ERROR
  // values for what the identity lacks, which carry MAPI_E_NOT_FOUND.
  STDMETHODIMP GetProps(LPSPropTagArray tags, ULONG, ULONG* count, LPSPropValue* props) override {
    if (count == nullptr || props == nullptr) return MAPI_E_INVALID_PARAMETER;
    *count = 0;
    *props = nullptr;
    if (tags == nullptr) return MAPI_E_NO_SUPPORT;  // every property: not played
    return GuardHResult([&] {
      const ULONG* const first = tags->aulPropTag;
      std::vector<outlook::MapiPropValue> values;
      const HRESULT hr = m_port->GetProps({first, first + tags->cValues}, values);
      if (FAILED(hr)) return hr;
      SPropValue* array = nullptr;
      HRESULT allocated = MapiAllocateBuffer(static_cast<ULONG>(sizeof(SPropValue) * values.size()),
                                             reinterpret_cast<void**>(&array));
      for (std::size_t i = 0; i < values.size() && SUCCEEDED(allocated); ++i) {
        SPropValue& prop = array[i] = {};
        prop.ulPropTag = values[i].tag;
        if (PROP_TYPE(prop.ulPropTag) == PT_ERROR) {
          prop.Value.err = MAPI_E_NOT_FOUND;
          continue;
        }
        const std::u16string& text = values[i].text;
        allocated = MapiAllocateMore(static_cast<ULONG>((text.size() + 1) * sizeof(WCHAR)), array,
                                     reinterpret_cast<void**>(&prop.Value.lpszW));
        if (SUCCEEDED(allocated)) {
          std::copy(text.begin(), text.end(), prop.Value.lpszW);
          prop.Value.lpszW[text.size()] = L'\0';
        }
      }
      if (FAILED(allocated)) {
        MapiFreeBuffer(array);
        return allocated;
      }
      *count = static_cast<ULONG>(values.size());
      *props = array;
      return hr;
    });
  }

  STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR* error) override {
    return NoSupport(error);
  }
  STDMETHODIMP SaveChanges(ULONG) override { return NoSupport(); }
  STDMETHODIMP GetPropList(ULONG, LPSPropTagArray* tags) override { return NoSupport(tags); }
  STDMETHODIMP OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN* object) override {
    return NoSupport(object);
  }
  STDMETHODIMP SetProps(ULONG, LPSPropValue, LPSPropProblemArray* problems) override {
    return NoSupport(problems);
  }
  STDMETHODIMP DeleteProps(LPSPropTagArray, LPSPropProblemArray* problems) override {
    return NoSupport(problems);
  }
  STDMETHODIMP CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                      LPSPropProblemArray* problems) override {
    return NoSupport(problems);
  }
  STDMETHODIMP CopyProps(LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                         LPSPropProblemArray* problems) override {
    return NoSupport(problems);
  }
  // The tags are read, not written.
  STDMETHODIMP GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG* count,
                               LPMAPINAMEID** names) override {
    return NoSupport(count, names);
  }
  STDMETHODIMP GetIDsFromNames(ULONG, LPMAPINAMEID*, ULONG, LPSPropTagArray* tags) override {
    return NoSupport(tags);
  }

 private:
  void* Find(REFIID riid) override {
    return Answers(riid) ? static_cast<IMailUser*>(this) : nullptr;
  }

  std::shared_ptr<outlook::MapiProp> m_port;
};

// The MAPI session behind NameSpace.MAPIOBJECT. Entry ids are MAPI buffers
// of the process's mapi32.dll, which the caller frees.
class MapiSessionObject final : public ComObject<IMAPISession> {
 public:
  explicit MapiSessionObject(std::shared_ptr<outlook::MapiSession> port)
      : ComObject("MAPISession"), m_port(std::move(port)) {}

  STDMETHODIMP QueryIdentity(ULONG* size, LPENTRYID* id) override {
    if (size == nullptr || id == nullptr) return MAPI_E_INVALID_PARAMETER;
    *size = 0;
    *id = nullptr;
    return GuardHResult([&] {
      outlook::MapiEntryId entry;
      const HRESULT hr = m_port->QueryIdentity(entry);
      if (FAILED(hr) || entry.empty()) return hr;
      void* buffer = nullptr;
      const HRESULT allocated = MapiAllocateBuffer(static_cast<ULONG>(entry.size()), &buffer);
      if (FAILED(allocated)) return allocated;
      std::copy(entry.begin(), entry.end(), static_cast<std::uint8_t*>(buffer));
      *size = static_cast<ULONG>(entry.size());
      *id = static_cast<LPENTRYID>(buffer);
      return hr;
    });
  }

  // The entry is the mail user, whichever of its interfaces is asked for.
  STDMETHODIMP OpenEntry(ULONG size, LPENTRYID id, LPCIID iid, ULONG flags, ULONG* type,
                         LPUNKNOWN* entry) override {
    if (type == nullptr || entry == nullptr || (size != 0 && id == nullptr)) {
      return MAPI_E_INVALID_PARAMETER;
    }
    *type = 0;
    *entry = nullptr;
    if (iid != nullptr && !MailUserObject::Answers(*iid)) return MAPI_E_INTERFACE_NOT_SUPPORTED;
    return GuardHResult([&] {
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(id);
      std::shared_ptr<outlook::MapiProp> user;
      const HRESULT hr = m_port->OpenEntry({bytes, bytes + size}, flags, user);
      if (SUCCEEDED(hr) && user) {
        ComPtr<IMailUser> spUser = new MailUserObject(std::move(user));
        *type = MAPI_MAILUSER;
        *entry = spUser.Detach();
      }
      return hr;
    });
  }

  STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR* error) override {
    return NoSupport(error);
  }
  STDMETHODIMP GetMsgStoresTable(ULONG, LPMAPITABLE* table) override { return NoSupport(table); }
  STDMETHODIMP OpenMsgStore(ULONG_PTR, ULONG, LPENTRYID, LPCIID, ULONG, LPMDB* store) override {
    return NoSupport(store);
  }
  STDMETHODIMP OpenAddressBook(ULONG_PTR, LPCIID, ULONG, LPADRBOOK* book) override {
    return NoSupport(book);
  }
  STDMETHODIMP OpenProfileSection(LPMAPIUID, LPCIID, ULONG, LPPROFSECT* section) override {
    return NoSupport(section);
  }
  STDMETHODIMP GetStatusTable(ULONG, LPMAPITABLE* table) override { return NoSupport(table); }
  STDMETHODIMP CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG* result) override {
    return NoSupport(result);
  }
  STDMETHODIMP Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG* connection) override {
    return NoSupport(connection);
  }
  STDMETHODIMP Unadvise(ULONG) override { return NoSupport(); }
  STDMETHODIMP MessageOptions(ULONG_PTR, ULONG, LPTSTR, LPMESSAGE) override { return NoSupport(); }
  STDMETHODIMP QueryDefaultMessageOpt(LPTSTR, ULONG, ULONG* count, LPSPropValue* options) override {
    return NoSupport(count, options);
  }
  STDMETHODIMP EnumAdrTypes(ULONG, ULONG* count, LPTSTR** types) override {
    return NoSupport(count, types);
  }
  STDMETHODIMP Logoff(ULONG_PTR, ULONG, ULONG) override { return NoSupport(); }
  STDMETHODIMP SetDefaultStore(ULONG, ULONG, LPENTRYID) override { return NoSupport(); }
  STDMETHODIMP AdminServices(ULONG, LPSERVICEADMIN* admin) override { return NoSupport(admin); }
  STDMETHODIMP ShowForm(ULONG_PTR, LPMDB, LPMAPIFOLDER, LPCIID, ULONG, LPMESSAGE, ULONG, ULONG,
                        ULONG, ULONG, LPSTR) override {
    return NoSupport();
  }
  STDMETHODIMP PrepareForm(LPCIID, LPMESSAGE, ULONG* token) override { return NoSupport(token); }

 private:
  void* Find(REFIID riid) override {
    return riid == IID_IUnknown || riid == com::IID_MapiSession ? static_cast<IMAPISession*>(this)
                                                                : nullptr;
  }

  std::shared_ptr<outlook::MapiSession> m_port;
};

// NameSpace.MAPIOBJECT: the session's IUnknown.
class MapiObjectUnknown final : public ComObject<IUnknown> {
 public:
  explicit MapiObjectUnknown(std::shared_ptr<outlook::MapiObject> port)
      : ComObject<IUnknown>("MAPIOBJECT"), m_port(std::move(port)) {}

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid != com::IID_MapiSession) return ComObject::QueryInterface(riid, ppv);
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    return GuardHResult([&] {
      std::shared_ptr<outlook::MapiSession> session;
      const HRESULT hr = m_port->QueryMapiSession(session);
      if (SUCCEEDED(hr) && session) {
        ComPtr<IMAPISession> spSession = new MapiSessionObject(std::move(session));
        *ppv = spSession.Detach();
      }
      return hr;
    });
  }

 private:
  void* Find(REFIID riid) override {
    return riid == IID_IUnknown ? static_cast<IUnknown*>(this) : nullptr;
  }
  std::shared_ptr<outlook::MapiObject> m_port;
};

}  // namespace

ComPtr<IUnknown> NewMapiObject(std::shared_ptr<outlook::MapiObject> port) {
  return new MapiObjectUnknown(std::move(port));
}

}  // namespace norvale::sim
