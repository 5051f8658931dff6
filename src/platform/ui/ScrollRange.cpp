#include "platform/ui/ScrollRange.h"

#include <algorithm>

int ScrollRange::MaxPos() const {
  if (m_page == 0) return m_max;
  return std::max(m_min, m_max - static_cast<int>(m_page) + 1);
}

void ScrollRange::Clamp() {
  const long long span = static_cast<long long>(m_max) - m_min + 1;
  if (m_page > span) m_page = static_cast<UINT>(std::max(0LL, span));
  m_pos = std::clamp(m_pos, m_min, MaxPos());
}

int ScrollRange::Set(const SCROLLINFO& info) {
  if (info.fMask & SIF_RANGE) {
    m_min = info.nMin;
    m_max = std::max(info.nMin, info.nMax);
  }
  if (info.fMask & SIF_PAGE) m_page = info.nPage;
  if (info.fMask & SIF_POS) m_pos = info.nPos;
  Clamp();
  return m_pos;
}

void ScrollRange::Get(SCROLLINFO& info) const {
  if (info.fMask & SIF_RANGE) {
    info.nMin = m_min;
    info.nMax = m_max;
  }
  if (info.fMask & SIF_PAGE) info.nPage = m_page;
  if (info.fMask & SIF_POS) info.nPos = m_pos;
  if (info.fMask & SIF_TRACKPOS) info.nTrackPos = m_trackPos;
}

int ScrollRange::SetPos(int pos) {
  const int previous = m_pos;
  m_pos = pos;
  Clamp();
  return previous;
}

void ScrollRange::SetRange(int min, int max) {
  m_min = min;
  m_max = std::max(min, max);
  Clamp();
}
