#include "shapes/GraphicPropPage.h"

#include "platform/base/Text.h"
#include "platform/ui/CDataExchange.h"
#include "shapes/BaseShape.h"
#include "shapes/ShapeDialogIds.h"

const std::array<CGraphicPropPage::ColorSlot, 6> CGraphicPropPage::kColorSlots = {{
    {IDC_COLOR_FG, eShapeColorFG, eShapeColorFgOld},
    {IDC_COLOR_BG, eShapeColorBG, eShapeColorBgOld},
    {IDC_COLOR_BODY, eShapeColorBody, eShapeColorBodyOld},
    {IDC_COLOR_BG_LOCAL, eShapeColorBgLocal, eShapeColorBgLocalOld},
    {IDC_COLOR_BG_OUT_OF_RECIPE, eShapeColorBgOutOfRecipe, eShapeColorBgOutOfRecipeOld},
    {IDC_COLOR_FG_OVERLOAD, eShapeColorFgOverload, eShapeColorFgOverloadOld},
}};

CGraphicPropPage::CGraphicPropPage() : CPropertyPageBase(IDD_GRAPHIC_PAGE) {
  RegisterShapeDialogTemplates();
  BindControl(IDC_SAVE_COLORS, m_save);
  BindControl(IDC_CANCEL_COLORS, m_cancel);
  for (std::size_t i = 0; i < kColorSlots.size(); ++i) BindControl(kColorSlots[i].buttonId, m_colorButtons[i]);
}

CColorButton* CGraphicPropPage::GetColorButton(UINT buttonId) {
  for (std::size_t i = 0; i < kColorSlots.size(); ++i)
    if (kColorSlots[i].buttonId == buttonId) return &m_colorButtons[i];
  return nullptr;
}

BOOL CGraphicPropPage::OnInitDialog() {
  const BOOL result = CPropertyPageBase::OnInitDialog();
  if (C_BaseShape* shape = GetShape()) {
    m_uniqueId = ruv::Format("0x%08x", static_cast<unsigned>(shape->GetObjectId()));
    // The copies to come back to; kept in the attributes only, not in the settings.
    for (const ColorSlot& slot : kColorSlots) shape->StoreAttribValue(slot.savedAttrib, shape->GetAttribValue(slot.colorAttrib));
  }
  CancelColors();
  Refresh();
  return result;
}

void CGraphicPropPage::DoDataExchange(CDataExchange* dx) {
  CPropertyPageBase::DoDataExchange(dx);
  if (!IsExchangeAllowed()) return;
  DDX_Text(dx, IDC_EDIT_UNIQUE_ID, m_uniqueId);
}

BOOL CGraphicPropPage::OnCmdMsg(UINT id, int code) {
  if (code == static_cast<int>(BN_CLICKED)) {
    if (id == IDC_SAVE_COLORS) {
      SaveColors();
      return TRUE;
    }
    if (id == IDC_CANCEL_COLORS) {
      CancelColors();
      return TRUE;
    }
    for (const ColorSlot& slot : kColorSlots) {
      if (slot.buttonId != id) continue;
      OnColorChosen(slot);
      return TRUE;
    }
  }
  return CPropertyPageBase::OnCmdMsg(id, code);
}

void CGraphicPropPage::OnColorChosen(const ColorSlot& slot) {
  C_BaseShape* shape = GetShape();
  CColorButton* button = GetColorButton(slot.buttonId);
  if (!shape || !button) return;
  shape->StoreAttribValue(slot.colorAttrib, Variant::I4(static_cast<std::int32_t>(button->GetColor())));
  EnableSaveAndCancel(true);
}

void CGraphicPropPage::SaveColors() {
  if (C_BaseShape* shape = GetShape()) {
    for (const ColorSlot& slot : kColorSlots) shape->StoreAttribValue(slot.savedAttrib, shape->GetAttribValue(slot.colorAttrib));
    for (const ColorSlot& slot : kColorSlots) shape->ApplyAndSave(slot.colorAttrib, shape->GetAttribValue(slot.colorAttrib));
  }
  EnableSaveAndCancel(false);
}

void CGraphicPropPage::CancelColors() {
  if (C_BaseShape* shape = GetShape()) {
    for (const ColorSlot& slot : kColorSlots) shape->StoreAttribValue(slot.colorAttrib, shape->GetAttribValue(slot.savedAttrib));
    for (const ColorSlot& slot : kColorSlots)
      if (CColorButton* button = GetColorButton(slot.buttonId)) button->SetColor(static_cast<COLORREF>(shape->GetAttribInt(slot.colorAttrib)));
  }
  EnableSaveAndCancel(false);
}

// However the sheet closes (Close, Enter, the window's close box), colours not saved go back.
void CGraphicPropPage::OnDestroy() {
  CancelColors();
  CPropertyPageBase::OnDestroy();
}

void CGraphicPropPage::EnableSaveAndCancel(bool enable) { EnableControls({IDC_SAVE_COLORS, IDC_CANCEL_COLORS}, enable); }
