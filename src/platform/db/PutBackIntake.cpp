#include "platform/db/PutBackIntake.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/base/AtomicFile.h"
#include "platform/db/KeptTexts.h"

namespace ruv::db {

bool PutBackIntake::Waiting(const std::string& journal) const {
  for (const std::string& path : KeptWriteJournal::PutBackNames(journal)) {
    const auto left = m_left.find(path);
    if (left == m_left.end() || !(left->second == KeptWriteJournal::StampOf(path))) return true;
  }
  return false;
}

std::size_t PutBackIntake::TakeIn(const std::string& journal,
                                  const std::function<Read(const std::string& path)>& read,
                                  std::vector<std::string>& told) {
  std::size_t total = 0;
  for (const std::string& path : KeptWriteJournal::PutBackNames(journal)) {
    if (const auto left = m_left.find(path); left != m_left.end()) {
      if (left->second == KeptWriteJournal::StampOf(path)) continue;
      m_left.erase(left);
    }
    const Read got = read(path);
    if (got.result == Read::Result::Taken) {
      m_taken.push_back(File{path, got.stamp, got.records + got.already, got.already, std::string()});
      total += got.records;
    } else if (got.result == Read::Result::Left) {
      if (!got.told.empty()) told.push_back(got.told);
      // Still there (not a file of records, or not movable): not read again until it changes.
      if (const KeptWriteJournal::Stamp there = KeptWriteJournal::StampOf(path); there.present) m_left[path] = there;
    }
  }
  return total;
}

void PutBackIntake::JournalSaved() {
  for (File& file : m_taken) {
    if (KeptWriteJournal::StampOf(file.path) == file.stamp) {
      if (std::remove(file.path.c_str()) == 0) {
        SyncFolderOf(file.path);
      } else {
        // Not read again while it stays as it is: its records are in the journal.
        file.notRemoved = std::strerror(errno);
        m_left[file.path] = file.stamp;
      }
    }
    m_toTell.push_back(std::move(file));
  }
  m_taken.clear();
  m_trouble.clear();
}

void PutBackIntake::JournalFailed(const std::string& journal, const std::string& error,
                                  std::vector<std::string>& told) {
  if (error != m_trouble)
    for (const File& file : m_taken) told.push_back(KeptTexts::PutBackWaits(file.path, file.records, journal, error));
  m_trouble = error;
  m_taken.clear();
}

void PutBackIntake::Tell(KeptProgress progress, const std::string& journal, const std::string& cause,
                         std::vector<std::string>& notices) {
  for (const File& file : m_toTell)
    notices.push_back(KeptTexts::PutBackTaken(file.path, file.records, file.already, progress, journal, cause, file.notRemoved));
  m_toTell.clear();
}

}  // namespace ruv::db
