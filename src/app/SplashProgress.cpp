#include "app/SplashProgress.h"

#include <algorithm>

#include "platform/base/Text.h"

CSplashProgress::CSplashProgress(Watch& watch) : m_watch(watch) { m_sinceStart.Start(); }

std::string CSplashProgress::CutBanner(const std::string& title) {
  const std::string text = title + " ";
  // The cut counts characters, not bytes: a title may hold Persian text.
  const std::size_t comma = text.find(',');
  std::size_t keep = comma == std::string::npos ? 0 : ruv::Utf8Length(std::string_view(text).substr(0, comma));
  keep = std::clamp(keep, kShortestBanner, kLongestBanner);
  return ruv::Trim(ruv::CutUtf8Chars(text, keep));
}

CSplashProgress::Step CSplashProgress::DoStep() {
  Step step;
  if (!m_finished && (m_sinceStart.GetElapsedWholeSeconds() > kMostWholeSeconds ||
                      m_sinceFormShown.GetElapsedWholeSeconds() > kMostWholeSecondsAfterForm)) {
    m_finished = true;
  }
  if (m_finished) {
    step.finished = true;
    return step;
  }
  if (!m_engineKnown) {
    // The step that finds the engine reads nothing else of it.
    m_engineKnown = m_watch.FindEngine();
  } else {
    if (m_banner.empty()) m_banner = CutBanner(m_watch.ReadAppTitle());
    if (!m_formKnown) {
      m_formKnown = m_watch.FindForm();
    } else if (!m_sinceFormShown.IsRunning() && m_watch.IsFormVisible()) {
      m_sinceFormShown.Start();
    }
  }
  if (!m_banner.empty()) {
    step.hasText = true;
    step.text = m_banner + " [#" + std::to_string(m_sinceStart.GetElapsedWholeSeconds() + 1) + "]";
  }
  return step;
}
