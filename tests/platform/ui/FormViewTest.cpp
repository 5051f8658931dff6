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
  // In pixels of the dialog font's units: 600 by 390 with the original's 6 by 13.
  const CSize total(DialogUnitsToPixelsX(400), DialogUnitsToPixelsY(240));
  EXPECT_EQ(form.GetTotalSize(), total);
  EXPECT_EQ(form.GetDlgItem(kFarLabel), &form.far);  // bound in place of the template's label
  const CPoint corner = TopLeft(kCornerLabel);
  EXPECT_EQ(corner, CPoint(DialogUnitsToPixelsX(20), DialogUnitsToPixelsY(16)));
  CRect client;
  form.GetClientRect(&client);
  EXPECT_LT(client.Width(), 200);  // the vertical bar takes its room
  EXPECT_LT(client.Height(), 150);

  const int page = total.cy / 10;  // a page is a tenth of the form
  const int line = page / 10;      // a line a tenth of that
  const int column = total.cx / 10 / 10;
  Key(VK_NEXT);
  EXPECT_EQ(TopLeft(kCornerLabel), CPoint(corner.x, corner.y - page));
  Key(VK_DOWN);
  EXPECT_EQ(TopLeft(kCornerLabel), CPoint(corner.x, corner.y - page - line));
  Key(VK_RIGHT);
  EXPECT_EQ(TopLeft(kCornerLabel), CPoint(corner.x - column, corner.y - page - line));
  Key(VK_PRIOR);
  Key(VK_UP);
  Key(VK_LEFT);
  EXPECT_EQ(TopLeft(kCornerLabel), corner);

  // End shows the bottom-right corner of the form; the far label ends inside the client.
  Key(VK_END);
  CRect far;
  form.far.GetWindowRect(&far);
  form.ScreenToClient(&far);
  EXPECT_EQ(TopLeft(kCornerLabel),
            CPoint(corner.x - (total.cx - client.Width()), corner.y - (total.cy - client.Height())));
  EXPECT_EQ(form.GetScrollPosition(), CPoint(total.cx - client.Width(), total.cy - client.Height()));
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
