#include "platform/ui/TemplateControls.h"

#include <QWidget>

#include "platform/ui/CButton.h"
#include "platform/ui/CComboBox.h"
#include "platform/ui/CControlBase.h"

UINT CreateTemplateControls(CWnd* parent, const DialogTemplate& dialogTemplate, const std::map<UINT, CWnd*>& bound,
                            std::vector<std::unique_ptr<CWnd>>& owned, UINT defaultId) {
  owned.clear();
  for (const DialogItemTemplate& item : dialogTemplate.items) {
    CWnd* control = nullptr;
    const auto boundControl = bound.find(item.id);
    if (boundControl != bound.end() && !boundControl->second->GetSafeHwnd()) {
      control = boundControl->second;
    } else {
      control = NewControlForClass(item.className, item.style);
      owned.emplace_back(control);
    }
    const CRect rect = MapDialogUnits(item.x, item.y, item.cx, item.cy);
    control->CreateEx(item.exStyle, item.className, item.text, item.style | WS_CHILD, rect, parent, item.id);
    if (boundControl != bound.end()) {
      if (auto* library = dynamic_cast<CControlBase*>(control)) library->PreSubclassWindow();
    }
    if (auto* combo = dynamic_cast<CComboBox*>(control); combo && combo->GetWidget()) {
      // The template's height includes the open list; the closed box keeps its own.
      combo->GetWidget()->resize(rect.Width(), combo->GetWidget()->sizeHint().height());
    }
    if ((item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON && dynamic_cast<CButton*>(control)) defaultId = item.id;
  }
  return defaultId;
}

BOOL ReplaceTemplateControl(CWnd* parent, UINT id, CWnd& control, std::vector<std::unique_ptr<CWnd>>& owned) {
  CWnd* current = parent->GetDlgItem(id);
  if (&control == current) return TRUE;
  if (!current || control.GetSafeHwnd()) return FALSE;
  CRect rect;
  current->GetWindowRect(&rect);
  parent->ScreenToClient(&rect);
  const std::string className = current->GetClassName();
  const std::string text = current->GetWindowText();
  const DWORD style = current->GetStyle();
  const DWORD exStyle = current->GetExStyle();
  const bool visible = current->IsWindowVisible() != FALSE;
  // Keep the place in the stacking and tab order: the new control goes where the old one was.
  QWidget* next = nullptr;
  CWnd* previous = nullptr;
  const std::vector<CWnd*> children = parent->GetChildren();
  for (std::size_t i = 0; i < children.size(); ++i) {
    if (children[i] != current) continue;
    if (i + 1 < children.size()) next = children[i + 1]->GetWidget();
    if (i > 0) previous = children[i - 1];
  }
  current->DestroyWindow();
  for (auto it = owned.begin(); it != owned.end(); ++it) {
    if (it->get() == current) {
      owned.erase(it);
      break;
    }
  }
  if (!control.CreateEx(exStyle, className, text, (style & ~WS_VISIBLE) | WS_CHILD, rect, parent, id)) return FALSE;
  // Both orders: Qt's for Tab, the window's own for the dialog's first focus and its groups.
  control.PlaceAfterSibling(previous);
  if (QWidget* widget = control.GetWidget()) {
    if (next) widget->stackUnder(next);
    if (previous && previous->GetWidget()) QWidget::setTabOrder(previous->GetWidget(), widget);
  }
  if (visible || (style & WS_VISIBLE)) control.ShowWindow(SW_SHOWNA);
  if (auto* library = dynamic_cast<CControlBase*>(&control)) library->PreSubclassWindow();
  return TRUE;
}
