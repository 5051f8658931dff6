#include "platform/db/KeptWriteJournal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "platform/base/AtomicFile.h"
#include "platform/base/OwnFile.h"

namespace ruv::db {
namespace {

KeptWriteJournal::Stamp StampOfStat(const struct stat& st) {
  KeptWriteJournal::Stamp stamp;
  stamp.present = true;
  stamp.device = st.st_dev;
  stamp.inode = st.st_ino;
  stamp.size = st.st_size;
  stamp.modified = st.st_mtim;
  stamp.links = st.st_nlink;
  stamp.mode = st.st_mode & 07777;
  stamp.changed = st.st_ctim;
  return stamp;
}

// Whether anything at all (a dangling link too) is at `path`.
bool NameTaken(const std::string& path) {
  struct stat st{};
  return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

// The endings of the set-aside copies' names after the journal's: a journal
// that cannot be read, and its records the database refused (which earlier
// versions set aside as unreadable too).
constexpr const char* kUnreadableSuffix = ".unreadable";
constexpr const char* kRefusedSuffix = ".refused";
constexpr const char* kCutTailSuffix = ".cut-tail";

const char* SuffixOf(KeptWriteJournal::Aside what) {
  using Aside = KeptWriteJournal::Aside;
  return what == Aside::Refused ? kRefusedSuffix : what == Aside::CutTail ? kCutTailSuffix : kUnreadableSuffix;
}

// Whether `name` is the journal's name `journal` followed by the set-aside
// ending `suffix` and its optional "-<n>".
bool IsAsideName(std::string_view name, std::string_view journal, std::string_view suffix) {
  if (name.substr(0, journal.size()) != journal) return false;
  const std::string_view rest = name.substr(journal.size());
  if (rest.substr(0, suffix.size()) != suffix) return false;
  const std::string_view number = rest.substr(suffix.size());
  return number.empty() ||
         (number.size() > 1 && number[0] == '-' && number.find_first_not_of("0123456789", 1) == std::string::npos);
}

// Whether `name` is the journal's name `journal` followed by "", or a
// set-aside ending with its optional "-<n>".
bool IsJournalOrAsideName(const std::string& name, const std::string& journal) {
  if (name == journal) return true;
  for (const std::string_view suffix : {kUnreadableSuffix, kRefusedSuffix, kCutTailSuffix})
    if (IsAsideName(name, journal, suffix)) return true;
  return false;
}

// Read (the file is open) or what keeps it from being read.
KeptWriteJournal::ReadResult OpenedOrWhy(const OwnFile& file, std::string& what) {
  switch (file.GetStatus()) {
    case OwnFile::Status::Opened: return KeptWriteJournal::ReadResult::Read;
    case OwnFile::Status::Absent: return KeptWriteJournal::ReadResult::Absent;
    case OwnFile::Status::NotOwnFile: what = file.What(); return KeptWriteJournal::ReadResult::NotAFile;
    case OwnFile::Status::Failed: break;
  }
  what = file.What();
  return KeptWriteJournal::ReadResult::Failed;
}

}  // namespace

bool KeptWriteJournal::Stamp::operator==(const Stamp& other) const {
  if (present != other.present) return false;
  return !present || (device == other.device && inode == other.inode && size == other.size &&
                      modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
                      links == other.links);
}

unsigned KeptWriteJournal::MostModeBeside(const std::string& database) {
  struct stat st{};
  if (database.empty() || ::stat(database.c_str(), &st) != 0) return 07777;
  return (st.st_mode & 0777) | 0600;
}

KeptWriteJournal::Stamp KeptWriteJournal::StampOf(const std::string& path) {
  struct stat st{};
  if (::lstat(path.c_str(), &st) != 0) return Stamp{};
  return StampOfStat(st);
}

KeptWriteJournal::ReadResult KeptWriteJournal::ReadExcerpt(const std::string& path, const std::string& database,
                                                           std::size_t most, std::size_t longest, Excerpt& excerpt,
                                                           std::string& what) {
  std::string cutTail;
  const ReadResult read = ReadLines(
      path, database,
      [&](std::string_view line) {
        if (excerpt.lines.size() == most) {
          ++excerpt.moreLines;
          return true;
        }
        std::string shown(line.substr(0, longest));
        // A line cut inside a character loses that character's first bytes too.
        if (shown.size() < line.size()) {
          while (!shown.empty() && (static_cast<unsigned char>(shown.back()) & 0xC0) == 0x80) shown.pop_back();
          if (!shown.empty() && (static_cast<unsigned char>(shown.back()) & 0x80) != 0) shown.pop_back();
        }
        excerpt.lines.push_back(std::move(shown));
        excerpt.lengths.push_back(line.size());
        return true;
      },
      what, nullptr, &cutTail);
  // A last line without its line break is a line of the file all the same.
  if (!cutTail.empty()) ++excerpt.moreLines;
  return read;
}

KeptWriteJournal::ReadResult KeptWriteJournal::ReadLines(const std::string& path, const std::string& database,
                                                         const std::function<bool(std::string_view line)>& line,
                                                         std::string& what, Stamp* stamp, std::string* cutTail) {
  OwnFile file = OwnFile::Open(path, O_RDONLY, 0, database);
  if (const ReadResult opened = OpenedOrWhy(file, what); opened != ReadResult::Read) return opened;
  // A block at a time; a line cut by the block's end waits for the rest.
  constexpr std::size_t kBlock = 1 << 20;
  struct stat st{};
  std::size_t left = ::fstat(file.Fd(), &st) == 0 && st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
  std::string buffer;
  buffer.reserve(2 * kBlock);
  std::vector<char> block(kBlock);
  bool going = true;
  while (going) {
    const ssize_t got = ::read(file.Fd(), block.data(), block.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      what = std::strerror(errno);
      return ReadResult::Failed;
    }
    if (got == 0) break;
    const auto size = static_cast<std::size_t>(got);
    left -= std::min(left, size);
    // A line longer than a block (one long value): room for the rest of the
    // file at once, not a copy at each doubling.
    if (buffer.size() + size > buffer.capacity()) buffer.reserve(buffer.size() + size + left);
    buffer.append(block.data(), size);
    going = HandLines(buffer, line);
  }
  // A last line without its line break is no record: a write cut short.
  if (cutTail) {
    cutTail->clear();
    if (going) cutTail->swap(buffer);
  }
  if (stamp && ::fstat(file.Fd(), &st) == 0) *stamp = StampOfStat(st);
  return ReadResult::Read;
}

bool KeptWriteJournal::EndsInsideALine(const std::string& path, const std::string& database) {
  // Anything else there is for the reading to tell.
  const OwnFile file = OwnFile::Open(path, O_RDONLY, 0, database);
  struct stat st{};
  if (file.GetStatus() != OwnFile::Status::Opened || ::fstat(file.Fd(), &st) != 0 || st.st_size == 0) return false;
  char last = '\n';
  return ::pread(file.Fd(), &last, 1, st.st_size - 1) == 1 && last != '\n';
}

bool KeptWriteJournal::HandLines(std::string& text, const std::function<bool(std::string_view line)>& line) {
  bool going = true;
  std::size_t at = 0;
  for (std::size_t end; going && (end = text.find('\n', at)) != std::string::npos; at = end + 1)
    going = line(std::string_view(text).substr(at, end - at));
  text.erase(0, at);
  return going;
}

bool KeptWriteJournal::Save(const std::string& path, const std::string& content, const std::string& database,
                            std::string& error) {
  struct stat st{};
  const bool taken = ::lstat(path.c_str(), &st) == 0;
  if (const std::string there = OwnFile::WhatIsThere(path, database); taken && !there.empty()) {
    error = "there is " + there + " at its name";
    return content.empty();
  }
  if (!content.empty()) return ReplaceFileAtomically(path, content, &error, MostModeBeside(database));
  if (!taken) return true;
  if (std::remove(path.c_str()) == 0) {
    SyncFolderOf(path);
    return true;
  }
  error = std::string("it cannot be removed: ") + std::strerror(errno);
  return false;
}

bool KeptWriteJournal::Append(const std::string& path, const std::string& lines, const std::string& database,
                              Stamp& stamp, std::string& error) {
  OwnFile file = OwnFile::Open(path, O_WRONLY | O_APPEND, 0, database);
  if (!file.IsOpen()) {
    error = file.GetStatus() == OwnFile::Status::Absent ? "it is no longer there" : file.What();
    return false;
  }
  struct stat st{};
  if (::fstat(file.Fd(), &st) != 0 || !(StampOfStat(st) == stamp)) {
    error = "it is not the file last written";
    return false;
  }
  int failed = file.WriteAll(lines) ? 0 : file.Error();
  if (failed == 0 && ::fdatasync(file.Fd()) != 0) failed = errno;
  if (failed != 0) {
    // No half line stays behind: the next append begins on a line of its own.
    // Cut back, it is this run's file as it was, under a new modification
    // time: not one put at its name, to be read again.
    if (::ftruncate(file.Fd(), stamp.size) == 0) {
      ::fdatasync(file.Fd());
      if (::fstat(file.Fd(), &st) == 0 && st.st_size == stamp.size) stamp = StampOfStat(st);
    }
    error = std::strerror(failed);
    return false;
  }
  if (::fstat(file.Fd(), &st) != 0) {
    error = std::strerror(errno);
    return false;
  }
  stamp = StampOfStat(st);
  return true;
}

std::string KeptWriteJournal::AsideName(const std::string& journal, Aside what) {
  const std::string first = journal + SuffixOf(what);
  std::string aside = first;
  for (int n = 2; NameTaken(aside); ++n) aside = first + "-" + std::to_string(n);
  return aside;
}

std::string KeptWriteJournal::AsideHolding(const std::string& journal, Aside what, const std::string& bytes,
                                           const std::string& database) {
  const std::size_t slash = journal.rfind('/');
  const std::string folder = journal.substr(0, slash + 1);
  const std::string name = journal.substr(slash + 1);
  std::vector<std::string> asides;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return std::string();
  while (const dirent* entry = ::readdir(dir))
    if (IsAsideName(entry->d_name, name, SuffixOf(what))) asides.push_back(folder + entry->d_name);
  ::closedir(dir);
  std::sort(asides.begin(), asides.end());
  for (const std::string& aside : asides) {
    OwnFile file = OwnFile::Open(aside, O_RDONLY, 0, database);
    struct stat st{};
    if (!file.IsOpen() || ::fstat(file.Fd(), &st) != 0 || static_cast<std::size_t>(st.st_size) != bytes.size())
      continue;
    std::string content;
    if (file.ReadAll(content) && content == bytes) return aside;
  }
  return std::string();
}

std::vector<std::string> KeptWriteJournal::PutBackNames(const std::string& journal) {
  const std::size_t slash = journal.rfind('/');
  const std::string folder = journal.substr(0, slash + 1);
  const std::string prefix = journal.substr(slash + 1) + kPutBackSuffix;
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    // A copy still being written under a temporary name is not taken half-made.
    if (name.substr(0, prefix.size()) == prefix && name.find(".tmp-", prefix.size()) == std::string_view::npos)
      names.push_back(folder + std::string(name));
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

int KeptWriteJournal::SweepTemporaries(const std::string& journal) {
  // Without a slash, npos + 1 wraps to 0: no folder part, the whole path is the name.
  const std::size_t slash = journal.rfind('/');
  const std::string folder = journal.substr(0, slash + 1);
  const std::string name = journal.substr(slash + 1);
  // A copy set aside once is seldom written again: its temporary file would
  // stay for good if only the next write of the same name took it away.
  constexpr const char kTemporaryInfix[] = ".tmp-";
  std::set<std::string> written;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string entryName = entry->d_name;
    const std::size_t infix = entryName.rfind(kTemporaryInfix);
    if (infix != std::string::npos && IsJournalOrAsideName(entryName.substr(0, infix), name))
      written.insert(entryName.substr(0, infix));
  }
  ::closedir(dir);
  int removed = 0;
  for (const std::string& file : written) removed += SweepDeadTemporaries(folder + file);
  return removed;
}

}  // namespace ruv::db
