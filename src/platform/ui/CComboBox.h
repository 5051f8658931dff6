#pragma once
// A combo box: drop-down list (CBS_DROPDOWNLIST) or drop-down with an edit
// (CBS_DROPDOWN), items with a data word each, finding by prefix, and a
// dropped width. A choice by the user sends CBN_SELCHANGE (SetCurSel does not);
// opening the list sends CBN_DROPDOWN first, closing it CBN_CLOSEUP; typing in
// the edit part sends CBN_EDITUPDATE and CBN_EDITCHANGE.
#include <cstdint>

#include "platform/ui/CControlBase.h"

class CComboBox : public CControlBase {
 public:
  QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override;

  int AddString(const std::string& text);  // sorted in with CBS_SORT
  int InsertString(int index, const std::string& text);  // -1 appends
  int DeleteString(UINT index);  // the count left, or CB_ERR
  void ResetContent();
  int GetCount() const;
  int GetCurSel() const;
  int SetCurSel(int index);  // -1 clears; CB_ERR for an index out of range
  int GetLBText(int index, std::string& text) const;  // length or CB_ERR
  std::string GetLBText(int index) const;
  int GetLBTextLen(int index) const;
  int SetItemData(int index, std::uintptr_t data);
  std::uintptr_t GetItemData(int index) const;  // CB_ERR as a word when out of range
  // The first item after `startAfter` (-1: from the top, wrapping) whose text
  // starts with `prefix`, case-insensitive; CB_ERR when none.
  int FindString(int startAfter, const std::string& prefix) const;
  int FindStringExact(int startAfter, const std::string& text) const;
  int SelectString(int startAfter, const std::string& prefix);
  int SetDroppedWidth(UINT width);
  int GetDroppedWidth() const;
  void ShowDropDown(BOOL show = TRUE);
  BOOL GetDroppedState() const;
  void SetEditSel(int start, int end);
  void LimitText(int maxChars);

 protected:
  void ApplyTextToWidget(const std::string& text) override;
  std::string TextFromWidget() const override;
  UINT ControlColorKind() const override { return CTLCOLOR_EDIT; }

 private:
  friend class ComboWidget;
  void PopupAboutToShow();
  int m_droppedWidth = 0;
  std::vector<std::uintptr_t> m_itemData;
};
