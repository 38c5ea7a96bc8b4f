// What the Windows tests' hand-written COM fakes share: one reference count
// and interface table (base/win's), and a loud failure on any call a fake
// does not expect, as Wine's tests have.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <gtest/gtest.h>

#include "base/win/com_object.h"

namespace norvale::win::tests {

// Fails the test on a call that a fake does not expect; E_NOTIMPL.
inline HRESULT UnexpectedCall(const char* member) {
  ADD_FAILURE() << "unexpected call to " << member;
  return E_NOTIMPL;
}

// A fake that the test keeps (on its stack or as a member): it starts with
// the test's own reference, and a Release that drops that one is a fault.
template <typename... Interfaces>
class OwnedFake : public ComObject<Interfaces...> {
 protected:
  OwnedFake() : ComObject<Interfaces...>(1) {}
  void OnFinalRelease() override { ADD_FAILURE() << "a fake lost the test's own reference"; }
};

// A fake whose first interface derives from IDispatch but is called through
// its vtable only: a call through IDispatch is unexpected.
template <typename Interface, typename... Rest>
class NoDispatch : public OwnedFake<Interface, Rest...> {
 public:
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return UnexpectedCall("GetTypeInfoCount"); }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override {
    return UnexpectedCall("GetTypeInfo");
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return UnexpectedCall("GetIDsOfNames");
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    return UnexpectedCall("Invoke");
  }
};

}  // namespace norvale::win::tests
