#include "addin/com/norvale_oaddin_com.h"

#include <ocidl.h>
#include <olectl.h>
#include <oleidl.h>

#include <string_view>
#include <utility>

#include "addin/com/helper_dialog_window.h"
#include "addin/com/type_info_holder.h"
#include "addin/explorer_events.h"
#include "addin/ribbon.h"
#include "base/win/bstr.h"
#include "base/win/com_guard.h"
#include "base/win/module.h"
#include "base/win/scoped_variant.h"
#include "base/win/unique_handle.h"
#include "outlook/com/com_outlook.h"
#include "outlook/com/dispatch.h"
#include "outlook/com/outlook_iids.h"
#include "resource.h"

namespace norvale::win {
namespace {

using Microsoft::WRL::ComPtr;

static_assert(kComposeRibbonDocument == IDR_RIBBON_COMPOSE);
static_assert(kExplorerRibbonDocument == IDR_RIBBON_EXPLORER);

// The type libraries of the three dual interfaces: the add-in's own, and the
// Add-in Designer and Office libraries that come with Office.
constexpr GUID kLibidAddInDesigner = {
    0xAC0714F2, 0x3D04, 0x11D1, {0xAE, 0x7D, 0x00, 0xA0, 0xC9, 0x0F, 0x26, 0xF4}};
constexpr GUID kLibidOffice = {
    0x2DF8D04C, 0x5BFA, 0x101B, {0xBD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0xDE, 0x52}};

TypeInfoHolder g_addinTypeInfo(LIBID_NorvaleOlkAddinLib, 1, 0, IID_INorvaleOAddin);
TypeInfoHolder g_extensibilityTypeInfo(kLibidAddInDesigner, 1, 0, com::IID_IDTExtensibility2);
TypeInfoHolder g_ribbonTypeInfo(kLibidOffice, 2, 4, com::IID_IRibbonExtensibility);

template <typename Interface>
TypeInfoHolder& TypeInfoOf();
template <>
TypeInfoHolder& TypeInfoOf<INorvaleOAddin>() {
  return g_addinTypeInfo;
}
template <>
TypeInfoHolder& TypeInfoOf<_IDTExtensibility2>() {
  return g_extensibilityTypeInfo;
}
template <>
TypeInfoHolder& TypeInfoOf<IRibbonExtensibility>() {
  return g_ribbonTypeInfo;
}

// The interfaces QueryInterface answers, in order of lookup; IUnknown is
// answered with the first, which is the object's identity.
struct InterfaceEntry {
  const IID* piid;
  void* (*cast)(CNorvaleOAddin* self);
};

template <typename Interface>
void* CastTo(CNorvaleOAddin* self) {
  return static_cast<Interface*>(self);
}

const InterfaceEntry kInterfaces[] = {
    {&IID_INorvaleOAddin, &CastTo<INorvaleOAddin>},
    {&IID_ISupportErrorInfo, &CastTo<ISupportErrorInfo>},
    {&IID_IDispatch, &CastTo<INorvaleOAddin>},
    {&com::IID_IDTExtensibility2, &CastTo<_IDTExtensibility2>},
    {&com::IID_IRibbonExtensibility, &CastTo<IRibbonExtensibility>},
};

// Outlook's active explorer, asked for _Explorer; null when any step fails.
ComPtr<IDispatch> ActiveExplorer(IDispatch* app) {
  ComPtr<IDispatch> spExplorer;
  // A method in Outlook's object model; called as a method or property, as
  // Visual Basic calls members without arguments.
  com::DispResult result = com::Invoke(app, com::Kind::kApplication, L"ActiveExplorer",
                                       DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  if (IUnknown* pObject = SUCCEEDED(result.hr) ? result.value.ToUnknown() : nullptr) {
    pObject->QueryInterface(com::IID_Outlook_Explorer,
                            reinterpret_cast<void**>(spExplorer.GetAddressOf()));
  }
  return spExplorer;
}

// The Id of the ribbon control `control`; empty when it is none.
UniqueBstr ControlId(IDispatch* control) {
  ComPtr<IRibbonControl> spControl;
  UniqueBstr bstrId;
  if (control != nullptr && SUCCEEDED(control->QueryInterface(IID_PPV_ARGS(&spControl)))) {
    spControl->get_Id(bstrId.put());
  }
  return bstrId;
}

// Ribbon document `id` (resource type "XML") as wide text, converted from
// the ANSI code page character by character; null when it cannot be read.
BSTR LoadRibbonXml(int id) {
  const HMODULE module = CurrentModule();
  if (module == nullptr) return nullptr;
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), L"XML");
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  const DWORD size = found != nullptr ? SizeofResource(module, found) : 0;
  const auto* bytes = loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (bytes == nullptr || size == 0) return nullptr;
  UniqueBstr xml(SysAllocStringLen(nullptr, size));
  if (!xml) return nullptr;
  const int length = static_cast<int>(size);
  if (MultiByteToWideChar(CP_ACP, 0, bytes, length, xml.get(), length) != length) return nullptr;
  return xml.release();
}

}  // namespace

template <typename Interface>
HRESULT DualInterface<Interface>::GetTypeInfoCount(UINT* pctinfo) {
  return GuardHResult([&] { return TypeInfoOf<Interface>().GetTypeInfoCount(pctinfo); });
}

template <typename Interface>
HRESULT DualInterface<Interface>::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
  return GuardHResult([&] { return TypeInfoOf<Interface>().GetTypeInfo(iTInfo, ppTInfo); });
}

template <typename Interface>
HRESULT DualInterface<Interface>::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                                                DISPID* rgDispId) {
  return GuardHResult(
      [&] { return TypeInfoOf<Interface>().GetIDsOfNames(riid, rgszNames, cNames, rgDispId); });
}

template <typename Interface>
HRESULT DualInterface<Interface>::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                                         DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                         EXCEPINFO* pExcepInfo, UINT* puArgErr) {
  return GuardHResult([&] {
    return TypeInfoOf<Interface>().Invoke(static_cast<Interface*>(this), dispIdMember, riid, wFlags,
                                          pDispParams, pVarResult, pExcepInfo, puArgErr);
  });
}

template class DualInterface<INorvaleOAddin>;
template class DualInterface<_IDTExtensibility2>;
template class DualInterface<IRibbonExtensibility>;

HRESULT CNorvaleOAddin::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  auto* object = new CNorvaleOAddin(outer);
  // Held once across the request, so a failed request destroys the object.
  object->m_inner.AddRef();
  const HRESULT hr = object->m_inner.QueryInterface(riid, ppv);
  object->m_inner.Release();
  return hr;
}

CNorvaleOAddin::CNorvaleOAddin(IUnknown* outer)
    : m_inner(*this),
      m_pControllingUnknown(outer != nullptr ? outer : &m_inner),
      m_core(m_desktop),
      m_inlineResponseCloseSink(*static_cast<INorvaleOAddin*>(this), m_core,
                                kInlineResponseCloseSink),
      m_inlineResponseSink(*static_cast<INorvaleOAddin*>(this), m_core, kInlineResponseSink) {
  LockModule();
}

CNorvaleOAddin::~CNorvaleOAddin() { UnlockModule(); }

HRESULT CNorvaleOAddin::InternalQueryInterface(REFIID riid, void** ppv) {
  const IID& wanted = riid == IID_IUnknown ? *kInterfaces[0].piid : riid;
  for (const InterfaceEntry& entry : kInterfaces) {
    if (*entry.piid == wanted) {
      *ppv = entry.cast(this);
      static_cast<IUnknown*>(*ppv)->AddRef();
      return S_OK;
    }
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

HRESULT CNorvaleOAddin::InnerUnknown::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  // Aggregated, the inner IUnknown is the outer object's handle on this one.
  if (riid == IID_IUnknown && m_owner.m_pControllingUnknown != this) {
    *ppv = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  return m_owner.InternalQueryInterface(riid, ppv);
}

ULONG CNorvaleOAddin::InnerUnknown::AddRef() { return ++m_owner.m_nRefCount; }

ULONG CNorvaleOAddin::InnerUnknown::Release() {
  const ULONG count = --m_owner.m_nRefCount;
  if (count == 0) delete &m_owner;
  return count;
}

HRESULT CNorvaleOAddin::QueryInterface(REFIID riid, void** ppv) {
  return m_pControllingUnknown->QueryInterface(riid, ppv);
}

ULONG CNorvaleOAddin::AddRef() { return m_pControllingUnknown->AddRef(); }

ULONG CNorvaleOAddin::Release() { return m_pControllingUnknown->Release(); }

HRESULT CNorvaleOAddin::InterfaceSupportsErrorInfo(REFIID riid) {
  return riid == IID_INorvaleOAddin ? S_OK : S_FALSE;
}

HRESULT CNorvaleOAddin::OnConnection(IDispatch* Application, ext_ConnectMode, IDispatch*,
                                     SAFEARRAY**) {
  return GuardHResult([&] {
    ComPtr<IDispatch> spApp;
    if (Application == nullptr ||
        FAILED(Application->QueryInterface(com::IID_Outlook_Application,
                                           reinterpret_cast<void**>(spApp.GetAddressOf())))) {
      return E_NOINTERFACE;
    }
    std::shared_ptr<outlook::Application> spOutlook = com::WrapApplication(spApp.Get());
    if (!spOutlook) return E_NOINTERFACE;

    // A second connection replaces the first one's event connections and window.
    Disconnect();
    m_spApp = std::move(spApp);
    m_spOutlook = spOutlook;
    m_spExplorer = ActiveExplorer(m_spApp.Get());
    m_core.SetApplication(std::move(spOutlook));
    // The inline response and its events exist from Outlook 2013 on.
    if (m_core.outlookLevel() >= 4) {
      m_inlineResponseCloseSink.Advise(m_spExplorer.Get());
      m_inlineResponseSink.Advise(m_spExplorer.Get());
    }
    // The hidden window is owned by the explorer's window.
    std::shared_ptr<outlook::Explorer> spExplorer = com::WrapExplorer(m_spExplorer.Get());
    const HWND hWndExplorer = spExplorer ? reinterpret_cast<HWND>(spExplorer->Window()) : nullptr;
    m_pHelperDlg = std::make_unique<HelperDialogWindow>(*m_pControllingUnknown, m_core, m_desktop,
                                                        hWndExplorer);
    m_core.ConnectInline(std::move(spExplorer), m_pHelperDlg->helper());
    return S_OK;
  });
}

HRESULT CNorvaleOAddin::OnDisconnection(ext_DisconnectMode, SAFEARRAY**) {
  return GuardHResult([&] {
    // Outlook's connection point would otherwise keep this object alive, and
    // the window must not outlive it.
    Disconnect();
    return S_OK;
  });
}

HRESULT CNorvaleOAddin::OnAddInsUpdate(SAFEARRAY**) { return E_NOTIMPL; }
HRESULT CNorvaleOAddin::OnStartupComplete(SAFEARRAY**) { return E_NOTIMPL; }
HRESULT CNorvaleOAddin::OnBeginShutdown(SAFEARRAY**) { return E_NOTIMPL; }

void CNorvaleOAddin::Disconnect() {
  m_inlineResponseCloseSink.Unadvise(m_spExplorer.Get());
  m_inlineResponseSink.Unadvise(m_spExplorer.Get());
  m_core.ConnectInline(nullptr, nullptr);
  m_pHelperDlg.reset();
}

HRESULT CNorvaleOAddin::GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) {
  return GuardHResult([&] {
    if (RibbonXml == nullptr) return E_POINTER;
    *RibbonXml = nullptr;
    if (const std::optional<int> document =
            RibbonDocumentFor(BstrView(RibbonID), m_core.outlookLevel())) {
      *RibbonXml = LoadRibbonXml(*document);
    }
    return S_OK;
  });
}

HRESULT CNorvaleOAddin::OnInitializeRibbon(IDispatch* pControl) {
  return GuardHResult([&] {
    m_core.SetRibbonUI(com::WrapRibbonUI(pControl));
    return S_OK;
  });
}

HRESULT CNorvaleOAddin::GetVisible(IDispatch* pControl, VARIANT_BOOL* pvarfEnabled) {
  return GuardHResult([&] {
    if (pvarfEnabled == nullptr) return E_POINTER;
    const UniqueBstr bstrId = ControlId(pControl);
    *pvarfEnabled = IsRibbonControlVisible(BstrView(bstrId.get()), m_core.inlineResponse())
                        ? VARIANT_TRUE
                        : VARIANT_FALSE;
    return S_OK;
  });
}

HRESULT CNorvaleOAddin::GetImage(IDispatch*, IDispatch** picture) {
  return GuardHResult([&] {
    if (picture == nullptr) return E_POINTER;
    *picture = nullptr;
    // The same picture for every button. LoadIcon's icon is shared by every
    // caller and must never be destroyed, so the picture owns a copy of its own.
    const HICON hShared = LoadIconW(CurrentModule(), MAKEINTRESOURCEW(IDI_SEND));
    UniqueHicon hIcon(hShared != nullptr ? CopyIcon(hShared) : nullptr);
    if (!hIcon) return S_OK;
    PICTDESC desc = {};
    desc.cbSizeofstruct = sizeof(desc);
    desc.picType = PICTYPE_ICON;
    desc.icon.hicon = hIcon.get();
    ComPtr<IPictureDisp> spPicture;
    if (SUCCEEDED(OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE,
                                           reinterpret_cast<void**>(spPicture.GetAddressOf())))) {
      hIcon.release();  // the picture destroys it now
      *picture = spPicture.Detach();
    }
    return S_OK;
  });
}

HRESULT CNorvaleOAddin::SendButton_Action(IDispatch*) {
  return GuardHResult([&] { return m_core.SendButton_Action(); });
}

HRESULT CNorvaleOAddin::SendInlineButton_Action(IDispatch*) {
  return GuardHResult([&] { return m_core.SendInlineButton_Action(); });
}

}  // namespace norvale::win
