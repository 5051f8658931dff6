#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

#include "platform/ui/KeyTranslation.h"
#include "platform/ui/RecordingWnd.h"

namespace {

class QtEventMapping : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(parent.CreateTopLevel());
    ASSERT_TRUE(wnd.CreateChildOf(&parent, 42, CRect(10, 10, 110, 60)));
    parent.ShowWindow(SW_SHOW);
    wnd.Clear();
  }
  void TearDown() override { parent.DestroyWindow(); }

  void Mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint at,
             Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const QPointF local(at);
    QMouseEvent event(type, local, wnd.GetWidget()->mapToGlobal(local), button, held, mods);
    QApplication::sendEvent(wnd.GetWidget(), &event);
  }
  void Key(QEvent::Type type, int key, Qt::KeyboardModifiers mods, const QString& text) {
    QKeyEvent event(type, key, mods, text);
    QApplication::sendEvent(wnd.GetWidget(), &event);
  }
  void Press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString()) {
    Key(QEvent::KeyPress, key, mods, text);
    Key(QEvent::KeyRelease, key, mods, text);
  }
  // The WM_CHAR codes seen since the last Clear.
  std::vector<WPARAM> Chars() const {
    std::vector<WPARAM> chars;
    for (const auto& seen : wnd.Only(WM_CHAR)) chars.push_back(seen.wParam);
    return chars;
  }

  RecordingWnd parent;
  RecordingWnd wnd;
};

TEST_F(QtEventMapping, MouseButtonsBecomeButtonMessagesWithClientPointsAndKeyFlags) {
  Mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(5, 7), Qt::ControlModifier);
  Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(5, 7));
  Mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, QPoint(5, 7));
  Mouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, QPoint(1, 2));
  Mouse(QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, QPoint(1, 2));
  EXPECT_EQ(wnd.Sequence({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU}),
            (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP,
                               WM_CONTEXTMENU}));
  const auto down = wnd.Only(WM_LBUTTONDOWN).at(0);
  EXPECT_EQ(down.wParam, MK_LBUTTON | MK_CONTROL);
  EXPECT_EQ(GET_X_LPARAM(down.lParam), 5);
  EXPECT_EQ(GET_Y_LPARAM(down.lParam), 7);
  EXPECT_EQ(wnd.Only(WM_LBUTTONUP).at(0).wParam, 0u);
  // The right-button release asks for the context menu at the screen point.
  const auto menu = wnd.Only(WM_CONTEXTMENU).at(0);
  EXPECT_EQ(reinterpret_cast<HWND>(menu.wParam), wnd.GetSafeHwnd());
  CPoint screen(1, 2);
  wnd.ClientToScreen(&screen);
  EXPECT_EQ(CPoint(GET_X_LPARAM(menu.lParam), GET_Y_LPARAM(menu.lParam)), screen);
}

TEST_F(QtEventMapping, MouseMoveAsksForTheCursorFirstAndLeaveIsReported) {
  Mouse(QEvent::MouseMove, Qt::NoButton, Qt::NoButton, QPoint(3, 3));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(wnd.GetWidget(), &leave);
  EXPECT_EQ(wnd.Sequence({WM_SETCURSOR, WM_MOUSEMOVE, WM_MOUSELEAVE}),
            (std::vector<UINT>{WM_SETCURSOR, WM_MOUSEMOVE, WM_MOUSELEAVE}));
  EXPECT_EQ(LOWORD(wnd.Only(WM_SETCURSOR).at(0).lParam), HTCLIENT);
  EXPECT_EQ(HIWORD(wnd.Only(WM_SETCURSOR).at(0).lParam), WM_MOUSEMOVE);
  // The child's unhandled WM_SETCURSOR asks its parent.
  EXPECT_EQ(parent.Only(WM_SETCURSOR).size(), 1u);
}

TEST_F(QtEventMapping, WheelCountsInUnitsOf120AndGoesUpWhenUnhandled) {
  const QPointF at(4, 4);
  QWheelEvent wheel(at, wnd.GetWidget()->mapToGlobal(at), QPoint(), QPoint(0, -240), Qt::NoButton, Qt::ShiftModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(wnd.GetWidget(), &wheel);
  ASSERT_EQ(wnd.Only(WM_MOUSEWHEEL).size(), 1u);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wnd.Only(WM_MOUSEWHEEL)[0].wParam), -240);
  EXPECT_EQ(GET_KEYSTATE_WPARAM(wnd.Only(WM_MOUSEWHEEL)[0].wParam), MK_SHIFT);
  EXPECT_EQ(parent.Only(WM_MOUSEWHEEL).size(), 1u);
}

TEST_F(QtEventMapping, KeysGiveVirtualKeyCodesThenTheTranslatedCharacters) {
  Press(Qt::Key_Return, Qt::NoModifier, "\r");
  Press(Qt::Key_Tab, Qt::NoModifier, "\t");
  Press(Qt::Key_Escape, Qt::NoModifier, "\x1b");
  Press(Qt::Key_Left);
  Press(Qt::Key_Down);
  Press(Qt::Key_C, Qt::ControlModifier, QString());  // some platforms give no text with Ctrl
  Press(Qt::Key_A, Qt::NoModifier, "a");
  Press(Qt::Key_A, Qt::ShiftModifier, "A");

  std::vector<WPARAM> downs;
  for (const auto& seen : wnd.Only(WM_KEYDOWN)) downs.push_back(seen.wParam);
  EXPECT_EQ(downs, (std::vector<WPARAM>{VK_RETURN, VK_TAB, VK_ESCAPE, VK_LEFT, VK_DOWN, 'C', 'A', 'A'}));
  EXPECT_EQ(Chars(), (std::vector<WPARAM>{'\r', '\t', 0x1b, 3, 'a', 'A'}));
  EXPECT_EQ(wnd.Only(WM_KEYUP).size(), 8u);
  // Each WM_CHAR follows its WM_KEYDOWN and comes before the key-up.
  const auto order = wnd.Sequence({WM_KEYDOWN, WM_CHAR, WM_KEYUP});
  EXPECT_EQ(std::vector<UINT>(order.begin(), order.begin() + 3), (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
  const LPARAM upFlags = wnd.Only(WM_KEYUP)[0].lParam;
  EXPECT_TRUE(upFlags & (static_cast<LPARAM>(1) << 31));
  EXPECT_EQ(wnd.Only(WM_KEYDOWN)[0].lParam & 0xFFFF, 1);  // repeat count
}

TEST_F(QtEventMapping, AltKeysAreSystemKeys) {
  Press(Qt::Key_F, Qt::AltModifier, "f");
  EXPECT_EQ(wnd.Only(WM_SYSKEYDOWN).size(), 1u);
  EXPECT_EQ(wnd.Only(WM_SYSCHAR).size(), 1u);
  EXPECT_TRUE(wnd.Only(WM_KEYDOWN).empty());
  EXPECT_TRUE(wnd.Only(WM_CHAR).empty());
}

TEST_F(QtEventMapping, ResizeAndCloseBecomeSizeAndCloseMessages) {
  wnd.MoveWindow(0, 0, 80, 30);
  ASSERT_FALSE(wnd.Only(WM_SIZE).empty());
  const auto size = wnd.Only(WM_SIZE).back();
  EXPECT_EQ(size.wParam, SIZE_RESTORED);
  EXPECT_EQ(LOWORD(size.lParam), 80);
  EXPECT_EQ(HIWORD(size.lParam), 30);
}

TEST_F(QtEventMapping, FocusMessagesNameTheOtherWindow) {
  RecordingWnd second;
  ASSERT_TRUE(second.CreateChildOf(&parent, 43, CRect(0, 70, 50, 90)));
  QApplication::setActiveWindow(parent.GetWidget());
  wnd.SetFocus();
  second.SetFocus();
  ASSERT_FALSE(second.Only(WM_SETFOCUS).empty());
  ASSERT_FALSE(wnd.Only(WM_KILLFOCUS).empty());
  EXPECT_EQ(reinterpret_cast<HWND>(wnd.Only(WM_KILLFOCUS).back().wParam), second.GetSafeHwnd());
  EXPECT_EQ(reinterpret_cast<HWND>(second.Only(WM_SETFOCUS).back().wParam), wnd.GetSafeHwnd());
  EXPECT_EQ(CWnd::GetFocus(), &second);
}

TEST_F(QtEventMapping, PaintEventsGiveEraseThenPaint) {
  wnd.GetWidget()->grab();  // renders through the widget's paint events
  EXPECT_EQ(wnd.Sequence({WM_ERASEBKGND, WM_PAINT}), (std::vector<UINT>{WM_ERASEBKGND, WM_PAINT}));
}

TEST(KeyTranslation, ControlCharactersAndSilentKeys) {
  EXPECT_EQ(CharsForKeyDown(VK_RETURN, false, false, u"\r"), u"\r");
  EXPECT_EQ(CharsForKeyDown(VK_TAB, false, false, u""), u"\t");
  EXPECT_EQ(CharsForKeyDown(VK_ESCAPE, false, false, u""), u"\x1b");
  EXPECT_EQ(CharsForKeyDown(VK_BACK, false, false, u"\b"), u"\b");
  EXPECT_EQ(CharsForKeyDown('A', true, false, u""), u"\x01");
  EXPECT_EQ(CharsForKeyDown('Z', true, false, u"z"), u"\x1a");
  EXPECT_EQ(CharsForKeyDown(VK_RETURN, true, false, u""), u"\n");
  EXPECT_EQ(CharsForKeyDown('1', true, false, u"1"), u"");
  for (int silent : {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_HOME, VK_END, VK_PRIOR, VK_NEXT, VK_F1, VK_INSERT}) {
    EXPECT_EQ(CharsForKeyDown(silent, false, false, u""), u"") << silent;
  }
  EXPECT_EQ(CharsForKeyDown(VK_DELETE, false, false, u"\x7f"), u"");
  EXPECT_EQ(CharsForKeyDown(VK_OEM_PERIOD, false, false, u"."), u".");
  EXPECT_EQ(CharsForKeyDown('K', false, false, u"\u0643"), u"\u0643");  // a Persian layout types kaf
}

TEST(KeyTranslation, QtKeysMapToVirtualKeys) {
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Enter, false), VK_RETURN);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Backtab, false), VK_TAB);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_PageUp, false), VK_PRIOR);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_PageDown, false), VK_NEXT);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_F5, false), VK_F5);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_7, true), VK_NUMPAD0 + 7);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_7, false), '7');
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Control, false), VK_CONTROL);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_unknown, false), 0);
}

}  // namespace

namespace {

// A parent that takes F6 before its child sees it (as a frame's accelerators do).
struct KeyTakingParent : RecordingWnd {
  BOOL PreTranslateMessage(UINT message, WPARAM wParam, LPARAM) override {
    return message == WM_KEYDOWN && wParam == VK_F6;
  }
};

TEST(KeyPreTranslation, AParentMayTakeAKeyBeforeItsChild) {
  KeyTakingParent parent;
  RecordingWnd child;
  ASSERT_TRUE(parent.CreateTopLevel());
  ASSERT_TRUE(child.CreateChildOf(&parent, 1));
  QKeyEvent f6(QEvent::KeyPress, Qt::Key_F6, Qt::NoModifier);
  QApplication::sendEvent(child.GetWidget(), &f6);
  QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
  QApplication::sendEvent(child.GetWidget(), &f5);
  ASSERT_EQ(child.Only(WM_KEYDOWN).size(), 1u);
  EXPECT_EQ(child.Only(WM_KEYDOWN)[0].wParam, static_cast<WPARAM>(VK_F5));
  parent.DestroyWindow();
}

}  // namespace
