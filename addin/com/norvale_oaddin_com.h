// CNorvaleOAddin as a COM object: identity, lifetime, aggregation, the dual
// interface INorvaleOAddin whose IDispatch half Office calls the ribbon
// callbacks through, Office's connection and ribbon interfaces, and the
// explorer-event sinks. What the add-in decides lives in the portable
// norvale::CNorvaleOAddin it owns.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <wrl/client.h>

#include <memory>

#include "NorvaleOlkAddin.h"
#include "addin/com/explorer_event_sink.h"
#include "addin/norvale_addin.h"
#include "outlook/com/office.h"
#include "outlook/outlook.h"
#include "platform/win32/win32_desktop.h"

namespace norvale::win {

class HelperDialogWindow;

// The IDispatch half of the dual interface `Interface`, served from the
// registered type library that describes it.
template <typename Interface>
class DualInterface : public Interface {
 public:
  STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
  STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                             DISPID* rgDispId) override;
  STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                      DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                      UINT* puArgErr) override;
};

class CNorvaleOAddin final : public DualInterface<INorvaleOAddin>,
                             public ISupportErrorInfo,
                             public DualInterface<_IDTExtensibility2>,
                             public DualInterface<IRibbonExtensibility> {
 public:
  // The class table's creation function: a plain object, or with `outer` one
  // aggregated by it, asked for `riid`. The class factory has checked `ppv`
  // and that an aggregated object is asked for IUnknown.
  static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv);

  CNorvaleOAddin(const CNorvaleOAddin&) = delete;
  CNorvaleOAddin& operator=(const CNorvaleOAddin&) = delete;

  // IUnknown, delegating to the controlling unknown.
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // INorvaleOAddin: the ribbon callbacks.
  STDMETHODIMP OnInitializeRibbon(IDispatch* pControl) override;
  STDMETHODIMP SendButton_Action(IDispatch* RibbonControl) override;
  STDMETHODIMP GetImage(IDispatch* pControl, IDispatch** picture) override;
  STDMETHODIMP GetVisible(IDispatch* pControl, VARIANT_BOOL* pvarfEnabled) override;
  STDMETHODIMP SendInlineButton_Action(IDispatch* RibbonControl) override;

  // ISupportErrorInfo: S_OK for INorvaleOAddin only.
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

  // _IDTExtensibility2.
  STDMETHODIMP OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode,
                            IDispatch* AddInInst, SAFEARRAY** custom) override;
  STDMETHODIMP OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY** custom) override;
  STDMETHODIMP OnAddInsUpdate(SAFEARRAY** custom) override;
  STDMETHODIMP OnStartupComplete(SAFEARRAY** custom) override;
  STDMETHODIMP OnBeginShutdown(SAFEARRAY** custom) override;

  // IRibbonExtensibility.
  STDMETHODIMP GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) override;

 private:
  // The object's own IUnknown: its reference count and interface table. An
  // aggregating object holds this one; otherwise every interface delegates
  // to it.
  class InnerUnknown final : public IUnknown {
   public:
    explicit InnerUnknown(CNorvaleOAddin& owner) : m_owner(owner) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

   private:
    CNorvaleOAddin& m_owner;
  };

  explicit CNorvaleOAddin(IUnknown* outer);
  ~CNorvaleOAddin();

  // Looks `riid` up in the interface table; IUnknown is the first entry's.
  HRESULT InternalQueryInterface(REFIID riid, void** ppv);

  // Drops the event connections and the hidden window of a connection.
  void Disconnect();

  InnerUnknown m_inner;
  IUnknown* m_pControllingUnknown;  // the aggregating object, or &m_inner
  ULONG m_nRefCount = 0;            // plain: the object lives in one apartment

  platform::Win32Desktop m_desktop;
  ::norvale::CNorvaleOAddin m_core;                   // holds m_desktop
  std::shared_ptr<outlook::Application> m_spOutlook;  // the object model over m_spApp
  ExplorerEventSink m_inlineResponseCloseSink;        // both on m_core
  ExplorerEventSink m_inlineResponseSink;

  // Released from the bottom up on destruction.
  Microsoft::WRL::ComPtr<IDispatch> m_spApp;       // Outlook's _Application
  Microsoft::WRL::ComPtr<IDispatch> m_spExplorer;  // _Explorer active at connection
  std::unique_ptr<HelperDialogWindow> m_pHelperDlg;
};

}  // namespace norvale::win
