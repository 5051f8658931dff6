#include "support/StandardErrorCapture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

StandardErrorCapture::StandardErrorCapture()
    : m_path((std::filesystem::temp_directory_path() / "ruv-stderr-XXXXXX").string()) {
  std::fflush(stderr);
  m_file = ::mkstemp(m_path.data());
  if (m_file < 0) return;
  m_saved = ::dup(STDERR_FILENO);
  ::dup2(m_file, STDERR_FILENO);
}

StandardErrorCapture::~StandardErrorCapture() {
  Restore();
  if (m_file >= 0) {
    ::close(m_file);
    ::unlink(m_path.c_str());
  }
}

std::string StandardErrorCapture::Text() {
  Restore();
  std::ifstream in(m_path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void StandardErrorCapture::Restore() {
  if (m_saved < 0) return;
  std::fflush(stderr);
  ::dup2(m_saved, STDERR_FILENO);
  ::close(m_saved);
  m_saved = -1;
}
