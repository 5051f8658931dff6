#pragma once
// The ledger of material movements: the one record of what each pump charged
// and where it went. A pump's start opens an entry in the vessel it weighs
// into (a batcher; for water the mixer it runs into), the pump's stop or a cut
// settles the entry's end once, and the dosing books an automatic entry from
// that same end; a discharge credits the batch of the receiving mixer with
// what left the batcher, oldest entry first. The Event2 rows are written from
// the entries (the plant form flushes them on the user-interface thread), so
// a row, the shift's booking and the credit of a batch never tell two
// amounts of one charge.
//
// What one row cannot say is split: a discharge that stops part-way, or turns
// to another mixer, leaves what it did not take on a new entry of its own
// (and so a new row), and the row of what it took says where that went.
// Material that leaves the plant without entering a mixer (the Demo starting
// its levels again) ends its entry completed with no direction ("?") and no
// batch (-1). A charge's first entry keeps where all of it went, so that the
// dosing charges again what went elsewhere than its step's mixer.
//
// Any thread: the process cycle (the dosing) and the user-interface thread
// (the plant form) share one instance under its own lock. Levels are read
// through the reader given at construction, under that lock: a shape's lock
// may be taken inside it, never the other way round (nothing calls the
// ledger while holding a shape's lock, nor sends a message while holding it).
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "common/PlantObjectId.h"
#include "platform/base/Variant.h"

class CMaterialLedger {
 public:
  using EntryId = int;  // 0: none
  static constexpr int kNoRow = -1;
  static constexpr int kMixerCount = 4;
  // Amounts below this are rounding, not material.
  static constexpr double kRounding = 0.005;

  // What an Event2 row of an entry says.
  struct RowState {
    EntryId entry = 0;
    EntryId copyOf = 0;       // a split's remainder: the row it continues (0: a new charge)
    int material = -1;
    int row = kNoRow;         // the row written so far (kNoRow: none yet)
    bool automatic = false;
    float start = 0.0f;
    float end = 0.0f;
    bool chargeEnded = false;
    int direction = -1;       // mixer 0..3, -1 none
    int batch = -1;
    bool completed = false;
    DATE chargeEnd = 0;
    DATE dischargeStart = 0;  // 0: not discharging
    DATE dischargeEnd = 0;
  };

  using LevelReader = std::function<float(PlantObjectId vessel)>;
  using Clock = std::function<DATE()>;
  CMaterialLedger(LevelReader level, LevelReader minLevel, Clock now);

  // Forgets everything (a new plant, a test).
  void Clear();

  // ---- charges ----
  // The dosing is about to switch `material`'s pump on: the charge the start
  // opens is automatic. Taken back with TakeAutomaticStart after the store.
  void ExpectAutomaticStart(int material);
  // The entry the expected start opened (0 when the store opened none).
  EntryId TakeAutomaticStart(int material);
  // `material`'s pump started into `weigher` (`mixer` and its `batch` for
  // water, else -1): an entry opens at the weigher's level now. A charge of the material, or
  // into the weigher, whose pump stopped and whose end was not read yet is settled first.
  EntryId OpenCharge(int material, PlantObjectId weigher, int mixer, int batch);
  // The dosing's own pump start, when no veto opened its entry (an automatic
  // charge at the weigher's level now).
  EntryId OpenAutomaticCharge(int material, PlantObjectId weigher, int mixer, int batch);
  // The dosing no longer asks about these entries (its run ended or a step
  // started over): once finished they may leave the ledger.
  void Release(const std::vector<EntryId>& entries);
  // `material`'s pump stopped: its running charge waits for its end to be read.
  void NotePumpStopped(int material);
  // Whether `material`'s pump runs a charge the ledger opened.
  bool IsCharging(int material) const;
  // The material whose pump charges into `weigher` now (-1: none).
  int ChargingInto(PlantObjectId weigher) const;
  // Reads the end of every stopped charge of `material` not settled yet.
  void SettleStoppedCharges(int material);
  // The charged amount of `entry` (what it charged so far when not settled):
  // water is what its mixer gained less what discharges put in.
  double AmountOf(EntryId entry);
  // Books what `entry` charged and was not booked yet, settling its end when
  // needed: the amount to add to the shift (0 for a hand charge).
  double Book(EntryId entry);
  double BookedOf(EntryId entry) const;
  // Kilograms of `entry`'s charge (its split parts included) that left its
  // weigher into no mixer or into a mixer other than `mixer`.
  double WentElsewhere(EntryId entry, int mixer) const;
  bool IsBooked(EntryId entry) const;
  bool IsPumpRunning(EntryId entry) const;
  float StartOf(EntryId entry) const;
  // The newest entry of `material` (0: none), and the row an entry writes.
  EntryId LastEntryOf(int material) const;
  int RowOf(EntryId entry) const;

  // ---- what a weigher holds ----
  // Kilograms of entries still in `weigher`, leaving out `except` and the
  // remainders split off them.
  double HeldExcept(PlantObjectId weigher, const std::vector<EntryId>& except) const;
  // Kilograms in `weigher` above its minimum on no entry.
  double UnaccountedIn(PlantObjectId weigher) const;

  // ---- discharges ----
  // `weigher`'s discharge valve opened towards `mixer` (batch `batch`).
  void OpenDischarge(PlantObjectId weigher, int mixer, int batch);
  // The direction turned to `mixer` while the discharge is open: what left
  // so far is the old mixer's.
  void TurnDischarge(PlantObjectId weigher, int mixer, int batch);
  // The discharge valve closed.
  void CloseDischarge(PlantObjectId weigher);
  // Whether material is flowing into `mixer`: a discharge open towards it, or
  // water charging into it.
  bool IsFlowingInto(int mixer) const;
  bool IsDischarging(PlantObjectId weigher) const;

  // ---- the plant ----
  // The Demo is about to start its levels again: every charge is settled at
  // the levels before, and what the batchers hold leaves the plant.
  void LevelsRestarting();
  // The levels started again: a pump that kept running charges on, on a new
  // entry from the new level.
  void LevelsRestarted();
  // A row an earlier session left in its batcher (not completed), read once at start-up.
  void AdoptOpenRow(int material, PlantObjectId weigher, const RowState& row);

  // ---- rows ----
  // The rows to write (new or changed), oldest entry first; each is handed
  // out until RowWritten, RowFailed or RowLost says what became of it. A
  // remainder waits for the row it continues: ask again until nothing is left.
  std::vector<RowState> TakeRowsToWrite();
  void RowWritten(EntryId entry, int row);
  // The write did not go in: a change is handed out again by the next
  // TakeRowsToWrite (tell it once the flush is over); a new row that could not
  // be added is not tried again (the database said why).
  void RowFailed(EntryId entry);
  // The entry's row is gone (or its material unknown): it is never written again.
  void RowLost(EntryId entry);
  // What the rows of the entries with nothing left to write say (each one's
  // row written, no change waiting): each Event2 row must say the same.
  std::vector<RowState> WrittenRows() const;
  // The row ids of entries, to follow after a kept write got its id.
  void FollowRows(const std::function<int(int)>& follow);

 private:
  struct Entry {
    EntryId id = 0;
    int material = -1;
    PlantObjectId weigher = 0;
    bool water = false;           // weighed in its mixer
    bool automatic = false;
    double start = 0.0;
    double end = 0.0;             // of the part on this entry's row
    double charged = 0.0;         // what the charge charged, settled once (0 on a part a discharge left)
    bool pumpRunning = false;
    bool settled = false;
    double intoMixerAtStart = 0.0;  // water: what discharges had put into its mixer then
    double booked = 0.0;
    bool bookedDone = false;      // booked, or nothing to book (the operator's own)
    // Of the charge (on its first entry): what left the weigher into each mixer, and into none.
    double wentInto[kMixerCount] = {0.0, 0.0, 0.0, 0.0};
    double lost = 0.0;
    bool heldByDosing = false;    // a step of the dosing still asks about it
    double remaining = 0.0;       // still in the batcher
    double takenNow = 0.0;        // taken by the discharge interval under way
    EntryId copyOf = 0;
    int row = kNoRow;
    bool rowFailed = false;
    int direction = -1;
    int batch = -1;
    bool completed = false;
    DATE chargeEnd = 0;
    DATE dischargeStart = 0;
    DATE dischargeEnd = 0;
    bool dirty = true;
    bool handedOut = false;
  };
  struct Discharge {
    PlantObjectId weigher = 0;
    int mixer = -1;
    int batch = -1;
    double lastLevel = 0.0;
  };

  Entry* Find(EntryId id);
  const Entry* Find(EntryId id) const;
  // The first entry of the charge `entry` is part of.
  Entry& FirstOf(Entry& entry);
  const Entry& FirstOf(const Entry& entry) const;
  // The entry's weigher's level now, less what discharges put into a mixer water is weighed in.
  double LevelNowLocked(const Entry& entry);
  void SettleLocked(Entry& entry);
  void SettleStoppedIn(PlantObjectId weigher);
  void SettleDischargesLocked();
  void TakeFromWeigher(Discharge& discharge);
  // Ends the interval under way: entries emptied are completed, an entry
  // taken in part is split.
  void CloseIntervalLocked(Discharge& discharge);
  Discharge* FindDischarge(PlantObjectId weigher);
  bool IsEmpty(PlantObjectId weigher) const;
  // Kilograms of entries still in `weigher`, leaving out `except`.
  double HeldLocked(PlantObjectId weigher, const std::vector<EntryId>& except) const;
  void MarkDischarging(Discharge& discharge);
  // What the entry's row says (copyOf: the entry it continues, not its row).
  static RowState StateOf(const Entry& entry);

  LevelReader m_level;
  LevelReader m_minLevel;
  Clock m_now;
  mutable std::mutex m_mutex;
  std::vector<Entry> m_entries;
  std::vector<Discharge> m_discharges;
  std::vector<int> m_expectedAutomatic;  // materials whose next start is the dosing's
  std::vector<std::pair<int, EntryId>> m_automaticOpened;
  std::vector<Entry> m_runningAtRestart;  // the charges a restart cut, to go on from the new levels
  double m_intoMixer[kMixerCount] = {0.0, 0.0, 0.0, 0.0};
  EntryId m_nextId = 1;
};

// The plant's ledger (process-wide, like the materials).
CMaterialLedger& GetMaterialLedger();
