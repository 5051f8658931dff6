// Auto-size combo box: its own background colour and a list as wide as its widest item.
#include <gtest/gtest.h>

#include <QPalette>
#include <QWidget>

#include "controls/CAutoSizeComboBox.h"
#include "controls/CFocusEditCtrl.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/SystemMetrics.h"

namespace {
constexpr UINT kHostDialog = 9601, kCombo = 701, kEdit = 702;

class Host : public CDialog {
 public:
  Host() : CDialog(kHostDialog) {
    DialogTemplate t;
    t.id = kHostDialog;
    t.cx = 200;
    t.cy = 100;
    t.items = {{kCombo, kComboBoxClass, "", WS_VISIBLE | CBS_DROPDOWNLIST, 5, 5, 40, 80},
               {kEdit, kEditClass, "", WS_VISIBLE, 5, 30, 80, 12}};
    RegisterDialogTemplate(t);
    BindControl(kCombo, combo);
    BindControl(kEdit, edit);
  }
  CAutoSizeComboBox combo;
  CFocusEditCtrl edit;
};
}  // namespace

TEST(AutoSizeComboBox, DroppedWidthFitsTheWidestItem) {
  Host host;
  ASSERT_TRUE(host.Create(kHostDialog));
  host.combo.AddString("Water");
  host.combo.AddString("A much longer material name");
  const int narrow = host.combo.GetWidget()->width();
  host.combo.NotifyParent(CBN_DROPDOWN);  // reflected first: the width is fitted
  EXPECT_GT(host.combo.GetDroppedWidth(), narrow);
  EXPECT_GT(host.combo.GetDroppedWidth(), GetSystemMetrics(SM_CXVSCROLL));
  host.DestroyWindow();
}

TEST(AutoSizeComboBox, OwnColourUnlessWhiteOrDisabled) {
  Host host;
  ASSERT_TRUE(host.Create(kHostDialog));
  host.combo.SetBkColor(RGB(200, 230, 255));
  host.combo.UpdateControlColors();
  EXPECT_EQ(QColorToColorRef(host.combo.GetWidget()->palette().color(QPalette::Base)), RGB(200, 230, 255));
  host.combo.EnableWindow(FALSE);
  host.combo.UpdateControlColors();
  EXPECT_NE(QColorToColorRef(host.combo.GetWidget()->palette().color(QPalette::Base)), RGB(200, 230, 255));
  host.DestroyWindow();
}

TEST(FocusEditCtrl, DroppedFilesAreFilteredLikePastes) {
  Host host;
  ASSERT_TRUE(host.Create(kHostDialog));
  host.edit.SetAllowedChars("0123456789");
  EXPECT_TRUE(host.edit.IsIncludeMode());
  host.edit.DropFiles({"/data/run42/file7.txt", "/other"});
  EXPECT_EQ(host.edit.GetWindowText(), "427");
  UINT letter = 'a', digit = '5', backspace = 0x08;
  EXPECT_FALSE(host.edit.FilterTypedChar(letter));
  EXPECT_TRUE(host.edit.FilterTypedChar(digit));
  EXPECT_TRUE(host.edit.FilterTypedChar(backspace));
  host.edit.SetAllowedChars("");
  EXPECT_FALSE(host.edit.IsIncludeMode());
  EXPECT_TRUE(host.edit.FilterTypedChar(letter));
  host.DestroyWindow();
}
