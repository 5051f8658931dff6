#include "support/TestEnvironment.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/base/ExitHook.h"

TempDir::TempDir() {
  std::string templ = (std::filesystem::temp_directory_path() / "ruvtest-XXXXXX").string();
  if (!::mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
  m_path = templ;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Restore write bits so read-only fixtures can be removed.
  for (auto& entry : std::filesystem::recursive_directory_iterator(m_path, ec))
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(m_path, ec);
}

void TempDir::Write(const std::string& name, const std::string& content) const {
  std::ofstream out(File(name), std::ios::binary);
  out << content;
}

std::string TempDir::Read(const std::string& name) const {
  std::ifstream in(File(name), std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

RecordingExitHook::RecordingExitHook() {
  SetExitHook([this](int code) { m_codes.push_back(code); });
}
RecordingExitHook::~RecordingExitHook() { SetExitHook(nullptr); }

ScopedKeyState::ScopedKeyState() { SetKeyState(this); }
ScopedKeyState::~ScopedKeyState() { SetKeyState(nullptr); }
