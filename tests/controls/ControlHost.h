#pragma once
// A shown top-level window to put controls on; it counts the clicks its
// buttons report.
#include <gtest/gtest.h>

#include "platform/ui/CWnd.h"

class ControlHost : public CWnd {
 public:
  explicit ControlHost(const CRect& rect = CRect(40, 40, 440, 340)) {
    EXPECT_TRUE(CreateEx(0, "", "Host", WS_OVERLAPPED, rect, nullptr, 0));
    ShowWindow(SW_SHOW);
  }
  ~ControlHost() override { DestroyWindow(); }
  BOOL OnCommand(WPARAM wParam, LPARAM) override {
    if (HIWORD(wParam) == BN_CLICKED) ++clicks;
    return TRUE;
  }
  int clicks = 0;
};
