#pragma once
// Takes the records of a file read (the journal at the start, a file put at
// its name while the program runs, a file put back beside it) into the queue,
// before anything this run kept: what the operator is told of it.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/db/JournalFile.h"
#include "platform/db/KeptQueue.h"
#include "platform/db/KeptTexts.h"
#include "platform/db/RefusedSetAside.h"

namespace ruv::db {

// What a file of records taken over was.
enum class JournalState { None, Written, Kept, Unreadable, Refused, Writing };

class JournalIntake {
 public:
  JournalIntake(KeptQueue& queue, JournalFile& journal, RefusedSetAside& setAside,
                KeptTexts::TableColumns& tableColumns, const KeptTexts& texts, std::vector<std::string>& told)
      : m_queue(queue), m_journal(journal), m_setAside(setAside), m_tableColumns(tableColumns), m_texts(texts),
        m_told(told) {}

  // Takes `records`, read from `path`, into the queue (the next start's after
  // the last try): what the operator is told, what the file was in `state`.
  // `taken` gets how many records it held, `stamp` the stamp of the file read,
  // `listed` (at the start) the description of each record listed (at most
  // `mostListed`, the rest counted), `already` how many the database held
  // already (left out).
  std::string Take(JournalFile::Records records, const std::string& path, KeptTexts::From source, bool retriesEnded,
                   JournalState& state, std::size_t* taken, KeptWriteJournal::Stamp* stamp,
                   std::vector<std::string>* listed, std::size_t mostListed, std::size_t* already = nullptr);

 private:
  KeptQueue& m_queue;
  JournalFile& m_journal;
  RefusedSetAside& m_setAside;
  KeptTexts::TableColumns& m_tableColumns;
  const KeptTexts& m_texts;
  std::vector<std::string>& m_told;
};

}  // namespace ruv::db
