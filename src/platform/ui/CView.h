#pragma once
// A view: the child window of a frame that shows a document.
#include "platform/ui/CWnd.h"

class CDocument;
class QImage;
class CFrameWnd;

class CView : public CWnd {
 public:
  ~CView() override;
  CDocument* GetDocument() const { return m_pDocument; }
  // The frame that holds the view (its nearest frame ancestor).
  CFrameWnd* GetParentFrame() const;

  // After the frame and document are in place, before the view is first shown.
  virtual void OnInitialUpdate();
  virtual void OnUpdate(CView* sender, LPARAM hint);
  virtual void OnActivateView(BOOL activate, CView* activated, CView* deactivated);
  // Draws the view (the drawing context of the paint).
  virtual void OnDraw(CDC*) {}

  // What a print of the view shows: the window as it is on the screen.
  virtual QImage PrintPicture();

  // Paints through OnDraw.
  void OnPaint() override;
  // Print (ID_FILE_PRINT), print direct and print preview, then the document.
  BOOL OnCmdMsg(UINT id, int code) override;
  BOOL OnUpdateCmdUI(CCmdUI* cmdUI) override;
  void OnDestroy() override;
  void PostNcDestroy() override;

  CDocument* m_pDocument = nullptr;
  // Set for views the framework made: the object goes with its window.
  bool m_bAutoDelete = false;
};
