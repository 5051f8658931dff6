#pragma once
// One grid cell's content and look, as a bag of properties.
//
// Every property has a bit in the property mask. A getter answers the stored
// value when the bit is set and the property's default otherwise, and copying
// adds only the properties that are set. Numbers are kept as doubles beside the
// text and shown through the user's locale.
//
// The attached object and the extra memory are shared between copies: a cell
// handed out by a data source refers to the same object as the stored one, and
// whichever lets go last frees it.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/WinTypes.h"

class CBitmap;
class CFont;
class CPen;
class CUGCellFormat;

class CUGCell {
 public:
  // Property mask bits.
  enum : std::uint32_t {
    kPropText = 0x1,  // text and number
    kPropEditMask = 0x2,
    kPropLabel = 0x4,
    kPropDataType = 0x8,
    kPropParam = 0x10,
    kPropCellType = 0x20,
    kPropCellTypeEx = 0x40,
    kPropTextColor = 0x80,
    kPropBackColor = 0x100,
    kPropHTextColor = 0x200,
    kPropHBackColor = 0x400,
    kPropBorder = 0x800,
    kPropBorderPen = 0x1000,
    kPropFont = 0x2000,
    kPropBitmap = 0x4000,
    kPropAlignment = 0x8000,
    kPropExtraMemory = 0x10000,
    kPropJoin = 0x20000,
    kPropFormat = 0x200000,
    kPropCellStyle = 0x800000,
    kPropReadOnly = 0x1000000,
    kPropDecimalPlaces = 0x2000000,
    kPropNoLocaleFormat = 0x4000000,  // no member: show the number without locale formatting
    kPropVisualStyle = 0x8000000,
  };
  // What a cleared cell has set: data type, the four colours, alignment, visual style code.
  static constexpr std::uint32_t kResetMask = 0x08008788;

  // Data types. 3 exists but has no conversion or display of its own.
  static constexpr short kDataText = 1;
  static constexpr short kDataNumber = 2;
  static constexpr short kDataDateTime = 4;
  static constexpr short kDataCurrency = 5;

  CUGCell();
  ~CUGCell();
  CUGCell(const CUGCell&) = delete;
  CUGCell& operator=(const CUGCell&) = delete;

  // Text and number.
  // An empty (or null) text leaves the cell without content.
  void SetText(std::string_view text);
  void SetText(const char* text) { SetText(text ? std::string_view(text) : std::string_view()); }
  // Null without content; a number cell answers its number as locale text.
  // The pointer stays valid until the cell next changes.
  const char* GetText();
  int GetTextLength() const;
  void SetNumber(double number);
  double GetNumber() const;
  // Converts the content to the type: 2 reads the text as a number, 4 as a date
  // and time, 5 as a currency amount; 1 and 3 convert nothing.
  int SetDataType(short type);
  short GetDataType() const;
  void SetDecimalPlaces(int places);
  int GetDecimalPlaces() const;

  void SetLabelText(const char* text);
  const char* GetLabel() const;
  // 1 when no label is set.
  int GetLabel(std::string* label) const;
  // The edit mask the masked editor uses.
  void SetMask(const char* mask);
  const char* GetMask() const;

  void SetReadOnly(BOOL readOnly);
  BOOL GetReadOnly() const;
  // Pointer-sized so that a user can keep an address in it.
  void SetParam(std::intptr_t param);
  std::intptr_t GetParam() const;
  void SetCellType(int type);
  int GetCellType() const;  // 0, the normal type, when not set
  void SetCellTypeEx(long extendedStyle);
  long GetCellTypeEx() const;  // 0 when not set

  void SetTextColor(COLORREF color);
  COLORREF GetTextColor() const;
  void SetBackColor(COLORREF color);
  COLORREF GetBackColor() const;
  void SetHTextColor(COLORREF color);
  COLORREF GetHTextColor() const;
  void SetHBackColor(COLORREF color);
  COLORREF GetHBackColor() const;

  // Border style bits: 1, 2, 4, 8 thin lines left, top, right, bottom; 16..128 the
  // same two pixels wide; 0x100..0x800 three pixels; 0x1000 sunken; 0x2000 raised.
  static constexpr short kBorderSunken = 0x1000;
  static constexpr short kBorderRaised = 0x2000;
  void SetBorder(short style);
  short GetBorder() const;
  // Null: the sheet's grid-line pen.
  void SetBorderColor(CPen* pen);
  CPen* GetBorderColor() const;
  // Null: the sheet's default font.
  void SetFont(CFont* font);
  CFont* GetFont() const;
  // Null clears the property.
  void SetBitmap(CBitmap* bitmap);
  CBitmap* GetBitmap() const;
  void SetAlignment(short alignment);
  short GetAlignment() const;

  void SetFormatClass(CUGCellFormat* format);
  CUGCellFormat* GetFormatClass() const;
  void SetCellStyle(CUGCell* styleCell);
  CUGCell* GetCellStyle() const;

  // In the start cell of a join origin is non-zero and the offsets reach the
  // join's last column and row; elsewhere they lead back to the start cell.
  void SetJoinInfo(BOOL origin, int colOffset, long rowOffset);
  // 1 (outputs untouched) when the cell is not joined.
  int GetJoinInfo(BOOL* origin, int* colOffset, long* rowOffset) const;

  // The code the visual-style layer draws the cell with.
  void SetVisualStyleCode(int code);
  int GetVisualStyleCode() const;
  // Whether the cell is drawn with visual styles; carried by every copy, kept by clearing.
  void SetUseVisualStyles(int use) { m_useVisualStyles = use; }
  int GetUseVisualStyles() const { return m_useVisualStyles; }

  // Extra memory: zero-filled bytes a user keeps with the cell.
  void* AllocExtraMemory(int length);
  void* GetExtraMemory() const;
  int GetExtraMemoryLength() const;
  void ClearExtraMemory();

  // The attached object, shared by every copy of the cell.
  void SetAttached(std::shared_ptr<void> object) { m_attached = std::move(object); }
  const std::shared_ptr<void>& GetAttached() const { return m_attached; }
  // Lets go of the attached object, then of the extra memory.
  void ClearAttached();

  BOOL IsPropertySet(std::uint32_t bits) const { return (m_propertyFlags & bits) != 0; }
  void SetPropertyFlags(std::uint32_t mask) { m_propertyFlags = mask; }
  std::uint32_t GetPropertyFlags() const { return m_propertyFlags; }
  void ClearProperty(std::uint32_t bits) { m_propertyFlags &= ~bits; }

  // Every property to its default; the visual-styles flag and the extra memory stay.
  void ClearAll();
  // Takes the source's mask, then its set properties.
  int CopyInfoFrom(const CUGCell* source);
  // Adds this cell's set properties (and its mask bits) to the destination.
  int AddInfoTo(CUGCell* destination) const;

 private:
  std::shared_ptr<void> m_attached;
  std::uint32_t m_propertyFlags = kResetMask;
  int m_useVisualStyles = 1;
  CUGCellFormat* m_format = nullptr;
  CUGCell* m_cellStyle = nullptr;
  double m_number = 0.0;
  std::string m_text;
  std::string m_label;
  std::string m_editMask;
  short m_dataType = kDataText;
  BOOL m_readOnly = FALSE;
  std::intptr_t m_param = -1;
  int m_decimalPlaces = 0;
  int m_cellType = -1;
  long m_cellTypeEx = -1;
  COLORREF m_textColor = 0;
  COLORREF m_backColor = 0;
  COLORREF m_hTextColor = 0;
  COLORREF m_hBackColor = 0;
  short m_borderStyle = 0;
  CPen* m_borderPen = nullptr;
  CFont* m_font = nullptr;
  CBitmap* m_bitmap = nullptr;
  short m_alignment = 1;
  std::shared_ptr<std::vector<unsigned char>> m_extraMemory;
  BOOL m_joinOrigin = FALSE;
  long m_joinRowOffset = -1;
  int m_joinColOffset = -1;
  int m_visualStyleCode = 16;
};
