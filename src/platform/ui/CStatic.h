#pragma once
// A static control: a text label (left, centred or right, wrapping unless
// SS_LEFTNOWORDWRAP), a frame or an owner-drawn area. SS_NOTIFY makes clicks
// send STN_CLICKED and STN_DBLCLK. The text shows with the prefix rule ("&&"
// is one "&") unless SS_NOPREFIX; GetWindowText gives it as it was set.
#include "platform/ui/CControlBase.h"

class CStatic : public CControlBase {
 public:
  QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override;

 protected:
  void ApplyTextToWidget(const std::string& text) override;
  bool PreTranslateQtEvent(QEvent* event) override;
};
