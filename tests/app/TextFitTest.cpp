// Every window the program makes from a dialog template, and the plant form
// with its shapes, laid out offscreen with the fonts they are drawn in: each
// static text, column heading, button caption and shape caption must fit its
// rectangle whole.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <string>
#include <vector>

#include "PlantFormFixture.h"
#include "app/AboutDlg.h"
#include "app/BatchNumDlg.h"
#include "app/NewShiftDlg.h"
#include "app/RecipeDlg.h"
#include "app/RecipeOneItemDlg.h"
#include "app/ShiftDlg.h"
#include "controls/CInputBox.h"
#include "grid/CDataCenterScoutDlg.h"
#include "links/ComPortSelectDlg.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/CFont.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/TextLayout.h"
#include "plant/PlantModel.h"
#include "shapes/ShapeDialogIds.h"
#include "shapes/ShapePainting.h"

namespace {

std::string Describe(const std::string& where, const QString& text, const QSize& need, const QSize& room) {
  return where + ": \"" + text.toStdString() + "\" needs " + std::to_string(need.width()) + "x" +
         std::to_string(need.height()) + ", has " + std::to_string(room.width()) + "x" +
         std::to_string(room.height());
}

// The texts of `window`'s controls that do not fit, each described; `checked`
// counts the texts looked at.
std::vector<std::string> Misfits(CWnd& window, const std::string& where, int& checked) {
  std::vector<std::string> misfits;
  for (CWnd* control : window.GetChildren()) {
    QWidget* widget = control->GetWidget();
    if (!widget || !(control->GetStyle() & WS_VISIBLE)) continue;
    const QFontMetrics metrics(widget->font());
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      const QString shown = label->text();
      if (shown.isEmpty()) continue;
      ++checked;
      // Shown with the prefix rule: "&&" is one "&" ("Recipe ID && Name").
      if (shown.contains(QStringLiteral("&&"))) misfits.push_back(where + ": \"" + shown.toStdString() + "\" shows \"&&\"");
      const QRect room = label->contentsRect();
      const int flags = (label->wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine) | Qt::AlignLeft | Qt::AlignTop;
      const QRect need = metrics.boundingRect(QRect(0, 0, room.width(), 100000), flags, shown);
      // A word longer than the width pokes out of the right edge.
      int widestWord = 0;
      for (const QString& word : shown.split(' ', Qt::SkipEmptyParts))
        widestWord = std::max(widestWord, metrics.horizontalAdvance(word));
      const QSize needed(label->wordWrap() ? widestWord : need.width(), need.height());
      if (needed.width() > room.width() || needed.height() > room.height())
        misfits.push_back(Describe(where, shown, needed, room.size()));
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      // Every item, as the closed combo shows it when chosen: in the field
      // left of the arrow.
      QStyleOptionComboBox option;
      option.initFrom(combo);
      option.editable = combo->isEditable();
      option.frame = combo->hasFrame();
      const QRect field =
          combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
      for (int item = 0; item < combo->count(); ++item) {
        const QString shown = combo->itemText(item);
        if (shown.isEmpty()) continue;
        ++checked;
        const QSize needed(metrics.horizontalAdvance(shown), metrics.height());
        if (needed.width() > field.width() || needed.height() > field.height())
          misfits.push_back(Describe(where + " combo item", shown, needed, field.size()));
      }
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
      const QString shown = StripPrefix(group->title());
      ++checked;
      const QSize needed(metrics.horizontalAdvance(shown) + 16, metrics.height());
      if (needed.width() > group->width()) misfits.push_back(Describe(where, shown, needed, group->size()));
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      const QString shown = StripPrefix(QString::fromStdString(control->GetWindowText()));
      if (shown.isEmpty() || !button->icon().isNull()) continue;
      ++checked;
      int frame = 6;  // a push button's edges
      if (qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button)) {
        QStyle* style = button->style();
        frame = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, button) +
                style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, button);
      }
      const QSize needed(metrics.horizontalAdvance(shown) + frame, metrics.height());
      if (needed.width() > button->width() || needed.height() > button->height())
        misfits.push_back(Describe(where, shown, needed, button->size()));
    }
  }
  return misfits;
}

void ExpectNoMisfits(const std::vector<std::string>& misfits) {
  EXPECT_TRUE(misfits.empty()) << [&] {
    std::string all;
    for (const std::string& misfit : misfits) all += misfit + "\n";
    return all;
  }();
}

class TextFit : public PlantFormFixture {};

TEST_F(TextFit, EveryDialogTemplatesTextsFitTheirControls) {
  // Each dialog registers its template when it is first made.
  { CAboutDlg about; }
  { CBatchNumDlg batchNumbers; }
  { CShiftDlg shifts; }
  { CNewShiftDlg newShift; }
  { CRecipeDlg recipes; }
  { CRecipeOneItemDlg row; }
  { CInputBox box("Title", "Description", "Label", "", 0, CInputBox::kNoBrowse, 0, false); }
  { CDataCenterScoutDlg scout; }
  { CComPortSelectDlg ports; }
  RegisterShapeDialogTemplates();

  const std::vector<UINT> ids = RegisteredDialogTemplateIds();
  EXPECT_GE(ids.size(), 15u);
  int checked = 0;
  for (UINT id : ids) {
    DialogTemplate shown = *FindDialogTemplate(id);
    // Pages and rows are children of another window; alone, the same layout.
    if (shown.style & WS_CHILD) shown.style = (shown.style & ~WS_CHILD) | WS_POPUP;
    CDialog dialog;
    ASSERT_TRUE(dialog.CreateIndirect(shown, nullptr)) << "template " << id;
    ExpectNoMisfits(Misfits(dialog, "template " + std::to_string(id) + " (" + shown.caption + ")", checked));
    dialog.DestroyWindow();
  }
  EXPECT_GT(checked, 120);
}

TEST_F(TextFit, ThePlantFormsLabelsAndShapeCaptionsFit) {
  MakeDatabase();
  ASSERT_TRUE(StartApplication());
  StopCycles();
  int checked = 0;
  ExpectNoMisfits(Misfits(*view, "plant form", checked));
  EXPECT_GE(checked, 10);

  QImage surface(8, 8, QImage::Format_RGB32);
  std::vector<std::string> misfits;
  for (C_Vessel& vessel : g_vessels) {
    CRect client;
    vessel.GetClientRect(&client);
    CDC dc;
    ASSERT_TRUE(dc.AttachImage(&surface));
    const std::string caption = vessel.GetCaption();
    CFont smaller;
    if (MakeBandFontToFit(dc, caption, client.Width(), smaller)) dc.SelectObject(&smaller);
    const CSize need = dc.GetTextExtent(caption);
    if (need.cx > client.Width())
      misfits.push_back(Describe("vessel", QString::fromStdString(caption), QSize(need.cx, need.cy),
                                 QSize(client.Width(), client.Height())));
  }
  EXPECT_EQ(g_vessels.size(), 19u);
  ExpectNoMisfits(misfits);
}

// The recipe rows' lists as the plant fills them: materials, mixers and every
// runtime phase a step can show.
TEST_F(TextFit, TheRecipeRowsListItemsFit) {
  MakeDatabase();
  ASSERT_TRUE(StartApplication());
  StopCycles();
  CRecipeDlg* recipes = view->GetRecipeDlg();
  ASSERT_NE(recipes, nullptr);
  // The phases show while the recipe is the active one; this one is not yet.
  CWnd* phases = recipes->GetRow(0).GetDlgItem(IDC_STEP_PHASE);
  ASSERT_NE(phases, nullptr);
  phases->ShowWindow(SW_SHOW);
  int checked = 0;
  ExpectNoMisfits(Misfits(recipes->GetRow(0), "recipe row", checked));
  EXPECT_GE(checked, 11 + 4 + 12);
}

}  // namespace
