// Resizable dialog: anchors after a resize, the minimum size, and the placement
// kept in the profile.
#include <gtest/gtest.h>

#include <QApplication>
#include <QRect>
#include <QWidget>

#include "support/TestEnvironment.h"
#include "controls/CResizableDialog.h"
#include "platform/base/ProfileStore.h"
#include "platform/base/Text.h"

namespace {

constexpr UINT kResizable = 9201;
constexpr UINT kList = 301, kOk = 1, kLabel = 302;

class AnchoredDialog : public CResizableDialog {
 public:
  AnchoredDialog() : CResizableDialog(kResizable) {
    DialogTemplate t;
    t.id = kResizable;
    t.caption = "Resizable";
    t.style = WS_POPUP | WS_CAPTION | WS_THICKFRAME;
    t.cx = 200;
    t.cy = 120;
    t.items = {{kList, kListBoxClass, "", WS_VISIBLE | WS_BORDER, 8, 8, 184, 80},
               {kLabel, kStaticClass, "Rows", WS_VISIBLE | SS_LEFT, 8, 96, 60, 10},
               {kOk, kButtonClass, "OK", WS_VISIBLE | BS_DEFPUSHBUTTON, 142, 98, 50, 14}};
    RegisterDialogTemplate(t);
  }
  BOOL OnInitDialog() override {
    CResizableDialog::OnInitDialog();
    AnchorControl(kList, TOP_LEFT, BOTTOM_RIGHT);
    AnchorControl(kOk, BOTTOM_RIGHT, NOANCHOR);
    AnchorControl(kLabel, BOTTOM_LEFT);
    if (!section.empty()) EnablePlacementSaving(section, "RecipeDlg");
    return TRUE;
  }
  CRect ItemRect(UINT id) {
    CRect r;
    GetDlgItem(id)->GetWindowRect(&r);
    ScreenToClient(&r);
    return r;
  }
  std::string section;
};

void Resize(CWnd& window, int width, int height) {
  window.GetWidget()->resize(width, height);
  QApplication::processEvents();
}

}  // namespace

TEST(ResizableDialog, AnchoredControlsFollowTheSize) {
  AnchoredDialog dialog;
  ASSERT_TRUE(dialog.Create(kResizable));
  dialog.ShowWindow(SW_SHOW);
  CRect client;
  dialog.GetClientRect(&client);
  const CRect list = dialog.ItemRect(kList), ok = dialog.ItemRect(kOk), label = dialog.ItemRect(kLabel);

  Resize(dialog, client.Width() + 100, client.Height() + 60);
  const CRect grownList = dialog.ItemRect(kList), movedOk = dialog.ItemRect(kOk), movedLabel = dialog.ItemRect(kLabel);
  EXPECT_EQ(grownList.TopLeft(), list.TopLeft());
  EXPECT_EQ(grownList.Width(), list.Width() + 100);
  EXPECT_EQ(grownList.Height(), list.Height() + 60);
  EXPECT_EQ(movedOk.Size(), ok.Size());
  EXPECT_EQ(movedOk.TopLeft(), ok.TopLeft() + CPoint(100, 60));
  EXPECT_EQ(movedLabel.TopLeft(), label.TopLeft() + CPoint(0, 60));

  // Shrinking below the opening size stops at it, every control back in place.
  Resize(dialog, 50, 40);
  CRect now;
  dialog.GetClientRect(&now);
  EXPECT_EQ(now.Size(), client.Size());
  EXPECT_EQ(dialog.ItemRect(kList), list);
  EXPECT_EQ(dialog.ItemRect(kOk), ok);
  dialog.DestroyWindow();
}

TEST(ResizableDialog, CanBeCreatedAgainAfterDestroy) {
  AnchoredDialog dialog;
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(dialog.Create(kResizable));
    dialog.ShowWindow(SW_SHOW);
    CRect client;
    dialog.GetClientRect(&client);
    Resize(dialog, client.Width() + 20, client.Height() + 20);
    dialog.DestroyWindow();
    QApplication::processEvents();  // the old widgets are gone now
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    CRect none;
    dialog.GetClientRect(&none);
    EXPECT_TRUE(none.IsRectNull());
  }
}

TEST(ResizableDialog, MinimumTrackingSizeIsTheOpeningSize) {
  AnchoredDialog dialog;
  ASSERT_TRUE(dialog.Create(kResizable));
  CRect window;
  dialog.GetWindowRect(&window);
  MINMAXINFO info;
  dialog.OnGetMinMaxInfo(&info);
  EXPECT_EQ(info.ptMinTrackSize.x, window.Width());
  EXPECT_EQ(info.ptMinTrackSize.y, window.Height());
  EXPECT_EQ(info.ptMaxTrackSize.x, 0);  // never given in this system
  CPoint corner(window.right - 2, window.bottom - 2);
  EXPECT_EQ(dialog.OnNcHitTest(corner), HTBOTTOMRIGHT);
  dialog.DestroyWindow();
}

class PlacementTest : public ::testing::Test {
 protected:
  void SetUp() override { profile::SetPathOverride(dir.File("profile.ini")); }
  void TearDown() override { profile::SetPathOverride(""); }
  TempDir dir;
};

TEST_F(PlacementTest, SavedOnDestroyAndRestoredOnEnable) {
  CRect outer;
  QRect inner;
  {
    AnchoredDialog dialog;
    dialog.section = "Setting";
    ASSERT_TRUE(dialog.Create(kResizable));
    dialog.ShowWindow(SW_SHOW);
    dialog.GetWidget()->move(40, 30);
    Resize(dialog, 400, 300);
    dialog.GetWindowRect(&outer);
    inner = dialog.GetWidget()->geometry();
    dialog.DestroyWindow();
  }
  EXPECT_EQ(outer.TopLeft(), CPoint(40, 30));
  // The inner window's rectangle, the frame left out.
  const std::string saved = profile::GetString("Setting", "RecipeDlg");
  EXPECT_EQ(saved, ruv::Format("%d,%d,%d,%d,1,0", inner.left(), inner.top(), inner.left() + 400, inner.top() + 300));

  profile::WriteString("Setting", "RecipeDlg", "10,20,500,400,1,0");
  AnchoredDialog restored;
  restored.section = "Setting";
  ASSERT_TRUE(restored.Create(kResizable));
  EXPECT_EQ(restored.GetWidget()->geometry(), QRect(10, 20, 490, 380));
  restored.DestroyWindow();
}

// Framed as a window manager frames it (the frame's rectangle is not the
// window's): a kept place, normal or maximised, comes back the same at every
// start, and the dialog neither grows nor moves by itself.
TEST_F(PlacementTest, AKeptPlaceIsTheSameAfterEveryRestartOfAFramedDialog) {
  for (const char* kept : {"100,80,500,380,1,0", "100,80,500,380,3,0"}) {
    profile::WriteString("Setting", "RecipeDlg", kept);
    for (int start = 1; start <= 3; ++start) {
      AnchoredDialog dialog;
      dialog.section = "Setting";
      ASSERT_TRUE(dialog.Create(kResizable));
      dialog.ShowWindow(SW_SHOW);
      QApplication::processEvents();
      EXPECT_NE(dialog.GetWidget()->frameGeometry(), dialog.GetWidget()->geometry()) << kept;
      dialog.DestroyWindow();
      EXPECT_EQ(profile::GetString("Setting", "RecipeDlg"), kept) << "start " << start;
    }
  }
}

TEST_F(PlacementTest, IncompleteOrOffScreenTextChangesNothing) {
  AnchoredDialog plain;
  ASSERT_TRUE(plain.Create(kResizable));
  CRect templateRect;
  plain.GetWindowRect(&templateRect);
  plain.DestroyWindow();

  for (const char* text : {"10,20,300,400,1", "-9000,-9000,-8800,-8800,1,0", "a,b,c,d,e,f"}) {
    profile::WriteString("Setting", "RecipeDlg", text);
    AnchoredDialog dialog;
    dialog.section = "Setting";
    ASSERT_TRUE(dialog.Create(kResizable));
    CRect window;
    dialog.GetWindowRect(&window);
    EXPECT_EQ(window, templateRect) << text;
    dialog.DestroyWindow();
  }
}
