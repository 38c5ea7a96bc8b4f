#include "tools/norvale-sim/dll_send.h"

#include <windows.h>

#include <objbase.h>
#include <wrl/client.h>

#include <memory>
#include <sstream>

#include "NorvaleOlkAddin.h"
#include "base/text.h"
#include "base/win/unique_handle.h"
#include "sim/com/dll_run.h"
#include "sim/com/sim_mapi.h"
#include "sim/outlook/report.h"
#include "tools/norvale-sim/cli_support.h"

namespace norvale::sim {
namespace {

using Microsoft::WRL::ComPtr;

// COM on this thread, as Outlook's user-interface thread has it.
class ComApartment {
 public:
  ComApartment() : m_hr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(m_hr)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  HRESULT status() const { return m_hr; }

 private:
  HRESULT m_hr;
};

}  // namespace

nlohmann::ordered_json SendThroughDll(const Scenario& scenario, const std::string& path,
                                      std::string& leftovers) {
  const ComApartment apartment;
  if (FAILED(apartment.status())) {
    throw UsageError("cannot start COM: " + HresultText(apartment.status()));
  }
  // Outlook's MAPI, in place before the add-in first asks for mapi32.dll.
  std::unique_ptr<SimMapi32> mapi;
  if (const HRESULT hr = SimMapi32::Load(mapi); FAILED(hr)) {
    throw UsageError("cannot load the harness's mapi32.dll from norvale-sim's folder: " +
                     HresultText(hr));
  }
  const std::u16string widePath = ArgumentText(path, "the DLL path");
  win::UniqueModule dll(LoadLibraryW(reinterpret_cast<const wchar_t*>(widePath.c_str())));
  if (!dll) {
    throw UsageError("cannot load '" + path +
                     "': " + HresultText(HRESULT_FROM_WIN32(GetLastError())));
  }
  HRESULT(STDAPICALLTYPE * getClassObject)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT(STDAPICALLTYPE * canUnloadNow)() = nullptr;
  if (!win::ResolveExport(dll.get(), "DllGetClassObject", getClassObject) ||
      !win::ResolveExport(dll.get(), "DllCanUnloadNow", canUnloadNow)) {
    throw UsageError("'" + path + "' is not a COM server");
  }
  const auto create = [&](IUnknown** addin) {
    ComPtr<IClassFactory> spFactory;
    const HRESULT hr = getClassObject(CLSID_NorvaleOAddin, IID_PPV_ARGS(&spFactory));
    if (FAILED(hr)) return hr;
    return spFactory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(addin));
  };

  const DllRun run(scenario, create, *mapi);
  if (FAILED(run.created)) {
    throw UsageError("'" + path + "' cannot create the add-in: " + HresultText(run.created));
  }
  std::ostringstream left;
  if (run.leftovers != DllRunLeftovers{}) left << "left behind: " << run.leftovers << '\n';
  if (canUnloadNow() != S_OK) left << "DllCanUnloadNow does not answer S_OK\n";
  leftovers = left.str();
  return run.Report();
}

}  // namespace norvale::sim
