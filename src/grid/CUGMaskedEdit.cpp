#include "grid/CUGMaskedEdit.h"

#include <QChar>
#include <QString>
#include <algorithm>

#include "grid/CUGCell.h"
#include "grid/CUGCtrl.h"
#include "platform/ui/ControlConstants.h"

namespace {

constexpr std::u32string_view kMaskChars = U"09#L?Aa&C";

std::u32string ToUtf32(const std::string& text) { return QString::fromStdString(text).toStdU32String(); }

std::string ToUtf8(const std::u32string& text) { return QString::fromStdU32String(text).toStdString(); }

bool IsDigit(char32_t c) { return QChar::isDigit(c); }
bool IsLetter(char32_t c) { return QChar::isLetter(c); }
bool IsBlank(char32_t c) { return c == U' '; }

}  // namespace

CUGMaskedEdit::~CUGMaskedEdit() = default;

BOOL CUGMaskedEdit::PreCreateWindow(CREATESTRUCT& cs) {
  cs.style |= ES_AUTOHSCROLL;
  return CUGEditBase::PreCreateWindow(cs);
}

bool CUGMaskedEdit::Accepts(char32_t maskChar, char32_t c) {
  switch (maskChar) {
    case U'0': return IsDigit(c);
    case U'9': return IsDigit(c) || IsBlank(c);
    case U'#': return IsDigit(c) || IsBlank(c) || c == U'+' || c == U'-';
    case U'L': return IsLetter(c);
    case U'?': return IsLetter(c) || IsBlank(c);
    case U'A': return IsLetter(c) || IsDigit(c);
    case U'a': return IsLetter(c) || IsDigit(c) || IsBlank(c);
    case U'&':
    case U'C': return QChar::isPrint(c);
    default: return true;
  }
}

int CUGMaskedEdit::SetMask(const char* mask) {
  if (!mask || !*mask) {
    m_maskActive = false;
    m_mask.clear();
    m_template.clear();
    m_literals.clear();
    return 0;
  }
  m_mask = mask;
  const std::u32string chars = ToUtf32(m_mask);
  m_template.clear();
  m_literals.clear();
  for (size_t i = 0; i < chars.size(); ++i) {
    char32_t c = chars[i];
    bool literal = kMaskChars.find(c) == std::u32string_view::npos;
    // A backslash and the character after it are one literal position.
    if (c == U'\\' && i + 1 < chars.size()) {
      c = chars[++i];
      literal = true;
    }
    m_template.push_back(literal ? kMarker : c);
    m_literals.push_back(literal ? c : kMarker);
  }
  m_maskActive = true;
  SetLimitText(static_cast<UINT>(chars.size()));
  RefreshText();
  return 0;
}

int CUGMaskedEdit::ApplyMask(std::string* text) const {
  if (!m_maskActive || !text) return 1;
  const std::u32string source = ToUtf32(*text);
  std::u32string result;
  size_t i = 0;
  size_t k = 0;
  while (i < m_template.size() && k < source.size()) {
    if (m_template[i] == kMarker) {
      result.push_back(m_literals[i]);
      ++i;
      continue;
    }
    if (Accepts(m_template[i], source[k])) {
      result.push_back(source[k]);
      ++i;
    }
    ++k;
  }
  *text = ToUtf8(result);
  return 0;
}

int CUGMaskedEdit::ValidateChar(UINT ch) {
  const auto c = static_cast<char32_t>(ch);
  if (!m_maskActive || !QChar::isPrint(c)) return 1;
  int start = 0, end = 0;
  GetSel(start, end);
  // The caret once the selection is gone.
  const auto position = static_cast<size_t>(std::min(start, end));
  if (position >= m_template.size()) return 0;
  const bool literalDue = m_literals[position] != kMarker;
  const size_t decides = literalDue ? position + 1 : position;
  const bool accepted =
      decides >= m_template.size() || m_template[decides] == kMarker || Accepts(m_template[decides], c);
  // A refused character leaves the selected text alone.
  if (!accepted) return 0;
  if (start != end) Clear();
  if (literalDue) {
    m_internalInput = true;
    InsertChar(static_cast<UINT>(m_literals[position]));
    m_internalInput = false;
  }
  return 1;
}

bool CUGMaskedEdit::AcceptVerifiedChar(UINT* ch) {
  if (m_internalInput) return true;
  if (!ValidateChar(*ch)) return false;
  CUGCtrl* grid = Grid();
  return !grid || grid->OnEditVerify(grid->m_editCol, grid->m_editRow, this, ch) != 0;
}

void CUGMaskedEdit::RefreshText() {
  if (!m_maskActive || m_internalInput) return;
  std::string text = GetWindowText();
  if (text.empty()) return;
  int start = 0, end = 0;
  GetSel(start, end);
  ApplyMask(&text);
  m_internalInput = true;
  SetWindowText(text);
  m_internalInput = false;
  SetSel(start, end);
}

void CUGMaskedEdit::OnSetFocus(CWnd* oldWnd) {
  CUGCtrl* grid = Grid();
  SetMask(grid ? grid->m_editCell.GetMask() : nullptr);
  CUGEditBase::OnSetFocus(oldWnd);
  SetSel(0, -1);
}

void CUGMaskedEdit::OnKillFocus(CWnd* newWnd) {
  // Lifted first: a continued edit sets the next cell's limit when it takes the focus.
  SetLimitText(0);
  CUGEditBase::OnKillFocus(newWnd);
}
