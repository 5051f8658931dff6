#include "plant/Material.h"

CMaterial::CMaterial(const Definition& definition) : m_name(definition.name), m_unit(definition.unit) {
  CMaterial::Reset();
  m_index.store(definition.index);
  m_code.store(definition.code);
  m_chargePump.store(definition.chargePump);
  m_secondPump.store(definition.chargePump);
  m_firstDelayMs.store(definition.firstDelayMs);
  m_secondDelayMs.store(definition.secondDelayMs);
  m_sourceTanker.store(definition.sourceTanker);
  m_dischargeValve.store(definition.dischargeValve);
  m_weigher.store(definition.weigher);
  for (std::size_t k = 0; k < m_dirValves.size(); ++k) m_dirValves[k].store(definition.dirValves[k]);
}

CMaterial::~CMaterial() = default;

void CMaterial::Reset() {
  m_index.store(-1);
  m_code.store(-1);
  m_chargePump.store(kNoPlantObject);
  m_secondPump.store(kNoPlantObject);
  m_firstDelayMs.store(-1);
  m_secondDelayMs.store(-1);
  m_sourceTanker.store(kNoPlantObject);
  m_dischargeValve.store(kNoPlantObject);
  m_weigher.store(kNoPlantObject);
  for (auto& valve : m_dirValves) valve.store(kNoPlantObject);
  m_total.store(0.0f);
}

std::string CMaterial::GetName() const {
  std::lock_guard<std::mutex> lock(m_textMutex);
  return m_name;
}

void CMaterial::SetName(const std::string& name) {
  std::lock_guard<std::mutex> lock(m_textMutex);
  m_name = name;
}

std::string CMaterial::GetUnit() const {
  std::lock_guard<std::mutex> lock(m_textMutex);
  return m_unit;
}

PlantObjectId CMaterial::GetDirValveId(int mixer) const {
  if (mixer < 0 || mixer >= kMixerCount) return kNoPlantObject;
  return m_dirValves[static_cast<std::size_t>(mixer)].load();
}
