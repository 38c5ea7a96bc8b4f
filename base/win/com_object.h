// The IUnknown of a COM object written by hand: one reference count, and
// QueryInterface from the object's table of interfaces.
#pragma once

#include <windows.h>

#include <unknwn.h>

#include <initializer_list>

namespace norvale::win {

// One row of an object's interface table: an interface id and the object's
// pointer for it.
struct InterfaceRow {
  const IID& iid;
  void* pointer;
};

// The pointer of the row for `riid`; IUnknown is the first row's, the
// object's identity. Null when no row has it.
inline void* FindInterface(REFIID riid, std::initializer_list<InterfaceRow> rows) {
  if (riid == IID_IUnknown && rows.size() != 0) return rows.begin()->pointer;
  for (const InterfaceRow& row : rows) {
    if (row.iid == riid) return row.pointer;
  }
  return nullptr;
}

// IUnknown over `Interfaces`, each of which derives from it. The count is
// plain: the objects live in one apartment.
template <typename... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = Find(riid);
    if (*ppv == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --m_refs;
    if (left == 0) OnFinalRelease();
    return left;
  }

  ULONG refs() const { return m_refs; }

 protected:
  // `refs`: the references its creator holds, 0 for an object handed out
  // through QueryInterface.
  explicit ComObject(ULONG refs = 0) : m_refs(refs) {}
  virtual ~ComObject() = default;

  // The interface pointer that answers `riid` (FindInterface over the
  // object's table), or null.
  virtual void* Find(REFIID riid) = 0;

  // The last reference went: deletes the object. An object that its owner
  // keeps (a test's fake) says otherwise.
  virtual void OnFinalRelease() { delete this; }

 private:
  ULONG m_refs;
};

}  // namespace norvale::win
