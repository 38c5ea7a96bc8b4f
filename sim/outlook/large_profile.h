// Generated profiles with a large Global Address List, for measuring what the
// directory lookups of one send cost as the list and the message grow.
#pragma once

#include <cstdint>

#include "sim/outlook/scenario.h"

namespace norvale::sim {

// How the message's To recipients stand to the Global Address List.
enum class LargeProfileRecipients {
  // Exchange users that Outlook resolved to their entries; the sender is
  // Outlook's current user, resolved the same way.
  kResolved,
  // The same users, but unresolved, so only a search finds them; the sender
  // sends through an SMTP account that the list does not hold.
  kAtGalEnd,
  // Internet addresses that no list holds; the sender as for kAtGalEnd.
  kExternal,
};

// A profile whose Global Address List holds `gal_entries` Exchange users
// (the recipients' own entries last) and whose message goes to `recipients`
// To recipients of `kind`. Needs gal_entries > recipients.
Scenario LargeProfile(std::int32_t gal_entries, std::int32_t recipients,
                      LargeProfileRecipients kind);

}  // namespace norvale::sim
