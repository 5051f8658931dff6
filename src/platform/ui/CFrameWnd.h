#pragma once
// A frame window: a Qt main window whose central area holds the view (or, for
// the MDI frame, the child frames). It routes commands to the active view and
// its document first, then handles them itself, then hands them to the
// application. The application's main frame ends the message loop when it goes.
#include <functional>
#include <string>

#include "platform/ui/CWnd.h"
#include "platform/ui/FrameworkIds.h"
#include "platform/ui/GdiTypes.h"

class QMainWindow;
class QMenuBar;
class CView;
class CDocument;
class CDocTemplate;

// What a frame needs to make its view: the view's maker and the document.
struct CCreateContext {
  std::function<CView*()> m_newView;
  CDocument* m_pCurrentDoc = nullptr;
  CDocTemplate* m_pNewDocTemplate = nullptr;
};

class CFrameWnd : public CWnd {
 public:
  // Creates the frame window (resource id: the frame's own menu and title).
  // A frame that deletes itself (m_bAutoDelete) is gone when this fails.
  virtual BOOL LoadFrame(UINT resourceId, DWORD style = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, CWnd* parent = nullptr,
                         CCreateContext* context = nullptr);
  virtual void ActivateFrame(int showCommand = -1);
  virtual void InitialUpdateFrame(CDocument* document, BOOL makeVisible);
  virtual void RecalcLayout(BOOL notify = TRUE);
  virtual void OnUpdateFrameTitle(BOOL addToTitle);

  virtual CView* GetActiveView() const { return m_activeView; }
  void SetActiveView(CView* view, BOOL notify = TRUE);
  virtual CDocument* GetActiveDocument();
  virtual CFrameWnd* GetActiveFrame() { return this; }

  void SetTitle(const std::string& title) { m_strTitle = title; }
  const std::string& GetTitle() const { return m_strTitle; }
  UINT GetResourceId() const { return m_nIDHelp; }

  // The Qt main window (null for frames inside an MDI frame); menu bars and
  // tool bars are placed in it.
  QMainWindow* MainWindow() const;
  void SetMenuBarWidget(QMenuBar* menuBar);

  BOOL OnCmdMsg(UINT id, int code) override;
  BOOL OnUpdateCmdUI(CCmdUI* cmdUI) override;
  // The frame's accelerators (loaded with the frame's resource id).
  BOOL PreTranslateMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  int OnCreate(LPCREATESTRUCT cs) override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnClose() override;
  void OnNcDestroy() override;
  void PostNcDestroy() override;
  QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override;
  QWidget* ClientWidget() const override;
  bool UsesQtDefaultHandling() const override { return true; }

  // Set for frames the framework made: the object goes with its window.
  bool m_bAutoDelete = false;

 protected:
  // Makes the view from the context (as the pane filling the client area).
  virtual BOOL OnCreateClient(LPCREATESTRUCT cs, CCreateContext* context);
  // Commands the frame handles itself; TRUE when handled.
  virtual BOOL OnFrameCommand(UINT id, int code);

  std::string m_strTitle;
  UINT m_nIDHelp = 0;
  CView* m_activeView = nullptr;
  CCreateContext* m_pendingContext = nullptr;
  QWidget* m_client = nullptr;
  HACCEL m_hAccelTable = nullptr;
};
