#pragma once
// A tool bar built from a table of command ids (0 for a separator) whose
// pictures are cut from one bitmap strip in the resource registry, one picture
// per button in order. Clicking a button posts WM_COMMAND (low word the id) to
// the owner window; UpdateButtons asks the owner (or an update handler) which
// buttons are enabled and checked, as menus do before they show.
#include <QImage>
#include <QPointer>
#include <QToolBar>
#include <functional>
#include <vector>

#include "platform/ui/CCmdUI.h"
#include "platform/ui/GdiTypes.h"
#include "platform/ui/MessageCore.h"

class CWnd;
class QWidget;
class QAction;

// Styles the frame passes (accepted; only the flat look and docking matter here).
constexpr DWORD TBSTYLE_FLAT = 0x0800;
constexpr DWORD CBRS_ALIGN_LEFT = 0x1000;
constexpr DWORD CBRS_ALIGN_TOP = 0x2000;
constexpr DWORD CBRS_ALIGN_RIGHT = 0x4000;
constexpr DWORD CBRS_ALIGN_BOTTOM = 0x8000;
constexpr DWORD CBRS_ALIGN_ANY = 0xF000;
constexpr DWORD CBRS_TOP = CBRS_ALIGN_TOP;
constexpr DWORD CBRS_TOOLTIPS = 0x0010;
constexpr DWORD CBRS_FLYBY = 0x0020;
constexpr DWORD CBRS_GRIPPER = 0x00400000;
constexpr DWORD CBRS_SIZE_DYNAMIC = 0x0040;
constexpr UINT AFX_IDW_TOOLBAR = 0xE800;  // 59392

struct ToolBarResource {
  int buttonWidth = 16;   // one picture's size in the strip
  int buttonHeight = 15;
  UINT bitmapId = 0;      // the strip in the bitmap registry (0: no pictures)
  std::vector<UINT> commands;  // 0 stands for a separator
};

void RegisterToolBarResource(UINT id, ToolBarResource resource);
void ClearToolBarResources();

class CToolBar {
 public:
  CToolBar();
  virtual ~CToolBar();
  CToolBar(const CToolBar&) = delete;
  CToolBar& operator=(const CToolBar&) = delete;

  // Makes the Qt tool bar in the frame's widget (added to it when it is a
  // QMainWindow); commands go to the frame. UI thread.
  BOOL CreateEx(CWnd* frame, DWORD toolBarStyle = TBSTYLE_FLAT, DWORD style = CBRS_TOP,
                UINT id = AFX_IDW_TOOLBAR);
  // The same for a bare widget and an owner handle.
  BOOL CreateEx(QWidget* parent, HWND owner, DWORD toolBarStyle = TBSTYLE_FLAT, DWORD style = CBRS_TOP,
                UINT id = AFX_IDW_TOOLBAR);
  // Buttons from a registered table; false when the table is missing or the bar
  // does not exist. A missing picture strip leaves the buttons without pictures.
  BOOL LoadToolBar(UINT resourceId);
  BOOL SetButtons(const std::vector<UINT>& commands);
  void EnableDocking(DWORD alignment);
  void ShowWindow(bool show);
  bool IsWindowVisible() const;

  int GetCount() const { return static_cast<int>(m_commands.size()); }
  UINT GetItemID(int index) const;  // 0 for a separator or a bad index
  int CommandToIndex(UINT id) const;  // -1 when absent
  bool IsButtonEnabled(UINT id) const;
  bool IsButtonChecked(UINT id) const;
  QToolBar* GetToolBar() const { return m_bar; }
  UINT GetDlgCtrlID() const { return m_id; }

  using UpdateHandler = std::function<void(CCmdUI&)>;
  void SetUpdateHandler(UpdateHandler handler) { m_update = std::move(handler); }
  // Asks the handler, else the owner window's OnUpdateCmdUI, about every button.
  void UpdateButtons();
  // Presses a button as a click would (tests, keyboard).
  BOOL PressButton(UINT id);

 private:
  QAction* ActionFor(UINT id) const;
  void Rebuild();

  QPointer<QToolBar> m_bar;
  HWND m_owner = nullptr;
  UINT m_id = AFX_IDW_TOOLBAR;
  std::vector<UINT> m_commands;
  QImage m_strip;
  int m_buttonWidth = 16;
  int m_buttonHeight = 15;
  UpdateHandler m_update;
};
