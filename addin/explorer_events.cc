#include "addin/explorer_events.h"

#include "addin/norvale_addin.h"

namespace norvale {
namespace {

constexpr EventArgType kItemArgs[] = {EventArgType::kMailItem};

const ExplorerEventEntry kExplorerEvents[] = {
    {kInlineResponseCloseSink,
     kDispidInlineResponseClose,
     "InlineResponseClose",
     {},
     [](CNorvaleOAddin& addin, ExplorerEventArgs) { addin.OnInlineResponseClose(); }},
    {kInlineResponseSink, kDispidInlineResponse, "InlineResponse", kItemArgs,
     [](CNorvaleOAddin& addin, ExplorerEventArgs args) { addin.OnInlineResponse(args[0]); }},
};

}  // namespace

const ExplorerEventEntry* FindExplorerEvent(int sink, std::int32_t dispid) {
  for (const ExplorerEventEntry& entry : kExplorerEvents) {
    if (entry.sink == sink && entry.dispid == dispid) return &entry;
  }
  return nullptr;
}

}  // namespace norvale
