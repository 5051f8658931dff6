#pragma once
// The registry profile of the original (dialog placements, the tag scout's view
// state) kept as an ini file in the user's configuration folder:
// $XDG_CONFIG_HOME (or ~/.config) / "<key>.ini", the key being "RuvFrame Qelo".
#include <string>

namespace profile {

void SetRegistryKey(const std::string& key);   // "RuvFrame Qelo"
void SetPathOverride(const std::string& path);  // tests: an ini file of their own; "" restores
std::string Path();

std::string GetString(const std::string& section, const std::string& entry, const std::string& defaultValue = "");
int GetInt(const std::string& section, const std::string& entry, int defaultValue);
bool WriteString(const std::string& section, const std::string& entry, const std::string& value);
bool WriteInt(const std::string& section, const std::string& entry, int value);

}  // namespace profile
