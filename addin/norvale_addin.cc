#include "addin/norvale_addin.h"

#include <utility>

namespace norvale {

CNorvaleOAddin::CNorvaleOAddin(platform::Desktop& desktop) : m_desktop(desktop) {}

void CNorvaleOAddin::SetDirectoryFactory(DirectoryFactory factory) {
  m_directoryFactory = std::move(factory);
}

CNorvaleOAddin::SendScope::SendScope(CNorvaleOAddin& addin)
    : directory(addin.m_directoryFactory(addin.m_spApp, addin.m_desktop)),
      m_addin(addin),
      m_pOuter(std::exchange(addin.m_pSend, this)) {}

CNorvaleOAddin::SendScope::~SendScope() { m_addin.m_pSend = m_pOuter; }

void CNorvaleOAddin::SetApplication(std::shared_ptr<outlook::Application> app) {
  m_spApp = std::move(app);
  const OptText version = m_spApp ? m_spApp->Version() : std::nullopt;
  m_nOutlookLevel = GetOutlookLevel(version.value_or(u""));
}

std::int32_t CNorvaleOAddin::GetOutlookLevel(std::u16string_view version) {
  // There was no Outlook 13.
  static constexpr struct {
    std::u16string_view prefix;
    std::int32_t level;
  } kLevels[] = {{u"12.", 2}, {u"11.", 1}, {u"14.", 3}, {u"15.", 4}, {u"16.", 5}};
  for (const auto& [prefix, level] : kLevels) {
    if (version.starts_with(prefix)) return level;
  }
  return 0;
}

}  // namespace norvale
