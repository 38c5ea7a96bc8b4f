// The DLL's table of creatable classes and their cached class factories.
#pragma once

#include <windows.h>

#include <unknwn.h>

namespace norvale::win {

// Creates an object of a class: plain, or aggregated by `outer`; asks it for
// `riid` and releases it again when that fails.
using CreateInstanceFn = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);

// Applies (or reverses) a class's registry script.
using UpdateRegistryFn = HRESULT (*)(bool bRegister);

// The class factory of `rclsid`, asked for `riid`: created at the first
// request and kept until the DLL unloads. CLASS_E_CLASSNOTAVAILABLE for a
// class that is not in the table.
HRESULT ClassTableGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);

// Applies (reverses) every class's registry script; stops at the first failure.
HRESULT ClassTableUpdateRegistry(bool bRegister);

// Drops the cached factories; for the DLL's unloading.
void ClassTableReleaseFactories();

}  // namespace norvale::win
