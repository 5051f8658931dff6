#pragma once
// The tag scout's grid: one row per tag of the data center, in tag-file order,
// with the tag's id, name, hardware binding, types, live value, a modifier the
// operator writes new values through, and the last slider position.
//
// Every cell of a row holds the row's tag as its parameter. The visible rows
// are refreshed every 500 ms (timer 101). Only the operator's own changes reach
// a tag (a finished edit, a list choice, a slider drag), and only while Ctrl is
// held; the grid's own updates pass OnSetCell too and never write. Values are
// read through the tags' copying getters. UI thread only.
#include <string>

#include "grid/CUGAutoFontType.h"
#include "grid/CUGCtrl.h"
#include "grid/CUGSliderType.h"
#include "platform/base/Variant.h"
#include "platform/ui/CBitmap.h"

class CDCTag;

class CDataCenterScoutGrid : public CUGCtrl {
 public:
  enum : int {
    kColId = 0,
    kColName = 1,
    kColHwType = 2,
    kColAccessPath = 3,
    kColIoType = 4,
    kColDataType = 5,
    kColValue = 6,
    kColModifier = 7,
    kColNewValue = 8,
    kColCount = 9,
  };
  static constexpr UINT kRefreshTimer = 101;
  static constexpr UINT kRefreshPeriodMs = 500;
  static constexpr UINT kFalseBitmap = 3001;
  static constexpr UINT kTrueBitmap = 3002;
  static constexpr UINT kMenuCopy = 4320;
  static constexpr UINT kMenuShowInfo = 4321;
  static constexpr COLORREF kIdTextColor = 0xC08080;
  static constexpr COLORREF kMatchColor = 65535;  // yellow
  static constexpr COLORREF kCurrentRowColor = 0xFFD2D2;
  static constexpr COLORREF kWhite = 0xFFFFFF;
  static constexpr long kCellStyle = 4;
  static constexpr UINT kBalloonOptions = 33216;
  static constexpr UINT kBalloonTimeoutMs = 3000;

  CDataCenterScoutGrid();
  ~CDataCenterScoutGrid() override;

  // Refreshes row `row` from its tag; answers the value text.
  std::string RefreshRow(long row);
  void RefreshVisibleRows();
  // Marks the names containing `filter` (case-sensitive); answers the match count
  // and goes to the first match.
  int SetHighlightFilter(const std::string& filter);
  // Goes to the row (clamped into the grid) with two rows of margin; answers it.
  long GoToLine(long line);
  std::string BuildTagInfoText(int col, long row);

  // The tag a cell holds, or null.
  CDCTag* TagAt(int col, long row);
  // The column's heading as it is drawn: its width in the heading font, with
  // the cell's margins.
  int HeadingWidth(int col);
  // Every column's width added up, with the vertical scroll bar and the border:
  // the width that shows the whole row.
  int WholeRowWidth();
  const std::string& GetHighlightFilter() const { return m_highlightFilter; }
  bool IsSetupDone() const { return m_setupDone; }
  int GetSliderTypeId() const { return m_sliderTypeId; }
  int GetAutoFontTypeId() const { return m_autoFontTypeId; }
  CBitmap* FalseBitmap() { return &m_falseBitmap; }
  CBitmap* TrueBitmap() { return &m_trueBitmap; }

  // Minimum and maximum not both null, and not of one type and equal.
  static bool IsRanged(const Variant& minimum, const Variant& maximum);
  // Registers the two images under their resource ids (once).
  static void RegisterImages();

  // ---- notifications ----
  void OnSetup() override;
  void OnRowChange(long oldRow, long newRow) override;
  void OnLClicked(int col, long row, int upDown, RECT* rect, POINT* point, BOOL processed) override;
  void OnRClicked(int col, long row, int upDown, RECT* rect, POINT* point, BOOL processed) override;
  void OnDClicked(int col, long row, RECT* rect, POINT* point, BOOL processed) override;
  void OnTopHdgLClicked(int col, long row, int upDown, RECT* rect, POINT* point, BOOL processed) override;
  void OnTopHdgRClicked(int col, long row, int upDown, RECT* rect, POINT* point, BOOL processed) override;
  void OnTopHdgDClicked(int col, long row, RECT* rect, POINT* point, BOOL processed) override;
  void OnSideHdgLClicked(int col, long row, int upDown, RECT* rect, POINT* point, BOOL processed) override;
  void OnSideHdgRClicked(int col, long row, int upDown, RECT* rect, POINT* point, BOOL processed) override;
  void OnSideHdgDClicked(int col, long row, RECT* rect, POINT* point, BOOL processed) override;
  void OnCornerLClicked(int upDown, RECT* rect, POINT* point, BOOL processed) override;
  void OnCornerRClicked(int upDown, RECT* rect, POINT* point, BOOL processed) override;
  void OnCornerDClicked(RECT* rect, POINT* point, BOOL processed) override;
  void OnCharDown(UINT* key, BOOL processed) override;
  void OnSetCell(int col, long row, CUGCell* cell) override;
  int OnCellTypeNotify(long typeId, int col, long row, long message, std::intptr_t param) override;
  int OnEditFinish(int col, long row, CWnd* editor, const char* text, BOOL cancelled) override;
  void OnMenuCommand(int col, long row, int section, int item) override;
  int OnMenuStart(int col, long row, int section) override;
  DWORD OnGetContextHelpId(int col, long row, int section) override;
  int OnSortEvaluate(CUGCell* cell1, CUGCell* cell2, int flags) override;
  COLORREF OnGetDefBackColor(int section) override;
  int OnDrawFocusRect(CDC* dc, RECT* rect) override;
  void OnTimer(UINT_PTR id) override;

 private:
  // The scout's own cell updates: OnSetCell still runs for them, but never writes a tag.
  class OwnUpdate {
   public:
    explicit OwnUpdate(CDataCenterScoutGrid& grid) : m_grid(grid), m_previous(grid.m_ownUpdate) { grid.m_ownUpdate = true; }
    ~OwnUpdate() { m_grid.m_ownUpdate = m_previous; }
    OwnUpdate(const OwnUpdate&) = delete;
    OwnUpdate& operator=(const OwnUpdate&) = delete;

   private:
    CDataCenterScoutGrid& m_grid;
    bool m_previous;
  };

  void FillRow(long row, CDCTag* tag);
  void SetRowBackColor(long row, COLORREF color);
  // The name cell's colour: the value cell's back colour, or yellow for a match.
  void ColourName(long row, CDCTag* tag);
  bool NameMatches(CDCTag* tag) const;
  // The operator's value for the tag, converted to its type; false when it does not convert.
  bool ValueForTag(CDCTag* tag, const char* text, bool fromSlider, Variant* value) const;

  CBitmap m_falseBitmap;
  CBitmap m_trueBitmap;
  CUGSliderType m_sliderType;
  int m_sliderTypeId = -1;
  CUGAutoFontType m_autoFontType;
  int m_autoFontTypeId = -1;
  bool m_setupDone = false;
  bool m_ownUpdate = false;
  std::string m_highlightFilter;
};
