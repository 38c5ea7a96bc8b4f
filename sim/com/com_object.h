// The harness's COM objects: reference counting that a test can inspect, and
// IDispatch served from the harness's copy of Outlook's type library over an
// object's dual vtable, so that names, DISPIDs, invoke kinds, argument counts
// and argument types are checked by the system's dispatch, as in Outlook.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <oleauto.h>

#include <set>

#include "base/win/com_object.h"

namespace norvale::sim {

// The type information of interface `iid` in the harness's type library; for
// a dual interface, that of its vtable, which DispInvoke calls through. Null
// when the library does not declare `iid`. Not AddRef'ed: the library stays
// loaded for the life of the process.
ITypeInfo* TypeInfoOf(REFIID iid);

// Registry entry of one harness COM object, so that a test sees what is
// still alive after the add-in let go.
class Counted {
 public:
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;

  static std::set<const Counted*>& Live();
  const char* kind() const { return m_kind; }
  virtual ULONG refs() const = 0;

 protected:
  explicit Counted(const char* kind) : m_kind(kind) { Live().insert(this); }
  virtual ~Counted() { Live().erase(this); }

 private:
  const char* m_kind;
};

// A harness object over the interfaces `Interfaces`, which Find picks from;
// it deletes itself at its last Release.
template <typename... Interfaces>
class ComObject : public Counted, public win::ComObject<Interfaces...> {
 public:
  ULONG refs() const override { return win::ComObject<Interfaces...>::refs(); }

 protected:
  explicit ComObject(const char* kind) : Counted(kind) {}
};

// An object whose IDispatch is its dual interface `Dual` as the type library
// declares it. It answers IUnknown, IDispatch and Dual's own interface id, and
// whatever FindExtra adds.
template <typename Dual, typename... Extra>
class DualObject : public ComObject<Dual, Extra...> {
 public:
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    *info = TypeInfoOf(__uuidof(Dual));
    (*info)->AddRef();
    return S_OK;
  }
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return DispGetIDsOfNames(TypeInfoOf(__uuidof(Dual)), names, count, ids);
  }
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* arg_error) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return DispInvoke(static_cast<Dual*>(this), TypeInfoOf(__uuidof(Dual)), id, flags, params,
                      result, exception, arg_error);
  }

 protected:
  explicit DualObject(const char* kind) : ComObject<Dual, Extra...>(kind) {}

  void* Find(REFIID riid) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(Dual)) {
      return static_cast<Dual*>(this);
    }
    return FindExtra(riid);
  }
  virtual void* FindExtra(REFIID) { return nullptr; }
};

}  // namespace norvale::sim
