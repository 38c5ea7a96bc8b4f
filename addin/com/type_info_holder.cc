#include "addin/com/type_info_holder.h"

#include <oleauto.h>
#include <wrl/client.h>

namespace norvale::win {

TypeInfoHolder::~TypeInfoHolder() {
  if (m_pTypeInfo != nullptr) m_pTypeInfo->Release();
}

HRESULT TypeInfoHolder::Get(ITypeInfo** ppTypeInfo) {
  if (ITypeInfo* pTypeInfo = m_pTypeInfo) {
    *ppTypeInfo = pTypeInfo;
    return S_OK;
  }
  Microsoft::WRL::ComPtr<ITypeLib> spTypeLib;
  HRESULT hr = LoadRegTypeLib(m_libid, m_wMajor, m_wMinor, LOCALE_NEUTRAL, &spTypeLib);
  if (FAILED(hr)) return hr;
  ITypeInfo* pLoaded = nullptr;
  hr = spTypeLib->GetTypeInfoOfGuid(m_iid, &pLoaded);
  if (FAILED(hr)) return hr;
  // Apartments that race here agree on the first one published.
  void* previous = InterlockedCompareExchangePointer(
      reinterpret_cast<void* volatile*>(&m_pTypeInfo), pLoaded, nullptr);
  if (previous != nullptr) {
    pLoaded->Release();
    pLoaded = static_cast<ITypeInfo*>(previous);
  }
  *ppTypeInfo = pLoaded;
  return S_OK;
}

HRESULT TypeInfoHolder::GetTypeInfoCount(UINT* pctinfo) {
  if (pctinfo == nullptr) return E_POINTER;
  *pctinfo = 1;
  return S_OK;
}

HRESULT TypeInfoHolder::GetTypeInfo(UINT iTInfo, ITypeInfo** ppTInfo) {
  if (ppTInfo == nullptr) return E_POINTER;
  *ppTInfo = nullptr;
  if (iTInfo != 0) return DISP_E_BADINDEX;
  HRESULT hr = Get(ppTInfo);
  if (SUCCEEDED(hr)) (*ppTInfo)->AddRef();
  return hr;
}

HRESULT TypeInfoHolder::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames,
                                      DISPID* rgDispId) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  ITypeInfo* pTypeInfo = nullptr;
  HRESULT hr = Get(&pTypeInfo);
  return FAILED(hr) ? hr : DispGetIDsOfNames(pTypeInfo, rgszNames, cNames, rgDispId);
}

HRESULT TypeInfoHolder::Invoke(IDispatch* self, DISPID dispIdMember, REFIID riid, WORD wFlags,
                               DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                               UINT* puArgErr) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  ITypeInfo* pTypeInfo = nullptr;
  HRESULT hr = Get(&pTypeInfo);
  return FAILED(hr) ? hr
                    : DispInvoke(self, pTypeInfo, dispIdMember, wFlags, pDispParams, pVarResult,
                                 pExcepInfo, puArgErr);
}

}  // namespace norvale::win
