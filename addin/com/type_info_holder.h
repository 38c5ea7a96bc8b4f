// IDispatch served from a registered type library, for dual interfaces.
#pragma once

#include <windows.h>

#include <oaidl.h>

namespace norvale::win {

// The ITypeInfo of one dual interface, looked up by LIBID and version in the
// registry at the first call that needs it and kept for the DLL's lifetime.
// A failed lookup is not kept, so a later registration still takes effect.
class TypeInfoHolder {
 public:
  TypeInfoHolder(const GUID& libid, WORD wMajor, WORD wMinor, const IID& iid)
      : m_libid(libid), m_wMajor(wMajor), m_wMinor(wMinor), m_iid(iid) {}
  TypeInfoHolder(const TypeInfoHolder&) = delete;
  TypeInfoHolder& operator=(const TypeInfoHolder&) = delete;
  ~TypeInfoHolder();

  // IDispatch of an object; `self` is its interface that the type information
  // describes.
  HRESULT GetTypeInfoCount(UINT* pctinfo);
  HRESULT GetTypeInfo(UINT iTInfo, ITypeInfo** ppTInfo);
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, DISPID* rgDispId);
  HRESULT Invoke(IDispatch* self, DISPID dispIdMember, REFIID riid, WORD wFlags,
                 DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                 UINT* puArgErr);

 private:
  // The type information, loaded on first use; not AddRef'ed for the caller.
  HRESULT Get(ITypeInfo** ppTypeInfo);

  const GUID& m_libid;
  WORD m_wMajor;
  WORD m_wMinor;
  const IID& m_iid;
  ITypeInfo* volatile m_pTypeInfo = nullptr;
};

}  // namespace norvale::win
