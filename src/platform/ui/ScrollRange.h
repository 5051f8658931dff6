#pragma once
// The platform's scroll-bar arithmetic: a range min..max, a page, and a
// position kept within min..max-page+1 (min..max without a page). Shared by the
// scroll-bar control and the window scroll bars of dialogs.
#include "platform/ui/ControlConstants.h"

class ScrollRange {
 public:
  // Applies the parts of `info` its mask names; returns the new position.
  int Set(const SCROLLINFO& info);
  void Get(SCROLLINFO& info) const;
  int SetPos(int pos);  // returns the previous position
  void SetRange(int min, int max);
  int Pos() const { return m_pos; }
  int Min() const { return m_min; }
  int Max() const { return m_max; }
  UINT Page() const { return m_page; }
  // The largest position the thumb can reach.
  int MaxPos() const;
  // True when the page covers the whole range (nothing to scroll).
  bool NothingToScroll() const { return MaxPos() <= m_min; }
  int TrackPos() const { return m_trackPos; }
  void SetTrackPos(int pos) { m_trackPos = pos; }

 private:
  void Clamp();
  int m_min = 0;
  int m_max = 100;
  UINT m_page = 0;
  int m_pos = 0;
  int m_trackPos = 0;
};
