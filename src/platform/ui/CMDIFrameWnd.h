#pragma once
// The multiple-document frame: a Qt main window whose central area is an MDI
// area holding the child frames. Commands go to the active child frame first.
#include <QMetaObject>

#include "platform/ui/CFrameWnd.h"

class QMdiArea;
class CMDIChildWnd;

class CMDIFrameWnd : public CFrameWnd {
 public:
  CMDIChildWnd* MDIGetActive() const;
  void MDIActivate(CWnd* child);
  std::vector<CMDIChildWnd*> MDIChildren() const;
  QMdiArea* MdiArea() const { return m_mdiArea; }

  CView* GetActiveView() const override;
  CFrameWnd* GetActiveFrame() override;
  CDocument* GetActiveDocument() override;
  BOOL OnCmdMsg(UINT id, int code) override;
  BOOL OnUpdateCmdUI(CCmdUI* cmdUI) override;
  void OnUpdateFrameTitle(BOOL addToTitle) override;
  QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override;
  QWidget* ClientWidget() const override;
  void OnNcDestroy() override;

 protected:
  BOOL OnFrameCommand(UINT id, int code) override;
  // "New Window": another frame on the active document.
  virtual void OnWindowNew();

 private:
  QMdiArea* m_mdiArea = nullptr;
  QMetaObject::Connection m_activation;
  HWND m_titledChild = nullptr;  // the child frame the title was last composed for
};
