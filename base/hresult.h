// Status codes shared by the portable core and the Windows edge.
#pragma once

#include <cstdint>
#include <exception>

#if defined(_WIN32)
// winerror.h alone lacks the HRESULT type in MinGW's headers.
#include <windows.h>
#else
using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFF);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110);
inline constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009);
#endif

// MAPI codes; mapicode.h declares them as macros on Windows.
#if !defined(MAPI_E_NOT_FOUND)
inline constexpr HRESULT MAPI_E_NOT_FOUND = static_cast<HRESULT>(0x8004010F);
#endif
#if !defined(MAPI_E_NOT_INITIALIZED)
inline constexpr HRESULT MAPI_E_NOT_INITIALIZED = static_cast<HRESULT>(0x80040605);
#endif

namespace norvale {

constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool Failed(HRESULT hr) { return hr < 0; }

// A failure that ends the current stage of a run; carries the status to report.
class HResultError : public std::exception {
 public:
  explicit HResultError(HRESULT hr) noexcept : hr_(hr) {}
  HRESULT code() const noexcept { return hr_; }
  const char* what() const noexcept override { return "operation failed with an HRESULT"; }

 private:
  HRESULT hr_;
};

}  // namespace norvale
