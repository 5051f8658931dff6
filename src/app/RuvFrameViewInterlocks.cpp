// The plant form's side of the shapes' veto: which valve and pump commands the
// plant allows, what a batcher's local mode switches off, and the "Event2"
// rows that follow each material from its charge to its discharge.
//
// Everything here runs on the user-interface thread. A worker's store reaches
// OnShapeNotify through a sent message and waits for the answer; closing a
// sibling valve sends a nested 5375 that is answered before the outer one.
#include "app/RuvFrameView.h"

#include <algorithm>
#include <iterator>
#include "common/TimeAndKeys.h"
#include "engine/EngineTables.h"
#include "engine/ProcessEngineApp.h"
#include "platform/base/Text.h"
#include "plant/PlantModel.h"
#include "records/AdoDatabase.h"
#include "records/AdoException.h"
#include "records/AdoRecordset.h"
#include "records/Event2RS.h"
#include "records/ShiftRS.h"
#include "shapes/ProcessDataGen.h"
#include "shapes/PumpShape.h"

namespace {

constexpr int kWaterMaterial = 0;
constexpr int kWaterExMaterial = 3;
constexpr int kChargeEndCode = 4;
constexpr int kDischargeStartCode = 5;
constexpr int kDischargeEndCode = 7;
constexpr int kDirectionValvesPerBatcher = 4;
constexpr int kLastBatcherDirectionValve = ePlantWaterDirectionValve1 - 1;
constexpr int kWaterChargePump = 6;  // gear pump index
// The material whose direction a batcher's direction valves set (batchers 1..5).
constexpr int kBatcherFirstMaterial[] = {1, 2, 4, 6, 8};

// The local-mode flag of each batcher and what it stops.
struct LocalModeStop {
  int material;
  PlantObjectId pumps[2];
  int dischargeValve;
};

LocalModeStop LocalModeStopOf(int batcher) {
  const auto gear = [](int index) { return MakeObjectId(eShapeKindGearPump, index); };
  const auto centrifugal = [](int index) { return MakeObjectId(eShapeKindCntrFglPump, index); };
  switch (batcher) {
    case 0: return {1, {gear(0), kNoPlantObject}, ePlantBatcher01DischargeValve};
    case 1: return {2, {gear(1), kNoPlantObject}, ePlantBatcher01DischargeValve + 1};
    case 2: return {4, {gear(2), kNoPlantObject}, ePlantBatcher01DischargeValve + 2};
    case 3: return {6, {centrifugal(0), centrifugal(1)}, ePlantBatcher01DischargeValve + 3};
    default: return {8, {gear(4), kNoPlantObject}, ePlantBatcher01DischargeValve + 4};
  }
}

bool IsBatcherDischargeValve(int valveIndex) {
  return valveIndex >= ePlantBatcher01DischargeValve &&
         valveIndex < ePlantBatcher01DischargeValve + static_cast<int>(std::size(kBatcherFirstMaterial));
}

C_Valve& ValveAt(int index) { return g_valves[static_cast<std::size_t>(index)]; }

void CloseValve(int index) { ValveAt(index).SetAttribBool(eValveDoOnOffPosition, false); }

void StopWaterPump() { g_gearPumps[kWaterChargePump].SetAttribBool(ePumpDoOnOffSpeed, false); }

// The material's charge-end timer (301 + m), or 0 for a material that is not charged.
UINT_PTR ChargeEndTimerOf(int material) {
  if (material < 0 || material >= kChargedMaterialCount) return 0;
  return kFirstChargeEndTimer + static_cast<UINT_PTR>(material);
}

// Where material `material` is weighed: water in the mixer it runs to
// (Mixer1 while it has none), every other material in its batcher.
PlantObjectId WeigherOf(const CMaterial& material, int mixer) {
  if (material.GetIndex() == kWaterMaterial && mixer >= 0) return GetMixerId(mixer);
  return material.GetWeigherId();
}

float LevelOf(PlantObjectId vessel) { return GetShapeAttribFloat(vessel, eCodeLevel); }

// The batch number of `mixer` from the active shift, asked for when missing;
// -1 without a shift table or a mixer.
int AskedBatchNumber(int mixer) {
  const CShiftRS* shift = g_pShiftRS.load();
  if (!shift || mixer < 0) return -1;
  return shift->GetActiveMixerBatchNumber(mixer, true);
}

// Whether what pump `pump` charges has a batch to go to: a material charged
// while its batcher's discharge valve stands open runs on into the mixer of
// the batcher's direction, whose batch number is asked for then.
bool ChargesIntoANumberedBatch(PlantObjectId pump) {
  for (int m = kWaterMaterial + 1; m < kChargedMaterialCount; ++m) {
    const CMaterial& material = g_materials[static_cast<std::size_t>(m)];
    if (material.GetChargePumpId() != pump || !GetShapeAttribBool(material.GetDischargeValveId(), eCodeOnOffCommand))
      continue;
    // The pump Water-Ex shares with the water charges it only through its own valve.
    if (m == kWaterExMaterial && !ValveAt(ePlantWaterDirectionValve5).GetAttribBool(eValveDiOnOffPosition)) continue;
    if (AskedBatchNumber(GetDischargeDirection(m)) < 1) return false;
  }
  return true;
}

std::string MixerNameOrUnknown(int mixer) {
  const std::string name = GetMixerName(mixer);
  return name.empty() ? std::string("?") : name;
}

// Whether a start of material `m`'s pump charges it: the water needs a water
// direction, Water-Ex its own direction valve reporting open (the pump they
// share runs for one of them at a time).
bool IsChargedNow(int m) {
  if (m == kWaterMaterial) return GetDischargeDirection(kWaterMaterial) >= 0;
  if (m == kWaterExMaterial) return ValveAt(ePlantWaterDirectionValve5).GetAttribBool(eValveDiOnOffPosition);
  return true;
}

// The mixer a charge of material `m` runs into when that is known at its start (water only).
int ChargeDirectionOf(int m) { return m == kWaterMaterial ? GetDischargeDirection(kWaterMaterial) : -1; }

// Every charge not discharged yet: it is still in its weigher.
constexpr const char* kOpenRowsQuery =
    "SELECT m_nRecordID, m_strBatchedMatrialName FROM Event2 WHERE m_bBatchIsCompleted = 0 ORDER BY m_nRecordID";

// The "Event2" table when it is there to write (a failed start has none).
CEvent2RS* EventTable() {
  CEvent2RS* table = g_pEvent2RS.load();
  return table && table->IsTableOpen() ? table : nullptr;
}

// Makes material `material`'s current row the table's current one.
bool FindEventRow(CEvent2RS& table, CMaterial& material) {
  // A row added while the database was locked may have got another id than it showed.
  const int id = table.FollowRecordId(material.GetEventRecordId());
  if (id < 0) return false;
  material.SetEventRecordId(id);
  return table.FindRecord(id);
}

// Tells the operator why a pump is not started into a weigher at its maximum;
// false when the weigher has room.
bool RefuseIntoFullWeigher(CWnd& form, PlantObjectId pump) {
  // Filled on, the weigher would overflow; the cycles switch a running pump off there.
  const PlantObjectId weigher = GetFullWeigherOfPump(pump);
  if (weigher == kNoPlantObject) return false;
  const C_BaseShape* pumpShape = FindPlantShape(pump);
  const C_BaseShape* weigherShape = FindPlantShape(weigher);
  form.MessageBox(MakeFullWeigherPumpText(pumpShape ? pumpShape->GetCaption() : std::string(),
                                          weigherShape ? weigherShape->GetCaption() : std::string()),
                  kFullWeigherPumpCaption, MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
  return true;
}

}  // namespace

// ---------------------------------------------------------------- the veto

LRESULT CRuvFrameView::OnShapeNotify(WPARAM objectId, LPARAM attribute) {
  const auto id = static_cast<PlantObjectId>(objectId);
  const int index = static_cast<int>(id & 0xFF);
  const int kind = PlantObjectKind(id);
  switch (kind) {
    case eShapeKindValve: {
      const C_BaseShape* valve = FindPlantShape(id);
      if (attribute != eValveDoOnOffPosition || !valve) return 0;
      const bool open = valve->GetAttribBool(eValveDoOnOffPosition);
      if (!CheckValveInterlock(index, open)) return 1;
      PostChargeEvents(id, open);
      return 0;
    }
    case eShapeKindGearPump:
    case eShapeKindCntrFglPump: {
      const C_BaseShape* pump = FindPlantShape(id);
      if (attribute != ePumpDoOnOffSpeed || !pump) return 0;
      const bool on = pump->GetAttribBool(ePumpDoOnOffSpeed);
      // Water runs only where a direction valve leads it.
      if (on && kind == eShapeKindGearPump && index == kWaterChargePump &&
          GetDischargeDirection(kWaterMaterial) < 0 &&
          !ValveAt(ePlantWaterDirectionValve5).GetAttribBool(eValveDiOnOffPosition)) {
        MessageBox(kNoWaterDirectionText, kNoWaterDirectionCaption, MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
        return 1;
      }
      if (on && RefuseIntoFullWeigher(*this, id)) return SHAPE_REFUSED_AND_TOLD;
      if (on && !ChargesIntoANumberedBatch(id)) return 1;
      PostChargeEvents(id, on);
      return 0;
    }
    case eShapeKindPrcGeneral:
      if (attribute >= ePrcReserveBool2 && attribute <= ePrcBatcher1DischargeDirBit1 + 4)
        OnLocalModeChanged(static_cast<int>(attribute));
      return 0;
    default: return 0;
  }
}

std::string MakeFullWeigherPumpText(const std::string& pump, const std::string& weigher) {
  return ruv::Format("%s is not switched on because %s is at its maximum level.\n"
                     "Please discharge %s by hand, then switch the pump on again.",
                     pump.c_str(), weigher.c_str(), weigher.c_str());
}

BOOL CRuvFrameView::CheckValveInterlock(int valveIndex, bool open) {
  if (valveIndex < 0 || valveIndex >= kPlantValveCount) return TRUE;
  // The batch number comes first: a refused open must change nothing.
  if (open && IsDirectionValveIndex(valveIndex) && AskedBatchNumber(GetDirectionValveMixer(valveIndex)) < 1)
    return FALSE;
  // What leaves a batcher goes into the mixer of its direction: without that
  // mixer's batch number it would be credited to no batch.
  if (open && IsBatcherDischargeValve(valveIndex) &&
      AskedBatchNumber(GetDischargeDirection(kBatcherFirstMaterial[valveIndex - ePlantBatcher01DischargeValve])) < 1)
    return FALSE;
  if (valveIndex <= kLastBatcherDirectionValve) {
    if (!open) return TRUE;
    const int batcher = valveIndex / kDirectionValvesPerBatcher;
    const int first = batcher * kDirectionValvesPerBatcher;
    SetDischargeDirection(kBatcherFirstMaterial[batcher], valveIndex % kDirectionValvesPerBatcher);
    for (int sibling = first; sibling < first + kDirectionValvesPerBatcher; ++sibling)
      if (sibling != valveIndex) CloseValve(sibling);
  } else if (valveIndex <= ePlantWaterDirectionValve5) {
    if (!open) {
      StopWaterPump();
      return TRUE;
    }
    for (int sibling = ePlantWaterDirectionValve1; sibling <= ePlantWaterDirectionValve5; ++sibling)
      if (sibling != valveIndex) CloseValve(sibling);
  }
  return TRUE;
}

void CRuvFrameView::OnLocalModeChanged(int attribute) {
  const C_ProcessDataGen* data = GetProcessDataGen();
  const int batcher = attribute - ePrcBatcher1IsInLocalMode;
  if (!data || batcher < 0 || batcher > 4 || !data->GetAttribBool(attribute)) return;
  const LocalModeStop stop = LocalModeStopOf(batcher);
  SetDischargeDirection(stop.material, 0);
  for (PlantObjectId pump : stop.pumps)
    if (C_BaseShape* shape = FindPlantShape(pump)) shape->SetAttribBool(ePumpDoOnOffSpeed, false);
  CloseValve(stop.dischargeValve);
}

// ---------------------------------------------------------------- charge events

void CRuvFrameView::PostChargeEvents(PlantObjectId objectId, bool value) {
  static_assert(kChargeSlots == kChargedMaterialCount);
  const int kind = PlantObjectKind(objectId);
  for (int m = 0; m < kMaterialCount; ++m) {
    const CMaterial& material = g_materials[static_cast<std::size_t>(m)];
    if (kind == eShapeKindValve) {
      if (objectId != material.GetDischargeValveId()) continue;
      const int code = value ? kDischargeStartCode : kDischargeEndCode;
      // A discharge the close ends goes in while the tables are still open.
      if (m_closing)
        OnChargeEvent(static_cast<WPARAM>(code), m);
      else
        PostMessage(WM_CHARGE_EVENT, code, m);
      continue;
    }
    if ((kind != eShapeKindGearPump && kind != eShapeKindCntrFglPump) || objectId != material.GetChargePumpId())
      continue;
    const UINT_PTR timer = ChargeEndTimerOf(m);
    if (!timer) continue;
    const auto slot = static_cast<std::size_t>(m);
    if (value) {
      if (!IsChargedNow(m)) continue;
      // A charge end still waiting belongs to the previous row: it goes in
      // first, so the new row never takes it.
      if (KillTimer(timer)) PostMessage(WM_CHARGE_EVENT, kChargeEndCode, m);
      // Read while the pump's start is being decided: nothing has moved yet,
      // whichever cycle runs before the posted start is handled.
      // So is the cycle: a run that stops right after its pump started still started it.
      m_queuedStartLevels[slot].push_back({LevelOf(WeigherOf(material, ChargeDirectionOf(m))),
                                           GetProcessEngine().IsCycleActive() != 0,
                                           g_materials[slot].NoteChargeStart()});
      m_chargeOpen[slot] = true;
      PostMessage(WM_CHARGE_START, 1, m);
    } else if (m_chargeOpen[slot]) {
      m_chargeOpen[slot] = false;
      SetTimer(timer, static_cast<UINT>(material.GetSecondDelayMs() / 2));
    }
  }
}

LRESULT CRuvFrameView::OnChargeStart(WPARAM, LPARAM lParam) {
  CMaterial* material = GetMaterial(static_cast<int>(lParam));
  if (!material) return 0;
  const int m = material->GetIndex();
  const int direction = ChargeDirectionOf(m);
  float start = 0.0f;
  bool automatic = false;
  unsigned charge = 0;
  std::deque<QueuedStart>* queued =
      m >= 0 && m < kChargeSlots ? &m_queuedStartLevels[static_cast<std::size_t>(m)] : nullptr;
  if (queued && !queued->empty()) {
    start = queued->front().level;
    automatic = queued->front().automatic;
    charge = queued->front().charge;
    queued->pop_front();
  } else {
    start = LevelOf(WeigherOf(*material, direction));
    automatic = GetProcessEngine().IsCycleActive() != 0;
  }
  CEvent2RS* table = EventTable();
  if (!table) return 0;
  // Charged while its discharge valve stands open, the material runs on into
  // the mixer of its batcher's direction: the row is discharged from its start.
  const bool dischargingNow =
      m != kWaterMaterial && GetShapeAttribBool(material->GetDischargeValveId(), eCodeOnOffCommand);
  const int into = dischargingNow ? GetDischargeDirection(m) : direction;
  // Asked before the scratch row is filled: other events are served while the prompt is open.
  const int batch = into >= 0 ? AskedBatchNumber(into) : -1;

  CEvent2RS::CSTFields& row = table->Scratch();
  row.Reset();
  row.SetBatchedMatrialName(material->GetName());
  row.SetStartMatrialDose(start);
  row.SetEndMatrialDose(start);
  row.SetDisChargeDir(MixerNameOrUnknown(into));
  if (dischargingNow) row.SetDisChargeStartTime(GetNowDate());
  row.SetIsAutoBatching(automatic ? 1 : 0);
  row.SetChrageIsEnd(0);
  row.SetBatchIsCompleted(0);
  row.SetBatchNumber(batch);
  // Without its new row the material has none: later events must not change an older one.
  const bool added = table->AddNew();
  material->SetEventRecordId(added ? table->Current().GetRecordID() : -1);
  if (m >= 0 && m < kChargeSlots) {
    m_rowCharge[static_cast<std::size_t>(m)] = added ? charge : 0;
    m_rowStart[static_cast<std::size_t>(m)] = start;
  }
  // Until a discharge ends, what it charged stays in the weigher with what was there before.
  if (added && m != kWaterMaterial && m >= 0 && m < kChargeSlots)
    m_rowsInWeigher[static_cast<std::size_t>(m)].push_back(table->Current().GetRecordID());
  return 0;
}

void CRuvFrameView::ReadRowsInWeighers(CEvent2RS& table) {
  CADODatabase* database = table.GetDatabase();
  if (m_rowsInWeigherRead || !database || !database->IsOpen()) return;
  std::array<std::vector<int>, kChargeSlots> found;
  try {
    CADORecordset open(database);
    if (!open.Open(database->GetConnection(), kOpenRowsQuery, CADORecordset::openQuery)) return;
    for (open.MoveFirst(); !open.IsEOF(); open.MoveNext()) {
      int id = -1;
      std::string name;
      if (!open.GetFieldValue("m_nRecordID", id) || !open.GetFieldValue("m_strBatchedMatrialName", name)) continue;
      for (int m = kWaterMaterial + 1; m < kChargeSlots; ++m)
        if (g_materials[static_cast<std::size_t>(m)].GetName() == name) found[static_cast<std::size_t>(m)].push_back(id);
    }
  } catch (const CADOException&) {
    return;  // tried again at the next discharge
  }
  m_rowsInWeigherRead = true;
  for (int m = 0; m < kChargeSlots; ++m) {
    std::vector<int>& rows = m_rowsInWeigher[static_cast<std::size_t>(m)];
    const std::vector<int>& earlier = found[static_cast<std::size_t>(m)];
    rows.insert(rows.end(), earlier.begin(), earlier.end());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  }
}

void CRuvFrameView::ApplyDischargeToEarlierRows(CEvent2RS& table, int material, int code, int direction, int batch) {
  if (material < 0 || material >= kChargeSlots) return;
  // Rows a closed program left open went into the weigher all the same.
  ReadRowsInWeighers(table);
  const int current = table.FollowRecordId(g_materials[static_cast<std::size_t>(material)].GetEventRecordId());
  const DATE now = GetNowDate();
  for (int& id : m_rowsInWeigher[static_cast<std::size_t>(material)]) {
    // A row added while the database was locked may have got another id than it showed.
    id = table.FollowRecordId(id);
    if (id == current || !table.FindByKey(Variant::String("m_nRecordID"), Variant::I4(id))) continue;
    CEvent2RS::CSTFields& row = table.Current();
    if (row.GetRecordID() != id || row.m_bBatchIsCompleted) continue;
    if (code == kDischargeStartCode) {
      row.SetDisChargeDir(MixerNameOrUnknown(direction));
      row.SetBatchNumber(batch);
      row.SetDisChargeStartTime(now);
    } else {
      row.SetDisChargeEndTime(now);
      row.SetBatchIsCompleted(1);
    }
    table.SaveCurrent();
  }
  // Everything the weigher held has left with this discharge.
  if (code == kDischargeEndCode) m_rowsInWeigher[static_cast<std::size_t>(material)].clear();
}

LRESULT CRuvFrameView::OnChargeEvent(WPARAM wParam, LPARAM lParam) {
  CEvent2RS* table = EventTable();
  CMaterial* material = GetMaterial(static_cast<int>(lParam));
  if (!table || !material) return 1;
  const int code = static_cast<int>(wParam);
  const int m = material->GetIndex();
  const bool discharge = code == kDischargeStartCode || code == kDischargeEndCode;
  if (!FindEventRow(*table, *material)) {
    // Without a row of this session the material may still have rows an
    // earlier session left in its weigher: they leave with this discharge.
    if (discharge && m != kWaterMaterial) {
      const int direction = code == kDischargeStartCode ? GetDischargeDirection(m) : -1;
      const int batch = code == kDischargeStartCode ? AskedBatchNumber(direction) : -1;
      ApplyDischargeToEarlierRows(*table, m, code, direction, batch);
    }
    return 1;
  }
  // Materials sharing a discharge valve each get its events: a finished row stays as it is.
  if (discharge && table->Current().m_bBatchIsCompleted) return 1;

  int direction = -1, batch = -1;
  if (code == kDischargeStartCode && m != kWaterMaterial) {
    direction = GetDischargeDirection(m);
    batch = AskedBatchNumber(direction);
    // The prompt let other events move the table: find the row again.
    if (!FindEventRow(*table, *material)) return 1;
    if (table->Current().m_bBatchIsCompleted) return 1;
  }

  CEvent2RS::CSTFields& row = table->Current();
  const DATE now = GetNowDate();
  switch (code) {
    case kChargeEndCode: {
      const int mixer = m == kWaterMaterial ? GetMixerIndexByName(row.GetDisChargeDir()) : -1;
      float end = LevelOf(WeigherOf(*material, mixer));
      // An automatic charge runs with its batcher shut: a level that fell
      // meanwhile lost material to no discharge (a lowered maximum, a Demo
      // start), and the charge charged nothing.
      if (row.m_bIsAutoBatching && end < row.m_fStartMatrialDose) end = row.m_fStartMatrialDose;
      // The row and the dosing's booking tell one amount: a charge the dosing
      // booked already (cut by a Stop or a hold) ends where it booked it.
      if (m < kChargeSlots) {
        const auto slot = static_cast<std::size_t>(m);
        float start = m_rowStart[slot];
        material->SettleChargeEnd(m_rowCharge[slot], start, end);
        row.SetStartMatrialDose(start);
      }
      row.SetChargeEndTime(now);
      row.SetEndMatrialDose(end);
      row.SetChrageIsEnd(1);
      break;
    }
    case kDischargeStartCode:
      if (m != kWaterMaterial) {
        row.SetDisChargeDir(MixerNameOrUnknown(direction));
        row.SetBatchNumber(batch);
      }
      row.SetDisChargeStartTime(now);
      break;
    case kDischargeEndCode:
      row.SetDisChargeEndTime(now);
      row.SetBatchIsCompleted(1);
      break;
    default: break;
  }
  table->SaveCurrent();
  if (discharge && m != kWaterMaterial) ApplyDischargeToEarlierRows(*table, m, code, direction, batch);
  return 0;
}

void CRuvFrameView::RunPendingChargeEnds() {
  if (!GetSafeHwnd()) return;
  for (int m = 0; m < kChargedMaterialCount; ++m)
    if (KillTimer(ChargeEndTimerOf(m))) OnChargeEvent(kChargeEndCode, m);
}
