// One dialog of each kind rendered offscreen to an image.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <QWidget>

#include "controls/CInputBox.h"
#include "controls/CResizableDialog.h"
#include "controls/CScrollChildDlg.h"
#include "platform/ui/CPropertyPage.h"
#include "platform/ui/CPropertySheet.h"
#include "platform/ui/ModalDialogScript.h"

namespace {

// With RUV_RENDER_DIR set, the pictures are kept there for a person to look at.
bool RendersSomething(CWnd& window) {
  QWidget* widget = window.GetWidget();
  if (!widget) return false;
  const QImage image = widget->grab().toImage();
  if (const char* dir = std::getenv("RUV_RENDER_DIR"))
    image.save(QString("%1/%2.png").arg(dir).arg(QString::fromStdString(window.GetWindowText()).replace(' ', '_')));
  if (image.isNull() || image.width() < 10) return false;
  const QRgb first = image.pixel(0, 0);
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2)
      if (image.pixel(x, y) != first) return true;
  return false;
}

}  // namespace

TEST(RenderDialogs, EachKindDrawsToAnImage) {
  bool inputDrawn = false;
  modal_script::Push([&](CDialog& dialog) {
    inputDrawn = RendersSomething(dialog);
    dialog.EndDialog(IDCANCEL);
  });
  CInputBox box("Recording Interval", "Please enter recording Vessels Level interval.",
                "unit: Second, Zero: no recording", "60", 0, 0, CInputBox::kDigitsOnly, false);
  box.DoModal();
  EXPECT_TRUE(inputDrawn);

  DialogTemplate resizable;
  resizable.id = 9401;
  resizable.caption = "Resizable";
  resizable.style = WS_POPUP | WS_CAPTION | WS_THICKFRAME;
  resizable.cx = 160;
  resizable.cy = 90;
  resizable.items = {{1, kButtonClass, "OK", WS_VISIBLE | BS_DEFPUSHBUTTON, 100, 70, 50, 14},
                     {501, kListBoxClass, "", WS_VISIBLE | WS_BORDER, 5, 5, 150, 60}};
  RegisterDialogTemplate(resizable);
  CResizableDialog sized(9401);
  ASSERT_TRUE(sized.Create(9401));
  sized.ShowWindow(SW_SHOW);
  EXPECT_TRUE(RendersSomething(sized));

  DialogTemplate rows;
  rows.id = 9402;
  rows.style = WS_CHILD | WS_VSCROLL | WS_VISIBLE;
  rows.cx = 150;
  rows.cy = 50;
  rows.items = {{502, kEditClass, "row", WS_VISIBLE, 5, 5, 80, 12}};
  RegisterDialogTemplate(rows);
  DialogTemplate host = resizable;
  host.id = 9403;
  host.items = {{503, kStaticClass, "", WS_VISIBLE | SS_ETCHEDFRAME, 5, 5, 150, 60}};
  RegisterDialogTemplate(host);
  CDialog hostDialog(9403);
  ASSERT_TRUE(hostDialog.Create(9403));
  hostDialog.ShowWindow(SW_SHOW);
  CScrollChildDlg child(&hostDialog, 503, 9402);
  EXPECT_TRUE(RendersSomething(child));

  DialogTemplate page;
  page.id = 9404;
  page.caption = "General Setting";
  page.style = WS_CHILD;
  page.cx = 150;
  page.cy = 80;
  page.items = {{504, kButtonClass, "General", WS_VISIBLE | BS_GROUPBOX, 5, 5, 140, 70}};
  RegisterDialogTemplate(page);
  CPropertyPage general(9404);
  CPropertySheet sheet("Mixer1");
  sheet.AddPage(&general);
  bool sheetDrawn = false;
  modal_script::Push([&](CDialog& dialog) {
    sheetDrawn = RendersSomething(dialog);
    dialog.EndDialog(IDCANCEL);
  });
  sheet.DoModal();
  EXPECT_TRUE(sheetDrawn);
  hostDialog.DestroyWindow();
  sized.DestroyWindow();
}
