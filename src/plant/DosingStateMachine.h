#pragma once
// The dosing of one recipe step of a real material (0..8), a few phases per
// call on the process cycle: charge the batcher (or, for water, the mixer) with
// the material's pump until the weighed amount reaches the dose less the pump's
// learnt in-flight amount ("LoadInWay"), let it settle, book it into the active
// shift and the material, learn the in-flight amount, and discharge into the
// step's mixer when the step asks for it.
//
// Phases: 0 not started, 1 charging, 2 and 3 settling, 4 charged, 5 and 6
// discharging, 7 discharged, 11 ended. Every phase change goes through the
// process engine (its stopwatch times the delays); a step the recipe dialog
// moved meanwhile is left where the dialog put it.
//
// Rules kept on top of the phases:
//  - Every command is read back after its store (the plant form may refuse it,
//    a tag being read drops it). A command that did not take does not move the
//    phase on. Off and close commands are repeated each pass until they take;
//    a refused open or switch-on is not repeated before the next Start.
//  - A step never disturbs a weighing: it does not start charging while another
//    step weighs with the same pump or into the same weigher (nor, for water,
//    while its mixer is being discharged into), and it does not discharge while
//    its batcher, or water into its mixer, is being weighed. Steps waiting in
//    phase 0 to open valves for the same pump or weigher go one at a time, the
//    first in step order first.
//  - Materials 1..8 start charging, or charge on after a Start, only while
//    their batcher's discharge valve and its four direction valves all report
//    closed; valves no step of the run opened are named to the operator.
//  - A direction valve towards a mixer without a batch number is not opened:
//    the step waits, so the operator is never asked from inside a store.
//  - A step does not start charging a weigher that is full already: the
//    process is to be stopped and the operator told, as below.
//  - A weigher that gets full before the dose is in switches the pump off and
//    holds the run: the step stays charging (nothing discharged), what it
//    charged so far is booked, the process is to be stopped (TakeHoldRequest)
//    and the operator is told once per Start. The next Start charges what the
//    dose still lacks, from the weigher's level then (the operator may have
//    emptied it by hand meanwhile).
//  - Each pump start is a part of the charge, an entry of the material
//    ledger (MaterialLedger.h), which reads the part's end once: its Event2
//    row and the shift's booking tell that one amount. A part is booked when
//    the charge settled, or when its pump went off without the dose being
//    in: at a hold, at a Stop (the settling phases too), when a run is given
//    up and when the program closes. Only a charge that reached its dose in
//    one go, and charged something, teaches the in-flight amount.
//  - A dose that does not fit under the weigher's maximum is charged up to
//    the maximum and held there, as a weigher that got full.
//  - A pump switched off, or a discharge valve closed, by hand under a step
//    holds the run: what was charged is booked, the operator is told once,
//    and the next Start takes the step up again.
//  - A pump left running by hand is switched off before a step starts it:
//    its charge is the operator's, on a row of its own.
//  - A batcher that holds material no step of the run charged (a given-up
//    run's, or put in by hand) is not charged on: the process is to be stopped
//    and the operator is told once per Start to empty it by hand.
//  - A step that waits for a mixer's batch number says so once per wait.
//  - A Start after a Stop opens again what a step in phase 1 (its charge path
//    and pump) or phase 5 (direction and discharge valves) needs, a pass at a
//    time: a change of data source in between switched every output off.
//  - Material of a step's charge that went into another mixer (by hand) or
//    left the plant into none (the Demo started its levels again) counts as
//    never charged: a step that lost some charges again what its dose still
//    lacks, at the next Start (phases 2 to 5) or before it ends. It goes back
//    to phase 0 and starts as a first start does (a water valve reports open
//    before the pump goes on). The lost part stays booked, on its own row, as
//    what was charged.
//
// The process cycle's thread alone uses an instance.
#include <array>
#include <atomic>
#include <string>
#include <vector>

#include "common/PlantObjectId.h"
#include "plant/Material.h"
#include "plant/MaterialLedger.h"
#include "records/RecipeRS.h"

class CDosingStateMachine {
 public:
  static constexpr int kStepCount = CRecipeRS::kStepCount;
  // The in-flight amount never exceeds this share of the dose: 0.7 as a
  // single-precision value used in double precision.
  static constexpr double kLeadLimitFactor = static_cast<double>(0.7f);
  // Charging stops once the amount still missing is at most this share.
  static constexpr double kStopThreshold = 0.001;
  static constexpr unsigned kDischargeRunOnMs = 5000;

  // The run's steps, which the rules between steps look at (null: none; the
  // set must outlive its use). Given by the supervisor when a run starts.
  void SetRunSteps(const CRecipeRS::CSTFields* run) { m_run = run; }
  // A new pass of the process cycle: nobody waits for a pump or weigher yet.
  void BeginPass();
  // Advances the step as far as it can go in this call and appends to the
  // report its material's name and the pump's in-flight amount.
  void DoDosingStep(const CRecipeStepInfo& step, std::string& report);

  // A Start confirmed by the operator: refusals are forgotten, and the run's
  // steps still charging (phase 1) or discharging (phase 5) get their outputs
  // back from the next DoDosingStep on.
  void OnStart();
  // The first pass after a Stop: the pumps of the run's steps still charging
  // are switched off, once, and what they and the settling steps charged is
  // booked; their phases stay.
  void OnStop();
  // The run ended: everything remembered about its steps is forgotten.
  void OnRunEnd();
  // The program closes, or a Start gives the run up for another recipe, with
  // the run's steps where they are: what a charge (phases 1 to 3) gained since
  // its last booking is booked now (the in-flight amount learns nothing from a
  // cut charge). On the process cycle, or once it has ended.
  void BookCutCharges();
  // Whether a step of the run holds at a full weigher.
  bool HasHeldStep() const;

  // Whether a step asked in this pass for the process to stop (a full
  // weigher, or a batcher holding what the run did not charge); the request
  // is cleared by asking.
  bool TakeHoldRequest();
  bool IsHoldRequested() const { return m_holdRequested; }

  // A step's precondition: 0 (none) holds, step 1..30 must have ended (phase
  // 11), and any other number never holds.
  static bool PreconditionHolds(int stepNumber);

  // The box shown once when a weigher got full while charging.
  static std::string MakeFullWeigherText(int stepNumber, const std::string& material, const std::string& vessel);
  static constexpr const char* kFullWeigherCaption = "Dosing";
  // The box shown once when a step waits for its mixer's batch number.
  static std::string MakeNoBatchNumberText(int stepNumber, const std::string& material, const std::string& mixer);
  static constexpr const char* kNoBatchNumberCaption = "Dosing";
  // The box shown once per Start when a step's batcher still holds material no
  // step of the run charged (left by a given-up run or put in by hand).
  static std::string MakeLeftInWeigherText(int stepNumber, const std::string& material, const std::string& vessel,
                                           float amount);
  static constexpr const char* kLeftInWeigherCaption = "Dosing";
  // The box shown once per Start when a step cannot charge because its
  // batcher's discharge or direction valves were left open by hand.
  static std::string MakeValvesOpenText(int stepNumber, const std::string& material, const std::string& vessel);
  static constexpr const char* kValvesOpenCaption = "Dosing";
  // The box shown once per Start when a step's pump was switched off, or its
  // discharge valve closed, by hand: the run holds until the next Start.
  static std::string MakePumpStoppedText(int stepNumber, const std::string& material);
  static std::string MakeDischargeClosedText(int stepNumber, const std::string& material, const std::string& vessel);
  static constexpr const char* kStoppedByHandCaption = "Dosing";
  // Material a batcher holds beyond this (and beyond its low alarm), of no
  // step of the run, is another charge.
  static constexpr float kOtherChargeThreshold = 0.1f;

  // Whether a used automatic step that has not ended charges water into
  // `mixer` or discharges into it: of the run's copy while a run holds one,
  // else of the active recipe. Any thread (holds no lock across the engine).
  static bool RunDosesIntoMixer(int mixer);

 private:
  // What the machine keeps about one step between calls.
  struct StepMemory {
    bool onRefused = false;         // an open or switch-on was refused in this Start
    // The material ledger's entries of the step's charge, one per pump start
    // (a charge held and taken up again has several); the ledger holds their levels.
    std::vector<CMaterialLedger::EntryId> parts;
    bool disturbed = false;         // held, stopped, resumed or reset: teaches nothing
    bool learnt = false;            // the in-flight amount learnt from this charge
    double dosedAgainst = 0.0;      // the dose its pump was stopped for
    double elsewhereTakenUp = 0.0;  // of its charge gone elsewhere than its mixer, what was taken up
    bool chargeAgain = false;       // back in its start phase to charge what went elsewhere
    bool endedFull = false;         // charging was held at the weigher's maximum
    bool heldByHand = false;        // its pump was switched off by hand: held
    bool toldStoppedByHand = false; // told in this Start that a pump or valve went off by hand
    bool toldFull = false;          // the operator was told so in this Start
    bool toldLeftInWeigher = false; // told in this Start that the batcher holds another charge
    bool toldValvesOpen = false;    // told in this Start that the batcher's valves stand open
    PlantObjectId closeAgain = kNoPlantObject;  // a direction valve to close again (its discharge valve refused)
    bool resume = false;            // a Start asked for the step's outputs again
    bool toldNoBatchNumber = false; // the wait for a batch number was shown
  };
  // The devices of one step; `valid` is false for a material outside 0..8 or a
  // mixer outside 0..3, and such a step touches nothing.
  struct Devices {
    bool valid = false;
    int material = -1;
    int mixer = -1;
    PlantObjectId pump = kNoPlantObject;
    PlantObjectId weigher = kNoPlantObject;
    PlantObjectId mixerVessel = kNoPlantObject;
    PlantObjectId dischargeValve = kNoPlantObject;
    PlantObjectId dirValve = kNoPlantObject;
    PlantObjectId waterValve = kNoPlantObject;  // water and Water-Ex: the valve they charge through
  };
  enum class Store { Took, Dropped, Refused };

  static Devices DevicesOf(const CRecipeStepInfo& step);
  static Store StoreCommand(PlantObjectId id, bool on);
  static bool HasBatchNumber(int mixer);
  static bool StartInterlockPasses(const Devices& devices);
  // Whether step `i` must wait to charge because its batcher's valves are
  // open; when no step of the run opened them the operator is told once.
  bool ValvesKeepStepWaiting(int i, const Devices& devices);
  static void BookCharge(int material, float amount);
  // Books the parts of step `i`'s charge not booked yet (none: 0).
  float BookOpenPart(int i, const Devices& devices);
  // Step `i`'s last part (0: none), and whether it is not booked yet.
  CMaterialLedger::EntryId LastPart(int i) const;
  bool PartOpen(int i) const;
  // What step `i` still has to charge of its dose.
  double StillLacking(int i, const CRecipeStepInfo& step) const;
  // Kilograms of step `i`'s charge that went into no mixer or another than `mixer`.
  double WentElsewhere(int i, int mixer) const;
  // When more of the step's charge went elsewhere than was taken up, and its
  // dose lacks some now, the step goes back to its start phase to charge it (true).
  bool ChargeAgainWhatWentElsewhere(int i, const CRecipeStepInfo& step, const Devices& devices);
  // Whether the step's batcher holds, or is being charged by hand with,
  // another charge: the hand pumps go off, the run holds and the operator is
  // told once per Start.
  bool RefuseOtherCharge(int i, const Devices& devices);
  // Kilograms in the step's batcher that no step of the run charged.
  float OtherChargeIn(const Devices& devices) const;
  // Switches the step's pump on for a new part of its charge, whose ledger
  // entry is the step's.
  bool StartPumpForPart(int i, const Devices& devices);
  // Every pump charging into `weigher` (run by hand: no step of the run
  // charges a weigher that holds another charge) off.
  void SwitchOffPumpsInto(PlantObjectId weigher);
  // The step's pump off; the ledger knows its charge stopped.
  bool SwitchPumpOff(const Devices& devices);
  // The operator switched the step's pump off, or closed its discharge
  // valve, by hand: what it charged is booked and the run holds.
  void HoldStoppedByHand(int i, const Devices& devices, bool discharging);
  // A pump left running by hand has a charge and a row of its own: it goes
  // off before a step runs it (true: it was on).
  bool SwitchOffHandPump(const Devices& devices);

  // The phases; each answers whether the step moved on.
  bool TryStartCharging(int i, const CRecipeStepInfo& step, const Devices& devices);
  bool TryEndCharging(int i, const CRecipeStepInfo& step, const Devices& devices);
  bool TryEndFirstDelay(int i, const Devices& devices);
  bool TryBook(int i, const Devices& devices);
  // The pump's in-flight amount learnt from the step's charge, once, when it reached its dose in one go.
  void LearnFromCharge(int i, const Devices& devices);
  bool TryStartDischarge(int i, const CRecipeStepInfo& step, const Devices& devices);
  bool TryEndDischarge(int i, const Devices& devices);
  bool TryEndRunOn(int i, const Devices& devices);
  // After a Start, phase 1 or 5: the outputs the phase runs with, switched on again.
  bool TryResume(int i, int phase, const CRecipeStepInfo& step, const Devices& devices);
  // The process is to stop for step `i`'s full weigher; the operator is told once per Start.
  void TellFull(int i, const Devices& devices);
  // The step's mixer has a batch number; without one the operator is told once.
  bool HasBatchNumberOrTell(int i, const Devices& devices);

  // Another step of the run, in `phaseFrom`..`phaseTo`, that `matches` says about.
  template <class Match>
  bool AnyOtherStep(int i, int phaseFrom, int phaseTo, Match matches) const;
  // An open or switch-on; a refusal is remembered for the rest of the Start.
  bool SwitchOn(int i, PlantObjectId id);
  // Whether a step may not discharge while `devices` are being weighed into.
  bool DischargeMustWait(int i, const Devices& devices) const;
  // Whether a step may not start charging.
  bool ChargingMustWait(int i, const Devices& devices) const;
  bool Advance(int i, int from, int to);
  // Runs `action` (step index, devices) for each of the run's used automatic
  // steps whose phase is in `phaseFrom`..`phaseTo`.
  template <class Action>
  void ForEachStepInPhases(int phaseFrom, int phaseTo, Action action);

  const CRecipeRS::CSTFields* m_run = nullptr;
  std::array<StepMemory, kStepCount> m_memory{};
  // Pumps and weighers claimed in this pass by a step opening its way in phase 0.
  std::vector<PlantObjectId> m_claimed;
  bool m_holdRequested = false;
};
