#include "platform/db/KeptWriteJournal.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/base/AtomicFile.h"
#include "platform/base/OwnFile.h"

namespace ruv::db {

KeptWriteJournal::ReadResult KeptWriteJournal::Read(const std::string& path, const std::string& database,
                                                    std::string& content, std::string& what) {
  OwnFile file = OwnFile::Open(path, O_RDONLY, 0, database);
  switch (file.GetStatus()) {
    case OwnFile::Status::Opened: break;
    case OwnFile::Status::Absent: return ReadResult::Absent;
    case OwnFile::Status::NotOwnFile: what = file.What(); return ReadResult::NotAFile;
    case OwnFile::Status::Failed: what = file.What(); return ReadResult::Failed;
  }
  if (!file.ReadAll(content)) {
    what = std::strerror(file.Error());
    return ReadResult::Failed;
  }
  return ReadResult::Read;
}

bool KeptWriteJournal::Save(const std::string& path, const std::string& content, const std::string& database,
                            std::string& error) {
  struct stat st{};
  const bool taken = ::lstat(path.c_str(), &st) == 0;
  if (const std::string there = OwnFile::WhatIsThere(path, database); taken && !there.empty()) {
    error = "there is " + there + " at its name";
    return content.empty();
  }
  if (!content.empty()) return ReplaceFileAtomically(path, content, &error);
  if (!taken) return true;
  if (std::remove(path.c_str()) == 0) {
    SyncFolderOf(path);
    return true;
  }
  error = std::string("it cannot be removed: ") + std::strerror(errno);
  return false;
}

namespace {

// Whether anything at all (a dangling link too) is at `path`.
bool NameTaken(const std::string& path) {
  struct stat st{};
  return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

}  // namespace

std::string KeptWriteJournal::AsideName(const std::string& journal) {
  std::string aside = journal + ".unreadable";
  for (int n = 2; NameTaken(aside); ++n) aside = journal + ".unreadable-" + std::to_string(n);
  return aside;
}

}  // namespace ruv::db
