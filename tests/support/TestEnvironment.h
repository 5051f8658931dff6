#pragma once
// Per-test helpers: a temporary folder that is removed afterwards, an exit hook
// that records codes instead of ending the run, and an injected key state.
#include <string>
#include <vector>

#include "platform/base/InputState.h"

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return m_path; }  // no trailing "/"
  std::string File(const std::string& name) const { return m_path + "/" + name; }
  void Write(const std::string& name, const std::string& content) const;
  std::string Read(const std::string& name) const;

 private:
  std::string m_path;
};

// Installs itself as the exit hook; records every requested exit code.
class RecordingExitHook {
 public:
  RecordingExitHook();
  ~RecordingExitHook();
  const std::vector<int>& Codes() const { return m_codes; }
  bool Exited() const { return !m_codes.empty(); }
  int LastCode() const { return m_codes.empty() ? -1 : m_codes.back(); }

 private:
  std::vector<int> m_codes;
};

// Installs itself as the key state; released on destruction.
class ScopedKeyState : public InjectedKeyState {
 public:
  ScopedKeyState();
  ~ScopedKeyState() override;
};
