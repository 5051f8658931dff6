#include "grid/CDataCenterScoutGrid.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/Conversions.h"
#include "common/ProcessUtils.h"
#include "common/TimeAndKeys.h"
#include "controls/CBalloonHelp.h"
#include "datacenter/DCTag.h"
#include "datacenter/DataCenterBase.h"
#include "datacenter/DCTagTypes.h"
#include "datacenter/EngineServices.h"
#include "grid/CUGGrid.h"
#include "platform/base/MessageBoxService.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CFont.h"
#include "platform/ui/DialogFont.h"
#include "platform/ui/ResourceRegistry.h"

namespace {

struct Column {
  const char* heading;
  int width;
};
constexpr Column kColumns[CDataCenterScoutGrid::kColCount] = {
    {"ID", 30},         {"Tag Name", 250},  {"HW Type", 40},   {"Access Path", 120}, {"IO Type", 50},
    {"Data Type", 40},  {"Tag Value", 50},  {"Modifier", 120}, {"New Value", 40},
};
constexpr int kDefaultColWidth = 10;
constexpr const char* kBoolChoices = "True\nFalse\n";
constexpr const char* kTrueText = "True";
constexpr const char* kFalseText = "False";

bool IsNull(const Variant& value) { return value.vt == VT_EMPTY || value.vt == VT_NULL; }

std::string TextOf(const char* text) { return text ? std::string(text) : std::string(); }

// A small square picture: a green tick for True, a red cross for False.
QImage DrawBoolImage(bool value) {
  QImage image(16, 16, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(128, 128, 128), 1));
  painter.drawRect(1, 1, 13, 13);
  if (value) {
    painter.setPen(QPen(QColor(0, 150, 0), 2));
    painter.drawLine(4, 8, 7, 11);
    painter.drawLine(7, 11, 12, 4);
  } else {
    painter.setPen(QPen(QColor(200, 0, 0), 2));
    painter.drawLine(4, 4, 11, 11);
    painter.drawLine(11, 4, 4, 11);
  }
  return image;
}

}  // namespace

CDataCenterScoutGrid::CDataCenterScoutGrid() = default;

CDataCenterScoutGrid::~CDataCenterScoutGrid() {
  // The windows go while the registered types and the images still exist.
  if (GetSafeHwnd()) DestroyWindow();
}

void CDataCenterScoutGrid::RegisterImages() {
  static const bool registered = [] {
    RegisterBitmapResource(kFalseBitmap, DrawBoolImage(false));
    RegisterBitmapResource(kTrueBitmap, DrawBoolImage(true));
    return true;
  }();
  (void)registered;
}

bool CDataCenterScoutGrid::IsRanged(const Variant& minimum, const Variant& maximum) {
  if (IsNull(minimum) && IsNull(maximum)) return false;
  return !(minimum.vt == maximum.vt && minimum == maximum);
}

CDCTag* CDataCenterScoutGrid::TagAt(int col, long row) {
  CUGCell cell;
  if (ReadCell(col, row, &cell) != 0) return nullptr;
  const std::intptr_t param = cell.GetParam();
  if (param == -1 || param == 0) return nullptr;
  return reinterpret_cast<CDCTag*>(param);
}

// ---------------------------------------------------------------- filling

void CDataCenterScoutGrid::OnSetup() {
  OwnUpdate own(*this);
  RegisterImages();
  m_falseBitmap.DeleteObject();
  m_trueBitmap.DeleteObject();
  m_falseBitmap.LoadBitmap(kFalseBitmap);
  m_trueBitmap.LoadBitmap(kTrueBitmap);
  CDataCenterBase* dataCenter = GetDataCenter();
  const long count = dataCenter ? dataCenter->GetTagCount() : 0;

  ResizeRows(count, FALSE);
  ResizeCols(kColCount, FALSE);
  SetTextOverflow(0);
  SetHScrollMode(1);
  SetVScrollMode(1);
  EnablePopupMenu(TRUE);
  m_sliderTypeId = RegisterCellType(&m_sliderType);
  m_autoFontTypeId = RegisterCellType(&m_autoFontType);
  SetDefColWidth(kDefaultColWidth);
  EnableGridWindows(TRUE);
  SetSideHeadingWidth(0);
  for (int col = 0; col < kColCount; ++col) PutCellText(col, -1, kColumns[col].heading);
  // A column is never narrower than its heading in the font it is drawn with.
  for (int col = 0; col < kColCount; ++col) ChangeColumnWidth(col, std::max(kColumns[col].width, HeadingWidth(col)));

  for (long row = 0; row < count; ++row) FillRow(row, dataCenter->GetTagAt(static_cast<int>(row)));

  SetTimer(kRefreshTimer, kRefreshPeriodMs);
  m_setupDone = true;
}

int CDataCenterScoutGrid::HeadingWidth(int col) {
  constexpr int kMargins = 6;  // the cell's text inset on both sides, and a pixel to spare
  if (col < 0 || col >= kColCount) return 0;
  CUGCell heading;
  GetHeadingDefault(&heading);
  CFont* font = heading.GetFont();
  const QFont drawn = font ? font->GetQFont() : DialogFont();
  return QFontMetrics(drawn).horizontalAdvance(QString::fromUtf8(kColumns[col].heading)) + kMargins;
}

int CDataCenterScoutGrid::WholeRowWidth() {
  constexpr int kBorders = 4;
  int total = VScrollWidth() + kBorders;
  for (int col = 0; col < kColCount; ++col) {
    int width = 0;
    GetColWidth(col, &width);
    total += width;
  }
  return total;
}

void CDataCenterScoutGrid::FillRow(long row, CDCTag* tag) {
  const auto param = reinterpret_cast<std::intptr_t>(tag);
  for (int col = 0; col < kColCount; ++col) {
    CUGCell cell;
    ReadCell(col, row, &cell);
    cell.SetParam(param);
    cell.SetCellTypeEx(kCellStyle);
    if (tag) {
      switch (col) {
        case kColId:
          cell.SetNumber(tag->GetTagID());
          cell.SetTextColor(kIdTextColor);
          break;
        case kColName: cell.SetText(tag->GetTagName()); break;
        case kColHwType: cell.SetText(HWTypeToText(tag->GetHWType())); break;
        case kColAccessPath: cell.SetText(tag->GetAccessPath()); break;
        case kColIoType: cell.SetText(IOTypeToText(tag->GetIOType())); break;
        case kColDataType: cell.SetText(VarTypeToText(tag->GetDataType())); break;
        default: break;
      }
    }
    WriteCell(col, row, &cell);
  }
  const std::string valueText = RefreshRow(row);
  if (!tag) return;

  CUGCell modifier;
  ReadCell(kColModifier, row, &modifier);
  switch (tag->GetDataType()) {
    case VT_I4:
    case VT_R4:
      if (IsRanged(tag->GetMinValue(), tag->GetMaxValue())) {
        modifier.SetCellType(m_sliderTypeId);
        modifier.SetText("0");
      } else {
        modifier.SetCellType(kCellTypeNormal);
        modifier.SetText(valueText);
      }
      break;
    case VT_BOOL: {
      const bool value = VariantToBool(tag->GetValue());
      modifier.SetCellType(kCellTypeDropList);
      modifier.SetLabelText(kBoolChoices);
      modifier.SetText(value ? kTrueText : kFalseText);
      modifier.SetBitmap(value ? &m_trueBitmap : &m_falseBitmap);
      break;
    }
    case VT_BSTR:
      modifier.SetCellType(kCellTypeNormal);
      modifier.SetText(valueText);
      break;
    default: modifier.SetCellType(kCellTypeNormal); break;
  }
  WriteCell(kColModifier, row, &modifier);
}

// ---------------------------------------------------------------- refreshing

std::string CDataCenterScoutGrid::RefreshRow(long row) {
  OwnUpdate own(*this);
  CDCTag* tag = TagAt(kColValue, row);
  if (!tag) return std::string();
  const Variant value = tag->GetValue();
  const Variant minimum = tag->GetMinValue();
  const Variant maximum = tag->GetMaxValue();

  Variant modifier = value;
  if (IsRanged(minimum, maximum)) {
    // Read by their types, so integer tags scale as well as float ones.
    modifier = Variant::R4(
        LinearScale(VariantToFloat(value), VariantToFloat(minimum), VariantToFloat(maximum), 0.0f, 100.0f));
    PutCellType(kColModifier, row, m_sliderTypeId);
  }
  const std::string valueText = VariantToText(value);
  PutCellText(kColValue, row, valueText.c_str());
  PutCellText(kColModifier, row, VariantToText(modifier).c_str());
  RepaintCell(kColValue, row);
  RepaintCell(kColModifier, row);
  ColourName(row, tag);
  return valueText;
}

void CDataCenterScoutGrid::RefreshVisibleRows() {
  const long last = std::min(LastVisibleRow(), RowCount() - 1);
  SetPaintingEnabled(0);
  for (long row = FirstVisibleRow(); row <= last; ++row) {
    if (!GetSafeHwnd() || !m_CUGGrid->GetSafeHwnd()) break;
    RefreshRow(row);
  }
  SetPaintingEnabled(1);
}

void CDataCenterScoutGrid::OnTimer(UINT_PTR id) {
  if (id == kRefreshTimer) RefreshVisibleRows();
  CUGCtrl::OnTimer(id);
}

bool CDataCenterScoutGrid::NameMatches(CDCTag* tag) const {
  return tag && !m_highlightFilter.empty() && tag->GetTagName().find(m_highlightFilter) != std::string::npos;
}

void CDataCenterScoutGrid::ColourName(long row, CDCTag* tag) {
  OwnUpdate own(*this);
  CUGCell cell;
  ReadCell(kColValue, row, &cell);
  const COLORREF color = NameMatches(tag) ? kMatchColor : cell.GetBackColor();
  ReadCell(kColName, row, &cell);
  if (cell.GetBackColor() == color) return;
  PutCellBackColor(kColName, row, color);
  RepaintCell(kColName, row);
}

int CDataCenterScoutGrid::SetHighlightFilter(const std::string& filter) {
  m_highlightFilter = filter;
  int matches = 0;
  long firstMatch = -1;
  const long count = RowCount();
  for (long row = 0; row < count; ++row) {
    CDCTag* tag = TagAt(kColName, row);
    if (NameMatches(tag)) {
      if (matches++ == 0) firstMatch = row;
    }
    ColourName(row, tag);
  }
  if (matches > 0) GoToLine(firstMatch);
  return matches;
}

long CDataCenterScoutGrid::GoToLine(long line) {
  const long count = RowCount();
  if (count <= 0) return 0;
  const long row = std::clamp(line, 0L, count - 1);
  GotoRow(row);
  if (LastVisibleRow() - row < 2) SetTopRow(FirstVisibleRow() + 2);
  if (row - FirstVisibleRow() < 2) SetTopRow(std::max(0L, row - 2));
  return row;
}

void CDataCenterScoutGrid::SetRowBackColor(long row, COLORREF color) {
  if (row < 0 || row >= RowCount()) return;
  OwnUpdate own(*this);
  for (int col = 0; col < ColCount(); ++col) {
    PutCellBackColor(col, row, color);
    RepaintCell(col, row);
  }
}

void CDataCenterScoutGrid::OnRowChange(long oldRow, long newRow) {
  SetRowBackColor(oldRow, OnGetDefBackColor(kSectionCellArea));
  SetRowBackColor(newRow, kCurrentRowColor);
}

// ---------------------------------------------------------------- writing

bool CDataCenterScoutGrid::ValueForTag(CDCTag* tag, const char* text, bool fromSlider, Variant* value) const {
  const VARTYPE type = tag->GetDataType();
  Variant converted;
  if (VariantChangeType(converted, Variant::String(TextOf(text)), type) != S_OK || converted.vt != type)
    return false;
  if (fromSlider) {
    const Variant minimum = tag->GetMinValue();
    const Variant maximum = tag->GetMaxValue();
    if (IsRanged(minimum, maximum)) {
      const Variant scaled = Variant::R4(
          LinearScale(VariantToFloat(converted), 0.0f, 100.0f, VariantToFloat(minimum), VariantToFloat(maximum)));
      // Back to the tag's own type (rounded for integers), or the tag would refuse it.
      if (VariantChangeType(converted, scaled, type) != S_OK || converted.vt != type) return false;
    }
  }
  *value = converted;
  return true;
}

void CDataCenterScoutGrid::OnSetCell(int col, long row, CUGCell* cell) {
  if (!m_setupDone || row < 0 || col != kColModifier || !cell) return;
  const std::string text = TextOf(cell->GetText());
  CDCTag* tag = TagAt(kColId, row);
  if (tag) cell->SetParam(reinterpret_cast<std::intptr_t>(tag));
  const int type = cell->GetCellType();
  const bool slider = type == m_sliderTypeId;

  Variant value;
  if (tag && !m_ownUpdate && ValueForTag(tag, text.c_str(), slider, &value)) {
    const bool focusInCells = m_CUGGrid && CWnd::GetFocus() == m_CUGGrid.get();
    if (IsCtrlKeyDown() && (!slider || focusInCells)) tag->SetValue(value);
  }

  if (type == kCellTypeDropList) {
    if (text == kTrueText) cell->SetBitmap(&m_trueBitmap);
    else if (text == kFalseText) cell->SetBitmap(&m_falseBitmap);
  } else if (slider) {
    // Not through the cell shortcuts: their scratch cell may be the very cell being written.
    CUGCell newValue;
    ReadCell(kColNewValue, row, &newValue);
    newValue.SetText("%" + text);
    WriteCell(kColNewValue, row, &newValue);
    RepaintCell(kColNewValue, row);
  }
}

int CDataCenterScoutGrid::OnCellTypeNotify(long, int, long, long, std::intptr_t) { return TRUE; }

int CDataCenterScoutGrid::OnEditFinish(int, long, CWnd*, const char* text, BOOL) {
  if (!text || !*text) CloseEditor();
  return TRUE;
}

void CDataCenterScoutGrid::OnDClicked(int col, long row, RECT*, POINT*, BOOL) {
  if (col != kColModifier || row < 0) return;
  CUGCell cell;
  ReadCell(col, row, &cell);
  if (cell.GetCellType() == kCellTypeNormal) BeginCellEditAt(col, row);
}

void CDataCenterScoutGrid::OnCharDown(UINT* key, BOOL) {
  const int col = CurrentCol();
  const long row = CurrentRow();
  if (!key || col != kColModifier || row < 0) return;
  CUGCell cell;
  ReadCell(col, row, &cell);
  if (cell.GetCellType() != kCellTypeNormal) return;
  // Enter opens the editor empty-handed; other control characters do not open it.
  if (*key == VK_RETURN) BeginCellEditAt(col, row);
  else if (*key >= ' ') BeginCellEditAt(col, row, *key);
}

// ---------------------------------------------------------------- menu, info, balloon

int CDataCenterScoutGrid::OnMenuStart(int, long, int section) {
  if (section == kSectionCellArea) {
    ClearPopupMenu();
    AppendPopupItem(kMenuCopy, "Copy");
    AppendPopupItem(kMenuShowInfo, "Show Info");
  }
  return TRUE;
}

void CDataCenterScoutGrid::OnMenuCommand(int col, long row, int, int item) {
  if (item == static_cast<int>(kMenuCopy)) {
    CopyTextToClipboard(TextOf(GetCellText(col, row)));
  } else if (item == static_cast<int>(kMenuShowInfo)) {
    AfxMessageBox(BuildTagInfoText(col, row), MB_ICONINFORMATION);
  }
}

std::string CDataCenterScoutGrid::BuildTagInfoText(int col, long row) {
  std::string text;
  if (CDCTag* tag = TagAt(col, row)) text = tag->GetInfoText();
  char position[64];
  std::snprintf(position, sizeof position, "\nCol: %d,   Row: %ld", col, row);
  return text + position;
}

void CDataCenterScoutGrid::OnLClicked(int col, long row, int upDown, RECT*, POINT*, BOOL) {
  if (!upDown || col != kColId || row < 0) return;
  CBalloonHelp::ShowBalloon("DCTag Info", BuildTagInfoText(kColId, row), nullptr, IDI_INFORMATION, kBalloonOptions,
                            kBalloonTimeoutMs, this);
}

// ---------------------------------------------------------------- the rest

void CDataCenterScoutGrid::OnRClicked(int, long, int, RECT*, POINT*, BOOL) {}
void CDataCenterScoutGrid::OnTopHdgLClicked(int, long, int, RECT*, POINT*, BOOL) {}
void CDataCenterScoutGrid::OnTopHdgRClicked(int, long, int, RECT*, POINT*, BOOL) {}
void CDataCenterScoutGrid::OnTopHdgDClicked(int, long, RECT*, POINT*, BOOL) {}
void CDataCenterScoutGrid::OnSideHdgLClicked(int, long, int, RECT*, POINT*, BOOL) {}
void CDataCenterScoutGrid::OnSideHdgRClicked(int, long, int, RECT*, POINT*, BOOL) {}
void CDataCenterScoutGrid::OnSideHdgDClicked(int, long, RECT*, POINT*, BOOL) {}
void CDataCenterScoutGrid::OnCornerLClicked(int, RECT*, POINT*, BOOL) {}
void CDataCenterScoutGrid::OnCornerRClicked(int, RECT*, POINT*, BOOL) {}
void CDataCenterScoutGrid::OnCornerDClicked(RECT*, POINT*, BOOL) {}

DWORD CDataCenterScoutGrid::OnGetContextHelpId(int, long, int) { return 0; }

COLORREF CDataCenterScoutGrid::OnGetDefBackColor(int) { return kWhite; }

int CDataCenterScoutGrid::OnDrawFocusRect(CDC* dc, RECT* rect) {
  if (!dc || !rect) return 0;
  RECT focus = *rect;
  focus.right -= 1;
  focus.bottom -= 1;
  dc->DrawFocusRect(&focus);
  return 0;
}

int CDataCenterScoutGrid::OnSortEvaluate(CUGCell* cell1, CUGCell* cell2, int flags) {
  if (!cell1) return cell2 ? 1 : 0;
  if (!cell2) return -1;
  if (flags & kSortDescending) std::swap(cell1, cell2);
  const short type = cell1->GetDataType();
  const std::string text1 = TextOf(cell1->GetText());
  const std::string text2 = TextOf(cell2->GetText());
  if (type == CUGCell::kDataText && text1.empty() && text2.empty()) return 0;
  if (type == CUGCell::kDataNumber || type == 3 || type == CUGCell::kDataCurrency) {
    const double a = cell1->GetNumber();
    const double b = cell2->GetNumber();
    return a < b ? -1 : (a > b ? 1 : 0);
  }
  if (text1.empty()) return 1;
  if (text2.empty()) return -1;
  const int order = std::strcmp(text1.c_str(), text2.c_str());
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}
