#include "plant/MaterialLedger.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

// Finished entries kept for the dosing's look-ups before the oldest go.
constexpr std::size_t kKeptFinishedEntries = 200;

}  // namespace

CMaterialLedger::CMaterialLedger(LevelReader level, LevelReader minLevel, Clock now)
    : m_level(std::move(level)), m_minLevel(std::move(minLevel)), m_now(std::move(now)) {}

void CMaterialLedger::Clear() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_entries.clear();
  m_discharges.clear();
  m_expectedAutomatic.clear();
  m_automaticOpened.clear();
  m_runningAtRestart.clear();
  std::fill(std::begin(m_intoMixer), std::end(m_intoMixer), 0.0);
}

CMaterialLedger::Entry* CMaterialLedger::Find(EntryId id) {
  for (Entry& entry : m_entries)
    if (entry.id == id) return &entry;
  return nullptr;
}

const CMaterialLedger::Entry* CMaterialLedger::Find(EntryId id) const {
  for (const Entry& entry : m_entries)
    if (entry.id == id) return &entry;
  return nullptr;
}

CMaterialLedger::Entry& CMaterialLedger::FirstOf(Entry& entry) {
  return const_cast<Entry&>(std::as_const(*this).FirstOf(entry));
}

const CMaterialLedger::Entry& CMaterialLedger::FirstOf(const Entry& entry) const {
  const Entry* first = &entry;
  while (const Entry* source = Find(first->copyOf)) first = source;
  return *first;
}

CMaterialLedger::Discharge* CMaterialLedger::FindDischarge(PlantObjectId weigher) {
  for (Discharge& discharge : m_discharges)
    if (discharge.weigher == weigher) return &discharge;
  return nullptr;
}

// ---------------------------------------------------------------- charges

void CMaterialLedger::ExpectAutomaticStart(int material) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_expectedAutomatic.push_back(material);
}

CMaterialLedger::EntryId CMaterialLedger::TakeAutomaticStart(int material) {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::erase(m_expectedAutomatic, material);
  EntryId opened = 0;
  std::erase_if(m_automaticOpened, [&](const std::pair<int, EntryId>& found) {
    if (found.first != material) return false;
    opened = found.second;
    return true;
  });
  return opened;
}

CMaterialLedger::EntryId CMaterialLedger::OpenCharge(int material, PlantObjectId weigher, int mixer, int batch) {
  std::lock_guard<std::mutex> lock(m_mutex);
  // A stop whose end was not read yet ends before anything new moves into its weigher.
  for (Entry& entry : m_entries)
    if ((entry.material == material || entry.weigher == weigher) && !entry.pumpRunning && !entry.settled)
      SettleLocked(entry);
  // Water weighed in a mixer a discharge runs into: what the discharge put in is not water.
  if (mixer >= 0) SettleDischargesLocked();
  Entry entry;
  entry.id = m_nextId++;
  entry.material = material;
  entry.weigher = weigher;
  entry.water = mixer >= 0;
  entry.start = m_level(weigher);
  entry.end = entry.start;
  entry.pumpRunning = true;
  if (entry.water) {
    entry.direction = mixer;
    entry.batch = batch;
    entry.intoMixerAtStart = m_intoMixer[mixer];
  }
  const auto expected = std::find(m_expectedAutomatic.begin(), m_expectedAutomatic.end(), material);
  if (expected != m_expectedAutomatic.end()) {
    m_expectedAutomatic.erase(expected);
    entry.automatic = true;
    entry.heldByDosing = true;
    m_automaticOpened.emplace_back(material, entry.id);
  }
  // The operator's own charges are not the shift's production.
  entry.bookedDone = !entry.automatic;
  m_entries.push_back(entry);
  return entry.id;
}

CMaterialLedger::EntryId CMaterialLedger::OpenAutomaticCharge(int material, PlantObjectId weigher, int mixer,
                                                             int batch) {
  ExpectAutomaticStart(material);
  OpenCharge(material, weigher, mixer, batch);
  return TakeAutomaticStart(material);
}

void CMaterialLedger::Release(const std::vector<EntryId>& entries) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (Entry& entry : m_entries)
    if (std::find(entries.begin(), entries.end(), entry.id) != entries.end()) entry.heldByDosing = false;
}

void CMaterialLedger::NotePumpStopped(int material) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (Entry& entry : m_entries)
    if (entry.material == material && entry.pumpRunning) entry.pumpRunning = false;
}

bool CMaterialLedger::IsCharging(int material) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return std::any_of(m_entries.begin(), m_entries.end(),
                     [&](const Entry& entry) { return entry.material == material && entry.pumpRunning; });
}

double CMaterialLedger::LevelNowLocked(const Entry& entry) {
  double level = m_level(entry.weigher);
  if (entry.water && entry.direction >= 0) {
    // What batchers discharged into the mixer meanwhile is theirs, not water.
    SettleDischargesLocked();
    level -= m_intoMixer[entry.direction] - entry.intoMixerAtStart;
  }
  return level;
}

int CMaterialLedger::ChargingInto(PlantObjectId weigher) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const Entry& entry : m_entries)
    if (entry.weigher == weigher && entry.pumpRunning) return entry.material;
  return -1;
}

void CMaterialLedger::SettleLocked(Entry& entry) {
  if (entry.settled) return;
  const double end = LevelNowLocked(entry);
  // A level that fell under a charge lost material to no discharge (a
  // lowered maximum, a Demo restart): the charge charged nothing.
  entry.end = std::max(end, entry.start);
  entry.settled = true;
  entry.chargeEnd = m_now();
  entry.charged = entry.end - entry.start;
  entry.remaining = entry.water ? 0.0 : entry.charged;
  entry.dirty = true;
}

void CMaterialLedger::SettleStoppedCharges(int material) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (Entry& entry : m_entries)
    if (entry.material == material && !entry.pumpRunning) SettleLocked(entry);
}

void CMaterialLedger::SettleStoppedIn(PlantObjectId weigher) {
  for (Entry& entry : m_entries)
    if (entry.weigher == weigher && !entry.pumpRunning) SettleLocked(entry);
}

double CMaterialLedger::AmountOf(EntryId id) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Entry* entry = Find(id);
  if (!entry) return 0.0;
  if (!entry->settled) return std::max(0.0, LevelNowLocked(*entry) - entry->start);
  return entry->charged;
}

double CMaterialLedger::Book(EntryId id) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Entry* entry = Find(id);
  if (!entry || entry->bookedDone) return 0.0;
  SettleLocked(*entry);
  entry->bookedDone = true;
  // The whole charge, whatever a discharge has split off its row since.
  entry->booked = entry->charged;
  return entry->booked;
}

double CMaterialLedger::BookedOf(EntryId id) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  const Entry* entry = Find(id);
  return entry ? entry->booked : 0.0;
}

double CMaterialLedger::WentElsewhere(EntryId id, int mixer) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  const Entry* entry = Find(id);
  if (!entry) return 0.0;
  double elsewhere = entry->lost;
  for (int other = 0; other < kMixerCount; ++other)
    if (other != mixer) elsewhere += entry->wentInto[other];
  return elsewhere;
}

bool CMaterialLedger::IsBooked(EntryId id) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  const Entry* entry = Find(id);
  return !entry || entry->bookedDone;
}

bool CMaterialLedger::IsPumpRunning(EntryId id) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  const Entry* entry = Find(id);
  return entry && entry->pumpRunning;
}

float CMaterialLedger::StartOf(EntryId id) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  const Entry* entry = Find(id);
  return entry ? static_cast<float>(entry->start) : 0.0f;
}

CMaterialLedger::EntryId CMaterialLedger::LastEntryOf(int material) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it)
    if (it->material == material && it->copyOf == 0) return it->id;
  return 0;
}

int CMaterialLedger::RowOf(EntryId id) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  const Entry* entry = Find(id);
  return entry ? entry->row : kNoRow;
}

// ---------------------------------------------------------------- held

double CMaterialLedger::HeldLocked(PlantObjectId weigher, const std::vector<EntryId>& except) const {
  double held = 0.0;
  for (const Entry& entry : m_entries) {
    if (entry.weigher != weigher || entry.water) continue;
    // A split's remainder is still part of the charge it was split from.
    if (std::find(except.begin(), except.end(), FirstOf(entry).id) != except.end()) continue;
    held += entry.settled ? entry.remaining : std::max(0.0, static_cast<double>(m_level(weigher)) - entry.start);
  }
  return held;
}

double CMaterialLedger::HeldExcept(PlantObjectId weigher, const std::vector<EntryId>& except) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return HeldLocked(weigher, except);
}

double CMaterialLedger::UnaccountedIn(PlantObjectId weigher) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  const double held = HeldLocked(weigher, {});
  return std::max(0.0, static_cast<double>(m_level(weigher)) - static_cast<double>(m_minLevel(weigher)) - held);
}

// ---------------------------------------------------------------- discharges

bool CMaterialLedger::IsEmpty(PlantObjectId weigher) const {
  return m_level(weigher) <= m_minLevel(weigher) + 0.05f;
}

void CMaterialLedger::MarkDischarging(Discharge& discharge) {
  const DATE now = m_now();
  for (Entry& entry : m_entries) {
    if (entry.weigher != discharge.weigher || entry.water || entry.completed || !entry.settled) continue;
    entry.direction = discharge.mixer;
    entry.batch = discharge.batch;
    entry.dischargeStart = now;
    entry.dirty = true;
  }
}

void CMaterialLedger::OpenDischarge(PlantObjectId weigher, int mixer, int batch) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (FindDischarge(weigher)) return;
  // A charge that stopped before the valve opened ends at the level it reached.
  SettleStoppedIn(weigher);
  Discharge discharge;
  discharge.weigher = weigher;
  discharge.mixer = mixer;
  discharge.batch = batch;
  discharge.lastLevel = m_level(weigher);
  m_discharges.push_back(discharge);
  MarkDischarging(m_discharges.back());
}

void CMaterialLedger::TakeFromWeigher(Discharge& discharge) {
  const double level = m_level(discharge.weigher);
  double left = discharge.lastLevel - level;
  discharge.lastLevel = level;
  if (left <= 0.0) return;
  if (discharge.mixer >= 0 && discharge.mixer < kMixerCount) m_intoMixer[discharge.mixer] += left;
  for (Entry& entry : m_entries) {
    if (left <= 0.0) break;
    if (entry.weigher != discharge.weigher || entry.water || !entry.settled || entry.remaining <= 0.0) continue;
    const double taken = std::min(left, entry.remaining);
    entry.remaining -= taken;
    entry.takenNow += taken;
    left -= taken;
  }
}

void CMaterialLedger::SettleDischargesLocked() {
  for (Discharge& discharge : m_discharges) TakeFromWeigher(discharge);
}

void CMaterialLedger::CloseIntervalLocked(Discharge& discharge) {
  TakeFromWeigher(discharge);
  const bool emptied = IsEmpty(discharge.weigher);
  const DATE now = m_now();
  // A charge of nothing before the last one taken from went with it.
  std::size_t lastTaken = 0;
  for (std::size_t k = 0; k < m_entries.size(); ++k)
    if (m_entries[k].weigher == discharge.weigher && m_entries[k].takenNow > kRounding) lastTaken = k + 1;
  std::vector<Entry> remainders;
  for (std::size_t k = 0; k < m_entries.size(); ++k) {
    Entry& entry = m_entries[k];
    const bool passed = k < lastTaken && entry.remaining <= kRounding;
    if (entry.weigher != discharge.weigher || entry.water || entry.completed || !entry.settled) continue;
    // The weigher at its minimum holds nothing: rounding goes with the rest.
    if (emptied && entry.remaining > 0.0) {
      entry.takenNow += entry.remaining;
      entry.remaining = 0.0;
    }
    if (entry.takenNow <= kRounding && !emptied && !passed) {
      // Not reached by this discharge (nor a charge of nothing behind which
      // nothing was taken): the row says it is still in the batcher.
      if (entry.dischargeStart != 0) {
        entry.direction = -1;
        entry.batch = -1;
        entry.dischargeStart = 0;
        entry.dirty = true;
      }
      entry.takenNow = 0.0;
      continue;
    }
    if (entry.remaining > kRounding) {
      // Taken in part: the part that stays goes on a row of its own.
      Entry rest = entry;
      rest.id = 0;
      rest.copyOf = entry.id;
      rest.row = kNoRow;
      rest.rowFailed = false;
      rest.start = entry.start + entry.takenNow;
      rest.booked = 0.0;
      rest.charged = 0.0;
      rest.bookedDone = true;  // the charge was booked (or is booked) whole on its first entry
      rest.lost = 0.0;         // where the charge went is kept on its first entry
      std::fill(std::begin(rest.wentInto), std::end(rest.wentInto), 0.0);
      rest.heldByDosing = false;
      rest.takenNow = 0.0;
      rest.direction = -1;
      rest.batch = -1;
      rest.dischargeStart = 0;
      rest.dirty = true;
      rest.handedOut = false;
      remainders.push_back(rest);
      entry.end = entry.start + entry.takenNow;
      entry.remaining = 0.0;
    }
    entry.takenNow = 0.0;
    entry.remaining = 0.0;
    Entry& first = FirstOf(entry);
    if (discharge.mixer >= 0 && discharge.mixer < kMixerCount)
      first.wentInto[discharge.mixer] += entry.end - entry.start;
    else
      first.lost += entry.end - entry.start;
    entry.direction = discharge.mixer;
    entry.batch = discharge.batch;
    if (entry.dischargeStart == 0) entry.dischargeStart = now;
    entry.dischargeEnd = now;
    entry.completed = true;
    entry.dirty = true;
  }
  // The part left stays where its charge stood: the next discharge takes the oldest first.
  for (Entry& rest : remainders) {
    rest.id = m_nextId++;
    const auto source = std::find_if(m_entries.begin(), m_entries.end(),
                                     [&](const Entry& found) { return found.id == rest.copyOf; });
    m_entries.insert(source == m_entries.end() ? source : std::next(source), rest);
  }
}

void CMaterialLedger::TurnDischarge(PlantObjectId weigher, int mixer, int batch) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Discharge* discharge = FindDischarge(weigher);
  if (!discharge || (discharge->mixer == mixer && discharge->batch == batch)) return;
  CloseIntervalLocked(*discharge);
  discharge->mixer = mixer;
  discharge->batch = batch;
  MarkDischarging(*discharge);
}

void CMaterialLedger::CloseDischarge(PlantObjectId weigher) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Discharge* discharge = FindDischarge(weigher);
  if (!discharge) return;
  CloseIntervalLocked(*discharge);
  std::erase_if(m_discharges, [&](const Discharge& found) { return found.weigher == weigher; });
}

bool CMaterialLedger::IsFlowingInto(int mixer) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const Discharge& discharge : m_discharges)
    if (discharge.mixer == mixer) return true;
  for (const Entry& entry : m_entries)
    if (entry.water && entry.direction == mixer && entry.pumpRunning) return true;
  return false;
}

bool CMaterialLedger::IsDischarging(PlantObjectId weigher) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return std::any_of(m_discharges.begin(), m_discharges.end(),
                     [&](const Discharge& discharge) { return discharge.weigher == weigher; });
}

// ---------------------------------------------------------------- the plant

void CMaterialLedger::LevelsRestarting() {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (Discharge& discharge : m_discharges) CloseIntervalLocked(discharge);
  m_discharges.clear();
  const DATE now = m_now();
  m_runningAtRestart.clear();
  for (Entry& entry : m_entries) {
    SettleLocked(entry);
    // A pump still running charges on from the new levels.
    if (entry.pumpRunning) {
      entry.pumpRunning = false;
      m_runningAtRestart.push_back(entry);
    }
    if (entry.water || entry.completed || entry.remaining <= 0.0) continue;
    // Gone with the batcher's level, into no mixer.
    FirstOf(entry).lost += entry.remaining;
    entry.remaining = 0.0;
    entry.direction = -1;
    entry.batch = -1;
    entry.dischargeStart = 0;
    entry.dischargeEnd = now;
    entry.completed = true;
    entry.dirty = true;
  }
  std::fill(std::begin(m_intoMixer), std::end(m_intoMixer), 0.0);
}

void CMaterialLedger::LevelsRestarted() {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const Entry& cut : m_runningAtRestart) {
    Entry entry;
    entry.id = m_nextId++;
    entry.material = cut.material;
    entry.weigher = cut.weigher;
    entry.water = cut.water;
    entry.automatic = cut.automatic;
    entry.bookedDone = !cut.automatic;
    entry.start = m_level(cut.weigher);
    entry.end = entry.start;
    entry.pumpRunning = true;
    if (entry.water) {
      entry.direction = cut.direction;
      entry.batch = cut.batch;
    }
    m_entries.push_back(entry);
  }
  m_runningAtRestart.clear();
}

void CMaterialLedger::AdoptOpenRow(int material, PlantObjectId weigher, const RowState& row) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Entry entry;
  entry.id = m_nextId++;
  entry.material = material;
  entry.weigher = weigher;
  entry.automatic = row.automatic;
  entry.start = row.start;
  entry.end = std::max(row.end, row.start);
  entry.settled = true;
  entry.bookedDone = true;  // the session that charged it booked it
  entry.charged = entry.end - entry.start;
  entry.remaining = entry.charged;
  entry.row = row.row;
  entry.chargeEnd = row.chargeEnd;
  entry.dirty = false;
  m_entries.push_back(entry);
}

// ---------------------------------------------------------------- rows

std::vector<CMaterialLedger::RowState> CMaterialLedger::TakeRowsToWrite() {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<RowState> rows;
  for (Entry& entry : m_entries) {
    if (!entry.dirty || entry.handedOut || entry.rowFailed) continue;
    // A remainder's row is written after the row it continues.
    if (entry.copyOf != 0) {
      const Entry* source = Find(entry.copyOf);
      if (source && source->row == kNoRow && !source->rowFailed) continue;
    }
    entry.handedOut = true;
    entry.dirty = false;  // a change while the row is written marks it again
    RowState row = StateOf(entry);
    if (row.copyOf != 0) {
      const Entry* source = Find(entry.copyOf);
      row.copyOf = source && source->row != kNoRow ? source->row : 0;
    }
    rows.push_back(row);
  }
  return rows;
}

CMaterialLedger::RowState CMaterialLedger::StateOf(const Entry& entry) {
  RowState row;
  row.entry = entry.id;
  row.copyOf = entry.copyOf;
  row.material = entry.material;
  row.row = entry.row;
  row.automatic = entry.automatic;
  row.start = static_cast<float>(entry.start);
  row.end = static_cast<float>(entry.settled ? entry.end : entry.start);
  row.chargeEnded = entry.settled;
  row.direction = entry.direction;
  row.batch = entry.batch;
  row.completed = entry.completed;
  row.chargeEnd = entry.chargeEnd;
  row.dischargeStart = entry.dischargeStart;
  row.dischargeEnd = entry.dischargeEnd;
  return row;
}

std::vector<CMaterialLedger::RowState> CMaterialLedger::WrittenRows() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<RowState> rows;
  for (const Entry& entry : m_entries)
    if (entry.row != kNoRow && !entry.dirty && !entry.handedOut && !entry.rowFailed) rows.push_back(StateOf(entry));
  return rows;
}

void CMaterialLedger::RowWritten(EntryId id, int row) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Entry* entry = Find(id);
  if (!entry) return;
  entry->row = row;
  entry->handedOut = false;
  // Entries that can change no more leave, keeping the last few for look-ups.
  std::size_t finished = 0;
  for (const Entry& found : m_entries)
    if (found.settled && !found.dirty && !found.pumpRunning && found.remaining <= 0.0 && found.bookedDone) ++finished;
  if (finished <= kKeptFinishedEntries) return;
  for (auto it = m_entries.begin(); it != m_entries.end() && finished > kKeptFinishedEntries;) {
    const bool done = it->settled && !it->dirty && !it->pumpRunning && it->remaining <= 0.0 && it->bookedDone &&
                      !it->heldByDosing && it->row != kNoRow && (it->completed || it->water);
    if (done) {
      it = m_entries.erase(it);
      --finished;
    } else {
      ++it;
    }
  }
}

void CMaterialLedger::RowFailed(EntryId id) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (Entry* entry = Find(id)) {
    entry->handedOut = false;
    // A row that could not be added is not tried again (the database said why);
    // a change of a row that is there goes again until it goes in.
    if (entry->row == kNoRow)
      entry->rowFailed = true;
    else
      entry->dirty = true;
  }
}

void CMaterialLedger::RowLost(EntryId id) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (Entry* entry = Find(id)) {
    entry->handedOut = false;
    entry->rowFailed = true;
  }
}

void CMaterialLedger::FollowRows(const std::function<int(int)>& follow) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (Entry& entry : m_entries)
    if (entry.row != kNoRow) entry.row = follow(entry.row);
}
