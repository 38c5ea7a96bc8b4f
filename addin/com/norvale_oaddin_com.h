// CNorvaleOAddin as a COM object: identity, lifetime, aggregation, and the
// dual interface INorvaleOAddin whose IDispatch half Office calls the ribbon
// callbacks through.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include "NorvaleOlkAddin.h"

namespace norvale::win {

class CNorvaleOAddin final : public INorvaleOAddin, public ISupportErrorInfo {
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

  // IDispatch, from the registered type library.
  STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
  STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                             DISPID* rgDispId) override;
  STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                      DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                      UINT* puArgErr) override;

  // INorvaleOAddin: the ribbon callbacks.
  STDMETHODIMP OnInitializeRibbon(IDispatch* pControl) override;
  STDMETHODIMP SendButton_Action(IDispatch* RibbonControl) override;
  STDMETHODIMP GetImage(IDispatch* pControl, IDispatch** picture) override;
  STDMETHODIMP GetVisible(IDispatch* pControl, VARIANT_BOOL* pvarfEnabled) override;
  STDMETHODIMP SendInlineButton_Action(IDispatch* RibbonControl) override;

  // ISupportErrorInfo: S_OK for INorvaleOAddin only.
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

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

  InnerUnknown m_inner;
  IUnknown* m_pControllingUnknown;  // the aggregating object, or &m_inner
  ULONG m_nRefCount = 0;            // plain: the object lives in one apartment
};

}  // namespace norvale::win
