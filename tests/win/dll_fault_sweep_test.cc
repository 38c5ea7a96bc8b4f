// Faults through the real DLL: each object-model call of a run fails in turn,
// with a status and as an out-of-memory failure, and the DLL must give the
// core's result and still leave nothing behind: no object, reference, event
// connection, window, running timer or MAPI buffer.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "sim/com/dll_run.h"
#include "sim/outlook/calls.h"
#include "sim/outlook/scenario.h"
#include "sim/run/scenario_run.h"
#include "tests/win/dll_run_test_support.h"

namespace norvale::win::tests {
namespace {

using DllFaultSweepTest = DllRunTest<::testing::TestWithParam<const char*>>;

// The compose-window send of an Exchange sender found through MAPI fails at
// each of its calls; the inline reply, whose runs take the timer's time, at
// the first call of each kind.
TEST_P(DllFaultSweepTest, EveryCallFailingInTurn) {
  const sim::Scenario clean = sim::LoadScenario(std::string(NORVALE_SOURCE_DIR "/") + GetParam());
  const sim::ScenarioRun clean_run(clean);
  const bool every_call = clean.action == sim::Scenario::Action::kCompose;
  int runs = 0;
  for (std::string_view name : sim::kCallNames) {
    const std::int64_t count = every_call
                                   ? clean_run.outlook.callCount(name)
                                   : std::min<std::int64_t>(1, clean_run.outlook.callCount(name));
    for (std::int32_t nth = 1; nth <= count; ++nth) {
      for (sim::FaultKind kind : {sim::FaultKind::kHr, sim::FaultKind::kThrow}) {
        sim::Scenario scenario = clean;
        scenario.faults = {
            sim::Fault{std::string(name), nth, kind,
                       kind == sim::FaultKind::kHr ? E_ACCESSDENIED : E_OUTOFMEMORY}};
        SCOPED_TRACE(std::string(name) + " #" + std::to_string(nth) +
                     (kind == sim::FaultKind::kHr ? " hr" : " throw"));
        const sim::ScenarioRun core(scenario);
        const sim::DllRun dll = Run(scenario);
        ++runs;
        EXPECT_EQ(dll.leftovers, sim::DllRunLeftovers{}) << dll.leftovers;
        EXPECT_EQ(s_dll->CanUnloadNow(), S_OK);
        EXPECT_EQ(dll.Report().dump(2), core.Report().dump(2));
      }
    }
  }
  RecordProperty("runs", runs);
  EXPECT_GT(runs, 20);
}

INSTANTIATE_TEST_SUITE_P(Profiles, DllFaultSweepTest,
                         ::testing::Values("tests/scenarios/exchange-sender-mapi.json",
                                           "tests/scenarios/inline-reply.json"));

}  // namespace
}  // namespace norvale::win::tests
