#include "common/IniFile.h"

#include <sys/stat.h>

#include <limits>

#include "common/Conversions.h"
#include "platform/base/IniProfile.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/ProgramFolder.h"

namespace {

bool FileExists(const std::string& path) {
  struct stat st{};
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

}  // namespace

CIniFile::CIniFile(const std::string& name) { SetPath(name); }

void CIniFile::SetPath(const std::string& name) {
  m_path = name.find('/') != std::string::npos ? name : ProgramFolder() + name;
  if (!FileExists(m_path))
    ShowMessageBox("Setting file not found!\n" + m_path, "", MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
}

bool CIniFile::ReadString(const std::string& section, const std::string& key, std::string& value,
                          const std::string& defaultValue) const {
  if (!FileExists(m_path)) {
    value = defaultValue;
    return false;
  }
  value = ini::GetString(m_path, section, key, defaultValue);
  return true;
}

bool CIniFile::ReadInt(const std::string& section, const std::string& key, std::int32_t& value,
                       std::int32_t defaultValue) const {
  std::string text;
  const bool read = ReadString(section, key, text, IntToText(defaultValue));
  value = AtoiText(text);
  return read;
}

bool CIniFile::ReadDword(const std::string& section, const std::string& key, std::uint32_t& value,
                         std::uint32_t defaultValue) const {
  std::string text;
  const bool read = ReadString(section, key, text, DwordToText(defaultValue));
  // Read in 64 bits so every value WriteDword writes reads back as itself;
  // negative texts wrap as the signed conversion would, beyond the range it saturates.
  const std::int64_t wide = AtoiText64(text);
  if (wide > std::numeric_limits<std::uint32_t>::max()) value = std::numeric_limits<std::uint32_t>::max();
  else if (wide < std::numeric_limits<std::int32_t>::min()) value = static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::min());
  else value = static_cast<std::uint32_t>(wide);
  return read;
}

bool CIniFile::ReadByte(const std::string& section, const std::string& key, std::uint8_t& value,
                        std::uint8_t defaultValue) const {
  std::string text;
  const bool read = ReadString(section, key, text, IntToText(defaultValue));
  value = static_cast<std::uint8_t>(static_cast<std::uint32_t>(AtoiText(text)) & 0xFFu);
  return read;
}

bool CIniFile::ReadFloat(const std::string& section, const std::string& key, float& value,
                         float defaultValue) const {
  std::string text;
  const bool read = ReadString(section, key, text, FloatToText(defaultValue));
  value = NarrowToFloat(AtofText(text));
  return read;
}

bool CIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) const {
  return ini::WriteString(m_path, section, key, value);
}

bool CIniFile::WriteInt(const std::string& section, const std::string& key, std::int32_t value) const {
  return WriteString(section, key, IntToText(value));
}

bool CIniFile::WriteDword(const std::string& section, const std::string& key, std::uint32_t value) const {
  return WriteString(section, key, DwordToText(value));
}

bool CIniFile::WriteFloat(const std::string& section, const std::string& key, float value) const {
  return WriteString(section, key, FloatToText(value));
}

bool CIniFile::SectionExists(const std::string& section) const {
  return !ini::KeysOf(m_path, section).empty();
}
