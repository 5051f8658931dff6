#include "platform/base/ProfileStore.h"

#include <sys/stat.h>

#include <cstdlib>
#include <mutex>

#include "platform/base/IniProfile.h"
#include "platform/base/Text.h"

namespace profile {
namespace {
std::mutex g_profileStoreMutex;
std::string g_key = "RuvFrame Qelo";
std::string g_override;

std::string ConfigFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg) return xdg;
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.config";
}
}  // namespace

void SetRegistryKey(const std::string& key) {
  std::lock_guard<std::mutex> lock(g_profileStoreMutex);
  g_key = key;
}

void SetPathOverride(const std::string& path) {
  std::lock_guard<std::mutex> lock(g_profileStoreMutex);
  g_override = path;
}

std::string Path() {
  std::lock_guard<std::mutex> lock(g_profileStoreMutex);
  if (!g_override.empty()) return g_override;
  return ConfigFolder() + "/" + g_key + ".ini";
}

std::string GetString(const std::string& section, const std::string& entry, const std::string& defaultValue) {
  return ini::GetString(Path(), section, entry, defaultValue, 4095);
}

int GetInt(const std::string& section, const std::string& entry, int defaultValue) {
  std::string text = GetString(section, entry, "");
  if (text.empty()) return defaultValue;
  return std::atoi(text.c_str());
}

bool WriteString(const std::string& section, const std::string& entry, const std::string& value) {
  std::string path = Path();
  auto slash = path.rfind('/');
  if (slash != std::string::npos) ::mkdir(path.substr(0, slash).c_str(), 0755);
  return ini::WriteString(path, section, entry, value);
}

bool WriteInt(const std::string& section, const std::string& entry, int value) {
  return WriteString(section, entry, ruv::Format("%d", value));
}

}  // namespace profile
