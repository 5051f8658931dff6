#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include "platform/ui/CClientDC.h"
#include "platform/ui/CPaintDC.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/RecordingWnd.h"

namespace {

// Erases nothing of its own and paints a red square through its paint context;
// a client context made during the paint draws on the same painter.
struct SquareWnd : RecordingWnd {
  bool eraseItself = false;
  BOOL OnEraseBkgnd(CDC* dc) override {
    if (!eraseItself) return CWnd::OnEraseBkgnd(dc);
    CRect client;
    GetClientRect(&client);
    dc->FillSolidRect(&client, RGB(0, 0, 255));
    return TRUE;
  }
  void OnPaint() override {
    CPaintDC dc(this);
    dc.FillSolidRect(2, 2, 10, 10, RGB(255, 0, 0));
    CClientDC alsoHere(this);
    alsoHere.FillSolidRect(20, 2, 5, 5, RGB(0, 255, 0));
  }
};

QImage Render(CWnd& wnd) { return wnd.GetWidget()->grab().toImage(); }

TEST(WindowPainting, PaintContextDrawsOnTheWindowOverTheErasedBackground) {
  SquareWnd wnd;
  ASSERT_TRUE(wnd.CreateTopLevel("paint", CRect(0, 0, 40, 30)));
  QPalette palette = wnd.GetWidget()->palette();
  palette.setColor(QPalette::Window, QColor(10, 20, 30));
  wnd.GetWidget()->setPalette(palette);
  const QImage image = Render(wnd);
  EXPECT_EQ(image.pixelColor(5, 5), QColor(255, 0, 0));
  EXPECT_EQ(image.pixelColor(21, 3), QColor(0, 255, 0));
  EXPECT_EQ(image.pixelColor(35, 25), QColor(10, 20, 30));  // the default erase
  wnd.DestroyWindow();
}

TEST(WindowPainting, AWindowMayEraseItsBackgroundItself) {
  SquareWnd wnd;
  wnd.eraseItself = true;
  ASSERT_TRUE(wnd.CreateTopLevel("paint", CRect(0, 0, 40, 30)));
  const QImage image = Render(wnd);
  EXPECT_EQ(image.pixelColor(35, 25), QColor(0, 0, 255));
  EXPECT_EQ(image.pixelColor(5, 5), QColor(255, 0, 0));
  wnd.DestroyWindow();
}

TEST(WindowPainting, AClientContextOutsideThePaintStillMeasuresText) {
  SquareWnd wnd;
  ASSERT_TRUE(wnd.CreateTopLevel("paint", CRect(0, 0, 40, 30)));
  CClientDC dc(&wnd);
  EXPECT_TRUE(dc.HasSurface());
  EXPECT_GT(dc.GetTextExtent("Batch 12").cx, dc.GetTextExtent("B").cx);
  wnd.DestroyWindow();
}

}  // namespace
