#pragma once
// A page of a property sheet: a child dialog from its own template (whose
// caption is the tab's title), created by the sheet when the sheet opens.
#include "platform/ui/CDialog.h"

class CPropertySheet;

class CPropertyPage : public CDialog {
 public:
  explicit CPropertyPage(UINT templateId);

  // Called when the page becomes the active one; FALSE keeps the previous page.
  virtual BOOL OnSetActive();
  // Called before another page becomes active or the sheet applies; the
  // default saves the controls (FALSE when validation fails).
  virtual BOOL OnKillActive();
  // Apply (or OK): the default calls OnOK and clears the modified mark.
  virtual BOOL OnApply();
  void OnOK() override;
  void OnCancel() override;
  // Marks the page changed: the sheet's Apply button is enabled.
  void SetModified(BOOL changed = TRUE);
  bool IsModified() const { return m_modified; }
  CPropertySheet* GetSheet() const { return m_sheet; }
  std::string GetTitle() const;

 private:
  friend class CPropertySheet;
  CPropertySheet* m_sheet = nullptr;
  bool m_modified = false;
};
