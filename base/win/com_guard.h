// Keeps exceptions from crossing a COM boundary.
#pragma once

#include <windows.h>

#include <new>
#include <utility>

#include "base/hresult.h"

namespace norvale::win {

// Throws HResultError(E_OUTOFMEMORY) when `hr` is E_OUTOFMEMORY: the run
// cannot go on. Returns `hr` otherwise.
inline HRESULT ThrowIfOutOfMemory(HRESULT hr) {
  if (hr == E_OUTOFMEMORY) throw HResultError(E_OUTOFMEMORY);
  return hr;
}

// Runs `body` (returning an HRESULT) and maps whatever it throws to an
// HRESULT: std::bad_alloc to E_OUTOFMEMORY, norvale::HResultError to its code,
// anything else to E_FAIL.
template <typename Body>
HRESULT GuardHResult(Body&& body) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const norvale::HResultError& error) {
    return error.code();
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace norvale::win
