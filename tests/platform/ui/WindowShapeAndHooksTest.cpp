// Window regions, work areas, cursors from registered pictures, and the mouse
// releases and moves the application hooks see.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#include "platform/ui/ApplicationHooks.h"
#include "platform/ui/CRgn.h"
#include "platform/ui/CursorResources.h"
#include "platform/ui/MonitorWorkArea.h"
#include "platform/ui/ResourceRegistry.h"

namespace {

class ShapedPlainWindow : public CWnd {
 public:
  ShapedPlainWindow() {
    EXPECT_TRUE(CreateEx(0, "", "Plain", WS_OVERLAPPED, CRect(20, 20, 220, 120), nullptr, 0));
    ShowWindow(SW_SHOW);
  }
  ~ShapedPlainWindow() override { DestroyWindow(); }
};

}  // namespace

TEST(WindowShapeTest, ARegionBecomesTheMaskAndNullGivesTheRectangleBack) {
  ShapedPlainWindow window;
  CRgn region;
  region.CreateEllipticRgn(0, 0, 200, 100);
  EXPECT_EQ(window.SetWindowRgn(region, TRUE), 1);
  region.DeleteObject();  // the window keeps its own copy
  EXPECT_FALSE(window.GetWidget()->mask().isEmpty());
  EXPECT_FALSE(window.GetWidget()->mask().contains(QPoint(1, 1)));
  EXPECT_TRUE(window.GetWidget()->mask().contains(QPoint(100, 50)));
  EXPECT_EQ(window.SetWindowRgn(nullptr, TRUE), 1);
  EXPECT_TRUE(window.GetWidget()->mask().isEmpty());
}

TEST(WindowShapeTest, TheWorkAreaOfAPointOffEveryScreenIsTheNearestOne) {
  const CRect inside = GetWorkAreaNearestPoint(POINT{10, 10});
  EXPECT_FALSE(inside.IsRectEmpty());
  EXPECT_EQ(GetWorkAreaNearestPoint(POINT{-5000, -5000}), inside);  // one screen offscreen
}

TEST(WindowShapeTest, CursorsComeFromRegisteredPictures) {
  EXPECT_EQ(LoadCursorResource(48123), 0u);
  QImage picture(16, 16, QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::black);
  RegisterCursorResource(48124, picture, 3, 4);
  const HCURSOR cursor = LoadCursorResource(48124);
  ASSERT_NE(cursor, 0u);
  QCursor loaded;
  ASSERT_TRUE(FindLoadedCursor(cursor, &loaded));
  EXPECT_EQ(loaded.hotSpot(), QPoint(3, 4));
  EXPECT_TRUE(DestroyCursor(cursor));
  EXPECT_FALSE(FindLoadedCursor(cursor, &loaded));
  EXPECT_FALSE(FindLoadedCursor(IDC_HAND, &loaded));  // standard cursors are Qt's shapes
}

TEST(ApplicationHooksTest, MouseHookSeesReleasesAndEveryMoveOfTheWindow) {
  ShapedPlainWindow window;
  std::vector<UINT> seen;
  const int id = app_hooks::AddMouseHook([&](UINT message, CPoint, HWND) {
    seen.push_back(message);
    return false;
  });
  QWidget* widget = window.GetWidget();
  const QPoint at(30, 30);
  QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::MiddleButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(widget, &release);
  QWindow* handle = widget->windowHandle();
  ASSERT_NE(handle, nullptr);
  QMouseEvent move(QEvent::MouseMove, QPointF(40, 40), handle->mapToGlobal(QPoint(40, 40)), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(handle, &move);
  app_hooks::Remove(id);
  EXPECT_EQ(seen, (std::vector<UINT>{WM_MBUTTONUP, WM_MOUSEMOVE}));
}

namespace {

// A window that sets its own cursor and stops there, as owner-drawn controls do.
class CrossCursorChild : public CWnd {
 public:
  BOOL OnSetCursor(CWnd*, UINT, UINT) override {
    SetCursor(IDC_CROSS);
    return TRUE;
  }
};

// A parent that decides the cursor for its children.
class SizingParent : public ShapedPlainWindow {
 public:
  BOOL OnSetCursor(CWnd* under, UINT hitTest, UINT message) override {
    if (m_sizeCursor) {
      SetCursor(IDC_SIZEWE);
      return TRUE;
    }
    return CWnd::OnSetCursor(under, hitTest, message);
  }
  bool m_sizeCursor = false;
};

}  // namespace

TEST(WindowCursorTest, TheCursorSetGoesToTheWindowUnderTheMouseWhoeverSetsIt) {
  SizingParent parent;
  CrossCursorChild child;
  CWnd plainChild;
  ASSERT_TRUE(child.CreateEx(0, "", "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 50, 50), &parent, 1));
  ASSERT_TRUE(plainChild.CreateEx(0, "", "", WS_CHILD | WS_VISIBLE, CRect(60, 0, 110, 50), &parent, 2));
  const LPARAM hit = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
  // Set by the child's own handler, which never reaches the default one.
  child.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(child.GetSafeHwnd()), hit);
  EXPECT_EQ(child.GetWidget()->cursor().shape(), Qt::CrossCursor);
  EXPECT_NE(parent.GetWidget()->cursor().shape(), Qt::CrossCursor);
  // Set by the parent on a child's behalf.
  parent.m_sizeCursor = true;
  plainChild.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(plainChild.GetSafeHwnd()), hit);
  EXPECT_EQ(plainChild.GetWidget()->cursor().shape(), Qt::SizeHorCursor);
  EXPECT_NE(parent.GetWidget()->cursor().shape(), Qt::SizeHorCursor);
  plainChild.DestroyWindow();
  child.DestroyWindow();
}
