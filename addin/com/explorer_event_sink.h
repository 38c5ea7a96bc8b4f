// One sink on the explorer's ExplorerEvents_10 dispinterface: it turns the
// events of its rows in the event table into calls on the add-in's core.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include "addin/norvale_addin.h"

namespace norvale::win {

// Handed to the explorer's connection point only (QueryInterface on the
// add-in object does not reach it); it counts on `owner`, so an attached sink
// keeps the add-in object alive.
class ExplorerEventSink final : public IDispatch {
 public:
  // `sink`: the sink's number in the event table. `owner` and `core` outlive
  // the sink.
  ExplorerEventSink(IUnknown& owner, ::norvale::CNorvaleOAddin& core, int sink)
      : m_owner(owner), m_core(core), m_nSink(sink) {}
  ExplorerEventSink(const ExplorerEventSink&) = delete;
  ExplorerEventSink& operator=(const ExplorerEventSink&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
  STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                             DISPID* rgDispId) override;
  // Checks the event's arguments against its row: DISP_E_BADPARAMCOUNT for
  // another count, DISP_E_TYPEMISMATCH (with *puArgErr) for an argument that
  // is not of the row's type. Events without a row of this sink are accepted.
  STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                      DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                      UINT* puArgErr) override;

  // Attaches to (detaches from) the explorer's event connection point;
  // failures leave the sink detached.
  void Advise(IDispatch* explorer);
  void Unadvise(IDispatch* explorer);

 private:
  IUnknown& m_owner;
  ::norvale::CNorvaleOAddin& m_core;
  int m_nSink;
  DWORD m_dwCookie = 0;  // 0 while detached
};

}  // namespace norvale::win
