#include "platform/db/RefusedSetAside.h"

#include "platform/base/AtomicFile.h"
#include "platform/base/OwnFile.h"
#include "platform/db/JournalFormat.h"

namespace ruv::db {
namespace {

std::function<bool()>& DeathAfterSetAside() {
  static std::function<bool()> hook;
  return hook;
}

}  // namespace

void RefusedSetAside::SetDeathAfterSetAsideForTest(std::function<bool()> hook) {
  DeathAfterSetAside() = std::move(hook);
}

bool RefusedSetAside::Write(const std::string& journal, const std::string& database, const KeptTexts& texts,
                            const KeptTexts::TableColumns& tableColumns, std::vector<std::string>& told) {
  if (m_notAside.empty()) return false;
  // A copy moved away (put back, say) or changed since is no longer this
  // run's to rewrite: the records refused from now on begin a new one.
  if (!m_path.empty() && !(KeptWriteJournal::StampOf(m_path) == m_stamp)) m_path.clear();
  if (m_path.empty()) {
    m_path = KeptWriteJournal::AsideName(journal, KeptWriteJournal::Aside::Refused);
    m_content = std::string(kJournalHeading) + "\n";
  }
  std::string content = m_content;
  for (const PendingWrite& refused : m_notAside) {
    KeptTexts::AppendDescriptionLine(texts.DescribeOne(refused, KeptTexts::kLongestNamingValue), content);
    const auto table = tableColumns.find(refused.table);
    AppendJournalWrite(refused, content, table == tableColumns.end() ? nullptr : &table->second);
    content += "\n";
  }
  std::string error;
  const std::string there = OwnFile::WhatIsThere(m_path, database);
  const bool saved = there.empty() ? WriteFileAtomicallyWithin(m_path, content, m_mostMode, &error)
                                   : (error = "there is " + there + " at its name", false);
  if (saved) {
    m_content = std::move(content);
    m_stamp = KeptWriteJournal::StampOf(m_path);
    m_notAside.clear();
    if (m_takenOver.kind != Where::Kind::SetAside || m_takenOver.path != m_path)
      told.push_back(KeptTexts::SetAsideDone(m_path, journal));
    m_takenOver = Where{Where::Kind::SetAside, m_path, std::string()};
    m_trouble.clear();
    // The journal is rewritten without them once the writing stops.
    return DeathAfterSetAside() && DeathAfterSetAside()();
  }
  if (m_takenOver.kind != Where::Kind::SetAside) m_takenOver = Where{Where::Kind::NotWritten, std::string(), error};
  if (error != m_trouble) told.push_back(KeptTexts::SetAsideFailed(m_path, error, journal));
  m_trouble = error;
  return false;
}

}  // namespace ruv::db
