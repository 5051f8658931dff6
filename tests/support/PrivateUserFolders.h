#pragma once
// A test run never touches the user's own files: before anything else (the Qt
// application included) it points HOME and the XDG folders (config, data,
// cache, state, runtime) at a folder of its own, removed at the end. The
// user's profile path as it was before is watched: a run that creates,
// rewrites or removes it fails (see RealProfileChange).
// A death test's child (the binary run again) keeps its parent's folders.
#include <sys/stat.h>

#include <string>

class PrivateUserFolders {
 public:
  PrivateUserFolders();
  ~PrivateUserFolders();
  PrivateUserFolders(const PrivateUserFolders&) = delete;
  PrivateUserFolders& operator=(const PrivateUserFolders&) = delete;

  // The profile path the user's own environment gives (what the program would write).
  const std::string& RealProfilePath() const { return m_realProfile; }
  // Empty while the real profile is as the run found it; else what changed.
  std::string RealProfileChange() const;

 private:
  struct FileState {
    bool exists = false;
    struct stat st {};
  };
  static FileState StateOf(const std::string& path);

  std::string m_root;  // empty in a death test's child: the parent's folders are used
  std::string m_realProfile;
  FileState m_before;
};
