#include <gtest/gtest.h>

#include <QWidget>

#include "RecordingWnd.h"
#include "platform/ui/CFormView.h"
#include "platform/ui/CStatic.h"
#include "platform/ui/CDataExchange.h"
#include "platform/ui/DialogTemplate.h"

namespace {

constexpr UINT kFormTemplate = 9102;
constexpr UINT kCornerLabel = 100;
constexpr UINT kFarLabel = 101;

// A form of 600 by 390 pixels with a label near each end.
void RegisterForm() {
  DialogTemplate form;
  form.id = kFormTemplate;
  form.style = WS_CHILD;
  form.cx = 400;  // 600 pixels
  form.cy = 240;  // 390 pixels
  form.items = {{kCornerLabel, kStaticClass, "corner", WS_VISIBLE, 20, 16, 40, 8},
                {kFarLabel, kStaticClass, "far", WS_VISIBLE, 360, 224, 30, 8}};
  RegisterDialogTemplate(form);
}

class BoundForm : public CFormView {
 public:
  BoundForm() : CFormView(kFormTemplate) {}
  void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, kFarLabel, far); }
  CStatic far;
};

class FormViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterForm();
    ASSERT_TRUE(parent.CreateTopLevel("parent"));
    parent.ShowWindow(SW_SHOW);  // a shown window hears of its resizes at once
    ASSERT_TRUE(form.Create("", "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 200, 150), &parent, 1));
    form.OnInitialUpdate();
  }
  void TearDown() override { parent.DestroyWindow(); }
  CPoint TopLeft(UINT id) {
    CRect rect;
    form.GetDlgItem(id)->GetWindowRect(&rect);
    form.ScreenToClient(&rect);
    return rect.TopLeft();
  }
  void Key(int key) { form.SendMessage(WM_KEYDOWN, static_cast<WPARAM>(key), 1); }

  RecordingWnd parent;
  BoundForm form;
};

TEST_F(FormViewTest, KeysScrollASmallViewByMovingItsChildren) {
  EXPECT_EQ(form.GetTotalSize(), CSize(600, 390));
  EXPECT_EQ(form.GetDlgItem(kFarLabel), &form.far);  // bound in place of the template's label
  const CPoint corner = TopLeft(kCornerLabel);
  EXPECT_EQ(corner, CPoint(30, 26));
  CRect client;
  form.GetClientRect(&client);
  EXPECT_LT(client.Width(), 200);  // the vertical bar takes its room
  EXPECT_LT(client.Height(), 150);

  Key(VK_NEXT);  // a page is a tenth of the form
  EXPECT_EQ(TopLeft(kCornerLabel), CPoint(30, 26 - 39));
  Key(VK_DOWN);  // a line a tenth of that
  EXPECT_EQ(TopLeft(kCornerLabel), CPoint(30, 26 - 39 - 3));
  Key(VK_RIGHT);
  EXPECT_EQ(TopLeft(kCornerLabel), CPoint(30 - 6, 26 - 42));
  Key(VK_PRIOR);
  Key(VK_UP);
  Key(VK_LEFT);
  EXPECT_EQ(TopLeft(kCornerLabel), corner);

  // End shows the bottom-right corner of the form; the far label ends inside the client.
  Key(VK_END);
  CRect far;
  form.far.GetWindowRect(&far);
  form.ScreenToClient(&far);
  EXPECT_EQ(TopLeft(kCornerLabel), CPoint(30 - (600 - client.Width()), 26 - (390 - client.Height())));
  EXPECT_EQ(form.GetScrollPosition(), CPoint(600 - client.Width(), 390 - client.Height()));
  EXPECT_LE(far.right, client.Width());
  Key(VK_HOME);
  EXPECT_EQ(TopLeft(kCornerLabel), corner);

  // A view larger than the form has nothing to scroll: the children come back and stay.
  Key(VK_END);
  form.MoveWindow(0, 0, 700, 450);
  EXPECT_EQ(TopLeft(kCornerLabel), corner);
  Key(VK_NEXT);
  EXPECT_EQ(TopLeft(kCornerLabel), corner);
}

}  // namespace
