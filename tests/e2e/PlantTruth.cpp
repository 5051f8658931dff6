#include "e2e/PlantTruth.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/EngineTables.h"
#include "records/ShiftRS.h"

namespace {

// The Demo sets a level at most sixteen times a pass (a batcher: two
// materials charged and discharged in each of four mixer loops; a mixer nine,
// a tank four); each set rounds to a float by half a unit of the larger level.
constexpr double kSetsPerPass = 16.0;

double RoundingOf(float before, float after) {
  const float larger = std::max(std::fabs(before), std::fabs(after));
  const float ulp = std::nextafter(larger, std::numeric_limits<float>::infinity()) - larger;
  return kSetsPerPass * 0.5 * static_cast<double>(ulp);
}

bool IsBatcher(int vessel) { return vessel >= ePlantBatcher01 && vessel <= ePlantBatcher05; }

}  // namespace

std::array<float, PlantTruth::kTracked> PlantTruth::ReadLevels() {
  std::array<float, kTracked> levels{};
  for (int vessel = 0; vessel < kTracked; ++vessel)
    levels[static_cast<std::size_t>(vessel)] = g_vessels[static_cast<std::size_t>(vessel)].GetAttribFloat(eVesselLevel);
  return levels;
}

void PlantTruth::Reset() {
  *this = PlantTruth();
  m_last = ReadLevels();
}

void PlantTruth::TakeOutsideChanges() {
  const std::array<float, kTracked> now = ReadLevels();
  for (int vessel = ePlantBatcher01; vessel <= ePlantBatcher05; ++vessel) {
    const double drop = static_cast<double>(m_last[static_cast<std::size_t>(vessel)]) - now[static_cast<std::size_t>(vessel)];
    if (drop > 0.0) m_vanished += drop;
  }
  m_last = now;
}

void PlantTruth::BeforeMove() {
  TakeOutsideChanges();
  const CShiftRS* shift = g_pShiftRS.load();
  for (std::size_t mixer = 0; mixer < m_batch.size(); ++mixer) {
    const int number = shift ? std::max(0, shift->GetActiveMixerBatchNumber(static_cast<int>(mixer), false)) : 0;
    if (number > 0) m_carried[mixer] = 0;
    m_batch[mixer] = number > 0 ? number : m_carried[mixer];
  }
}

void PlantTruth::AfterMove() {
  const std::array<float, kTracked> now = ReadLevels();
  const auto change = [&](int vessel) {
    return static_cast<double>(now[static_cast<std::size_t>(vessel)]) - m_last[static_cast<std::size_t>(vessel)];
  };
  for (int material = 0; material < kChargedMaterialCount; ++material) {
    const PlantObjectId tank = g_materials[static_cast<std::size_t>(material)].GetSourceTankerId();
    if (tank == kNoPlantObject) continue;
    const int vessel = static_cast<int>(tank & 0xFF);
    const double loss = -change(vessel);
    if (loss == 0.0) continue;
    m_tankLoss[material] += loss;
    m_rounding += RoundingOf(m_last[static_cast<std::size_t>(vessel)], now[static_cast<std::size_t>(vessel)]);
    const C_Vessel& tanker = g_vessels[static_cast<std::size_t>(vessel)];
    if (!(tanker.GetAttribFloat(eVesselMinVluLevel) < now[static_cast<std::size_t>(vessel)]))
      m_tankRanDry[material] = true;
  }
  for (int mixer = 0; mixer < kPlantMixerCount; ++mixer) {
    const int vessel = ePlantMixer1 + mixer;
    const double gain = change(vessel);
    if (gain == 0.0) continue;
    m_entered[{mixer, m_batch[static_cast<std::size_t>(mixer)]}] += gain;
    m_rounding += RoundingOf(m_last[static_cast<std::size_t>(vessel)], now[static_cast<std::size_t>(vessel)]);
  }
  for (int vessel = 0; vessel < kTracked; ++vessel)
    if (IsBatcher(vessel) && change(vessel) != 0.0)
      m_rounding += RoundingOf(m_last[static_cast<std::size_t>(vessel)], now[static_cast<std::size_t>(vessel)]);
  m_last = now;
}

bool PlantTruth::TankLoss(int material, double& kg) const {
  if (g_materials[static_cast<std::size_t>(material)].GetSourceTankerId() == kNoPlantObject) return false;
  if (m_tankRanDry.count(material) != 0) return false;
  const auto found = m_tankLoss.find(material);
  kg = found == m_tankLoss.end() ? 0.0 : found->second;
  return true;
}

double PlantTruth::EnteredTotal() const {
  double total = 0.0;
  for (const auto& [key, kg] : m_entered) total += kg;
  return total;
}
