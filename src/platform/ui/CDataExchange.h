#pragma once
// Dialog data exchange: moving values between a dialog's members and its
// controls in either direction (UpdateData), with validation. A value that does
// not convert or validate shows the framework's message through the message-box
// service, puts the focus on the control and ends the exchange (UpdateData then
// answers FALSE and the members keep what they had).
#include <functional>
#include <string>

#include "platform/ui/CWnd.h"

class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}
  // The control with `id`, remembered as the one a failure refers to (null when missing).
  CWnd* PrepareCtrl(UINT id);
  CWnd* PrepareEditCtrl(UINT id);
  // Focuses the last prepared control and ends the exchange.
  [[noreturn]] void Fail();

  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
  UINT m_idLastControl = 0;
  bool m_bEditLastControl = false;
};

// Thrown by CDataExchange::Fail and caught by UpdateData.
struct DataExchangeFailure {};

// One exchange over `window` in the given direction: FALSE when a value failed
// (the failure was shown and the members keep what they had).
BOOL RunDataExchange(CWnd* window, BOOL saveAndValidate, const std::function<void(CDataExchange*)>& exchange);

void DDX_Text(CDataExchange* dx, UINT id, std::string& value);
void DDX_Text(CDataExchange* dx, UINT id, int& value);
void DDX_Text(CDataExchange* dx, UINT id, UINT& value);
void DDX_Text(CDataExchange* dx, UINT id, long& value);
void DDX_Text(CDataExchange* dx, UINT id, float& value);
void DDX_Text(CDataExchange* dx, UINT id, double& value);
void DDX_Check(CDataExchange* dx, UINT id, int& value);
// The index of the checked radio button in the WS_GROUP run that starts at `id` (-1: none).
void DDX_Radio(CDataExchange* dx, UINT id, int& value);
void DDX_CBIndex(CDataExchange* dx, UINT id, int& index);
void DDX_CBString(CDataExchange* dx, UINT id, std::string& value);
void DDX_LBIndex(CDataExchange* dx, UINT id, int& index);
void DDX_Scroll(CDataExchange* dx, UINT id, int& value);
void DDX_Slider(CDataExchange* dx, UINT id, int& value);
// Makes `control` the window of the dialog's control `id` (it is built in
// place of the one the template made when it is not that window already).
void DDX_Control(CDataExchange* dx, UINT id, CWnd& control);

void DDV_MaxChars(CDataExchange* dx, const std::string& value, int maxChars);
void DDV_MinMaxInt(CDataExchange* dx, int value, int min, int max);
void DDV_MinMaxUInt(CDataExchange* dx, UINT value, UINT min, UINT max);
void DDV_MinMaxFloat(CDataExchange* dx, float value, float min, float max);
void DDV_MinMaxDouble(CDataExchange* dx, double value, double min, double max);
