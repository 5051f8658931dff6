#pragma once
// Makes the writers of the files in one folder take turns, across threads and
// processes alike: an exclusive flock on the folder itself, held from
// construction to destruction. A killed holder's lock goes with its process,
// so the lock never outlives a writer and leaves no file behind.
#include <string>

// The folder that holds `filePath` ("." for a bare name).
std::string FolderOf(const std::string& filePath);

class FolderWriteLock {
 public:
  // Blocks until the folder holding `filePath` is ours. When the folder cannot
  // be opened the writer goes on unguarded (Held() is false), as it did before.
  explicit FolderWriteLock(const std::string& filePath);
  ~FolderWriteLock();
  FolderWriteLock(const FolderWriteLock&) = delete;
  FolderWriteLock& operator=(const FolderWriteLock&) = delete;

  bool Held() const { return m_fd >= 0; }

 private:
  int m_fd = -1;
};
