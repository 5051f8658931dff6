#pragma once
// An edit that can accept only a given set of characters (include mode): typed
// characters outside the set are dropped, and pasted or dropped text is
// filtered to the set before it replaces the selection.
#include <string>

#include "platform/ui/CEdit.h"

class CFocusEditCtrl : public CEdit {
 public:
  // A non-empty set switches the include mode on; an empty one switches it off.
  void SetAllowedChars(const std::string& allowed);
  const std::string& GetAllowedChars() const { return m_allowed; }
  bool IsIncludeMode() const { return m_includeMode; }
  void SetAcceptFiles(bool accept);
  // The first dropped file's path (up to 260 characters), filtered, replaces the selection.
  void DropFiles(const std::vector<std::string>& paths);
  std::string Filter(const std::string& text) const;

  bool FilterTypedChar(UINT& ch) override;
  std::string FilterPastedText(const std::string& text) override;
  QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override;

 protected:
  bool PreTranslateQtEvent(QEvent* event) override;

 private:
  std::string m_excluded;
  std::string m_allowed;
  bool m_excludeMode = false;
  bool m_includeMode = false;
  bool m_acceptFiles = false;
};
