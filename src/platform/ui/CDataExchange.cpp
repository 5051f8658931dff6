#include "platform/ui/CDataExchange.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdlib>

#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"
#include "platform/ui/CButton.h"
#include "platform/ui/CComboBox.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/CEdit.h"
#include "platform/ui/CFormView.h"
#include "platform/ui/CListBox.h"
#include "platform/ui/CScrollBar.h"
#include "platform/ui/CSliderCtrl.h"

CWnd* CDataExchange::PrepareCtrl(UINT id) {
  m_idLastControl = id;
  m_bEditLastControl = false;
  return m_pDlgWnd ? m_pDlgWnd->GetDlgItem(id) : nullptr;
}

CWnd* CDataExchange::PrepareEditCtrl(UINT id) {
  CWnd* control = PrepareCtrl(id);
  m_bEditLastControl = true;
  return control;
}

void CDataExchange::Fail() {
  if (m_pDlgWnd && m_bSaveAndValidate) {
    if (CWnd* control = m_pDlgWnd->GetDlgItem(m_idLastControl)) {
      control->SetFocus();
      if (auto* edit = dynamic_cast<CEdit*>(control); edit && m_bEditLastControl) edit->SetSel(0, -1);
    }
  }
  throw DataExchangeFailure{};
}

BOOL RunDataExchange(CWnd* window, BOOL saveAndValidate, const std::function<void(CDataExchange*)>& exchange) {
  CDataExchange dx(window, saveAndValidate);
  try {
    exchange(&dx);
  } catch (const DataExchangeFailure&) {
    return FALSE;
  }
  return TRUE;
}

namespace {

std::string ControlText(CDataExchange* dx, UINT id) {
  CWnd* control = dx->PrepareEditCtrl(id);
  return control ? control->GetWindowText() : std::string();
}

void SetControlText(CDataExchange* dx, UINT id, const std::string& text) {
  if (CWnd* control = dx->PrepareEditCtrl(id)) {
    if (control->GetWindowText() != text) control->SetWindowText(text);
  }
}

bool ParseLong(const std::string& text, long& value) {
  const std::string trimmed = ruv::Trim(text);
  if (trimmed.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long parsed = std::strtol(trimmed.c_str(), &end, 10);
  if (errno != 0 || *end != '\0') return false;
  value = parsed;
  return true;
}

bool ParseDouble(const std::string& text, double& value) {
  const std::string trimmed = ruv::Trim(text);
  if (trimmed.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const double parsed = std::strtod(trimmed.c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

[[noreturn]] void FailWith(CDataExchange* dx, const std::string& message) {
  ShowMessageBox(message, "", MB_OK | MB_ICONEXCLAMATION);
  dx->Fail();
}

template <typename Button>
Button* ControlAs(CDataExchange* dx, UINT id) {
  return dynamic_cast<Button*>(dx->PrepareCtrl(id));
}

}  // namespace

void DDX_Text(CDataExchange* dx, UINT id, std::string& value) {
  if (dx->m_bSaveAndValidate) value = ControlText(dx, id);
  else SetControlText(dx, id, value);
}

void DDX_Text(CDataExchange* dx, UINT id, long& value) {
  if (dx->m_bSaveAndValidate) {
    long parsed = 0;
    if (!ParseLong(ControlText(dx, id), parsed)) FailWith(dx, "Please enter an integer.");
    value = parsed;
  } else {
    SetControlText(dx, id, std::to_string(value));
  }
}

void DDX_Text(CDataExchange* dx, UINT id, int& value) {
  long wide = value;
  if (dx->m_bSaveAndValidate) {
    DDX_Text(dx, id, wide);
    if (wide < INT32_MIN || wide > INT32_MAX) FailWith(dx, "Please enter an integer.");
    value = static_cast<int>(wide);
  } else {
    DDX_Text(dx, id, wide);
  }
}

void DDX_Text(CDataExchange* dx, UINT id, UINT& value) {
  if (dx->m_bSaveAndValidate) {
    long parsed = 0;
    if (!ParseLong(ControlText(dx, id), parsed) || parsed < 0 || parsed > static_cast<long>(UINT32_MAX))
      FailWith(dx, "Please enter a positive integer.");
    value = static_cast<UINT>(parsed);
  } else {
    SetControlText(dx, id, std::to_string(value));
  }
}

void DDX_Text(CDataExchange* dx, UINT id, double& value) {
  if (dx->m_bSaveAndValidate) {
    double parsed = 0;
    if (!ParseDouble(ControlText(dx, id), parsed)) FailWith(dx, "Please enter a number.");
    value = parsed;
  } else {
    SetControlText(dx, id, ruv::Format("%.*g", DBL_DIG, value));
  }
}

void DDX_Text(CDataExchange* dx, UINT id, float& value) {
  if (dx->m_bSaveAndValidate) {
    double parsed = 0;
    if (!ParseDouble(ControlText(dx, id), parsed) || std::fabs(parsed) > FLT_MAX) FailWith(dx, "Please enter a number.");
    value = static_cast<float>(parsed);
  } else {
    SetControlText(dx, id, ruv::Format("%.*g", FLT_DIG, static_cast<double>(value)));
  }
}

void DDX_Check(CDataExchange* dx, UINT id, int& value) {
  auto* button = ControlAs<CButton>(dx, id);
  if (!button) return;
  if (dx->m_bSaveAndValidate) value = button->GetCheck();
  else button->SetCheck(value < 0 || value > 2 ? BST_UNCHECKED : value);
}

void DDX_Radio(CDataExchange* dx, UINT id, int& value) {
  CWnd* first = dx->PrepareCtrl(id);
  CWnd* parent = first ? first->GetParent() : nullptr;
  if (!parent) return;
  const std::vector<CWnd*> siblings = parent->GetChildren();
  std::size_t at = 0;
  while (at < siblings.size() && siblings[at] != first) ++at;
  if (dx->m_bSaveAndValidate) value = -1;
  int index = 0;
  for (std::size_t i = at; i < siblings.size(); ++i) {
    if (i > at && (siblings[i]->GetStyle() & WS_GROUP)) break;
    auto* radio = dynamic_cast<CButton*>(siblings[i]);
    const DWORD type = radio ? radio->GetStyle() & BS_TYPEMASK : 0;
    if (!radio || (type != BS_RADIOBUTTON && type != BS_AUTORADIOBUTTON)) continue;
    if (dx->m_bSaveAndValidate) {
      if (radio->GetCheck() == BST_CHECKED && value == -1) value = index;
    } else {
      radio->SetCheck(index == value ? BST_CHECKED : BST_UNCHECKED);
    }
    ++index;
  }
}

void DDX_CBIndex(CDataExchange* dx, UINT id, int& index) {
  auto* combo = ControlAs<CComboBox>(dx, id);
  if (!combo) return;
  if (dx->m_bSaveAndValidate) index = combo->GetCurSel();
  else combo->SetCurSel(index);
}

void DDX_CBString(CDataExchange* dx, UINT id, std::string& value) {
  auto* combo = ControlAs<CComboBox>(dx, id);
  if (!combo) return;
  if (dx->m_bSaveAndValidate) {
    value = combo->GetWindowText();
  } else if (combo->SelectString(-1, value) == CB_ERR) {
    combo->SetWindowText(value);
  }
}

void DDX_LBIndex(CDataExchange* dx, UINT id, int& index) {
  auto* list = ControlAs<CListBox>(dx, id);
  if (!list) return;
  if (dx->m_bSaveAndValidate) index = list->GetCurSel();
  else list->SetCurSel(index);
}

void DDX_Scroll(CDataExchange* dx, UINT id, int& value) {
  auto* bar = ControlAs<CScrollBar>(dx, id);
  if (!bar) return;
  if (dx->m_bSaveAndValidate) value = bar->GetScrollPos();
  else bar->SetScrollPos(value);
}

void DDX_Slider(CDataExchange* dx, UINT id, int& value) {
  auto* slider = ControlAs<CSliderCtrl>(dx, id);
  if (!slider) return;
  if (dx->m_bSaveAndValidate) value = slider->GetPos();
  else slider->SetPos(value);
}

void DDX_Control(CDataExchange* dx, UINT id, CWnd& control) {
  if (control.GetSafeHwnd()) return;
  if (auto* dialog = dynamic_cast<CDialog*>(dx->m_pDlgWnd)) dialog->SubclassDlgItem(id, control);
  else if (auto* form = dynamic_cast<CFormView*>(dx->m_pDlgWnd)) form->SubclassDlgItem(id, control);
}

void DDV_MaxChars(CDataExchange* dx, const std::string& value, int maxChars) {
  if (dx->m_bSaveAndValidate) {
    if (static_cast<int>(ruv::Utf8Length(value)) > maxChars)
      FailWith(dx, ruv::Format("Please enter no more than %d characters.", maxChars));
  } else if (auto* edit = dynamic_cast<CEdit*>(dx->m_pDlgWnd ? dx->m_pDlgWnd->GetDlgItem(dx->m_idLastControl) : nullptr)) {
    edit->SetLimitText(static_cast<UINT>(maxChars));
  }
}

void DDV_MinMaxInt(CDataExchange* dx, int value, int min, int max) {
  if (dx->m_bSaveAndValidate && (value < min || value > max))
    FailWith(dx, ruv::Format("Please enter an integer between %d and %d.", min, max));
}

void DDV_MinMaxUInt(CDataExchange* dx, UINT value, UINT min, UINT max) {
  if (dx->m_bSaveAndValidate && (value < min || value > max))
    FailWith(dx, ruv::Format("Please enter an integer between %u and %u.", min, max));
}

void DDV_MinMaxDouble(CDataExchange* dx, double value, double min, double max) {
  if (dx->m_bSaveAndValidate && (value < min || value > max))
    FailWith(dx, ruv::Format("Please enter a number between %.*g and %.*g.", DBL_DIG, min, DBL_DIG, max));
}

void DDV_MinMaxFloat(CDataExchange* dx, float value, float min, float max) {
  if (dx->m_bSaveAndValidate && (value < min || value > max))
    FailWith(dx, ruv::Format("Please enter a number between %.*g and %.*g.", FLT_DIG, static_cast<double>(min), FLT_DIG,
                             static_cast<double>(max)));
}
