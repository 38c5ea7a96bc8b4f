// The add-in's side of the directory lookups: within a send they go to the
// directory the send made for them, so that all of them share one search;
// a lookup outside a send searches on its own.
#include <memory>
#include <string>
#include <utility>

#include "addin/norvale_addin.h"
#include "base/text.h"
#include "directory/recipient_directory.h"

namespace norvale {

std::u16string CNorvaleOAddin::GetRecipientInfo(std::u16string& address, bool withCompany) {
  ToLowerAscii(address);
  std::unique_ptr<RecipientDirectory> own;
  if (!m_pSend) own = m_directoryFactory(m_spApp, m_desktop);
  RecipientDirectory& directory = m_pSend ? *m_pSend->directory : *own;
  DirectoryAnswer answer = directory.Find(address, withCompany);
  // A lookup that matched no list leaves the members of an earlier one.
  if (answer.members) m_distListMembers = std::move(*answer.members);
  return std::move(answer.record);
}

void CNorvaleOAddin::ExpectLookup(std::u16string_view address,
                                  std::shared_ptr<outlook::Recipient> recipient) {
  if (m_pSend) m_pSend->directory->Expect(address, std::move(recipient));
}

}  // namespace norvale
