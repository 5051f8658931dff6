#pragma once
// The header strip of the input box: a raised frame on the window colour, an
// icon, a bold title and the description as a wrapped paragraph.
#include <string>

#include "controls/CParagraph.h"
#include "platform/ui/CFont.h"
#include "platform/ui/CStatic.h"

class CDialogHeaderCtrl : public CStatic {
 public:
  CDialogHeaderCtrl();
  ~CDialogHeaderCtrl() override;
  void SetTitle(const std::string& title);
  void SetDescription(const std::string& description);
  void SetIcon(UINT iconId);  // 0: none
  const std::string& GetTitle() const { return m_title; }
  const std::string& GetDescription() const { return m_description; }
  UINT GetIconId() const { return m_iconId; }

  bool UsesQtDefaultHandling() const override { return false; }
  void OnPaint() override;
  // Draws the header into a context the size of the control.
  void DrawHeader(CDC* dc, const CRect& client);

 private:
  CFont m_titleFont;
  CFont m_textFont;
  std::string m_title;
  std::string m_description;
  int m_textIndent = 50;
  int m_margin = 5;
  UINT m_iconId = 0;
  HICON m_icon = nullptr;
  CParagraph m_paragraph;
};
