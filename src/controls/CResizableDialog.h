#pragma once
// A dialog whose controls follow its size by anchors in percent of the client
// area, with a size gripper in the lower right corner, a minimum tracking size
// equal to the size it opened with, and a placement kept in the registry
// profile ("%d,%d,%d,%d,%d,%d": normal rectangle, show command, flags).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QPointer>
#include <QSizeGrip>

#include "platform/ui/CDialog.h"

struct AnchorPoint {
  int x;
  int y;
};
inline constexpr AnchorPoint TOP_LEFT{0, 0};
inline constexpr AnchorPoint TOP_CENTER{50, 0};
inline constexpr AnchorPoint TOP_RIGHT{100, 0};
inline constexpr AnchorPoint MIDDLE_LEFT{0, 50};
inline constexpr AnchorPoint MIDDLE_CENTER{50, 50};
inline constexpr AnchorPoint MIDDLE_RIGHT{100, 50};
inline constexpr AnchorPoint BOTTOM_LEFT{0, 100};
inline constexpr AnchorPoint BOTTOM_CENTER{50, 100};
inline constexpr AnchorPoint BOTTOM_RIGHT{100, 100};
inline constexpr AnchorPoint NOANCHOR{-1, -1};


class CResizableDialog : public CDialog {
 public:
  CResizableDialog(UINT templateId, CWnd* parent = nullptr);
  ~CResizableDialog() override;

  BOOL OnInitDialog() override;
  void AnchorControl(CWnd* control, AnchorPoint topLeft, AnchorPoint bottomRight = NOANCHOR);
  void AnchorControl(UINT id, AnchorPoint topLeft, AnchorPoint bottomRight = NOANCHOR) {
    AnchorControl(GetDlgItem(id), topLeft, bottomRight);
  }
  void EnablePlacementSaving(const std::string& section, const std::string& entry);
  // The profile keeps the inner window's normal rectangle (GetKeptPlacement),
  // its show command and flags.
  void SavePlacement();
  void RestorePlacement();
  // Posted to itself once a placement was restored, and by whoever shows the
  // window again; handled once the window shows: the window is brought wholly
  // inside the screen (the recipe dialog also takes it as its call to the front).
  static constexpr UINT kPlacementRestoredMessage = WM_USER + 2;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Puts the window's outer rectangle (frame included) where `where` says for
  // the window's outer size, and again once the window manager has framed it
  // when its frame is not known yet.
  void PlaceOnceFramed(std::function<CRect(const CSize& outerSize)> where);
  // Whether a saved placement was put back (none saved yet, or one off every screen: false).
  bool IsPlacementRestored() const { return m_placementRestored; }
  bool IsInitialised() const { return m_initialised; }
  CSize GetMinTrackSize() const { return m_minTrackSize; }

  void OnGetMinMaxInfo(MINMAXINFO* info) override;
  UINT OnNcHitTest(CPoint screenPoint) override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnPaint() override;
  void OnDestroy() override;

 protected:
  void ArrangeLayout();

  struct Anchor {
    HWND window = nullptr;
    bool listBox = false;
    bool needsRefresh = false;
    AnchorPoint topLeft{0, 0};
    CSize topLeftMargin;
    AnchorPoint bottomRight{0, 0};
    CSize bottomRightMargin;
  };

  bool m_gripperVisible = true;
  bool m_useMaxTrack = false;
  bool m_useMinTrack = true;
  bool m_useMaxRect = false;
  bool m_placementSaving = false;
  bool m_placementRestored = false;
  void PlaceOuterRect(const RECT& outer, UINT showCmd);
  bool IsFrameKnown() const;
  // A placement made before the frame was known, made again once it is.
  std::function<CRect(const CSize& outerSize)> m_placeOnceFramed;
  std::string m_section;
  std::string m_entry;
  bool m_initialised = false;
  int m_gripperWidth;
  int m_gripperHeight;
  CRect m_gripperRect;
  CSize m_minTrackSize;
  CSize m_maxTrackSize;
  CPoint m_maxPosition;
  CSize m_maxSize;
  std::vector<std::unique_ptr<Anchor>> m_anchors;

 private:
  void PlaceGripper();
  QPointer<QSizeGrip> m_grip;  // goes with the window's widget
};
