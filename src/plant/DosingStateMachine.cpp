#include "plant/DosingStateMachine.h"

#include <algorithm>

#include "common/TimeAndKeys.h"
#include "datacenter/DCTag.h"
#include "datacenter/RAttrib.h"
#include "engine/EngineTables.h"
#include "engine/ProcessEngineApp.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"
#include "plant/MaterialLedger.h"
#include "plant/PlantModel.h"
#include "records/ShiftRS.h"

namespace {

// Attribute codes of the discharge valve's position channel.
constexpr int kCodePosition = 1005;
constexpr int kCodeMaxPosition = 1016;

enum EPhase : int {
  ePhaseStart = 0,
  ePhaseCharging = 1,
  ePhaseFirstDelay = 2,
  ePhaseSecondDelay = 3,
  ePhaseCharged = 4,
  ePhaseDischarging = 5,
  ePhaseRunOn = 6,
  ePhaseDischarged = 7,
  ePhaseEnded = 11,
};

float LevelOf(PlantObjectId vessel) { return GetShapeAttribFloat(vessel, eCodeLevel); }

// The vessel's name as the plant shows it, for the operator's messages.
std::string CaptionOf(PlantObjectId vessel) {
  const C_BaseShape* shape = FindPlantShape(vessel);
  return shape ? shape->GetCaption() : std::string();
}

bool ReportsOpen(PlantObjectId valve) {
  const C_BaseShape* shape = FindPlantShape(valve);
  return shape && PlantObjectKind(valve) == eShapeKindValve && shape->GetAttribBool(eValveDiOnOffPosition);
}

// The in-flight amount within 0 .. 0.7 × dose.
double LimitLead(double lead, double dose) {
  const double limit = CDosingStateMachine::kLeadLimitFactor * dose;
  if (lead < 0.0) lead = 0.0;
  if (lead >= limit) lead = limit;
  return lead;
}

bool IsUsedAutomaticStep(const CRecipeStepInfo& step) { return step.IsStepActive() && !step.m_bIsManualDosing; }

}  // namespace

// ---------------------------------------------------------------- helpers

CDosingStateMachine::Devices CDosingStateMachine::DevicesOf(const CRecipeStepInfo& step) {
  Devices devices;
  devices.material = step.GetMaterialIndex();
  devices.mixer = step.GetMixerNumber();
  const bool material = devices.material >= 0 && devices.material < kChargedMaterialCount;
  if (!material || devices.mixer < 0 || devices.mixer >= kPlantMixerCount) return devices;
  const CMaterial& found = g_materials[static_cast<std::size_t>(devices.material)];
  devices.pump = found.GetChargePumpId();
  devices.weigher = GetMaterialWeigherId(devices.material, devices.mixer);
  devices.mixerVessel = GetMixerId(devices.mixer);
  devices.dischargeValve = found.GetDischargeValveId();
  devices.dirValve = found.GetDirValveId(devices.mixer);
  if (devices.material == 0)
    devices.waterValve = MakeObjectId(eShapeKindValve, ePlantWaterDirectionValve1 + devices.mixer);
  else if (devices.material == 3)
    devices.waterValve = MakeObjectId(eShapeKindValve, ePlantWaterDirectionValve5);
  devices.valid = true;
  return devices;
}

CDosingStateMachine::Store CDosingStateMachine::StoreCommand(PlantObjectId id, bool on) {
  SetShapeAttribBool(id, eCodeOnOffCommand, on);
  if (GetShapeAttribBool(id, eCodeOnOffCommand) == on) return Store::Took;
  // A tag being read from the device drops the value: that is no refusal.
  if (C_BaseShape* shape = FindPlantShape(id)) {
    if (const CRAttrib* attrib = shape->GetAttrib(MapAttribCode(id, eCodeOnOffCommand))) {
      if (const CDCTag* tag = attrib->GetDCTag(); tag && tag->IsReadPending()) return Store::Dropped;
    }
  }
  return Store::Refused;
}

bool CDosingStateMachine::PreconditionHolds(int stepNumber) {
  if (stepNumber == 0) return true;
  if (stepNumber < 1 || stepNumber > kStepCount) return false;
  return GetProcessEngine().GetStepPhase(stepNumber - 1) == ePhaseEnded;
}

bool CDosingStateMachine::HasBatchNumber(int mixer) {
  const CShiftRS* shift = g_pShiftRS.load();
  if (!shift) return false;
  auto lock = shift->LockActive();
  return shift->Active().ReadMixerBatchNumber(mixer) > 0;
}

bool CDosingStateMachine::StartInterlockPasses(const Devices& devices) {
  if (devices.material == 0) return true;
  // Nothing may leave the batcher while it is being weighed.
  const CMaterial& material = g_materials[static_cast<std::size_t>(devices.material)];
  if (ReportsOpen(material.GetDischargeValveId())) return false;
  for (int mixer = 0; mixer < kPlantMixerCount; ++mixer)
    if (ReportsOpen(material.GetDirValveId(mixer))) return false;
  return true;
}

bool CDosingStateMachine::ValvesKeepStepWaiting(int i, const Devices& devices) {
  if (StartInterlockPasses(devices)) return false;
  StepMemory& memory = m_memory[static_cast<std::size_t>(i)];
  // A step of the run discharging the batcher closes its valves when done.
  const bool runDischarges = AnyOtherStep(i, ePhaseCharged, ePhaseDischarged, [&](const Devices& other) {
    return other.weigher == devices.weigher;
  });
  // Valves commanded shut that still report open are closing.
  const CMaterial& charged = g_materials[static_cast<std::size_t>(devices.material)];
  bool commandedOpen = GetShapeAttribBool(charged.GetDischargeValveId(), eCodeOnOffCommand);
  for (int mixer = 0; mixer < kPlantMixerCount; ++mixer)
    commandedOpen = commandedOpen || GetShapeAttribBool(charged.GetDirValveId(mixer), eCodeOnOffCommand);
  if (commandedOpen && !runDischarges && !memory.toldValvesOpen) {
    memory.toldValvesOpen = true;
    ShowMessageBoxWithoutWaiting(MakeValvesOpenText(i + 1, charged.GetName(), CaptionOf(devices.weigher)),
                                 kValvesOpenCaption, MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL);
  }
  return true;
}

void CDosingStateMachine::BookCharge(int material, float amount) {
  CShiftRS* shift = g_pShiftRS.load();
  if (!shift) return;
  shift->AddChargeToActiveShift(material, amount, GetNowDate());
  shift->NotifyOwner(kTableActiveShiftChanged);
}

std::string CDosingStateMachine::MakeFullWeigherText(int stepNumber, const std::string& material,
                                                     const std::string& vessel) {
  return ruv::Format("Step %d: charging %s stopped because %s reached its maximum level.", stepNumber,
                     material.c_str(), vessel.c_str());
}

std::string CDosingStateMachine::MakeNoBatchNumberText(int stepNumber, const std::string& material,
                                                        const std::string& mixer) {
  return ruv::Format("Step %d: %s waits for the batch number of %s.\nPlease enter it in Tables - Batch Numbers.",
                     stepNumber, material.c_str(), mixer.c_str());
}

std::string CDosingStateMachine::MakeLeftInWeigherText(int stepNumber, const std::string& material,
                                                        const std::string& vessel, float amount) {
  return ruv::Format("Step %d: %s is not charged because %s still holds %.2f Kg that this run did not charge.\n"
                     "Please discharge %s by hand, then start the process again.",
                     stepNumber, material.c_str(), vessel.c_str(), static_cast<double>(amount), vessel.c_str());
}

std::string CDosingStateMachine::MakeValvesOpenText(int stepNumber, const std::string& material,
                                                     const std::string& vessel) {
  return ruv::Format("Step %d: %s waits because a discharge or direction valve of %s is open.\n"
                     "Please close the valves of %s; the step charges once they are closed.",
                     stepNumber, material.c_str(), vessel.c_str(), vessel.c_str());
}

std::string CDosingStateMachine::MakePumpStoppedText(int stepNumber, const std::string& material) {
  return ruv::Format("Step %d: charging %s stopped because its pump was switched off by hand.\n"
                     "Start the process again to charge what the dose still lacks.",
                     stepNumber, material.c_str());
}

std::string CDosingStateMachine::MakeDischargeClosedText(int stepNumber, const std::string& material,
                                                         const std::string& vessel) {
  return ruv::Format("Step %d: discharging %s stopped because the discharge valve of %s was closed by hand.\n"
                     "Start the process again to discharge the rest.",
                     stepNumber, material.c_str(), vessel.c_str());
}

bool CDosingStateMachine::RunDosesIntoMixer(int mixer) {
  CProcessEngineApp& engine = GetProcessEngine();
  CRecipeRS* recipe = g_pRecipeRS.load();
  for (int i = 0; i < kStepCount; ++i) {
    CRecipeStepInfo step;
    if (!engine.GetRunStep(i, step)) {
      if (!recipe) return false;
      auto lock = recipe->LockActive();
      step.CopyFrom(recipe->Active().GetStep(i));
    }
    const Devices devices = DevicesOf(step);
    if (!IsUsedAutomaticStep(step) || !devices.valid || devices.mixer != mixer) continue;
    const bool intoMixer = devices.material == 0 || (step.m_bStpHasDisChrg && devices.dischargeValve != kNoPlantObject);
    if (intoMixer && engine.GetStepPhase(i) != ePhaseEnded) return true;
  }
  return false;
}

template <class Match>
bool CDosingStateMachine::AnyOtherStep(int i, int phaseFrom, int phaseTo, Match matches) const {
  if (!m_run) return false;
  CProcessEngineApp& engine = GetProcessEngine();
  for (int j = 0; j < kStepCount; ++j) {
    if (j == i) continue;
    const CRecipeStepInfo& other = m_run->GetStep(j);
    if (!IsUsedAutomaticStep(other)) continue;
    const Devices devices = DevicesOf(other);
    if (!devices.valid) continue;
    const int phase = engine.GetStepPhase(j);
    if (phase >= phaseFrom && phase <= phaseTo && matches(devices)) return true;
  }
  return false;
}

bool CDosingStateMachine::ChargingMustWait(int i, const Devices& devices) const {
  const auto claimed = [&](PlantObjectId id) {
    return std::find(m_claimed.begin(), m_claimed.end(), id) != m_claimed.end();
  };
  if (claimed(devices.pump) || claimed(devices.weigher)) return true;
  const bool weighing = AnyOtherStep(i, ePhaseCharging, ePhaseSecondDelay, [&](const Devices& other) {
    return other.pump == devices.pump || other.weigher == devices.weigher;
  });
  if (weighing) return true;
  // Water is weighed in the mixer: nothing may flow into it meanwhile.
  return devices.material == 0 && AnyOtherStep(i, ePhaseDischarging, ePhaseRunOn, [&](const Devices& other) {
           return other.mixer == devices.mixer;
         });
}

bool CDosingStateMachine::DischargeMustWait(int i, const Devices& devices) const {
  return AnyOtherStep(i, ePhaseCharging, ePhaseSecondDelay, [&](const Devices& other) {
    return other.weigher == devices.weigher || other.weigher == devices.mixerVessel;
  });
}

bool CDosingStateMachine::SwitchOn(int i, PlantObjectId id) {
  const Store result = StoreCommand(id, true);
  if (result == Store::Refused) m_memory[static_cast<std::size_t>(i)].onRefused = true;
  return result == Store::Took;
}

CMaterialLedger::EntryId CDosingStateMachine::LastPart(int i) const {
  const StepMemory& memory = m_memory[static_cast<std::size_t>(i)];
  return memory.parts.empty() ? 0 : memory.parts.back();
}

bool CDosingStateMachine::PartOpen(int i) const {
  const CMaterialLedger::EntryId last = LastPart(i);
  return last != 0 && !GetMaterialLedger().IsBooked(last);
}

float CDosingStateMachine::BookOpenPart(int i, const Devices& devices) {
  StepMemory& memory = m_memory[static_cast<std::size_t>(i)];
  CMaterialLedger& ledger = GetMaterialLedger();
  CMaterial& material = g_materials[static_cast<std::size_t>(devices.material)];
  float booked = 0.0f;
  // The ledger settles each part's end once: its row tells the same amount.
  for (const CMaterialLedger::EntryId part : memory.parts) {
    if (ledger.IsBooked(part)) continue;
    const auto charged = static_cast<float>(ledger.Book(part));
    if (charged == 0.0f) continue;
    BookCharge(devices.material, charged);
    material.SetTotal(material.GetTotal() + charged);
    booked += charged;
  }
  return booked;
}

bool CDosingStateMachine::StartPumpForPart(int i, const Devices& devices) {
  CMaterialLedger& ledger = GetMaterialLedger();
  // The veto of the pump's start opens the charge's entry; the dosing's own start makes it automatic.
  ledger.ExpectAutomaticStart(devices.material);
  const bool on = SwitchOn(i, devices.pump);
  CMaterialLedger::EntryId part = ledger.TakeAutomaticStart(devices.material);
  if (!on) return false;
  if (part == 0) {
    const int mixer = devices.material == 0 ? devices.mixer : -1;
    part = ledger.OpenAutomaticCharge(devices.material, devices.weigher, mixer, -1);
  }
  m_memory[static_cast<std::size_t>(i)].parts.push_back(part);
  return true;
}

bool CDosingStateMachine::SwitchPumpOff(const Devices& devices) {
  if (StoreCommand(devices.pump, false) != Store::Took) return false;
  GetMaterialLedger().NotePumpStopped(devices.material);
  return true;
}

double CDosingStateMachine::StillLacking(int i, const CRecipeStepInfo& step) const {
  const CMaterialLedger& ledger = GetMaterialLedger();
  double booked = 0.0;
  // What went into another mixer, or left the plant into none (the Demo
  // starting its levels again), was never charged for the step.
  for (const CMaterialLedger::EntryId part : m_memory[static_cast<std::size_t>(i)].parts)
    booked += std::max(0.0, ledger.BookedOf(part) - ledger.WentElsewhere(part, step.GetMixerNumber()));
  return static_cast<double>(step.GetDose()) - booked;
}

double CDosingStateMachine::WentElsewhere(int i, int mixer) const {
  double elsewhere = 0.0;
  for (const CMaterialLedger::EntryId part : m_memory[static_cast<std::size_t>(i)].parts)
    elsewhere += GetMaterialLedger().WentElsewhere(part, mixer);
  return elsewhere;
}

bool CDosingStateMachine::ChargeAgainWhatWentElsewhere(int i, const CRecipeStepInfo& step, const Devices& devices) {
  StepMemory& memory = m_memory[static_cast<std::size_t>(i)];
  const double elsewhere = WentElsewhere(i, devices.mixer);
  if (elsewhere <= memory.elsewhereTakenUp + CMaterialLedger::kRounding) return false;
  memory.elsewhereTakenUp = elsewhere;
  if (StillLacking(i, step) <= CMaterialLedger::kRounding) return false;
  // A settling charge that reached its dose in one go still tells the pump's run-on.
  const int phase = GetProcessEngine().GetStepPhase(i);
  if (phase == ePhaseFirstDelay || phase == ePhaseSecondDelay) LearnFromCharge(i, devices);
  memory.disturbed = true;
  // It starts again as a first start does (a water valve opens before the
  // pump), keeping the parts it charged so far.
  memory.chargeAgain = true;
  return Advance(i, phase, ePhaseStart);
}

float CDosingStateMachine::OtherChargeIn(const Devices& devices) const {
  // Water is weighed in its mixer, which holds the batch anyway.
  if (devices.material == 0) return 0.0f;
  std::vector<CMaterialLedger::EntryId> run;
  for (const StepMemory& memory : m_memory) run.insert(run.end(), memory.parts.begin(), memory.parts.end());
  const CMaterialLedger& ledger = GetMaterialLedger();
  return static_cast<float>(ledger.HeldExcept(devices.weigher, run) + ledger.UnaccountedIn(devices.weigher));
}

bool CDosingStateMachine::Advance(int i, int from, int to) {
  return GetProcessEngine().CompareAndSetStepPhase(i, from, to);
}

// ---------------------------------------------------------------- the phases

bool CDosingStateMachine::TryStartCharging(int i, const CRecipeStepInfo& step, const Devices& devices) {
  StepMemory& memory = m_memory[static_cast<std::size_t>(i)];
  if (memory.onRefused || !PreconditionHolds(step.GetPrEndStpNmbr()) || ValvesKeepStepWaiting(i, devices) ||
      !IsAutoOperationAllowed(devices.material, 1, devices.mixer) || ChargingMustWait(i, devices))
    return false;
  // Opening a water direction valve would make the plant form ask for the batch number.
  if (devices.material == 0 && !HasBatchNumberOrTell(i, devices)) return false;
  if (RefuseOtherCharge(i, devices)) return false;
  if (LevelOf(devices.weigher) >= GetShapeAttribFloat(devices.weigher, eCodeMaxLevel)) {
    // A pump started on a full weigher would stop at once: a charge of nothing.
    TellFull(i, devices);
    return false;
  }
  if (SwitchOffHandPump(devices)) return false;
  m_claimed.push_back(devices.pump);
  m_claimed.push_back(devices.weigher);

  if (devices.waterValve != kNoPlantObject) {
    const bool open = ReportsOpen(devices.waterValve);
    if (!SwitchOn(i, devices.waterValve) || !open) return false;
  }
  if (memory.chargeAgain) {
    if (PartOpen(i)) BookOpenPart(i, devices);
  } else {
    GetMaterialLedger().Release(memory.parts);
    memory.parts.clear();
    memory.elsewhereTakenUp = 0.0;
  }
  if (!StartPumpForPart(i, devices)) return false;
  // A charge taken up again is cut in parts: it teaches nothing.
  memory.disturbed = memory.chargeAgain;
  memory.chargeAgain = false;
  memory.endedFull = false;
  memory.heldByHand = false;
  return Advance(i, ePhaseStart, ePhaseCharging);
}

bool CDosingStateMachine::TryEndCharging(int i, const CRecipeStepInfo& step, const Devices& devices) {
  StepMemory& memory = m_memory[static_cast<std::size_t>(i)];
  const float level = LevelOf(devices.weigher);
  const bool open = PartOpen(i);
  const double start = open ? static_cast<double>(GetMaterialLedger().StartOf(LastPart(i))) : 0.0;
  // What the part charged as the ledger weighs it (water less what a discharge put into its mixer).
  const double charged = open ? GetMaterialLedger().AmountOf(LastPart(i)) : 0.0;
  // A charge taken up again needs only what its earlier parts lacked.
  const double dose = StillLacking(i, step);
  const double lead = LimitLead(GetShapeAttribFloat(devices.pump, eCodeLoadInWay), dose);
  const double ratio = dose > 0.0 ? (dose - lead - charged) / (dose - lead) : 0.0;
  const float max = GetShapeAttribFloat(devices.weigher, eCodeMaxLevel);
  // A dose that does not fit under the weigher's maximum is charged up to it
  // and held there, whatever the in-flight amount would leave out.
  const bool fits = !open || start + dose <= static_cast<double>(max) + CMaterialLedger::kRounding;
  const bool dosed = ratio <= kStopThreshold && fits;
  if (!dosed) {
    if (level < max) {
      if (open && !memory.resume && !memory.endedFull && !GetShapeAttribBool(devices.pump, eCodeOnOffCommand))
        HoldStoppedByHand(i, devices, false);
      return false;
    }
    // Short of its dose: what is in is booked as a part, never as if the dose
    // were in. The run holds here until the operator decides.
    if (!SwitchPumpOff(devices)) return false;
    BookOpenPart(i, devices);
    memory.disturbed = true;
    memory.endedFull = true;
    TellFull(i, devices);
    return false;
  }
  if (!SwitchPumpOff(devices)) return false;
  memory.dosedAgainst = step.GetDose();
  return Advance(i, ePhaseCharging, ePhaseFirstDelay);
}

void CDosingStateMachine::TellFull(int i, const Devices& devices) {
  StepMemory& memory = m_memory[static_cast<std::size_t>(i)];
  m_holdRequested = true;
  if (memory.toldFull) return;
  memory.toldFull = true;
  const CMaterial& material = g_materials[static_cast<std::size_t>(devices.material)];
  ShowMessageBoxWithoutWaiting(MakeFullWeigherText(i + 1, material.GetName(), CaptionOf(devices.weigher)),
                               kFullWeigherCaption, MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
}

bool CDosingStateMachine::TryEndFirstDelay(int i, const Devices& devices) {
  const CMaterial& material = g_materials[static_cast<std::size_t>(devices.material)];
  if (GetProcessEngine().GetStepTimer(i).GetElapsedMs() <= static_cast<DWORD>(material.GetFirstDelayMs()))
    return false;
  if (devices.material == 0 && StoreCommand(devices.waterValve, false) != Store::Took) return false;
  return Advance(i, ePhaseFirstDelay, ePhaseSecondDelay);
}

bool CDosingStateMachine::TryBook(int i, const Devices& devices) {
  CMaterial& material = g_materials[static_cast<std::size_t>(devices.material)];
  if (GetProcessEngine().GetStepTimer(i).GetElapsedMs() <= static_cast<DWORD>(material.GetSecondDelayMs()))
    return false;
  BookOpenPart(i, devices);
  LearnFromCharge(i, devices);
  if (devices.material == 3 && StoreCommand(devices.waterValve, false) != Store::Took) return false;
  return Advance(i, ePhaseSecondDelay, ePhaseCharged);
}

void CDosingStateMachine::LearnFromCharge(int i, const Devices& devices) {
  StepMemory& memory = m_memory[static_cast<std::size_t>(i)];
  // Only a charge that reached its dose in one go tells the pump's run-on; a
  // charge cut short, taken up again or reset, or one that charged nothing, does not.
  if (memory.disturbed || memory.endedFull || memory.learnt || memory.parts.size() != 1) return;
  memory.learnt = true;
  const double charged = GetMaterialLedger().AmountOf(memory.parts.front());
  if (charged > CMaterialLedger::kRounding) {
    // The dose the charge was stopped for (one saved since does not change what the pump did).
    const double dose = memory.dosedAgainst;
    const double lead = static_cast<double>(GetShapeAttribFloat(devices.pump, eCodeLoadInWay)) + charged - dose;
    SetShapeAttribFloat(devices.pump, eCodeLoadInWay, static_cast<float>(LimitLead(lead, dose)));
  }
}

bool CDosingStateMachine::TryStartDischarge(int i, const CRecipeStepInfo& step, const Devices& devices) {
  // Without a discharge valve (water) nothing is there to discharge, whatever the step says.
  if (!step.m_bStpHasDisChrg || devices.dischargeValve == kNoPlantObject)
    return Advance(i, ePhaseCharged, ePhaseDischarged);
  StepMemory& memory = m_memory[static_cast<std::size_t>(i)];
  if (memory.closeAgain != kNoPlantObject) {
    if (StoreCommand(memory.closeAgain, false) == Store::Took) memory.closeAgain = kNoPlantObject;
    return false;
  }
  if (memory.onRefused || !PreconditionHolds(step.GetSmulStrtStpNmbr()) ||
      !IsAutoOperationAllowed(devices.material, 2, devices.mixer))
    return false;
  const float room = GetShapeAttribFloat(devices.mixerVessel, eCodeMaxLevel) - LevelOf(devices.mixerVessel);
  if (!(LevelOf(devices.weigher) < room) || DischargeMustWait(i, devices) || !HasBatchNumberOrTell(i, devices))
    return false;

  // A pump run by hand into the batcher stops: what it charged leaves with the discharge.
  SwitchOffPumpsInto(devices.weigher);
  if (!SwitchOn(i, devices.dirValve)) return false;
  if (!SwitchOn(i, devices.dischargeValve)) {
    if (StoreCommand(devices.dirValve, false) != Store::Took) memory.closeAgain = devices.dirValve;
    return false;
  }
  SetShapeAttribFloat(devices.dischargeValve, kCodePosition,
                      GetShapeAttribFloat(devices.dischargeValve, kCodeMaxPosition));
  return Advance(i, ePhaseCharged, ePhaseDischarging);
}

bool CDosingStateMachine::TryEndDischarge(int i, const Devices& devices) {
  if (!GetShapeAttribBool(devices.dischargeValve, eCodeOnOffCommand)) {
    if (!m_memory[static_cast<std::size_t>(i)].resume) HoldStoppedByHand(i, devices, true);
    return false;
  }
  if (LevelOf(devices.weigher) > GetShapeAttribFloat(devices.weigher, eCodeLowAlarmLevel)) return false;
  return Advance(i, ePhaseDischarging, ePhaseRunOn);
}

bool CDosingStateMachine::TryEndRunOn(int i, const Devices& devices) {
  if (GetProcessEngine().GetStepTimer(i).GetElapsedMs() <= kDischargeRunOnMs) return false;
  if (StoreCommand(devices.dischargeValve, false) != Store::Took) return false;
  if (StoreCommand(devices.dirValve, false) != Store::Took) return false;
  return Advance(i, ePhaseRunOn, ePhaseDischarged);
}

bool CDosingStateMachine::TryResume(int i, int phase, const CRecipeStepInfo& step, const Devices& devices) {
  StepMemory& memory = m_memory[static_cast<std::size_t>(i)];
  // A refused switch-on was shown by the plant form; the next Start tries again.
  if (memory.onRefused) return false;
  if (phase == ePhaseCharging) {
    if (devices.material == 0 && !HasBatchNumberOrTell(i, devices)) return false;
    if (devices.waterValve != kNoPlantObject && !ReportsOpen(devices.waterValve)) {
      // The pump waits for the valve to report open, as at the charge's start.
      SwitchOn(i, devices.waterValve);
      return false;
    }
    if (ValvesKeepStepWaiting(i, devices)) return false;
    // A part whose pump went off (by hand, or by a Stop no pass saw) is booked: a new part starts.
    if (PartOpen(i) && !GetMaterialLedger().IsPumpRunning(LastPart(i))) BookOpenPart(i, devices);
    const bool open = PartOpen(i);
    // A dose lowered to what is in already needs no pump: the step ends its charge.
    if (!open && StillLacking(i, step) <= 0.0) {
      memory.resume = false;
      return true;
    }
    // A weigher still full is not filled further: the step holds again in this pass.
    if (LevelOf(devices.weigher) >= GetShapeAttribFloat(devices.weigher, eCodeMaxLevel)) {
      memory.resume = false;
      return false;
    }
    // A pump that never went off goes on with its part; one on without a part is the operator's.
    if (!open && SwitchOffHandPump(devices)) return false;
    // Another charge put into the batcher meanwhile (by hand) is not charged on.
    if (!open && RefuseOtherCharge(i, devices)) return false;
    if (open ? !SwitchOn(i, devices.pump) : !StartPumpForPart(i, devices)) return false;
    // The pump runs again: whatever held the step is over until it holds again.
    memory.endedFull = false;
    memory.heldByHand = false;
    memory.disturbed = true;
  } else {
    if (!HasBatchNumberOrTell(i, devices)) return false;
    SwitchOffPumpsInto(devices.weigher);
    if (!SwitchOn(i, devices.dirValve)) return false;
    if (!SwitchOn(i, devices.dischargeValve)) return false;
  }
  memory.resume = false;
  return true;
}

bool CDosingStateMachine::SwitchOffHandPump(const Devices& devices) {
  if (!GetShapeAttribBool(devices.pump, eCodeOnOffCommand)) return false;
  SwitchPumpOff(devices);
  return true;
}

bool CDosingStateMachine::RefuseOtherCharge(int i, const Devices& devices) {
  StepMemory& memory = m_memory[static_cast<std::size_t>(i)];
  // A residue below the low alarm is what a discharge leaves anyway.
  const float residue = std::max(kOtherChargeThreshold, GetShapeAttribFloat(devices.weigher, eCodeLowAlarmLevel) -
                                                             GetShapeAttribFloat(devices.weigher, eCodeMinLevel));
  const int chargedBy = devices.material == 0 ? -1 : GetMaterialLedger().ChargingInto(devices.weigher);
  const bool handCharging =
      chargedBy >= 0 &&
      GetShapeAttribBool(g_materials[static_cast<std::size_t>(chargedBy)].GetChargePumpId(), eCodeOnOffCommand);
  const float other = OtherChargeIn(devices);
  if (!(other > residue || handCharging)) return false;
  // Charging on top would book and discharge the other charge as this one's;
  // a pump run by hand into it stops, so the amount told stays true.
  SwitchOffPumpsInto(devices.weigher);
  m_holdRequested = true;
  if (!memory.toldLeftInWeigher) {
    memory.toldLeftInWeigher = true;
    const CMaterial& material = g_materials[static_cast<std::size_t>(devices.material)];
    ShowMessageBoxWithoutWaiting(
        MakeLeftInWeigherText(i + 1, material.GetName(), CaptionOf(devices.weigher), other),
        kLeftInWeigherCaption, MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
  }
  return true;
}

void CDosingStateMachine::SwitchOffPumpsInto(PlantObjectId weigher) {
  CMaterialLedger& ledger = GetMaterialLedger();
  for (int k = 0; k < kChargedMaterialCount; ++k) {
    const int material = ledger.ChargingInto(weigher);
    if (material < 0) return;
    const PlantObjectId pump = g_materials[static_cast<std::size_t>(material)].GetChargePumpId();
    if (StoreCommand(pump, false) != Store::Took) return;
    ledger.NotePumpStopped(material);
  }
}

void CDosingStateMachine::HoldStoppedByHand(int i, const Devices& devices, bool discharging) {
  StepMemory& memory = m_memory[static_cast<std::size_t>(i)];
  if (!discharging) {
    GetMaterialLedger().NotePumpStopped(devices.material);
    BookOpenPart(i, devices);
    memory.disturbed = true;
    memory.heldByHand = true;
  }
  m_holdRequested = true;
  if (memory.toldStoppedByHand) return;
  memory.toldStoppedByHand = true;
  const CMaterial& material = g_materials[static_cast<std::size_t>(devices.material)];
  const std::string text =
      discharging ? MakeDischargeClosedText(i + 1, material.GetName(), CaptionOf(devices.weigher))
                  : MakePumpStoppedText(i + 1, material.GetName());
  ShowMessageBoxWithoutWaiting(text, kStoppedByHandCaption, MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL);
}

bool CDosingStateMachine::HasBatchNumberOrTell(int i, const Devices& devices) {
  StepMemory& memory = m_memory[static_cast<std::size_t>(i)];
  if (HasBatchNumber(devices.mixer)) {
    memory.toldNoBatchNumber = false;
    return true;
  }
  if (!memory.toldNoBatchNumber) {
    memory.toldNoBatchNumber = true;
    const CMaterial& material = g_materials[static_cast<std::size_t>(devices.material)];
    ShowMessageBoxWithoutWaiting(MakeNoBatchNumberText(i + 1, material.GetName(), GetMixerName(devices.mixer)),
                                 kNoBatchNumberCaption, MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL);
  }
  return false;
}

// ---------------------------------------------------------------- interface

void CDosingStateMachine::BeginPass() { m_claimed.clear(); }

void CDosingStateMachine::DoDosingStep(const CRecipeStepInfo& step, std::string& report) {
  const int material = step.GetMaterialIndex();
  if (material < 0 || material >= kChargedMaterialCount) return;
  const CMaterial& found = g_materials[static_cast<std::size_t>(material)];
  report += found.GetName();
  report += ":";
  report += ruv::Format("%.02f", static_cast<double>(GetShapeAttribFloat(found.GetChargePumpId(), eCodeLoadInWay)));
  report += ",  ";

  const int i = step.GetStepID() - 1;
  const Devices devices = DevicesOf(step);
  if (i < 0 || i >= kStepCount || !devices.valid) return;
  CProcessEngineApp& engine = GetProcessEngine();
  // Each test sees the phase the one before may just have set.
  if (engine.GetStepPhase(i) == ePhaseStart) TryStartCharging(i, step, devices);
  if (StepMemory& memory = m_memory[static_cast<std::size_t>(i)]; memory.resume) {
    const int phase = engine.GetStepPhase(i);
    // A step the recipe dialog moved on meanwhile has nothing to take up again.
    if (phase == ePhaseCharging || phase == ePhaseDischarging)
      TryResume(i, phase, step, devices);
    else
      memory.resume = false;
  }
  if (engine.GetStepPhase(i) == ePhaseCharging) TryEndCharging(i, step, devices);
  if (engine.GetStepPhase(i) == ePhaseFirstDelay) TryEndFirstDelay(i, devices);
  if (engine.GetStepPhase(i) == ePhaseSecondDelay) TryBook(i, devices);
  if (engine.GetStepPhase(i) == ePhaseCharged) TryStartDischarge(i, step, devices);
  if (engine.GetStepPhase(i) == ePhaseDischarging) TryEndDischarge(i, devices);
  if (engine.GetStepPhase(i) == ePhaseRunOn) TryEndRunOn(i, devices);
  // A step whose charge went into another mixer by hand does not end short of
  // its dose: it charges again, from this pass on (never charging with its pump off).
  if (engine.GetStepPhase(i) == ePhaseDischarged) {
    if (!ChargeAgainWhatWentElsewhere(i, step, devices))
      Advance(i, ePhaseDischarged, ePhaseEnded);
    else if (engine.GetStepPhase(i) == ePhaseStart)
      TryStartCharging(i, step, devices);
  }
}

template <class Action>
void CDosingStateMachine::ForEachStepInPhases(int phaseFrom, int phaseTo, Action action) {
  if (!m_run) return;
  CProcessEngineApp& engine = GetProcessEngine();
  for (int i = 0; i < kStepCount; ++i) {
    const CRecipeStepInfo& step = m_run->GetStep(i);
    const Devices devices = DevicesOf(step);
    const int phase = engine.GetStepPhase(i);
    if (IsUsedAutomaticStep(step) && devices.valid && phase >= phaseFrom && phase <= phaseTo) action(i, devices);
  }
}

bool CDosingStateMachine::TakeHoldRequest() {
  const bool requested = m_holdRequested;
  m_holdRequested = false;
  return requested;
}

void CDosingStateMachine::OnStart() {
  m_holdRequested = false;
  for (StepMemory& memory : m_memory) {
    memory.onRefused = false;
    memory.resume = false;
    memory.toldFull = false;
    memory.toldLeftInWeigher = false;
    memory.toldValvesOpen = false;
    memory.toldStoppedByHand = false;
  }
  // The Demo may have started its levels again meanwhile: what a charge lost is charged again.
  ForEachStepInPhases(ePhaseFirstDelay, ePhaseDischarging, [this](int i, const Devices& devices) {
    ChargeAgainWhatWentElsewhere(i, m_run->GetStep(i), devices);
  });
  const auto resume = [this](int i, const Devices&) { m_memory[static_cast<std::size_t>(i)].resume = true; };
  ForEachStepInPhases(ePhaseCharging, ePhaseCharging, resume);
  ForEachStepInPhases(ePhaseDischarging, ePhaseDischarging, resume);
}

void CDosingStateMachine::OnStop() {
  ForEachStepInPhases(ePhaseCharging, ePhaseSecondDelay, [this](int i, const Devices& devices) {
    StepMemory& memory = m_memory[static_cast<std::size_t>(i)];
    const bool charging = GetProcessEngine().GetStepPhase(i) == ePhaseCharging;
    // A pump that would not go off is still charging: its part is booked later.
    if (charging && !SwitchPumpOff(devices)) return;
    if (!PartOpen(i)) return;
    BookOpenPart(i, devices);
    // A charge that reached its dose and was settling still teaches the run-on.
    if (charging) memory.disturbed = true;
  });
}

void CDosingStateMachine::BookCutCharges() {
  ForEachStepInPhases(ePhaseCharging, ePhaseSecondDelay, [this](int i, const Devices& devices) {
    if (!PartOpen(i)) return;
    BookOpenPart(i, devices);
    m_memory[static_cast<std::size_t>(i)].disturbed = true;
  });
}

bool CDosingStateMachine::HasHeldStep() const {
  if (!m_run) return false;
  CProcessEngineApp& engine = GetProcessEngine();
  for (int i = 0; i < kStepCount; ++i) {
    const StepMemory& memory = m_memory[static_cast<std::size_t>(i)];
    if ((memory.endedFull || memory.heldByHand) && engine.GetStepPhase(i) == ePhaseCharging) return true;
  }
  return false;
}

void CDosingStateMachine::OnRunEnd() {
  for (const StepMemory& memory : m_memory) GetMaterialLedger().Release(memory.parts);
  m_memory.fill(StepMemory{});
  m_claimed.clear();
  m_holdRequested = false;
}
