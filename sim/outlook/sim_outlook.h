// An Outlook profile in memory, built from a scenario: it implements the
// object-model port, behaves as the add-in expects Outlook to behave, records
// what happens to the composed message and its copies, counts every call and
// injects the scenario's faults.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "outlook/outlook.h"
#include "platform/desktop.h"
#include "sim/outlook/scenario.h"

namespace norvale::sim {

// A mail item's text fields; std::nullopt where it holds no string.
struct MailFields {
  OptText to, cc, bcc, subject, htmlBody, body;
};

// What the simulator knows of one mail item: the composed message or a copy.
struct MailRecord {
  MailFields fields;
  std::optional<Scenario::Account> account;
  // Shared by the composed message and its copies until a To, CC or BCC
  // write replaces those of its type, as Outlook does.
  std::shared_ptr<const std::vector<Scenario::Recipient>> recipients;
  std::vector<std::int32_t> bodyFormatWrites;  // in order
  bool saved = false;
  bool sent = false;
  std::optional<std::int32_t> closedWith;  // the save mode of a successful Close
  bool deleted = false;
};

// The profile's state, shared by every object the simulator hands out.
struct SimState;

class SimOutlook {
 public:
  // The window of the inspector that shows the composed message.
  static constexpr platform::WindowHandle kInspectorWindow = 0x000A0F2C;

  explicit SimOutlook(Scenario scenario);
  ~SimOutlook();
  SimOutlook(const SimOutlook&) = delete;
  SimOutlook& operator=(const SimOutlook&) = delete;

  // Outlook's Application object, as the add-in receives it at connection.
  std::shared_ptr<outlook::Application> application() const { return application_; }

  // The composed message, handed out without counting a call.
  std::shared_ptr<outlook::MailItem> sourceItem() const;

  const Scenario& scenario() const;

  // An inline reply has no inspector until it is popped out into one.
  void PopOutInline();
  bool poppedOut() const;

  const MailRecord& source() const;
  // Every copy made, in the order made.
  const std::deque<MailRecord>& copies() const;
  // The fields of every item at its successful Send, in send order.
  const std::vector<MailFields>& sent() const;

  // Object-model calls so far, in all and of one Object.Member name.
  std::int64_t totalCalls() const;
  std::int64_t callCount(std::string_view name) const;

  // Successful MAPI.Initialize calls and MAPI.Uninitialize calls that took effect.
  int mapiInitializeCount() const;
  int mapiUninitializeCount() const;

 private:
  std::shared_ptr<SimState> state_;
  std::shared_ptr<outlook::Application> application_;
};

}  // namespace norvale::sim
