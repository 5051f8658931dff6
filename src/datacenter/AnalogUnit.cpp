#include "datacenter/AnalogUnit.h"

#include "datacenter/ConfigurationBoxes.h"
#include "datacenter/DCTag.h"
#include "datacenter/RAttribsPack.h"
#include "platform/base/ExitHook.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"

namespace {

constexpr UINT kQuestionStyle = MB_YESNOCANCEL | MB_ICONSTOP | MB_SYSTEMMODAL;

// A tag that a hardware link fills.
bool IsHardwareMapped(const CDCTag* tag) { return tag && tag->GetHWType() != eHWNull; }

const CDCTag* BoundTag(const CRAttrib* attrib) { return attrib ? attrib->GetDCTag() : nullptr; }

}  // namespace

CAnalogUnit::CAnalogUnit(CRAttribsPack* owner) : m_owner(owner) {}

CAnalogUnit::~CAnalogUnit() = default;

std::string CAnalogUnit::GetName() const {
  std::lock_guard<std::mutex> lock(m_textMutex);
  return m_name;
}

void CAnalogUnit::SetName(const std::string& name) {
  std::lock_guard<std::mutex> lock(m_textMutex);
  m_name = ruv::Trim(name);
}

std::string CAnalogUnit::GetUnitText() const {
  std::lock_guard<std::mutex> lock(m_textMutex);
  return m_unitText;
}

void CAnalogUnit::SetUnitText(const std::string& text) {
  std::lock_guard<std::mutex> lock(m_textMutex);
  m_unitText = text;
}

bool CAnalogUnit::CheckAutoCalcConfig() {
  if (m_settled.load() || !m_owner) return m_autoCalc.load();
  const int index = GetAttribIndex();
  const CRAttrib* physical = m_owner->GetAttrib(index);
  const bool physicalMapped = IsHardwareMapped(BoundTag(physical));
  const std::string device = m_owner->GetSectionName();
  const std::string attribName = physical ? physical->GetName() : std::string();

  if (m_autoCalc.load()) {
    if (!physicalMapped) return true;
    m_autoCalc.store(false);
    m_settled.store(true);
    const std::string text = ruv::Format(
        "Invalid internal hard code configuration!\n\nThe following Psychical-Value Attrib is configured to be "
        "calculated from Port-Value Attrib within RuvFrame in PC.\nAnd also the mentioned Psychical-Value Attrib is "
        "assigned to a HW mapped DC-Tag.\nThis situation makes concurrent (and unstable) calculation for the "
        "Psychical-Value Attrib.\nPlease change internal configuration (recommended) or remove Tag assignment from "
        "Psychical-Value Attrib.\n\nDeviceName: [%s]\nAttribName: [%s]\n",
        device.c_str(), attribName.c_str());
    if (ShowMessageBox(text, "", kConfigPromptStyle) == IDCANCEL) RequestProcessExit(ATTRIB_CONFIG_EXIT_CODE);
    return false;
  }
  if (physicalMapped) return false;
  const int portIndex = m_owner->GetAnalogGroupAttrib(index, eAnalogPort);
  if (!IsHardwareMapped(BoundTag(m_owner->GetAttrib(portIndex)))) return false;
  const std::string text = ruv::Format(
      "Invalid internal hard code configuration!\n\nThe following Psychical-Value Attrib is NOT configured to be "
      "calculated from Port-Value Attrib within RuvFrame in PC.\nBecause the mentioned Psychical-Value Attrib is NOT "
      "assigned to a HW mapped DC-Tag.\nPlease change internal configuration (recommended) or assign a Tag to "
      "Psychical-Value Attrib.\nDo you want to set bAutoCalcPhyValueFromPortValue flag for the following "
      "Psychical-Value Attrib?\n\nDeviceName: [%s]\nAttribName: [%s]\n",
      device.c_str(), attribName.c_str());
  const int answer = ShowMessageBox(text, "", kQuestionStyle);
  if (answer == IDCANCEL) {
    RequestProcessExit(ATTRIB_CONFIG_EXIT_CODE);
    return false;
  }
  if (answer == IDYES) m_autoCalc.store(true);
  m_settled.store(true);
  return m_autoCalc.load();
}
