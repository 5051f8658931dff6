#include "app/RefusedRowChanges.h"

#include <set>
#include <utility>

#include "platform/base/Text.h"

void CRefusedRowChanges::Refused(EntryId entry, int row, const std::string& material, const std::string& cause) {
  Refusal& refusal = m_refusals[entry];
  // The same cause again is the same refusal; another one is told again.
  if (refusal.told && refusal.cause != cause) refusal.told = false;
  refusal.row = row;
  refusal.material = material;
  refusal.cause = cause;
  refusal.order = ++m_nextOrder;
}

void CRefusedRowChanges::Settled(EntryId entry) { m_refusals.erase(entry); }

std::vector<std::string> CRefusedRowChanges::TakeUntold() {
  // A cause told for a row still refused is not told again for another: the
  // report line counts the rows.
  std::set<std::string> told;
  for (const auto& [entry, refusal] : m_refusals)
    if (refusal.told) told.insert(refusal.cause);
  // Rows refused for the same cause at once are told together.
  std::vector<std::pair<std::string, std::vector<const Refusal*>>> byCause;
  for (auto& [entry, refusal] : m_refusals) {
    if (refusal.told) continue;
    refusal.told = true;
    if (told.count(refusal.cause) != 0) continue;
    auto same = byCause.begin();
    while (same != byCause.end() && same->first != refusal.cause) ++same;
    if (same == byCause.end()) same = byCause.emplace(byCause.end(), refusal.cause, std::vector<const Refusal*>());
    same->second.push_back(&refusal);
  }
  std::vector<std::string> texts;
  for (const auto& [cause, refusals] : byCause) {
    std::string rows;
    for (const Refusal* refusal : refusals)
      rows += ruv::Format("%srow %d, %s", rows.empty() ? "" : "; ", refusal->row, refusal->material.c_str());
    const std::string what = refusals.size() == 1
                                 ? "the record of a charge (Event2 " + rows + ")"
                                 : ruv::Format("the records of %zu charges (Event2 ", refusals.size()) + rows + ")";
    texts.push_back(ruv::Format(kRefusedRowsFormat, what.c_str(), cause.c_str()));
  }
  return texts;
}

std::string CRefusedRowChanges::Note() const {
  if (m_refusals.empty()) return std::string();
  const Refusal* latest = nullptr;
  for (const auto& [entry, refusal] : m_refusals)
    if (!latest || refusal.order > latest->order) latest = &refusal;
  const int count = static_cast<int>(m_refusals.size());
  return ruv::Format(kUnwrittenRowsFormat, count, count == 1 ? "" : "s", latest->cause.c_str());
}
