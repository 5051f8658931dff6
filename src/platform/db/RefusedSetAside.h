#pragma once
// The records of a journal taken over that the database refused, set aside as
// they stand in a journal of their own beside it (….kept.txt.refused[-N]):
// put back, it writes each of them once and nothing else. A record leaves the
// journal only once that copy holds it; its token was marked in the
// transaction that refused it (KeptBatch).
#include <functional>
#include <string>
#include <vector>

#include "platform/db/KeptTexts.h"
#include "platform/db/KeptWriteJournal.h"
#include "platform/db/PendingWrite.h"

namespace ruv::db {

class RefusedSetAside {
 public:
  // Where the refused records of the journal taken over went.
  struct Where {
    enum class Kind { Nowhere, SetAside, NotWritten };
    Kind kind = Kind::Nowhere;
    std::string path;   // SetAside: the file that holds them
    std::string error;  // NotWritten: why they could not be
  };

  // Records were read from a file of permission bits `mode`: the copy they
  // may be set aside in is never readable by more people than that file (the
  // program's own user reads and writes it, as it could that file).
  void CameFrom(unsigned mode) { m_mostMode &= (mode & 0777) | 0600; }
  // A refused record, as it stands, not set aside yet: the journal keeps it.
  void Add(PendingWrite write) { m_notAside.push_back(std::move(write)); }
  const std::vector<PendingWrite>& NotAside() const { return m_notAside; }
  // Sets aside those not set aside yet, beside `journal`; what the operator is
  // told goes to `told`. True when the test seam stopped the writing there.
  bool Write(const std::string& journal, const std::string& database, const KeptTexts& texts,
             const KeptTexts::TableColumns& tableColumns, std::vector<std::string>& told);
  // Where the refused records of the journal taken over went (a new journal taken over starts anew).
  const Where& TakenOver() const { return m_takenOver; }
  void ForgetTakenOver() { m_takenOver = Where(); }

  // Test seam: when the hook returns true right after a set-aside copy was
  // written, the writing stops there, as a process killed at that moment
  // would (before the journal is rewritten without its records).
  static void SetDeathAfterSetAsideForTest(std::function<bool()> hook);

 private:
  std::vector<PendingWrite> m_notAside;
  Where m_takenOver;
  std::string m_path;                 // the file they are set aside in, once named
  std::string m_content;              // what that file holds
  KeptWriteJournal::Stamp m_stamp;    // and as it was written
  std::string m_trouble;              // why they could not be set aside, told once
  unsigned m_mostMode = 0777;         // the bits the copy may have at most
};

}  // namespace ruv::db
