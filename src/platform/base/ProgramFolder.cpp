#include "platform/base/ProgramFolder.h"

#include <unistd.h>

#include <mutex>

namespace {
std::mutex g_programFolderMutex;
std::string g_override;
}  // namespace

std::string ProgramFilePath() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  return std::string(buffer, static_cast<std::size_t>(n));
}

std::string ProgramFolder() {
  {
    std::lock_guard<std::mutex> lock(g_programFolderMutex);
    if (!g_override.empty()) return g_override;
  }
  std::string path = ProgramFilePath();
  auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void SetProgramFolderOverride(const std::string& folder) {
  std::lock_guard<std::mutex> lock(g_programFolderMutex);
  g_override = folder;
  if (!g_override.empty() && g_override.back() != '/') g_override.push_back('/');
}
