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
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"
#include "platform/db/PendingWrites.h"
#include "plant/MaterialLedger.h"
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

// The batch number of `mixer` from the active shift, asked for when missing;
// -1 without a shift table or a mixer. One question at a time: a command
// offered while the operator answers one (a device following another) finds
// no number and is refused without a second box. The command that waits for
// the answer (`attribute` of `device`) is taken back while the question is up,
// so the device shows what the plant has, and stands again with a number.
int AskedBatchNumber(int mixer, PlantObjectId device, int attribute) {
  static bool asking = false;
  const CShiftRS* shift = g_pShiftRS.load();
  if (!shift || mixer < 0) return -1;
  const int known = shift->GetActiveMixerBatchNumber(mixer, false);
  if (asking || known > 0) return known;
  C_BaseShape* shape = FindPlantShape(device);
  if (shape) shape->WithdrawOffer(attribute);
  asking = true;
  const int number = shift->GetActiveMixerBatchNumber(mixer, true);
  asking = false;
  if (number > 0 && shape && !shape->RenewOffer(attribute)) return -1;
  return number;
}

std::string CaptionOf(PlantObjectId id) {
  const C_BaseShape* shape = FindPlantShape(id);
  return shape ? shape->GetCaption() : std::string();
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
    "SELECT m_nRecordID, m_strBatchedMatrialName, m_fStartMatrialDose, m_fEndMatrialDose, m_bIsAutoBatching "
    "FROM Event2 WHERE m_bBatchIsCompleted = 0 ORDER BY m_nRecordID";

// The "Event2" table when it is there to write (a failed start has none).
CEvent2RS* EventTable() {
  CEvent2RS* table = g_pEvent2RS.load();
  return table && table->IsTableOpen() ? table : nullptr;
}

// The batch number of `mixer` as it stands (asked for earlier, by the valve's
// or the pump's veto); -1 without a mixer or a shift table.
int ActiveBatchNumber(int mixer) {
  const CShiftRS* shift = g_pShiftRS.load();
  if (!shift || mixer < 0) return -1;
  return shift->GetActiveMixerBatchNumber(mixer, false);
}

// Tells the operator why the command offered to `device`'s `attribute` is
// refused, once it is taken back: while the box is up the device is drawn, and
// run by the cycles, as the plant has it.
void TellRefusal(CWnd& form, PlantObjectId device, int attribute, const std::string& text, const char* caption) {
  if (C_BaseShape* shape = FindPlantShape(device)) shape->WithdrawOffer(attribute);
  form.MessageBox(text, caption, MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
}

// Tells the operator why a pump is not started into a weigher at its maximum;
// false when the weigher has room.
bool RefuseIntoFullWeigher(CWnd& form, PlantObjectId pump) {
  // Filled on, the weigher would overflow; the cycles switch a running pump off there.
  const PlantObjectId weigher = GetFullWeigherOfPump(pump);
  if (weigher == kNoPlantObject) return false;
  TellRefusal(form, pump, ePumpDoOnOffSpeed, MakeFullWeigherPumpText(CaptionOf(pump), CaptionOf(weigher)),
              kFullWeigherPumpCaption);
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
      // The only refusal there is a missing batch number, which was asked for.
      if (!CheckValveInterlock(index, open)) return SHAPE_REFUSED_AND_TOLD;
      if (open && IsBatcherDischargeValve(index) && !AllowDischargeValve(index)) return SHAPE_REFUSED_AND_TOLD;
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
        TellRefusal(*this, id, ePumpDoOnOffSpeed, kNoWaterDirectionText, kNoWaterDirectionCaption);
        return SHAPE_REFUSED_AND_TOLD;
      }
      if (on && RefuseIntoFullWeigher(*this, id)) return SHAPE_REFUSED_AND_TOLD;
      if (on && !AllowPumpStart(id)) return SHAPE_REFUSED_AND_TOLD;
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
  const PlantObjectId valve = MakeObjectId(eShapeKindValve, valveIndex);
  if (open && IsDirectionValveIndex(valveIndex) &&
      AskedBatchNumber(GetDirectionValveMixer(valveIndex), valve, eValveDoOnOffPosition) < 1)
    return FALSE;
  // What leaves a batcher goes into the mixer of its direction: without that
  // mixer's batch number it would be credited to no batch.
  if (open && IsBatcherDischargeValve(valveIndex) &&
      AskedBatchNumber(GetDischargeDirection(kBatcherFirstMaterial[valveIndex - ePlantBatcher01DischargeValve]), valve,
                       eValveDoOnOffPosition) < 1)
    return FALSE;
  if (valveIndex <= kLastBatcherDirectionValve) {
    if (!open) return TRUE;
    const int batcher = valveIndex / kDirectionValvesPerBatcher;
    const int first = batcher * kDirectionValvesPerBatcher;
    const int material = kBatcherFirstMaterial[batcher];
    const int mixer = valveIndex % kDirectionValvesPerBatcher;
    // A discharge under way turns: what left so far went the old way.
    const PlantObjectId weigher = g_materials[static_cast<std::size_t>(material)].GetWeigherId();
    if (GetMaterialLedger().IsDischarging(weigher)) {
      GetMaterialLedger().TurnDischarge(weigher, mixer, ActiveBatchNumber(mixer));
      PostRowsEvent(kDischargeStartCode, material);
    }
    SetDischargeDirection(material, mixer);
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

bool CRuvFrameView::AllowPumpStart(PlantObjectId pump) {
  // Water runs straight into its mixer: into that mixer's batch, asked for when it has none.
  const CMaterial& water = g_materials[kWaterMaterial];
  if (water.GetChargePumpId() == pump && IsChargedNow(kWaterMaterial) &&
      AskedBatchNumber(GetDischargeDirection(kWaterMaterial), pump, ePumpDoOnOffSpeed) < 1)
    return false;
  for (int m = 0; m < kChargedMaterialCount; ++m) {
    const CMaterial& material = g_materials[static_cast<std::size_t>(m)];
    // Two charges into one weigher could not be told apart on its scale.
    const PlantObjectId weigher = GetChargedWeigherId(m);
    if (material.GetChargePumpId() != pump || weigher == kNoPlantObject) continue;
    if (const int other = GetMaterialLedger().ChargingInto(weigher); other >= 0 && other != m) {
      TellRefusal(*this, pump, ePumpDoOnOffSpeed,
                  ruv::Format(kTwoChargesFormat, material.GetName().c_str(), CaptionOf(weigher).c_str(),
                              g_materials[static_cast<std::size_t>(other)].GetName().c_str()),
                  kChargeRefusedCaption);
      return false;
    }
    if (m == kWaterMaterial || !GetShapeAttribBool(material.GetDischargeValveId(), eCodeOnOffCommand)) continue;
    // It would run through into a mixer weighed by nothing.
    const std::string batcher = CaptionOf(material.GetWeigherId());
    TellRefusal(*this, pump, ePumpDoOnOffSpeed,
                ruv::Format(kPumpIntoOpenBatcherFormat, material.GetName().c_str(), batcher.c_str(), batcher.c_str()),
                kChargeRefusedCaption);
    return false;
  }
  return true;
}

bool CRuvFrameView::AllowDischargeValve(int valveIndex) {
  const PlantObjectId valve = MakeObjectId(eShapeKindValve, valveIndex);
  for (int m = kWaterMaterial + 1; m < kChargedMaterialCount; ++m) {
    const CMaterial& material = g_materials[static_cast<std::size_t>(m)];
    if (material.GetDischargeValveId() != valve || !GetMaterialLedger().IsCharging(m)) continue;
    // What leaves while the pump runs could not be told from what came in.
    TellRefusal(*this, valve, eValveDoOnOffPosition,
                ruv::Format(kDischargeWhileChargingFormat, CaptionOf(material.GetWeigherId()).c_str(),
                            material.GetName().c_str()),
                kChargeRefusedCaption);
    return false;
  }
  return true;
}

void CRuvFrameView::OnLocalModeChanged(int attribute) {
  const C_ProcessDataGen* data = GetProcessDataGen();
  const int batcher = attribute - ePrcBatcher1IsInLocalMode;
  if (!data || batcher < 0 || batcher > 4 || !data->GetAttribBool(attribute)) return;
  const LocalModeStop stop = LocalModeStopOf(batcher);
  // What a discharge under way let out so far went the old way.
  GetMaterialLedger().TurnDischarge(g_materials[static_cast<std::size_t>(stop.material)].GetWeigherId(), 0,
                                    ActiveBatchNumber(0));
  SetDischargeDirection(stop.material, 0);
  for (PlantObjectId pump : stop.pumps)
    if (C_BaseShape* shape = FindPlantShape(pump)) shape->SetAttribBool(ePumpDoOnOffSpeed, false);
  CloseValve(stop.dischargeValve);
}

// ---------------------------------------------------------------- charge events

void CRuvFrameView::PostChargeEvents(PlantObjectId objectId, bool value) {
  static_assert(kChargeSlots == kChargedMaterialCount);
  CMaterialLedger& ledger = GetMaterialLedger();
  const int kind = PlantObjectKind(objectId);
  if (kind == eShapeKindValve) {
    for (int m = kWaterMaterial + 1; m < kChargedMaterialCount; ++m) {
      const CMaterial& material = g_materials[static_cast<std::size_t>(m)];
      if (objectId != material.GetDischargeValveId()) continue;
      // Materials sharing a batcher share its valve: the batcher discharges once.
      if (value) {
        const int direction = GetDischargeDirection(m);
        ledger.OpenDischarge(material.GetWeigherId(), direction, ActiveBatchNumber(direction));
      } else {
        ledger.CloseDischarge(material.GetWeigherId());
      }
      PostRowsEvent(value ? kDischargeStartCode : kDischargeEndCode, m);
      return;
    }
    return;
  }
  if (kind != eShapeKindGearPump && kind != eShapeKindCntrFglPump) return;
  for (int m = 0; m < kChargedMaterialCount; ++m) {
    const CMaterial& material = g_materials[static_cast<std::size_t>(m)];
    if (objectId != material.GetChargePumpId()) continue;
    const UINT_PTR timer = ChargeEndTimerOf(m);
    if (value) {
      if (!IsChargedNow(m)) continue;
      // A charge end still waiting belongs to the previous charge: the ledger
      // settles it before the new one opens, and its row goes in first.
      if (KillTimer(timer)) PostMessage(WM_CHARGE_EVENT, kChargeEndCode, m);
      // Read while the pump's start is being decided: nothing has moved yet.
      const int direction = ChargeDirectionOf(m);
      ledger.OpenCharge(m, WeigherOf(material, direction), direction, ActiveBatchNumber(direction));
      PostMessage(WM_CHARGE_START, 1, m);
    } else if (ledger.IsCharging(m)) {
      ledger.NotePumpStopped(m);
      SetTimer(timer, static_cast<UINT>(material.GetSecondDelayMs() / 2));
    }
  }
}

void CRuvFrameView::PostRowsEvent(int code, int material) {
  // A discharge the close ends goes in while the tables are still open.
  if (m_closing)
    OnChargeEvent(static_cast<WPARAM>(code), material);
  else
    PostMessage(WM_CHARGE_EVENT, static_cast<WPARAM>(code), material);
}

LRESULT CRuvFrameView::OnChargeStart(WPARAM, LPARAM lParam) {
  if (!GetMaterial(static_cast<int>(lParam))) return 0;
  WriteLedgerRows();
  return 0;
}

void CRuvFrameView::AdoptRowsLeftInWeighers() {
  CEvent2RS* table = EventTable();
  CADODatabase* database = table ? table->GetDatabase() : nullptr;
  if (m_weighersAdopted || !database || !database->IsOpen()) return;
  m_weighersAdopted = true;
  CMaterialLedger& ledger = GetMaterialLedger();
  try {
    CADORecordset open(database);
    if (!open.Open(database->GetConnection(), kOpenRowsQuery, CADORecordset::openQuery)) return;
    for (open.MoveFirst(); !open.IsEOF(); open.MoveNext()) {
      CMaterialLedger::RowState row;
      std::string name;
      int automatic = 0;
      if (!open.GetFieldValue("m_nRecordID", row.row) || !open.GetFieldValue("m_strBatchedMatrialName", name) ||
          !open.GetFieldValue("m_fStartMatrialDose", row.start) || !open.GetFieldValue("m_fEndMatrialDose", row.end) ||
          !open.GetFieldValue("m_bIsAutoBatching", automatic))
        continue;
      row.automatic = automatic != 0;
      for (int m = kWaterMaterial + 1; m < kChargeSlots; ++m) {
        const CMaterial& material = g_materials[static_cast<std::size_t>(m)];
        if (material.GetName() != name) continue;
        ledger.AdoptOpenRow(m, material.GetWeigherId(), row);
        break;
      }
    }
  } catch (const CADOException& error) {
    // What those rows hold stays on them, uncredited: said, not waited for (the start goes on).
    ShowMessageBoxWithoutWaiting(ruv::Format(kOpenRowsUnreadFormat, error.GetErrorMessage().c_str()),
                                 kChargeRefusedCaption, MB_OK | MB_ICONSTOP);
  }
}

void CRuvFrameView::WriteLedgerRows() {
  CEvent2RS* table = EventTable();
  if (!table) return;
  CMaterialLedger& ledger = GetMaterialLedger();
  // A row added while the database was locked may have got another id than it showed.
  ledger.FollowRows([table](int id) { return table->FollowRecordId(id); });
  // Written again at the next flush, not in this one's loop.
  std::vector<CMaterialLedger::EntryId> failed;
  // A part a discharge left is written once the row it continues has its id.
  for (auto states = ledger.TakeRowsToWrite(); !states.empty(); states = ledger.TakeRowsToWrite())
  for (const CMaterialLedger::RowState& state : states) {
    const CMaterial* material = GetMaterial(state.material);
    if (!material) {
      ledger.RowLost(state.entry);
      m_refusedRows.Settled(state.entry);
      continue;
    }
    if (state.row != CMaterialLedger::kNoRow) {
      // Found by its followed id: a kept row may have been written since the flush began.
      if (!table->FindRecord(state.row)) {
        ledger.RowLost(state.entry);
        m_refusedRows.Settled(state.entry);
        // A kept new row that could not be written was told by the database.
        if (!ruv::db::IsKeptRowHandle(table->FollowRecordId(state.row)))
          MessageBox(ruv::Format(kLostRowFormat, table->FollowRecordId(state.row), material->GetName().c_str()),
                     kChargeRefusedCaption, MB_OK | MB_ICONSTOP);
        continue;
      }
      const int row = table->Current().GetRecordID();
      FillRow(table->Current(), *material, state);
      // A refused change is told once per cause (after the flush) and tried again quietly.
      std::string refusal;
      if (table->SaveCurrentQuietly(refusal)) {
        ledger.RowWritten(state.entry, row);
        m_refusedRows.Settled(state.entry);
      } else {
        failed.push_back(state.entry);
        m_refusedRows.Refused(state.entry, row, material->GetName(), refusal.empty() ? kRowNotTakenText : refusal);
      }
      continue;
    }
    CEvent2RS::CSTFields& row = table->Scratch();
    row.Reset();
    // The part a discharge left behind keeps its charge's row as it was.
    if (state.copyOf != 0 && table->FindRecord(state.copyOf)) {
      row.CopyFrom(table->Current());
      row.m_nRecordID = -1;
    }
    FillRow(row, *material, state);
    if (table->AddNew())
      ledger.RowWritten(state.entry, table->Current().GetRecordID());
    else
      failed.push_back(state.entry);
  }
  for (CMaterialLedger::EntryId entry : failed) ledger.RowFailed(entry);
  // Told once the ledger has them back: a flush the box lets run finds them told.
  for (const std::string& text : m_refusedRows.TakeUntold())
    MessageBox(text, kChargeRefusedCaption, MB_OK | MB_ICONWARNING);
}

void CRuvFrameView::FillRow(CEvent2RS::CSTFields& row, const CMaterial& material,
                            const CMaterialLedger::RowState& state) {
  row.SetBatchedMatrialName(material.GetName());
  row.SetStartMatrialDose(state.start);
  row.SetEndMatrialDose(state.end);
  row.SetDisChargeDir(MixerNameOrUnknown(state.direction));
  row.SetIsAutoBatching(state.automatic ? 1 : 0);
  row.SetBatchNumber(state.batch);
  row.SetChrageIsEnd(state.chargeEnded ? 1 : 0);
  if (state.chargeEnded && state.chargeEnd != 0) row.SetChargeEndTime(state.chargeEnd);
  if (state.dischargeStart != 0) row.SetDisChargeStartTime(state.dischargeStart);
  if (state.completed && state.dischargeEnd != 0) row.SetDisChargeEndTime(state.dischargeEnd);
  row.SetBatchIsCompleted(state.completed ? 1 : 0);
}

LRESULT CRuvFrameView::OnChargeEvent(WPARAM wParam, LPARAM lParam) {
  CMaterial* material = GetMaterial(static_cast<int>(lParam));
  if (!EventTable() || !material) return 1;
  if (static_cast<int>(wParam) == kChargeEndCode) GetMaterialLedger().SettleStoppedCharges(material->GetIndex());
  WriteLedgerRows();
  return 0;
}

void CRuvFrameView::RunPendingChargeEnds() {
  if (!GetSafeHwnd()) return;
  for (int m = 0; m < kChargedMaterialCount; ++m)
    if (KillTimer(ChargeEndTimerOf(m))) GetMaterialLedger().SettleStoppedCharges(m);
  WriteLedgerRows();
}
