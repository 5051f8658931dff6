#include "platform/db/PutBackIntake.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/base/AtomicFile.h"
#include "platform/base/Clock.h"
#include "platform/base/Text.h"
#include "platform/db/KeptTexts.h"

namespace ruv::db {
namespace {

// Whether two records of one token write the same: by their values, not by
// how they are held (a file read again gives its new rows other handles).
bool SameValues(const PendingWrite& one, const PendingWrite& other) {
  // A new row's number is given anew at each reading: not compared.
  return one.kind == other.kind && ruv::EqualsNoCase(one.table, other.table) &&
         (one.newRow != 0 || other.newRow != 0 || one.rowId == other.rowId) &&
         one.columns.SameValues(other.columns, one.idColumn, other.idColumn);
}

std::function<void(const std::string&)>& BeforeRemoval() {
  static std::function<void(const std::string&)> hook;
  return hook;
}

// Whether the file was left as `before` says, its change time too: nothing
// wrote it, truncated it, or changed its name or bits since.
bool SameSince(const KeptWriteJournal::Stamp& before, const KeptWriteJournal::Stamp& now) {
  return before == now && before.changed.tv_sec == now.changed.tv_sec &&
         before.changed.tv_nsec == now.changed.tv_nsec;
}

// rename(2) that never replaces what is at `to` (a file a writer just made there).
bool MoveWithoutReplacing(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL) return false;
  // A file system without it: a second name, then the first one goes.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
}

}  // namespace

void PutBackIntake::SetBeforeRemovalForTest(std::function<void(const std::string& path)> hook) {
  BeforeRemoval() = std::move(hook);
}

std::string PutBackIntake::RemovingName(const std::string& journal) {
  return journal + KeptWriteJournal::kPutBackSuffix + ".tmp-removing";
}

void PutBackIntake::PutBackUnder(const std::string& removing, const std::string& path) {
  std::string to = path;
  for (int n = 2; !MoveWithoutReplacing(removing, to) && errno == EEXIST && n < 1000; ++n)
    to = path + "-" + std::to_string(n);
  SyncFolderOf(path);
}

bool PutBackIntake::InProgressName(const std::string& name, const std::string& journal) {
  const std::string_view file = std::string_view(name).substr(name.rfind('/') + 1);
  const std::string_view own = std::string_view(journal).substr(journal.rfind('/') + 1);
  // A hidden file: an editor's or a copying program's temporary (rsync, vim).
  // The file's own dot, not the one it has from a hidden journal's name.
  const bool dotOfTheJournal = !own.empty() && own[0] == '.' && file.substr(0, own.size()) == own;
  if (!file.empty() && file[0] == '.' && !dotOfTheJournal) return true;
  for (const std::string_view ending : {"~", ".part", ".tmp", ".swp", ".swo", ".bak", ".orig", ".crdownload"})
    if (file.size() >= ending.size() && file.substr(file.size() - ending.size()) == ending) return true;
  return file.find(".tmp-") != std::string_view::npos;
}

void PutBackIntake::SetFolderWatched(bool watched) {
  m_watched = watched;
  m_folderChanged = true;
}

bool PutBackIntake::Look(const std::string& journal, const std::string& database, bool asItStands) {
  // The folder is listed only when it changed (at every look unless watched):
  // with many files in it, a listing is no cost for every second.
  m_journal = journal;
  if (!m_watched || m_folderChanged) {
    m_folderChanged = false;
    // A kill between the move out of reach and the removal: its records are
    // in the journal, but a writer may have added to it. Taken again (each
    // record once).
    if (const std::string removing = RemovingName(journal); KeptWriteJournal::StampOf(removing).present)
      PutBackUnder(removing, journal + KeptWriteJournal::kPutBackSuffix);
    std::map<std::string, Seen> seen;
    for (const std::string& path : KeptWriteJournal::PutBackNames(journal)) {
      // An editor's backup of the file, or a copy not yet renamed to its name.
      if (InProgressName(path, journal)) continue;
      const auto known = m_seen.find(path);
      seen[path] = known != m_seen.end() ? known->second : Seen{};
    }
    m_seen = std::move(seen);
  }
  const std::uint32_t now = GetTickCount();
  m_ready.clear();
  for (auto at = m_seen.begin(); at != m_seen.end();) {
    const std::string& path = at->first;
    Seen& seen = at->second;
    const KeptWriteJournal::Stamp stamp = KeptWriteJournal::StampOf(path);
    if (!stamp.present) {
      m_left.erase(path);
      m_toldInsideALine.erase(path);
      at = m_seen.erase(at);
      continue;
    }
    const auto left = m_left.find(path);
    if (left != m_left.end() && left->second == stamp) {  // left as it is until it changes
      ++at;
      continue;
    }
    if (const auto unleased = m_unleased.find(path); unleased != m_unleased.end()) {
      if (!SameSince(unleased->second.stamp, stamp)) {
        // Changed since it was read: read again once it settles.
        m_unleased.erase(unleased);
        seen = Seen{stamp, now};
      } else if (TicksSince(unleased->second.since, now) >= kUnleasedSettledMs) {
        std::string why;
        const ReadLease none;
        const bool removed = Remove(path, unleased->second.stamp, none, why);
        m_unleased.erase(unleased);
        if (removed) {
          m_toldInsideALine.erase(path);
          at = m_seen.erase(at);
          continue;
        }
        if (!why.empty()) {
          m_left[path] = stamp;
          m_news.push_back(KeptTexts::PutBackNotRemovedLater(path, why));
        }
        seen = Seen{KeptWriteJournal::StampOf(path), now};
      }
      ++at;
      continue;
    }
    if (!(stamp == seen.stamp)) {
      seen = Seen{stamp, now};
      if (!asItStands) {  // first seen so: it may still be being written
        ++at;
        continue;
      }
    } else if (!asItStands && TicksSince(seen.since, now) < kSettledMs) {
      ++at;
      continue;
    }
    if (ReadLease(path).state() == ReadLease::State::Writing) {
      // A process still has it open for writing: whatever it looks like now,
      // more may come (told nothing; looked at again).
    } else if (KeptWriteJournal::EndsInsideALine(path, database)) {
      // Still being written, or cut short: never read in part.
      m_left[path] = stamp;
      if (m_toldInsideALine.insert(path).second) m_news.push_back(KeptTexts::PutBackInsideALine(path));
    } else if (stamp.size > 0) {  // an empty one is a copy not begun: nothing to take or tell
      m_ready.push_back(path);
    }
    ++at;
  }
  return !m_ready.empty() || !m_news.empty();
}

std::size_t PutBackIntake::TakeIn(const Reader& read, std::vector<std::string>& told) {
  for (std::string& news : m_news) told.push_back(std::move(news));
  m_news.clear();
  std::size_t total = 0;
  for (const std::string& path : std::exchange(m_ready, {})) {
    // Held from before the read until the file is removed: a writer opening
    // it meanwhile breaks it, and the file is neither taken nor removed.
    ReadLease lease(path);
    if (lease.state() == ReadLease::State::Writing) continue;  // opened for writing since the look
    const Read got = read(path, m_seen[path].stamp, [&lease] {
      return lease.state() != ReadLease::State::Held || lease.StillHeld();
    });
    if (got.result == Read::Result::Taken) {
      m_taken.push_back(File{path, got.stamp, got.records + got.already, got.already, std::string(), std::move(lease)});
      m_toldInsideALine.erase(path);
      total += got.records;
    } else if (got.result == Read::Result::Left) {
      if (!got.told.empty()) told.push_back(got.told);
      // Still there (not a file of records, or not movable): not read again until it changes.
      if (const KeptWriteJournal::Stamp there = KeptWriteJournal::StampOf(path); there.present) m_left[path] = there;
    } else if (got.result == Read::Result::Changed) {
      // Written to while it was read: taken once it is left alone again.
      m_seen[path] = Seen{};
    }
  }
  return total;
}

void PutBackIntake::JournalSaved() {
  for (File& file : m_taken) {
    if (file.lease.state() != ReadLease::State::Held) {
      // No lease: a writer may still have it open. It stays until it has
      // stayed as it is long enough (Look), taken again if it changes.
      file.unleased = true;
      if (const KeptWriteJournal::Stamp now = KeptWriteJournal::StampOf(file.path); now == file.stamp)
        m_unleased[file.path] = Unleased{now, GetTickCount()};
    } else if (!file.lease.StillHeld()) {
      // A writer opened it since it was read: more may come. It stays, and is
      // taken again once left alone (what the journal holds is not written twice).
      file.openedToWrite = true;
      m_seen[file.path] = Seen{};
    } else if (KeptWriteJournal::StampOf(file.path) == file.stamp) {
      if (!Remove(file.path, file.stamp, file.lease, file.notRemoved)) {
        if (file.notRemoved.empty()) {
          file.openedToWrite = true;
          m_seen[file.path] = Seen{};
        } else {
          // Not read again while it stays as it is: its records are in the journal.
          m_left[file.path] = file.stamp;
        }
      }
    }
    file.lease.Release();  // a writer waiting to open it goes on
    m_toTell.push_back(std::move(file));
  }
  m_taken.clear();
  m_trouble.clear();
}

bool PutBackIntake::Remove(const std::string& path, const KeptWriteJournal::Stamp& stamp, const ReadLease& lease,
                           std::string& why) {
  if (BeforeRemoval()) BeforeRemoval()(path);
  // Out of reach first: a writer's open from now on finds no file at the name,
  // and one that found it before breaks the lease, looked at after the move.
  const std::string removing = RemovingName(m_journal);
  if (!MoveWithoutReplacing(path, removing)) {
    why = std::strerror(errno);
    return false;
  }
  const bool leaseKept = lease.state() != ReadLease::State::Held || lease.StillHeld();
  if (!leaseKept || !(KeptWriteJournal::StampOf(removing) == stamp)) {
    PutBackUnder(removing, path);
    return false;
  }
  if (::unlink(removing.c_str()) != 0) {
    why = std::strerror(errno);
    PutBackUnder(removing, path);
    return false;
  }
  SyncFolderOf(path);
  return true;
}

void PutBackIntake::JournalFailed(const std::string& journal, const std::string& error,
                                  std::vector<std::string>& told) {
  if (error != m_trouble)
    for (const File& file : m_taken) told.push_back(KeptTexts::PutBackWaits(file.path, file.records, journal, error));
  m_trouble = error;
  m_taken.clear();
  m_sameTokens.clear();  // out of the queue again: told once they are taken
}

void PutBackIntake::Tell(KeptProgress progress, const std::string& journal, const std::string& cause,
                         std::vector<std::string>& notices) {
  // What needs the operator leads (a box shows only its first sentences):
  // records of other values, left out; then files not taken, or not removed;
  // then the files taken as expected.
  std::vector<std::string> asExpected;
  for (std::string& same : std::exchange(m_sameTokens, {})) notices.push_back(std::move(same));
  for (const File& file : m_toTell) {
    if (file.openedToWrite) {
      notices.push_back(KeptTexts::PutBackOpenedToWrite(file.path, file.records));
      continue;
    }
    std::string taken =
        KeptTexts::PutBackTaken(file.path, file.records, file.already, progress, journal, cause, file.notRemoved);
    if (file.unleased) taken += " " + KeptTexts::PutBackTakenWithoutLease(kUnleasedSettledMs / 1000);
    (file.notRemoved.empty() ? asExpected : notices).push_back(std::move(taken));
  }
  m_toTell.clear();
  for (std::string& taken : asExpected) notices.push_back(std::move(taken));
}

void PutBackIntake::NoteSameTokens(const std::string& path, std::size_t records,
                                   const std::deque<PendingWrite>& queue, const std::string& journal,
                                   const std::function<std::string(const PendingWrite&)>& describe) {
  if (records == 0 || records > queue.size()) return;
  std::unordered_map<std::string_view, const PendingWrite*> read;
  for (std::size_t i = 0; i < records; ++i) read.emplace(queue[i].token, &queue[i]);
  // Behind them, the files taken before in this intake, the last read first.
  const auto fromOf = [&](std::size_t index) {
    for (auto file = m_taken.rbegin(); file != m_taken.rend(); ++file) {
      const std::size_t count = file->records - file->already;
      if (index < count) return "the file " + file->path + " put back";
      index -= count;
    }
    return "the journal " + journal;
  };
  // Told once per file or journal they meet (a handful), each token once: a
  // file taken again may wait in the queue twice, read before and now.
  struct Met {
    std::string from;
    std::vector<std::pair<std::string, std::string>> records;  // the one that goes in, the one left out
  };
  std::vector<Met> met;
  std::unordered_set<std::string_view> told;
  for (std::size_t i = records; i < queue.size(); ++i) {
    const PendingWrite& waiting = queue[i];
    // Only records taken over from a file: this run's own are known by other values.
    if (!waiting.fromJournal) continue;
    const auto same = read.find(waiting.token);
    if (same == read.end() || SameValues(*same->second, waiting) || !told.insert(waiting.token).second) continue;
    std::string from = fromOf(i - records);
    auto into = std::find_if(met.begin(), met.end(), [&](const Met& one) { return one.from == from; });
    if (into == met.end()) into = met.insert(met.end(), Met{std::move(from), {}});
    into->records.emplace_back(describe(*same->second), describe(waiting));
  }
  for (const Met& one : met) m_sameTokens.push_back(KeptTexts::PutBackSameToken(path, one.from, one.records));
}

void PutBackIntake::NoteWrittenOtherwise(std::string told) {
  if (!told.empty()) m_sameTokens.push_back(std::move(told));
}

}  // namespace ruv::db
