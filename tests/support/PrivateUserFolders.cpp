#include "support/PrivateUserFolders.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace {

// Set in the run's environment; a child run with it set uses the same folders.
constexpr char kMarker[] = "RUV_TEST_USER_FOLDERS";
// As the program names the per-user profile.
constexpr char kProfileName[] = "RuvFrame Qelo.ini";

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

}  // namespace

PrivateUserFolders::PrivateUserFolders() {
  if (!EnvironmentValue(kMarker).empty()) return;
  // Where the program would put the profile under the user's own environment.
  const std::string config = EnvironmentValue("XDG_CONFIG_HOME");
  const std::string home = EnvironmentValue("HOME");
  m_realProfile = (config.empty() ? (home.empty() ? std::string("/tmp") : home) + "/.config" : config) + "/" + kProfileName;
  m_before = StateOf(m_realProfile);

  std::string root = (std::filesystem::temp_directory_path() / "ruvtest-user-XXXXXX").string();
  if (!::mkdtemp(root.data())) throw std::runtime_error("mkdtemp failed for the test run's user folders");
  m_root = root;
  const struct {
    const char* variable;
    const char* folder;
  } folders[] = {{"HOME", "home"},          {"XDG_CONFIG_HOME", "config"}, {"XDG_DATA_HOME", "data"},
                 {"XDG_CACHE_HOME", "cache"}, {"XDG_STATE_HOME", "state"},   {"XDG_RUNTIME_DIR", "runtime"}};
  for (const auto& [variable, folder] : folders) {
    const std::string path = m_root + "/" + folder;
    std::filesystem::create_directory(path);
    // Qt refuses a runtime folder that others may enter.
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    ::setenv(variable, path.c_str(), 1);
  }
  ::setenv(kMarker, m_root.c_str(), 1);
}

PrivateUserFolders::~PrivateUserFolders() {
  if (m_root.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(m_root, ignored);
}

PrivateUserFolders::FileState PrivateUserFolders::StateOf(const std::string& path) {
  FileState state;
  state.exists = ::lstat(path.c_str(), &state.st) == 0;
  return state;
}

std::string PrivateUserFolders::RealProfileChange() const {
  if (m_root.empty()) return "";
  const FileState now = StateOf(m_realProfile);
  if (now.exists != m_before.exists)
    return m_realProfile + (now.exists ? " was created" : " was removed") + " by the test run";
  if (!now.exists) return "";
  if (now.st.st_ino != m_before.st.st_ino || now.st.st_size != m_before.st.st_size ||
      !SameTime(now.st.st_mtim, m_before.st.st_mtim) || !SameTime(now.st.st_ctim, m_before.st.st_ctim))
    return m_realProfile + " was rewritten by the test run (or by the program itself meanwhile)";
  return "";
}
