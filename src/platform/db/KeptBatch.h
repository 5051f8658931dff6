#pragma once
// One transaction of kept writes, oldest first. With tokens, each write and
// its token go in together: one that went in before the journal lost it is
// found by its token and not written again. Each write has a savepoint of its
// own: one the database refuses is taken back alone, and the others go in. A
// record of a journal taken over that it refuses has its token marked in the
// same transaction (it is set aside once that is in); while the mark cannot
// go in, it waits.
#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "platform/db/KeptQueue.h"
#include "platform/db/PendingWrite.h"

struct sqlite3;

namespace ruv::db {

class KeptStatements;

class KeptBatch {
 public:
  KeptBatch(sqlite3* db, const KeptQueue& queue, bool withTokens) : m_db(db), m_queue(queue), m_withTokens(withTokens) {}

  // What became of one write: written (with the row's id) or refused for good (and why).
  struct Outcome {
    bool written = false;
    long long rowId = 0;
    std::string why;
  };
  // The outcomes of the first writes, in order, and what the first write not
  // done waits on (SQLITE_OK, or SQLITE_DONE, when none waits; a file-size
  // limit the database met as KeptTexts::kFileSizeLimitResult).
  struct End {
    std::vector<Outcome> outcomes;
    int waitRc = 0;
  };
  // Writes the first `most` of `kept` in one transaction, or as many of them
  // as go in before one waits.
  End Write(const std::deque<PendingWrite>& kept, std::size_t most);

  // Whether SQLite's result is another program's lock.
  static bool IsBusy(int rc);
  // A failure the database refuses for good (a rule of the table, a value it
  // will never take, a row deleted meanwhile); any other (a full disk, an I/O
  // error, a read-only or unreachable database) a mended one may yet accept.
  static bool RefusedForGood(int rc);

 private:
  // `rc`, or KeptTexts::kFileSizeLimitResult when it is an I/O error the
  // file-size limit made (EFBIG): `failedWith` the system's error as the
  // failed call left it, else SQLite's.
  int Named(int rc, int failedWith) const;
  // A refusal of the first write that took a whole transaction back: in the
  // next it is taken as refused, without running it again.
  struct FirstRefused {
    int rc = 0;
    std::string why;
  };
  // One try of the transaction. `takenBackAt` < `most` when a failure took it
  // back whole (a rule that rolls back, or a mark that could not go in).
  struct Try {
    std::vector<Outcome> outcomes;
    int waitRc = 0;
    std::size_t takenBackAt = 0;
    int takenBackRc = 0;
    std::string takenBackWhy;
    bool markTakenBack = false;
  };
  Try TryOnce(const std::deque<PendingWrite>& kept, std::size_t most, const FirstRefused& first);
  // One write under its savepoint, on the row `rowId`: SQLITE_DONE with its
  // row in `rowId`, or the failure with the database's own words in `refusal`.
  int WriteOne(KeptStatements& statements, const PendingWrite& write, long long& rowId, std::string& refusal);

  sqlite3* m_db;
  const KeptQueue& m_queue;
  bool m_withTokens;
};

}  // namespace ruv::db
