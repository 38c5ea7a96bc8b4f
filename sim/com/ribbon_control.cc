#include "sim/com/ribbon_control.h"

#include <utility>

#include "sim/com/com_object.h"

namespace norvale::sim {
namespace {

class RibbonControlObject final : public DualObject<IRibbonControl> {
 public:
  explicit RibbonControlObject(std::wstring id)
      : DualObject("RibbonControl"), m_id(std::move(id)) {}

  STDMETHODIMP get_Id(BSTR* id) override { return Allocate(m_id.c_str(), id); }
  STDMETHODIMP get_Context(IDispatch** context) override {
    if (context == nullptr) return E_POINTER;
    *context = nullptr;
    return S_OK;
  }
  STDMETHODIMP get_Tag(BSTR* tag) override { return Allocate(L"", tag); }

 private:
  static HRESULT Allocate(const wchar_t* text, BSTR* out) {
    if (out == nullptr) return E_POINTER;
    *out = SysAllocString(text);
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
  }

  std::wstring m_id;
};

}  // namespace

Microsoft::WRL::ComPtr<IRibbonControl> NewRibbonControl(std::wstring id) {
  return new RibbonControlObject(std::move(id));
}

}  // namespace norvale::sim
