#include "common/ProcessUtils.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <cstdlib>

#include "common/TimeAndKeys.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/InputState.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/ProgramFolder.h"
#include "platform/base/Text.h"

namespace {

constexpr UINT kStopBox = MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL;
constexpr UINT kWarningBox = MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL;

// A folder (or anything else but a file) at the name is no file to read or write.
bool IsFile(const std::string& path) {
  struct stat st{};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const char* path) {
  struct stat st{};
  return path && *path && ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string GetModuleFolder() { return ProgramFolder(); }

std::string GetAppModuleName() {
  if (QCoreApplication::instance()) return QCoreApplication::applicationName().toStdString();
  return ProgramFilePath();
}

bool CheckFileWritable(const std::string& label, const std::string& path) {
  if (!IsFile(path)) {
    ShowMessageBox(label + " file not found!\n" + path, "", kStopBox);
    return false;
  }
  if (FileIsReadOnly(path)) {
    ShowMessageBox(label + " file is Read-Only!\n" + path, "", kStopBox);
    return false;
  }
  return true;
}

bool CopyTextToClipboard(const std::string& text) {
  IClipboard& clipboard = Clipboard();
  clipboard.Clear();
  const std::string trimmed = ruv::TrimLeft(text, " ");
  if (trimmed.empty()) return false;
  return clipboard.SetText(trimmed);
}

std::string SingleInstanceLockPath(const std::string& mutexName) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string folder = IsFolder(runtime) ? std::string(runtime) : std::string("/tmp");
  if (folder.back() != '/') folder += '/';
  // A mutex name may hold any character but "\"; a file name may not hold "/".
  std::string file = mutexName;
  for (char& c : file)
    if (c == '/' || c == '\\') c = '_';
  return folder + file + ".lock";
}

bool CheckSingleInstance(const std::string& mutexName, const std::string& message) {
  const std::string lockPath = SingleInstanceLockPath(mutexName);
  // The descriptor stays open for the life of the process, like the original's
  // mutex handle; the kernel drops the lock when the process ends, however it ends.
  const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return true;  // no lock to be had: behave as the first instance
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
  const bool heldElsewhere = errno == EWOULDBLOCK;
  ::close(fd);
  if (!heldElsewhere) return true;

  const std::string secondStart = "The second execution of RuvFrame is starting!";
  if (IsOverrideComboDown()) {
    ShowMessageBox(secondStart, "RuvFrame", kWarningBox);
    return true;
  }
  ShowMessageBox(message, "RuvFrame", kStopBox);
  if (IsOverrideComboDown()) {
    ShowMessageBox(secondStart, "RuvFrame", kWarningBox);
    return true;
  }
  return false;
}
