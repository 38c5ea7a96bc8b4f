// Owning wrappers for the plain Windows handles that COM's smart pointers do
// not cover: each closes its handle exactly once.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <utility>

namespace norvale::win {

// Owns one value of type T and frees it with Close; T{} means "none".
template <typename T, auto Close>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(T value) : m_value(value) {}
  UniqueHandle(UniqueHandle&& other) noexcept : m_value(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  T get() const { return m_value; }
  explicit operator bool() const { return m_value != T{}; }

  // Frees the current value and returns the slot for an out parameter.
  T* put() {
    reset();
    return &m_value;
  }

  T release() { return std::exchange(m_value, T{}); }

  void reset(T value = T{}) {
    if (m_value != T{}) Close(m_value);
    m_value = value;
  }

 private:
  T m_value{};
};

using UniqueBstr = UniqueHandle<BSTR, &SysFreeString>;
using UniqueHicon = UniqueHandle<HICON, &DestroyIcon>;
using UniqueHkey = UniqueHandle<HKEY, &RegCloseKey>;
using UniqueHwnd = UniqueHandle<HWND, &DestroyWindow>;
using UniqueModule = UniqueHandle<HMODULE, &FreeLibrary>;

// Sets `fn` to the function that `module` exports as `name`, typed as Fn;
// false (and null) when it exports none.
template <typename Fn>
bool ResolveExport(HMODULE module, const char* name, Fn*& fn) {
  fn = reinterpret_cast<Fn*>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return fn != nullptr;
}

}  // namespace norvale::win
