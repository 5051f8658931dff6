#pragma once
// The system clipboard's plain text through Qt; callable from any thread (the
// work is done on the UI thread).
#include "platform/base/InputState.h"

class QtClipboard final : public IClipboard {
 public:
  bool SetText(const std::string& text) override;
  std::string Text() override;
  void Clear() override;
};
