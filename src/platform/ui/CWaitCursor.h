#pragma once
// The hourglass for the lifetime of the object: an operation that keeps the UI
// thread busy shows it over every window of the program. Objects nest; the
// cursor comes back when the last one goes. Made off the UI thread (or before
// the Qt application exists) it does nothing.
class CWaitCursor {
 public:
  CWaitCursor();
  ~CWaitCursor();
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;

  // True while at least one wait cursor is shown.
  static bool IsShown();

 private:
  bool m_shown = false;
};
