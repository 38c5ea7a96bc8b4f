// Measures what the directory lookups of one send cost: runs the send on
// generated profiles (large_profile.h) and prints the object-model calls and
// the time for every size. With --profile G R KIND it prints that profile as
// a scenario file instead, for `norvale-sim send`.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "sim/outlook/large_profile.h"
#include "sim/outlook/report.h"
#include "sim/run/scenario_run.h"

namespace norvale::sim {
namespace {

using Json = nlohmann::ordered_json;

struct KindName {
  LargeProfileRecipients kind;
  const char* name;
};
constexpr KindName kKinds[] = {{LargeProfileRecipients::kResolved, "resolved"},
                               {LargeProfileRecipients::kAtGalEnd, "gal-end"},
                               {LargeProfileRecipients::kExternal, "external"}};

Json EntryJson(const Scenario::Entry& entry) {
  Json json = {{"userType", entry.userType},
               {"address", TextJson(entry.address)},
               {"name", TextJson(entry.name)}};
  if (const auto& u = entry.exchangeUser) {
    json["exchangeUser"] = {{"firstName", TextJson(u->firstName)},
                            {"lastName", TextJson(u->lastName)},
                            {"primarySmtpAddress", TextJson(u->primarySmtpAddress)},
                            {"companyName", TextJson(u->companyName)}};
  }
  if (const auto& c = entry.contact) {
    json["contact"] = {{"firstName", TextJson(c->firstName)},
                       {"lastName", TextJson(c->lastName)},
                       {"email1Address", TextJson(c->email1Address)},
                       {"companyName", TextJson(c->companyName)}};
  }
  if (entry.members) {
    json["members"] = Json::array();
    for (const Scenario::Entry& member : *entry.members)
      json["members"].push_back(EntryJson(member));
  }
  return json;
}

// The members LargeProfile fills, as a scenario file writes them.
Json ProfileJson(const Scenario& scenario) {
  Json json = {{"outlookVersion", TextJson(scenario.outlookVersion)}};
  if (const auto& user = scenario.currentUser) {
    json["currentUser"] = {{"name", TextJson(user->name)}, {"address", TextJson(user->address)}};
  }
  json["addressLists"] = Json::array();
  for (const Scenario::AddressList& list : scenario.addressLists) {
    Json entries = Json::array();
    for (const Scenario::Entry& entry : list.entries) entries.push_back(EntryJson(entry));
    json["addressLists"].push_back(
        {{"name", TextJson(list.name)}, {"type", list.type}, {"entries", std::move(entries)}});
  }
  const Scenario::Message& message = scenario.message;
  Json recipients = Json::array();
  for (const Scenario::Recipient& r : message.recipients) {
    recipients.push_back(
        {{"type", r.type}, {"address", TextJson(r.address)}, {"name", TextJson(r.name)}});
    if (!r.resolved) recipients.back()["resolved"] = false;
  }
  json["message"] = {{"subject", TextJson(message.subject)},
                     {"htmlBody", TextJson(message.htmlBody)}};
  if (const auto& account = message.account) {
    json["message"]["account"] = {{"smtpAddress", TextJson(account->smtpAddress)},
                                  {"userName", TextJson(account->userName)}};
  }
  json["message"]["recipients"] = std::move(recipients);
  return json;
}

int PrintProfile(std::int32_t gal, std::int32_t recipients, std::string_view kind_name) {
  for (const KindName& kind : kKinds) {
    if (kind.name != kind_name) continue;
    std::cout << ProfileJson(LargeProfile(gal, recipients, kind.kind)).dump(1) << '\n';
    return 0;
  }
  std::cerr << "unknown kind " << kind_name << " (resolved, gal-end or external)\n";
  return 2;
}

void PrintTable() {
  std::printf("| GAL entries G | To recipients R | recipients | calls | time (ms) |\n");
  std::printf("|---:|---:|---|---:|---:|\n");
  for (const std::int32_t gal : {1'000, 10'000, 50'000}) {
    for (const std::int32_t recipients : {1, 20, 100}) {
      for (const KindName& kind : kKinds) {
        Scenario scenario = LargeProfile(gal, recipients, kind.kind);
        const auto start = std::chrono::steady_clock::now();
        const ScenarioRun run(std::move(scenario));
        const std::chrono::duration<double, std::milli> elapsed =
            std::chrono::steady_clock::now() - start;
        std::printf("| %d | %d | %s | %lld | %.1f |\n", gal, recipients, kind.name,
                    static_cast<long long>(run.outlook.totalCalls()), elapsed.count());
        std::fflush(stdout);
      }
    }
  }
}

}  // namespace
}  // namespace norvale::sim

int main(int argc, char** argv) {
  if (argc == 5 && std::string_view(argv[1]) == "--profile") {
    return norvale::sim::PrintProfile(std::stoi(argv[2]), std::stoi(argv[3]), argv[4]);
  }
  if (argc != 1) {
    std::cerr << "usage: norvale_directory_benchmark [--profile G R resolved|gal-end|external]\n";
    return 2;
  }
  norvale::sim::PrintTable();
  return 0;
}
