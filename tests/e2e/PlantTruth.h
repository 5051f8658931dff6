#pragma once
// Where the material went, read from the Demo's plant and never from the
// records: the walk samples the vessels' levels around the Demo's move in
// every pass, and the batch number each mixer had in that pass.
//  - per material with a source tank, what left the tank in passes;
//  - per mixer and batch number, what entered the mixer while that number was
//    its batch (the mixer's level gain in the pass: batchers' discharges and
//    water); after a shift change the batch still open there;
//  - per batcher, what left it outside a pass (the Demo starting its levels
//    again, a restart of the program, a lowered maximum): material that left
//    the plant without entering a mixer.
// The levels are single-precision values the Demo moves a few times a pass;
// `Rounding` bounds what their rounding may have added to the sums.
#include <array>
#include <map>
#include <utility>

#include "plant/PlantModel.h"

class PlantTruth {
 public:
  // Takes the plant as it stands as the start: nothing has moved yet.
  void Reset();
  // Just before the Demo moves material in a pass: what changed since the
  // last look happened outside a pass; the mixers' batch numbers are read.
  void BeforeMove();
  // Just after the Demo moved material: the pass's changes are credited.
  void AfterMove();
  // At a quiet point: changes since the last pass (a data source change, a
  // close and start again, a lowered maximum) are taken as outside a pass.
  void Look() { TakeOutsideChanges(); }
  // The shift changed: the new shift has no batch numbers, and what enters a
  // mixer belongs to the batch still open there (the program credits a
  // discharge or water charge under way to the batch it began with) until the
  // shift gives that mixer a number.
  void KeepBatchesOpen() { m_carried = m_batch; }

  // What left `material`'s source tank in passes; false when the material
  // has no tank or its tank ran empty (the Demo then fills from outside).
  bool TankLoss(int material, double& kg) const;
  // Kilograms that entered each mixer (0..3) by batch number (0: none).
  const std::map<std::pair<int, int>, double>& Entered() const { return m_entered; }
  double EnteredTotal() const;
  // Kilograms that left batchers outside a pass (vanished from the plant).
  double Vanished() const { return m_vanished; }
  // A bound of the single-precision rounding in the sums above.
  double Rounding() const { return m_rounding; }

 private:
  static constexpr int kTracked = ePlantMixer4 + 1;  // tankers, batchers, mixers
  void TakeOutsideChanges();
  static std::array<float, kTracked> ReadLevels();

  std::array<float, kTracked> m_last{};
  std::array<int, kPlantMixerCount> m_batch{};
  std::array<int, kPlantMixerCount> m_carried{};  // open batches a shift change left without a number
  std::map<int, double> m_tankLoss;  // by material
  std::map<int, bool> m_tankRanDry;  // by material
  std::map<std::pair<int, int>, double> m_entered;
  double m_vanished = 0.0;
  double m_rounding = 0.0;
};
