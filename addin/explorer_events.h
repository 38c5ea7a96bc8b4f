// The explorer events the add-in's two sinks act on. Both sinks sit on the
// same connection point, so every event reaches both; each acts only on the
// rows of its own number.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "outlook/outlook.h"

namespace norvale {

class CNorvaleOAddin;

inline constexpr int kInlineResponseCloseSink = 1;
inline constexpr int kInlineResponseSink = 2;
inline constexpr std::int32_t kDispidInlineResponse = 0xFC92;
inline constexpr std::int32_t kDispidInlineResponseClose = 0xFC96;

// How an event argument reaches its handler. kMailItem: a VT_DISPATCH
// argument asked for _MailItem, nullptr when it is not a mail item.
enum class EventArgType { kMailItem };

// An event's arguments as the row's types, in the event's declared order.
using ExplorerEventArgs = std::span<const std::shared_ptr<outlook::MailItem>>;

struct ExplorerEventEntry {
  int sink;
  std::int32_t dispid;
  std::string_view name;
  std::span<const EventArgType> argTypes;
  void (*handler)(CNorvaleOAddin& addin, ExplorerEventArgs args);
};

// The row of `sink` for `dispid`; nullptr when that sink has none.
const ExplorerEventEntry* FindExplorerEvent(int sink, std::int32_t dispid);

}  // namespace norvale
