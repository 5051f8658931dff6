#pragma once
// One item of an owner-drawn menu: its text, menu flags, command and the index
// of its image in the menus' shared image list (-1 for none).
#include <string>

#include "platform/base/WinTypes.h"

class BCMenuData {
 public:
  BCMenuData(std::string text, UINT flags, UINT command) : m_text(std::move(text)), m_flags(flags), m_command(command) {}

  const std::string& GetText() const { return m_text; }
  void SetText(std::string text) { m_text = std::move(text); }
  UINT GetFlags() const { return m_flags; }
  UINT GetCommand() const { return m_command; }
  int GetImageIndex() const { return m_imageIndex; }
  void SetImageIndex(int index) { m_imageIndex = index; }

 private:
  std::string m_text;
  UINT m_flags;
  UINT m_command;
  int m_imageIndex = -1;
};
