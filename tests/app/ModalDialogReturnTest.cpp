// Return in the program's modal dialogs that have an OK button, pressed where
// the dialog puts the focus when it opens: it presses OK (the default button),
// never another button that did not have the focus.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <memory>
#include <vector>

#include "PlantDialogFixture.h"
#include "app/AboutDlg.h"
#include "app/BatchNumDlg.h"
#include "app/NewShiftDlg.h"
#include "controls/CInputBox.h"
#include "links/ComPortSelectDlg.h"
#include "platform/ui/CPropertyPage.h"
#include "platform/ui/ModalDialogScript.h"
#include "plant/PlantModel.h"
#include "shapes/BaseShape.h"
#include "shapes/ShapePropSheet.h"

namespace {

// The dialog with its buttons' clicks recorded, and not acted on, while Return is pressed.
template <class Dialog>
class ReturnWatch : public Dialog {
 public:
  using Dialog::Dialog;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    if (!watching || HIWORD(wParam) != BN_CLICKED) return Dialog::OnCommand(wParam, lParam);
    pressed.push_back(LOWORD(wParam));
    return TRUE;
  }
  bool watching = false;
  std::vector<UINT> pressed;
};

// Opens the dialog modally, presses Return in its focused control (the
// dialog itself when none) as the operator does, and gives what it pressed.
template <class Dialog>
std::vector<UINT> PressReturnOnOpening(ReturnWatch<Dialog>& dialog) {
  modal_script::Push([&dialog](CDialog&) {
    QApplication::setActiveWindow(dialog.GetWidget());
    QWidget* focus = QApplication::focusWidget();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    dialog.watching = true;
    QApplication::sendEvent(focus ? focus : dialog.GetWidget(), &press);
    dialog.watching = false;
    dialog.EndDialog(IDCANCEL);
  });
  dialog.DoModal();
  return dialog.pressed;
}

using Pressed = std::vector<UINT>;
const Pressed kOk{static_cast<UINT>(IDOK)};

class ModalDialogReturnTest : public PlantDialogFixture {};

TEST_F(ModalDialogReturnTest, ReturnWhereTheFocusOpensPressesOk) {
  // Mixer 1's batch is open: its number is read-only, its Finish button enabled.
  Start("INSERT INTO Batch (strDataSourceType, nBatchNumber, bBatchIsFinshed, strMixerName) VALUES "
        "('Demo', 31, 0, 'Mixer1');"
        "INSERT INTO Shift (m_strOperatorName, m_bShiftStopped) VALUES ('Ahmadi', 0);");
  Shift()->SetActiveMixerBatchNumber(0, 31);
  ReturnWatch<CBatchNumDlg> numbers;
  EXPECT_EQ(PressReturnOnOpening(numbers), kOk);
  EXPECT_TRUE(boxes.Boxes().empty());

  ReturnWatch<CNewShiftDlg> newShift;
  EXPECT_EQ(PressReturnOnOpening(newShift), kOk);
  ReturnWatch<CAboutDlg> about;
  EXPECT_EQ(PressReturnOnOpening(about), kOk);
  ReturnWatch<CInputBox> input("Recording Interval", "", "unit: Second", "60", 0, CInputBox::kFolder,
                               CInputBox::kDigitsOnly, false);
  EXPECT_EQ(PressReturnOnOpening(input), kOk);
  ReturnWatch<CComPortSelectDlg> ports;  // its OK has an id of its own
  EXPECT_EQ(PressReturnOnOpening(ports), Pressed{CComPortSelectDlg::kDoneId});

  // A shape's property sheet: its OK is hidden, not gone.
  C_BaseShape* mixer = FindPlantShape(GetMixerId(0));
  ASSERT_NE(mixer, nullptr);
  ReturnWatch<C_BaseShapePropSheet> sheet("Control Properties", mixer);
  mixer->AddPropertyPages(&sheet);
  std::vector<std::unique_ptr<CPropertyPage>> pages;
  for (int i = 0; i < sheet.GetPageCount(); ++i) pages.emplace_back(sheet.GetPage(i));
  EXPECT_EQ(PressReturnOnOpening(sheet), kOk);
  while (sheet.GetPageCount() > 0) sheet.RemovePage(0);
}

}  // namespace
