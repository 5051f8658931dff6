#include "platform/db/KeptBatch.h"

#include <sqlite3.h>

#include <cerrno>
#include <map>

#include "platform/db/KeptStatements.h"
#include "platform/db/KeptTexts.h"

namespace ruv::db {

bool KeptBatch::IsBusy(int rc) { return (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED; }

bool KeptBatch::RefusedForGood(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
    case SQLITE_ERROR:
    case SQLITE_NOTFOUND:
    case SQLITE_MISUSE:
    case SQLITE_AUTH: return true;
    default: return false;
  }
}

int KeptBatch::Named(int rc, int failedWith) const {
  if ((rc & 0xFF) != SQLITE_IOERR || rc == KeptTexts::kFileSizeLimitResult) return rc;
  const int system = failedWith != 0 ? failedWith : sqlite3_system_errno(m_db);
  return system == EFBIG ? KeptTexts::kFileSizeLimitResult : rc;
}

KeptBatch::End KeptBatch::Write(const std::deque<PendingWrite>& kept, std::size_t most) {
  FirstRefused first;
  for (;;) {
    Try tried = TryOnce(kept, most, first);
    if (tried.takenBackAt >= most) return End{std::move(tried.outcomes), Named(tried.waitRc, 0)};
    // Taken back whole: the writes before the one that failed go again alone...
    if (tried.takenBackAt > 0) {
      most = tried.takenBackAt;
      continue;
    }
    // ...and a first write refused for good is taken as refused in the next try.
    if (RefusedForGood(tried.takenBackRc) && !tried.markTakenBack && first.rc == SQLITE_OK) {
      first.rc = tried.takenBackRc;
      first.why = tried.takenBackWhy.empty() ? sqlite3_errstr(tried.takenBackRc) : tried.takenBackWhy;
      continue;
    }
    return End{{}, Named(tried.takenBackRc, 0)};
  }
}

KeptBatch::Try KeptBatch::TryOnce(const std::deque<PendingWrite>& kept, std::size_t most, const FirstRefused& first) {
  Try tried;
  tried.takenBackAt = most;
  tried.waitRc = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  if (tried.waitRc != SQLITE_OK) return tried;
  KeptStatements statements(m_db);
  if (m_withTokens) {
    if (const int rc = statements.MakeWrittenTable(); rc != SQLITE_DONE) {
      sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
      tried.waitRc = rc;
      return tried;
    }
  }
  // The kept new rows this transaction made: their ids (kNoRowId: refused).
  std::map<long long, long long> madeHere;
  const auto takeBack = [&](std::size_t at, int rc) {
    tried.takenBackAt = at;
    tried.takenBackRc = rc;
  };
  for (std::size_t n = 0; n < most; ++n) {
    const PendingWrite& write = kept[n];
    const bool insert = write.kind == PendingWrite::Kind::Insert;
    RowKey row{write.rowId, insert ? 0 : write.newRow};
    bool lost = false;
    if (const auto made = madeHere.find(row.newRow); row.newRow != 0 && made != madeHere.end()) {
      lost = made->second == kNoRowId;
      row = RowKey{made->second, 0};
    } else {
      lost = m_queue.Resolve(row) == KeptQueue::NewRowState::Lost;
    }
    std::string why;  // why it is refused for good
    if (lost) {
      why = KeptTexts::kNewRowNotWritten;
    } else if (n == 0 && first.rc != SQLITE_OK) {
      why = first.why;
    } else {
      long long rowId = row.rowId;
      std::string refusal;
      const int rc = WriteOne(statements, write, rowId, refusal);
      if (rc == SQLITE_DONE) {
        tried.outcomes.push_back(Outcome{true, rowId, std::string()});
        if (insert) madeHere[write.newRow] = rowId;
        continue;
      }
      if (sqlite3_get_autocommit(m_db)) {
        takeBack(n, rc);
        tried.takenBackWhy = refusal;
        return tried;
      }
      statements.Run("ROLLBACK TO kept");
      statements.Run("RELEASE kept");
      if (!RefusedForGood(rc)) {
        tried.waitRc = rc;  // it waits, and what is kept behind it with it
        break;
      }
      why = rc == SQLITE_NOTFOUND ? KeptTexts::kRowNotThere : refusal;
    }
    if (write.fromJournal) {
      if (const int rc = statements.MarkSetAside(write.token); rc != SQLITE_DONE) {
        // Not set aside unmarked: it stays in the journal, and waits.
        if (sqlite3_get_autocommit(m_db)) {
          takeBack(n, rc);
          tried.markTakenBack = true;
          return tried;
        }
        tried.waitRc = rc;
        break;
      }
    }
    tried.outcomes.push_back(Outcome{false, 0, why});
    if (insert) madeHere[write.newRow] = kNoRowId;
  }
  // The commit writes the pages: SQLite keeps no system error of its own for
  // a commit that failed, so the system's is taken as the call left it.
  errno = 0;
  if (const int rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr); rc != SQLITE_OK) {
    const int failedWith = errno;
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    tried.outcomes.clear();
    tried.waitRc = Named(rc, failedWith);
  }
  return tried;
}

int KeptBatch::WriteOne(KeptStatements& statements, const PendingWrite& write, long long& rowId,
                        std::string& refusal) {
  int rc = statements.Run("SAVEPOINT kept");
  bool already = false;
  if (rc == SQLITE_DONE && m_withTokens) {
    rc = statements.FindWritten(write.token, rowId);
    already = rc == SQLITE_ROW;
    if (rc == SQLITE_ROW) rc = SQLITE_DONE;
  }
  if (rc == SQLITE_DONE && !already) {
    rc = statements.RunKept(write, rowId);
    // The database's own words for a refusal (a rule's message), taken before
    // anything else runs on the connection.
    if (rc != SQLITE_DONE && rc != SQLITE_NOTFOUND) refusal = sqlite3_errmsg(m_db);
    if (write.kind == PendingWrite::Kind::Insert) rowId = sqlite3_last_insert_rowid(m_db);
    if (rc == SQLITE_DONE && m_withTokens) rc = statements.NoteWritten(write.token, rowId, WrittenDigest(write));
  }
  if (rc == SQLITE_DONE) {
    statements.Run("RELEASE kept");
    return rc;
  }
  if (refusal.empty() && rc != SQLITE_NOTFOUND) refusal = sqlite3_errstr(rc);
  return rc;
}

}  // namespace ruv::db
