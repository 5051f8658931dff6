#include "grid/CUGEditBase.h"

#include "grid/CUGCell.h"
#include "grid/CUGCellType.h"
#include "grid/CUGCtrl.h"
#include "grid/CUGDataSource.h"
#include "grid/CUGGrid.h"
#include "grid/CUGGridInfo.h"
#include "platform/base/InputState.h"
#include "platform/base/Text.h"
#include "platform/ui/ControlConstants.h"

namespace {

// Posted to itself when the grid refused the text: the focus comes back once
// the focus change that ended the edit is over.
constexpr UINT kRetakeFocusMessage = WM_APP + 0x235;

constexpr UINT kTab = 9;
constexpr UINT kReturn = 13;
constexpr UINT kEscape = 27;
constexpr UINT kDeleteChar = 127;

}  // namespace

CUGEditBase::~CUGEditBase() = default;

CUGCtrl* CUGEditBase::Grid() {
  if (!m_ctrl) m_ctrl = dynamic_cast<CUGCtrl*>(GetParent());
  return m_ctrl;
}

LRESULT CUGEditBase::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // Tab, Return and Escape belong to the edit, never to the dialog's buttons.
  if (message == WM_GETDLGCODE) return DLGC_WANTARROWS | DLGC_WANTALLKEYS | DLGC_WANTCHARS;
  if (message == kRetakeFocusMessage) {
    RetakeFocus();
    return 0;
  }
  return CEdit::WindowProc(message, wParam, lParam);
}

int CUGEditBase::TextLength() const { return static_cast<int>(ruv::Utf8ToUtf16(GetWindowText()).size()); }

void CUGEditBase::InsertChar(UINT ch) {
  ReplaceSel(ruv::Utf16ToUtf8(std::u16string(1, static_cast<char16_t>(ch))), TRUE);
}

void CUGEditBase::OnSetFocus(CWnd* oldWnd) {
  CEdit::OnSetFocus(oldWnd);
  CUGCtrl* grid = Grid();
  m_lastKey = 0;
  m_cancel = FALSE;
  m_continueFlag = FALSE;
  SetSel(TextLength(), 0);
  if (grid && grid->m_editCell.GetReadOnly()) SetReadOnly(TRUE);
}

void CUGEditBase::OnKillFocus(CWnd* newWnd) {
  SetReadOnly(FALSE);
  CEdit::OnKillFocus(newWnd);
  CUGCtrl* grid = Grid();
  if (!grid) return;
  if (grid->m_GI->m_cancelEditOnLeaving && (!newWnd || (newWnd != grid && !grid->IsChild(newWnd)))) m_cancel = TRUE;
  if (newWnd != grid) {
    grid->OnKillFocus(CUGCtrl::kSectionCellArea, newWnd);
  } else if (grid->m_CUGGrid->GetSafeHwnd()) {
    grid->m_CUGGrid->SetFocus();
  }
  const std::string text = GetWindowText();
  if (!grid->FinishCellEdit(text.c_str(), m_cancel, m_continueFlag, m_continueCol, m_continueRow))
    PostMessage(kRetakeFocusMessage);
}

void CUGEditBase::RetakeFocus() {
  CUGCtrl* grid = Grid();
  if (!grid || !grid->m_editInProgress || grid->m_editCtrl != this) return;
  grid->GotoCell(grid->m_editCol, grid->m_editRow);
  if (GetCapture() == this) ReleaseCapture();
  SetFocus();
}

void CUGEditBase::Leave(int col, long row) {
  m_continueCol = col;
  m_continueRow = row;
  m_continueFlag = TRUE;
  if (CUGCtrl* grid = Grid()) grid->SetFocus();
}

void CUGEditBase::CancelEdit() {
  m_cancel = TRUE;
  m_continueFlag = FALSE;
  if (CUGCtrl* grid = Grid()) grid->SetFocus();
}

bool CUGEditBase::VerifyChar(UINT* ch) {
  CUGCtrl* grid = Grid();
  if (!grid) return true;
  const int col = grid->m_editCol;
  const long row = grid->m_editRow;
  if (!grid->m_GI->m_defDataSource->OnEditVerify(col, row, this, ch)) return false;
  return grid->OnEditVerify(col, row, this, ch) != 0;
}

bool CUGEditBase::AcceptVerifiedChar(UINT*) { return true; }

void CUGEditBase::OnKeyDown(UINT key, UINT repeatCount, UINT flags) {
  m_lastKey = key;
  CUGCtrl* grid = Grid();
  const int col = grid ? grid->m_editCol : 0;
  const long row = grid ? grid->m_editRow : 0;
  int start = 0, end = 0;
  GetSel(start, end);
  switch (key) {
    case VK_TAB:
      Leave(IsVirtualKeyDown(VK_SHIFT) ? col - 1 : col + 1, row);
      return;
    case VK_RETURN:
      // Ctrl+Return breaks the line of a multi-line cell (the line feed comes as a character).
      if (IsVirtualKeyDown(VK_CONTROL) && grid && (grid->m_editCell.GetCellTypeEx() & CUGCellType::kExMultiLine))
        return;
      Leave(col, row + 1);
      return;
    case VK_DOWN: Leave(col, row + 1); return;
    case VK_UP: Leave(col, row - 1); return;
    case VK_LEFT:
      if (start == end && start == 0) {
        Leave(col - 1, row);
        return;
      }
      break;
    case VK_RIGHT: {
      const int length = TextLength();
      if ((start == end && end == length) || (start == 0 && end == length)) {
        Leave(col + 1, row);
        return;
      }
      break;
    }
    case VK_ESCAPE: CancelEdit(); return;
    case VK_DELETE: {
      UINT ch = kDeleteChar;
      if (!VerifyChar(&ch)) return;
      break;
    }
    default: break;
  }
  CEdit::OnKeyDown(key, repeatCount, flags);
}

void CUGEditBase::OnChar(UINT key, UINT repeatCount, UINT flags) {
  m_lastKey = key;
  if (key == kTab || key == kReturn || key == kEscape) return;
  UINT ch = key;
  if (!VerifyChar(&ch) || !AcceptVerifiedChar(&ch)) return;
  // A line feed whose key was kept from the edit, or a character the verification
  // changed, is put in by the editor itself.
  const bool fromProgram = (flags & HIWORD(kUGProgramCharFlag)) != 0;
  if (fromProgram || ch != key || ch == '\n') {
    if (ch == '\n' && IsMultiLine()) ReplaceSel("\n", TRUE);
    else if (ch >= 0x20) InsertChar(ch);
    return;
  }
  CEdit::OnChar(key, repeatCount, flags);
}
