#include "sim/outlook/calls.h"

namespace norvale::sim {

Calls::Calls(const std::vector<Fault>& faults) {
  for (const Fault& fault : faults) {
    if (auto index = FindCall(fault.call)) {
      planned_[*index].push_back({fault.nth, {fault.kind, fault.code}});
    }
  }
}

std::optional<InjectedFault> Calls::Enter(CallName name) {
  ++total_;
  const std::int64_t nth = ++counts_[name.index()];
  for (const Planned& planned : planned_[name.index()]) {
    if (planned.nth != nth) continue;
    if (planned.fault.kind == FaultKind::kThrow) throw HResultError(planned.fault.code);
    return planned.fault;
  }
  return std::nullopt;
}

std::int64_t Calls::count(std::string_view name) const {
  const auto index = FindCall(name);
  return index ? counts_[*index] : 0;
}

}  // namespace norvale::sim
