#pragma once
// The colour dialog the colour button opens: the framework's, unchanged.
#include "platform/ui/CommonDialogs.h"

class CEnColorDialog : public CColorDialog {
 public:
  CEnColorDialog(COLORREF initial = 0, DWORD flags = 0, CWnd* parent = nullptr);
  virtual ~CEnColorDialog();
};
