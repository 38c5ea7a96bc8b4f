#include "sim/com/outlook_objects.h"

#include <oleidl.h>

#include <type_traits>
#include <utility>

#include "base/win/bstr.h"
#include "base/win/com_guard.h"
#include "sim/com/com_object.h"
#include "sim/com/mapi_objects.h"

namespace norvale::sim {
namespace {

using Microsoft::WRL::ComPtr;
using win::GuardHResult;

// The harness object of port kind `Port`; specialised below for each kind.
template <typename Port>
class Object;

// --- Values between the vtable's types and the port's ---------------------------

OptText In(BSTR text) { return win::BstrText(text); }

// A string the profile does not have is a failed read. A type-library
// dispatch copies a read's result, and a null BSTR copies to an empty one, so
// Outlook can never hand a caller a missing string through a read that
// succeeds; it answers MAPI_E_NOT_FOUND for a property it has no value for.
HRESULT Out(const OptText& text, BSTR* out) {
  if (!text) return static_cast<HRESULT>(0x8004010F);
  *out = win::MakeBstr(text).release();
  return S_OK;
}

// A number the port could not read is a failed call, as in Outlook. Outlook's
// enumerations are numbers too.
template <typename Number>
requires std::is_same_v<Number, long> || std::is_enum_v<Number> HRESULT
Out(const outlook::OptInt& number, Number* out) {
  if (!number) return E_FAIL;
  *out = static_cast<Number>(*number);
  return S_OK;
}

// A port object comes back as the harness object of its kind.
template <typename Port, typename Interface>
HRESULT Out(std::shared_ptr<Port> port, Interface** out) {
  if (port) {
    Interface* object = new Object<Port>(std::move(port));
    object->AddRef();
    *out = object;
  }
  return S_OK;
}

// A read: `*out` cleared, then set from what `read` gives. What the port
// throws is the call's status.
template <typename T, typename Read>
HRESULT Answer(T* out, Read&& read) {
  if (out == nullptr) return E_POINTER;
  *out = {};
  return GuardHResult([&] { return Out(read(), out); });
}

// A write or a method: the port's status, S_OK when it gives none.
template <typename Run>
HRESULT Perform(Run&& run) {
  return GuardHResult([&] {
    if constexpr (std::is_void_v<decltype(run())>) {
      run();
      return S_OK;
    } else {
      return run();
    }
  });
}

// Item(Index) of Outlook's collections: a number counts from 1.
template <typename Port, typename Interface>
HRESULT ItemOf(Port& port, VARIANT index, Interface** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  VARIANT number;
  VariantInit(&number);
  const HRESULT hr = VariantChangeType(&number, &index, 0, VT_I4);
  if (FAILED(hr)) return hr;
  return Answer(out, [&] { return port.Item(number.lVal); });
}

// A member of Outlook's that the simulator does not model.
constexpr HRESULT kNotModelled = E_NOTIMPL;

// The object of dual interface `Dual` over its port.
template <typename Dual, typename Port, typename... Extra>
class PortObject : public DualObject<Dual, Extra...> {
 protected:
  PortObject(const char* kind, std::shared_ptr<Port> port)
      : DualObject<Dual, Extra...>(kind), m_port(std::move(port)) {}
  Port& port() { return *m_port; }

 private:
  std::shared_ptr<Port> m_port;
};

// --- The kinds ----------------------------------------------------------------

// An Exchange user and a contact item share the members that name a person.
template <typename Dual, typename Port>
class PersonObject : public PortObject<Dual, Port> {
 public:
  STDMETHODIMP get_FirstName(BSTR* value) override {
    return Answer(value, [&] { return this->port().FirstName(); });
  }
  STDMETHODIMP put_FirstName(BSTR) override { return kNotModelled; }
  STDMETHODIMP get_LastName(BSTR* value) override {
    return Answer(value, [&] { return this->port().LastName(); });
  }
  STDMETHODIMP put_LastName(BSTR) override { return kNotModelled; }
  STDMETHODIMP get_CompanyName(BSTR* value) override {
    return Answer(value, [&] { return this->port().CompanyName(); });
  }
  STDMETHODIMP put_CompanyName(BSTR) override { return kNotModelled; }

 protected:
  using PortObject<Dual, Port>::PortObject;
};

template <>
class Object<outlook::Account> final : public PortObject<_Account, outlook::Account> {
 public:
  explicit Object(std::shared_ptr<outlook::Account> port)
      : PortObject("Account", std::move(port)) {}

  STDMETHODIMP get_UserName(BSTR* value) override {
    return Answer(value, [&] { return port().UserName(); });
  }
  STDMETHODIMP get_SmtpAddress(BSTR* value) override {
    return Answer(value, [&] { return port().SmtpAddress(); });
  }
};

template <>
class Object<outlook::Recipient> final : public PortObject<Recipient, outlook::Recipient> {
 public:
  explicit Object(std::shared_ptr<outlook::Recipient> port)
      : PortObject("Recipient", std::move(port)) {}

  STDMETHODIMP get_Address(BSTR* value) override {
    return Answer(value, [&] { return port().Address(); });
  }
  STDMETHODIMP get_Name(BSTR* value) override {
    return Answer(value, [&] { return port().Name(); });
  }
  STDMETHODIMP get_Type(LONG* value) override {
    return Answer(value, [&] { return port().Type(); });
  }
  STDMETHODIMP put_Type(LONG) override { return kNotModelled; }
  STDMETHODIMP get_AddressEntry(::AddressEntry** value) override {
    return Answer(value, [&] { return port().AddressEntry(); });
  }
};

template <>
class Object<outlook::Recipients> final : public PortObject<Recipients, outlook::Recipients> {
 public:
  explicit Object(std::shared_ptr<outlook::Recipients> port)
      : PortObject("Recipients", std::move(port)) {}

  STDMETHODIMP get_Count(LONG* value) override {
    return Answer(value, [&] { return port().Count(); });
  }
  STDMETHODIMP Item(VARIANT index, Recipient** value) override {
    return ItemOf(port(), index, value);
  }
};

template <>
class Object<outlook::MailItem> final : public PortObject<_MailItem, outlook::MailItem> {
 public:
  explicit Object(std::shared_ptr<outlook::MailItem> port)
      : PortObject("MailItem", std::move(port)) {}

  STDMETHODIMP get_Subject(BSTR* value) override {
    return Answer(value, [&] { return port().Subject(); });
  }
  STDMETHODIMP put_Subject(BSTR value) override {
    return Perform([&] { port().SetSubject(In(value)); });
  }
  STDMETHODIMP get_Body(BSTR*) override { return kNotModelled; }
  STDMETHODIMP put_Body(BSTR value) override {
    return Perform([&] { port().SetBody(In(value)); });
  }
  STDMETHODIMP get_HTMLBody(BSTR* value) override {
    return Answer(value, [&] { return port().HTMLBody(); });
  }
  STDMETHODIMP put_HTMLBody(BSTR value) override {
    return Perform([&] { port().SetHTMLBody(In(value)); });
  }
  STDMETHODIMP get_BodyFormat(OlBodyFormat*) override { return kNotModelled; }
  STDMETHODIMP put_BodyFormat(OlBodyFormat value) override {
    return Perform([&] { port().SetBodyFormat(value); });
  }
  STDMETHODIMP get_To(BSTR* value) override {
    return Answer(value, [&] { return port().To(); });
  }
  STDMETHODIMP put_To(BSTR value) override {
    return Perform([&] { return port().SetTo(In(value)); });
  }
  STDMETHODIMP get_CC(BSTR* value) override {
    return Answer(value, [&] { return port().CC(); });
  }
  STDMETHODIMP put_CC(BSTR value) override {
    return Perform([&] { return port().SetCC(In(value)); });
  }
  STDMETHODIMP get_BCC(BSTR* value) override {
    return Answer(value, [&] { return port().BCC(); });
  }
  STDMETHODIMP put_BCC(BSTR value) override {
    return Perform([&] { return port().SetBCC(In(value)); });
  }
  STDMETHODIMP get_Recipients(::Recipients** value) override {
    return Answer(value, [&] { return port().Recipients(); });
  }
  STDMETHODIMP get_SendUsingAccount(_Account** value) override {
    return Answer(value, [&] { return port().SendUsingAccount(); });
  }
  STDMETHODIMP put_SendUsingAccount(_Account*) override { return kNotModelled; }
  STDMETHODIMP Copy(IDispatch** value) override {
    return Answer(value, [&] { return port().Copy(); });
  }
  STDMETHODIMP Save() override {
    return Perform([&] { port().Save(); });
  }
  STDMETHODIMP Send() override {
    return Perform([&] { return port().Send(); });
  }
  STDMETHODIMP Close(OlInspectorClose mode) override {
    return Perform([&] { return port().Close(mode); });
  }
  STDMETHODIMP Delete() override {
    return Perform([&] { return port().Delete(); });
  }
};

template <>
class Object<outlook::ExchangeUser> final
    : public PersonObject<_ExchangeUser, outlook::ExchangeUser> {
 public:
  explicit Object(std::shared_ptr<outlook::ExchangeUser> port)
      : PersonObject("ExchangeUser", std::move(port)) {}

  STDMETHODIMP get_PrimarySmtpAddress(BSTR* value) override {
    return Answer(value, [&] { return port().PrimarySmtpAddress(); });
  }
};

template <>
class Object<outlook::ContactItem> final : public PersonObject<_ContactItem, outlook::ContactItem> {
 public:
  explicit Object(std::shared_ptr<outlook::ContactItem> port)
      : PersonObject("ContactItem", std::move(port)) {}

  STDMETHODIMP get_Email1Address(BSTR* value) override {
    return Answer(value, [&] { return port().Email1Address(); });
  }
  STDMETHODIMP put_Email1Address(BSTR) override { return kNotModelled; }
};

template <>
class Object<outlook::ExchangeDistributionList> final
    : public PortObject<_ExchangeDistributionList, outlook::ExchangeDistributionList> {
 public:
  explicit Object(std::shared_ptr<outlook::ExchangeDistributionList> port)
      : PortObject("ExchangeDistributionList", std::move(port)) {}

  STDMETHODIMP GetExchangeDistributionListMembers(::AddressEntries** value) override {
    return Answer(value, [&] { return port().GetExchangeDistributionListMembers(); });
  }
};

template <>
class Object<outlook::AddressEntry> final : public PortObject<AddressEntry, outlook::AddressEntry> {
 public:
  explicit Object(std::shared_ptr<outlook::AddressEntry> port)
      : PortObject("AddressEntry", std::move(port)) {}

  STDMETHODIMP get_Address(BSTR* value) override {
    return Answer(value, [&] { return port().Address(); });
  }
  STDMETHODIMP put_Address(BSTR) override { return kNotModelled; }
  STDMETHODIMP get_Name(BSTR* value) override {
    return Answer(value, [&] { return port().Name(); });
  }
  STDMETHODIMP put_Name(BSTR) override { return kNotModelled; }
  STDMETHODIMP get_AddressEntryUserType(OlAddressEntryUserType* value) override {
    return Answer(value, [&] { return port().AddressEntryUserType(); });
  }
  STDMETHODIMP get_Members(::AddressEntries** value) override {
    return Answer(value, [&] { return port().Members(); });
  }
  STDMETHODIMP GetContact(_ContactItem** value) override {
    return Answer(value, [&] { return port().GetContact(); });
  }
  STDMETHODIMP GetExchangeUser(_ExchangeUser** value) override {
    return Answer(value, [&] { return port().GetExchangeUser(); });
  }
  STDMETHODIMP GetExchangeDistributionList(_ExchangeDistributionList** value) override {
    return Answer(value, [&] { return port().GetExchangeDistributionList(); });
  }
};

template <>
class Object<outlook::AddressEntries> final
    : public PortObject<AddressEntries, outlook::AddressEntries> {
 public:
  explicit Object(std::shared_ptr<outlook::AddressEntries> port)
      : PortObject("AddressEntries", std::move(port)) {}

  STDMETHODIMP get_Count(LONG* value) override {
    return Answer(value, [&] { return port().Count(); });
  }
  STDMETHODIMP Item(VARIANT index, ::AddressEntry** value) override {
    return ItemOf(port(), index, value);
  }
};

template <>
class Object<outlook::AddressList> final : public PortObject<AddressList, outlook::AddressList> {
 public:
  explicit Object(std::shared_ptr<outlook::AddressList> port)
      : PortObject("AddressList", std::move(port)) {}

  STDMETHODIMP get_AddressListType(OlAddressListType* value) override {
    return Answer(value, [&] { return port().AddressListType(); });
  }
  STDMETHODIMP get_AddressEntries(::AddressEntries** value) override {
    return Answer(value, [&] { return port().AddressEntries(); });
  }
};

template <>
class Object<outlook::AddressLists> final : public PortObject<AddressLists, outlook::AddressLists> {
 public:
  explicit Object(std::shared_ptr<outlook::AddressLists> port)
      : PortObject("AddressLists", std::move(port)) {}

  STDMETHODIMP get_Count(LONG* value) override {
    return Answer(value, [&] { return port().Count(); });
  }
  STDMETHODIMP Item(VARIANT index, AddressList** value) override {
    return ItemOf(port(), index, value);
  }
};

template <>
class Object<outlook::NameSpace> final : public PortObject<_NameSpace, outlook::NameSpace> {
 public:
  explicit Object(std::shared_ptr<outlook::NameSpace> port)
      : PortObject("NameSpace", std::move(port)) {}

  STDMETHODIMP get_CurrentUser(Recipient** value) override {
    return Answer(value, [&] { return port().CurrentUser(); });
  }
  STDMETHODIMP get_AddressLists(::AddressLists** value) override {
    return Answer(value, [&] { return port().AddressLists(); });
  }
  // An MAPI step: its status is the call's, with or without an object.
  STDMETHODIMP get_MAPIOBJECT(IUnknown** value) override {
    if (value == nullptr) return E_POINTER;
    *value = nullptr;
    return GuardHResult([&] {
      std::shared_ptr<outlook::MapiObject> object;
      const HRESULT hr = port().MAPIOBJECT(object);
      if (SUCCEEDED(hr) && object) *value = NewMapiObject(std::move(object)).Detach();
      return hr;
    });
  }
};

// The compose window. Its window handle is the harness's real window; the
// simulator decides (and counts) whether GetWindow gives it.
class InspectorObject final : public PortObject<_Inspector, outlook::Inspector, IOleWindow> {
 public:
  InspectorObject(std::shared_ptr<outlook::Inspector> port, HWND window)
      : PortObject("Inspector", std::move(port)), m_window(window) {}

  STDMETHODIMP get_CurrentItem(IDispatch** value) override {
    return Answer(value, [&] { return port().CurrentMailItem(); });
  }
  STDMETHODIMP Close(OlInspectorClose mode) override {
    return Perform([&] { return port().Close(mode); });
  }

  STDMETHODIMP GetWindow(HWND* window) override {
    if (window == nullptr) return E_POINTER;
    *window = nullptr;
    return GuardHResult([&] {
      if (port().Window() == platform::kNoWindow) return E_FAIL;
      *window = m_window;
      return S_OK;
    });
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

 private:
  void* FindExtra(REFIID riid) override {
    return riid == IID_IOleWindow ? static_cast<IOleWindow*>(this) : nullptr;
  }
  HWND m_window;
};

// Outlook's Application: the simulator's, plus what its port does not model
// (the explorer, and the inspector's real window).
class ApplicationObject final : public PortObject<_Application, outlook::Application> {
 public:
  ApplicationObject(std::shared_ptr<outlook::Application> port, HWND inspector_window,
                    ComPtr<_Explorer> explorer)
      : PortObject("Application", std::move(port)),
        m_inspectorWindow(inspector_window),
        m_spExplorer(std::move(explorer)) {}

  STDMETHODIMP get_Session(_NameSpace** value) override {
    return Answer(value, [&] { return port().Session(); });
  }
  STDMETHODIMP get_Version(BSTR* value) override {
    return Answer(value, [&] { return port().Version(); });
  }
  STDMETHODIMP ActiveInspector(_Inspector** value) override {
    if (value == nullptr) return E_POINTER;
    *value = nullptr;
    return GuardHResult([&] {
      if (std::shared_ptr<outlook::Inspector> inspector = port().ActiveInspector()) {
        ComPtr<_Inspector> spInspector =
            new InspectorObject(std::move(inspector), m_inspectorWindow);
        *value = spInspector.Detach();
      }
      return S_OK;
    });
  }
  // Not an object-model call of the simulator: it is not counted.
  STDMETHODIMP ActiveExplorer(_Explorer** value) override {
    if (value == nullptr) return E_POINTER;
    return m_spExplorer.CopyTo(value);
  }

 private:
  HWND m_inspectorWindow;
  ComPtr<_Explorer> m_spExplorer;
};

}  // namespace

ComPtr<_Application> NewApplication(std::shared_ptr<outlook::Application> app,
                                    HWND inspector_window, ComPtr<_Explorer> explorer) {
  return new ApplicationObject(std::move(app), inspector_window, std::move(explorer));
}

ComPtr<_MailItem> NewMailItem(std::shared_ptr<outlook::MailItem> item) {
  return new Object<outlook::MailItem>(std::move(item));
}

}  // namespace norvale::sim
