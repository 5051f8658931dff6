#pragma once
// The settings file: values by section and key, read with a default every time
// (nothing is cached here) and written at once, by the profile-file rules.
#include <cstdint>
#include <string>

class CIniFile {
 public:
  CIniFile() = default;
  explicit CIniFile(const std::string& name);
  virtual ~CIniFile() = default;

  // A name holding "/" is a path; any other name lies in the program's folder.
  // Shows "Setting file not found!\n<path>" when the file is missing (the path is kept).
  void SetPath(const std::string& name);
  const std::string& GetPath() const { return m_path; }

  // Reads give the default and false when the file is missing; otherwise true,
  // with the key's value (at most 254 bytes) or the default when the key is absent.
  bool ReadString(const std::string& section, const std::string& key, std::string& value,
                  const std::string& defaultValue) const;
  bool ReadInt(const std::string& section, const std::string& key, std::int32_t& value,
               std::int32_t defaultValue) const;
  bool ReadDword(const std::string& section, const std::string& key, std::uint32_t& value,
                 std::uint32_t defaultValue) const;
  bool ReadByte(const std::string& section, const std::string& key, std::uint8_t& value,
                std::uint8_t defaultValue) const;
  bool ReadFloat(const std::string& section, const std::string& key, float& value, float defaultValue) const;

  // False when the file cannot be written (it is then left as it was).
  bool WriteString(const std::string& section, const std::string& key, const std::string& value) const;
  bool WriteInt(const std::string& section, const std::string& key, std::int32_t value) const;
  bool WriteDword(const std::string& section, const std::string& key, std::uint32_t value) const;
  bool WriteFloat(const std::string& section, const std::string& key, float value) const;

  // True when the section has at least one key.
  bool SectionExists(const std::string& section) const;

 private:
  std::string m_path;
};
