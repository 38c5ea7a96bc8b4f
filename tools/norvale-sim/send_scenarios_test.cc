// Runs every scenario file through the same code as `norvale-sim send --json`
// and compares the outcome with the expected result stored beside it
// (NAME.expected.json). With NORVALE_UPDATE_EXPECTED=1 the expected files are
// written instead; review every change before committing it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/outlook/scenario.h"
#include "sim/run/scenario_run.h"

namespace norvale::sim {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> ScenarioFiles() {
  std::vector<fs::path> files = {fs::path(NORVALE_SOURCE_DIR) / "samples/sample-profile.json"};
  for (const auto& entry :
       fs::directory_iterator(fs::path(NORVALE_SOURCE_DIR) / "tests/scenarios")) {
    const std::string name = entry.path().filename().string();
    if (name.ends_with(".json") && !name.ends_with(".expected.json")) files.push_back(entry.path());
  }
  std::sort(files.begin() + 1, files.end());
  return files;
}

fs::path ExpectedFile(const fs::path& scenario) {
  return fs::path(scenario).replace_extension(".expected.json");
}

class SendScenarioTest : public testing::TestWithParam<fs::path> {};

TEST_P(SendScenarioTest, MatchesExpectedResult) {
  const fs::path& scenario = GetParam();
  const nlohmann::ordered_json actual = ScenarioRun(LoadScenario(scenario.string())).Report();
  const fs::path expected_file = ExpectedFile(scenario);
  if (const char* update = std::getenv("NORVALE_UPDATE_EXPECTED"); update && *update == '1') {
    std::ofstream(expected_file) << actual.dump(2) << '\n';
    GTEST_SKIP() << "wrote " << expected_file;
  }
  std::ifstream file(expected_file);
  ASSERT_TRUE(file) << "no expected result: " << expected_file;
  const nlohmann::ordered_json expected = nlohmann::ordered_json::parse(file);
  EXPECT_EQ(actual, expected)
      << "differences (RFC 6902, from expected to actual):\n"
      << nlohmann::json::diff(nlohmann::json(expected), nlohmann::json(actual)).dump(2);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, SendScenarioTest, testing::ValuesIn(ScenarioFiles()),
                         [](const testing::TestParamInfo<fs::path>& info) {
                           std::string name = info.param.stem().string();
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace norvale::sim
