#pragma once
// Changes of charge rows the database refused, each with the database's own
// words. A refused change is tried again at every flush of the rows; the
// operator is told once per cause while any row is refused for it, and the
// plant form counts what is still unwritten until it goes in.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "plant/MaterialLedger.h"

// The first box of a refusal (the rows, the database's words).
inline constexpr const char* kRefusedRowsFormat =
    "The database refused to write %s:\n%s\n\n"
    "It is tried again every second without another message; the report line of the plant form "
    "says what is not written until it goes in.";
// The cause when the table failed without a word from the database.
inline constexpr const char* kRowNotTakenText = "the table did not take it";
// The note the report line shows meanwhile (how many, the latest cause).
inline constexpr const char* kUnwrittenRowsFormat = "%d record%s not written: %s";
// The close with changes still refused (the note).
inline constexpr const char* kUnwrittenAtCloseFormat =
    "%s\nThe program closes: these changes are lost, and their charge records keep what they said before.";

class CRefusedRowChanges {
 public:
  using EntryId = CMaterialLedger::EntryId;

  // A write of `entry`'s row (Event2 `row`, of `material`) refused for `cause`.
  void Refused(EntryId entry, int row, const std::string& material, const std::string& cause);
  // The entry's row went in, or is never written again: nothing of it is
  // unwritten, and a later refusal is told anew.
  void Settled(EntryId entry);
  // One box text per cause of the refusals not told yet, but a cause a row is
  // still refused for was told already; they are told from now on.
  std::vector<std::string> TakeUntold();
  // The note while a change is unwritten; empty when none is.
  std::string Note() const;

 private:
  struct Refusal {
    int row = 0;
    std::string material;
    std::string cause;
    bool told = false;
    std::uint64_t order = 0;  // the latest refusal's cause is the one shown
  };
  std::map<EntryId, Refusal> m_refusals;
  std::uint64_t m_nextOrder = 0;
};
