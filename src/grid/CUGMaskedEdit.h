#pragma once
// The in-place editor of cells with an input mask (id 124). Each mask
// character takes one typed character of a kind: "0" digit, "9" digit or blank,
// "#" digit, blank, "+" or "-", "L" letter, "?" letter or blank, "A" letter or
// digit, "a" letter, digit or blank, "&" and "C" any printable character. Any
// other character, and one after a backslash, is a literal that the editor puts
// in itself.
#include <string>

#include "grid/CUGEditBase.h"

class CUGMaskedEdit : public CUGEditBase {
 public:
  // Marks a literal position in the template and a mask position in the literal text.
  static constexpr char32_t kMarker = 8;

  CUGMaskedEdit() = default;
  ~CUGMaskedEdit() override;

  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  void OnSetFocus(CWnd* oldWnd) override;
  void OnKillFocus(CWnd* newWnd) override;

  // Null or empty turns masking off. Answers 0.
  int SetMask(const char* mask);
  // Rewrites the text through the mask; 1 (text untouched) while masking is off.
  int ApplyMask(std::string* text) const;
  // 1 when the character may go in at the caret (a literal due there is put in first).
  int ValidateChar(UINT ch);
  // The current text passed through the mask again.
  void RefreshText();

  bool MaskActive() const { return m_maskActive; }
  const std::u32string& MaskTemplate() const { return m_template; }
  const std::u32string& LiteralText() const { return m_literals; }

 protected:
  bool AcceptVerifiedChar(UINT* ch) override;

 private:
  static bool Accepts(char32_t maskChar, char32_t ch);

  bool m_internalInput = false;  // the editor is putting text in itself
  bool m_maskActive = false;
  std::string m_mask;
  std::u32string m_template;
  std::u32string m_literals;
};
