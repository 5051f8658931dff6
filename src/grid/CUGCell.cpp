#include "grid/CUGCell.h"

#include "grid/UGLocaleText.h"
#include "platform/base/Text.h"
#include "platform/ui/SystemMetrics.h"

CUGCell::CUGCell() { ClearAll(); }

CUGCell::~CUGCell() = default;

void CUGCell::ClearAll() {
  m_attached.reset();
  m_propertyFlags = kResetMask;
  m_format = nullptr;
  m_cellStyle = nullptr;
  m_number = 0.0;
  m_text.clear();
  m_label.clear();
  m_editMask.clear();
  m_dataType = kDataText;
  m_readOnly = FALSE;
  m_param = -1;
  m_decimalPlaces = 0;
  m_cellType = -1;
  m_cellTypeEx = -1;
  m_textColor = GetSysColor(COLOR_WINDOWTEXT);
  m_backColor = GetSysColor(COLOR_WINDOW);
  m_hTextColor = GetSysColor(COLOR_HIGHLIGHTTEXT);
  m_hBackColor = GetSysColor(COLOR_HIGHLIGHT);
  m_borderStyle = 0;
  m_borderPen = nullptr;
  m_font = nullptr;
  m_bitmap = nullptr;
  m_alignment = 1;
  m_joinOrigin = FALSE;
  m_joinRowOffset = -1;
  m_joinColOffset = -1;
  m_visualStyleCode = 16;
}

// ---- text and number ----

void CUGCell::SetText(std::string_view text) {
  m_text.assign(text);
  m_dataType = kDataText;
  if (text.empty())
    m_propertyFlags &= ~kPropText;
  else
    m_propertyFlags |= kPropText | kPropDataType;
}

const char* CUGCell::GetText() {
  if (!(m_propertyFlags & kPropText)) return nullptr;
  if (GetDataType() != kDataNumber) return m_text.c_str();

  const bool placesSet = (m_propertyFlags & kPropDecimalPlaces) && m_decimalPlaces >= 0;
  const std::string plain = UGPlainNumberText(m_number, placesSet ? m_decimalPlaces : -1);
  if (m_propertyFlags & kPropNoLocaleFormat) {
    m_text = plain;
    return m_text.c_str();
  }
  int fractionDigits = m_decimalPlaces;
  if (!placesSet) {
    const std::size_t dot = plain.find('.');
    fractionDigits = dot == std::string::npos ? 0 : static_cast<int>(plain.size() - dot - 1);
  }
  const UGNumberLocale locale = UGNumberLocale::Current();
  if (auto formatted = UGLocaleNumberText(plain, fractionDigits, locale)) {
    m_text = std::move(*formatted);
  } else {
    // Not a plain number (infinity, NaN): only the separator follows the locale.
    m_text = plain;
    if (const std::size_t dot = m_text.find('.'); dot != std::string::npos)
      m_text.replace(dot, 1, locale.decimalSeparator);
  }
  return m_text.c_str();
}

int CUGCell::GetTextLength() const {
  return (m_propertyFlags & kPropText) ? static_cast<int>(m_text.size()) : 0;
}

void CUGCell::SetNumber(double number) {
  m_text.clear();
  m_number = number;
  m_dataType = kDataNumber;
  m_propertyFlags |= kPropText | kPropDataType;
}

double CUGCell::GetNumber() const {
  if (!(m_propertyFlags & kPropText)) return 0.0;
  switch (GetDataType()) {
    case kDataNumber:
    case kDataDateTime:
    case kDataCurrency:
      return m_number;
    default:
      return UGReadNumber(m_text, UGNumberLocale::Current());
  }
}

int CUGCell::SetDataType(short type) {
  if ((m_propertyFlags & kPropDataType) && m_dataType == type) return 0;
  const bool hasContent = (m_propertyFlags & kPropText) != 0;
  if (hasContent) {
    switch (type) {
      case kDataNumber:
        m_number = UGReadNumber(m_text, UGNumberLocale::Current());
        m_text.clear();
        break;
      case kDataDateTime: {
        const char* text = GetText();
        // A text that is no date keeps the number the cell had: nothing is lost.
        if (auto date = UGReadDateTime(text ? text : "")) m_number = *date;
        break;
      }
      case kDataCurrency:
        if (GetDataType() == kDataNumber)
          m_text = ruv::Format("%.2f", m_number);
        else
          m_number = UGReadCurrency(m_text, UGNumberLocale::Current());
        break;
      default:
        break;
    }
  }
  m_propertyFlags |= kPropDataType;
  m_dataType = type;
  return 0;
}

short CUGCell::GetDataType() const { return (m_propertyFlags & kPropDataType) ? m_dataType : kDataText; }

void CUGCell::SetDecimalPlaces(int places) {
  m_decimalPlaces = places;
  m_propertyFlags |= kPropDecimalPlaces;
}

int CUGCell::GetDecimalPlaces() const { return (m_propertyFlags & kPropDecimalPlaces) ? m_decimalPlaces : 0; }

// ---- label and edit mask ----

void CUGCell::SetLabelText(const char* text) {
  m_label = text ? text : "";
  m_propertyFlags |= kPropLabel;
}

const char* CUGCell::GetLabel() const { return (m_propertyFlags & kPropLabel) ? m_label.c_str() : nullptr; }

int CUGCell::GetLabel(std::string* label) const {
  if (!(m_propertyFlags & kPropLabel)) return 1;
  if (label) *label = m_label;
  return 0;
}

void CUGCell::SetMask(const char* mask) {
  m_editMask = mask ? mask : "";
  m_propertyFlags |= kPropEditMask;
}

const char* CUGCell::GetMask() const { return (m_propertyFlags & kPropEditMask) ? m_editMask.c_str() : nullptr; }

// ---- simple properties ----

void CUGCell::SetReadOnly(BOOL readOnly) {
  m_readOnly = readOnly;
  m_propertyFlags |= kPropReadOnly;
}
BOOL CUGCell::GetReadOnly() const { return (m_propertyFlags & kPropReadOnly) ? m_readOnly : FALSE; }

void CUGCell::SetParam(std::intptr_t param) {
  m_param = param;
  m_propertyFlags |= kPropParam;
}
std::intptr_t CUGCell::GetParam() const { return (m_propertyFlags & kPropParam) ? m_param : -1; }

void CUGCell::SetCellType(int type) {
  m_cellType = type;
  m_propertyFlags |= kPropCellType;
}
int CUGCell::GetCellType() const { return (m_propertyFlags & kPropCellType) ? m_cellType : 0; }

void CUGCell::SetCellTypeEx(long extendedStyle) {
  m_cellTypeEx = extendedStyle;
  m_propertyFlags |= kPropCellTypeEx;
}
long CUGCell::GetCellTypeEx() const { return (m_propertyFlags & kPropCellTypeEx) ? m_cellTypeEx : 0; }

void CUGCell::SetTextColor(COLORREF color) {
  m_textColor = color;
  m_propertyFlags |= kPropTextColor;
}
COLORREF CUGCell::GetTextColor() const {
  return (m_propertyFlags & kPropTextColor) ? m_textColor : GetSysColor(COLOR_WINDOWTEXT);
}

void CUGCell::SetBackColor(COLORREF color) {
  m_backColor = color;
  m_propertyFlags |= kPropBackColor;
}
COLORREF CUGCell::GetBackColor() const {
  return (m_propertyFlags & kPropBackColor) ? m_backColor : GetSysColor(COLOR_WINDOW);
}

void CUGCell::SetHTextColor(COLORREF color) {
  m_hTextColor = color;
  m_propertyFlags |= kPropHTextColor;
}
COLORREF CUGCell::GetHTextColor() const {
  return (m_propertyFlags & kPropHTextColor) ? m_hTextColor : GetSysColor(COLOR_HIGHLIGHTTEXT);
}

void CUGCell::SetHBackColor(COLORREF color) {
  m_hBackColor = color;
  m_propertyFlags |= kPropHBackColor;
}
COLORREF CUGCell::GetHBackColor() const {
  return (m_propertyFlags & kPropHBackColor) ? m_hBackColor : GetSysColor(COLOR_HIGHLIGHT);
}

void CUGCell::SetBorder(short style) {
  m_borderStyle = style;
  m_propertyFlags |= kPropBorder;
}
short CUGCell::GetBorder() const { return (m_propertyFlags & kPropBorder) ? m_borderStyle : 0; }

void CUGCell::SetBorderColor(CPen* pen) {
  m_borderPen = pen;
  m_propertyFlags |= kPropBorderPen;
}
CPen* CUGCell::GetBorderColor() const { return (m_propertyFlags & kPropBorderPen) ? m_borderPen : nullptr; }

void CUGCell::SetFont(CFont* font) {
  m_font = font;
  m_propertyFlags |= kPropFont;
}
CFont* CUGCell::GetFont() const { return (m_propertyFlags & kPropFont) ? m_font : nullptr; }

void CUGCell::SetBitmap(CBitmap* bitmap) {
  m_bitmap = bitmap;
  if (bitmap)
    m_propertyFlags |= kPropBitmap;
  else
    m_propertyFlags &= ~kPropBitmap;
}
CBitmap* CUGCell::GetBitmap() const { return (m_propertyFlags & kPropBitmap) ? m_bitmap : nullptr; }

void CUGCell::SetAlignment(short alignment) {
  m_alignment = alignment;
  m_propertyFlags |= kPropAlignment;
}
short CUGCell::GetAlignment() const { return (m_propertyFlags & kPropAlignment) ? m_alignment : 1; }

void CUGCell::SetFormatClass(CUGCellFormat* format) {
  m_format = format;
  m_propertyFlags |= kPropFormat;
}
CUGCellFormat* CUGCell::GetFormatClass() const { return (m_propertyFlags & kPropFormat) ? m_format : nullptr; }

void CUGCell::SetCellStyle(CUGCell* styleCell) {
  m_cellStyle = styleCell;
  m_propertyFlags |= kPropCellStyle;
}
CUGCell* CUGCell::GetCellStyle() const { return (m_propertyFlags & kPropCellStyle) ? m_cellStyle : nullptr; }

void CUGCell::SetJoinInfo(BOOL origin, int colOffset, long rowOffset) {
  m_joinOrigin = origin;
  m_joinColOffset = colOffset;
  m_joinRowOffset = rowOffset;
  m_propertyFlags |= kPropJoin;
}

int CUGCell::GetJoinInfo(BOOL* origin, int* colOffset, long* rowOffset) const {
  if (!(m_propertyFlags & kPropJoin)) return 1;
  if (origin) *origin = m_joinOrigin;
  if (colOffset) *colOffset = m_joinColOffset;
  if (rowOffset) *rowOffset = m_joinRowOffset;
  return 0;
}

void CUGCell::SetVisualStyleCode(int code) {
  m_visualStyleCode = code;
  m_propertyFlags |= kPropVisualStyle;
}
int CUGCell::GetVisualStyleCode() const { return (m_propertyFlags & kPropVisualStyle) ? m_visualStyleCode : 16; }

// ---- extra memory and attached object ----

void* CUGCell::AllocExtraMemory(int length) {
  m_extraMemory = std::make_shared<std::vector<unsigned char>>(static_cast<std::size_t>(std::max(length, 0)));
  m_propertyFlags |= kPropExtraMemory;
  return m_extraMemory->data();
}

void* CUGCell::GetExtraMemory() const {
  return (m_propertyFlags & kPropExtraMemory) && m_extraMemory ? m_extraMemory->data() : nullptr;
}

int CUGCell::GetExtraMemoryLength() const {
  return (m_propertyFlags & kPropExtraMemory) && m_extraMemory ? static_cast<int>(m_extraMemory->size()) : 0;
}

void CUGCell::ClearExtraMemory() {
  m_extraMemory.reset();
  m_propertyFlags &= ~kPropExtraMemory;
}

void CUGCell::ClearAttached() {
  m_attached.reset();
  ClearExtraMemory();
}

// ---- copying ----

int CUGCell::CopyInfoFrom(const CUGCell* source) {
  if (!source || source == this) return 0;
  m_propertyFlags = source->m_propertyFlags;
  return source->AddInfoTo(this);
}

int CUGCell::AddInfoTo(CUGCell* destination) const {
  if (!destination || destination == this) return 0;
  CUGCell& d = *destination;
  const std::uint32_t set = m_propertyFlags;
  d.m_useVisualStyles = m_useVisualStyles;
  d.m_propertyFlags |= set;

  if (set & kPropText) {
    d.m_text = m_text;
    d.m_number = m_number;
  }
  if (set & kPropEditMask) d.m_editMask = m_editMask;
  if (set & kPropLabel) d.m_label = m_label;
  if (set & kPropFormat) d.m_format = m_format;
  if (set & kPropCellStyle) d.m_cellStyle = m_cellStyle;
  if (set & kPropDataType) d.m_dataType = m_dataType;
  if (set & kPropParam) d.m_param = m_param;
  if (set & kPropCellType) d.m_cellType = m_cellType;
  if (set & kPropCellTypeEx) d.m_cellTypeEx = m_cellTypeEx;
  if (set & kPropTextColor) d.m_textColor = m_textColor;
  if (set & kPropBackColor) d.m_backColor = m_backColor;
  if (set & kPropHTextColor) d.m_hTextColor = m_hTextColor;
  if (set & kPropHBackColor) d.m_hBackColor = m_hBackColor;
  if (set & kPropBorder) d.m_borderStyle = m_borderStyle;
  if (set & kPropBorderPen) d.m_borderPen = m_borderPen;
  if (set & kPropFont) d.m_font = m_font;
  if (set & kPropBitmap) d.m_bitmap = m_bitmap;
  if (set & kPropAlignment) d.m_alignment = m_alignment;
  if (set & kPropVisualStyle) d.m_visualStyleCode = m_visualStyleCode;
  // A source without extra memory leaves the destination without any either.
  if ((set & kPropExtraMemory) || !m_extraMemory) d.m_extraMemory = m_extraMemory;
  if (set & kPropJoin) {
    d.m_joinOrigin = m_joinOrigin;
    d.m_joinColOffset = m_joinColOffset;
    d.m_joinRowOffset = m_joinRowOffset;
  }
  if (set & kPropDecimalPlaces) d.m_decimalPlaces = m_decimalPlaces;
  if (set & kPropReadOnly) d.m_readOnly = m_readOnly;
  d.m_attached = m_attached;
  return 0;
}
