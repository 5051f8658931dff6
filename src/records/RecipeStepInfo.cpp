#include "records/RecipeStepInfo.h"

#include "common/Conversions.h"
#include "common/XmlDocument.h"
#include "records/MaterialNames.h"

CRecipeStepInfo::CRecipeStepInfo() { CRecipeStepInfo::Reset(); }

CRecipeStepInfo::CRecipeStepInfo(const CRecipeStepInfo& other) : CRecipeStepInfo() { CRecipeStepInfo::CopyFrom(other); }

void CRecipeStepInfo::Reset() {
  m_bStpIsActv = false;
  m_nPrEndStpNmbr = 0;
  m_nSmulStrtStpNmbr = 0;
  m_bStpHasDisChrg = false;
  m_bIsManualDosing = false;
  m_eMixerNumber = -1;
  m_nMaterialIndex = kNoMaterial;
  m_fDose = 0.0f;
}

void CRecipeStepInfo::CopyFrom(const CRecipeStepInfo& other) {
  Reset();
  m_bStpIsActv = other.m_bStpIsActv;
  m_nPrEndStpNmbr = other.m_nPrEndStpNmbr;
  m_nSmulStrtStpNmbr = other.m_nSmulStrtStpNmbr;
  m_bStpHasDisChrg = other.m_bStpHasDisChrg;
  m_bIsManualDosing = other.m_bIsManualDosing;
  m_eMixerNumber = other.m_eMixerNumber;
  m_nMaterialIndex = other.m_nMaterialIndex;
  m_fDose = other.m_fDose;
}

int CRecipeStepInfo::WriteXml(std::string& text) const {
  CXmlDocument document;
  document.AddElement(kStepElement);
  const int element = document.GetCurrentPos();
  auto flag = [](bool value) { return value ? "1" : "0"; };
  document.SetAttribute(element, "nStepID", IntToText(m_nStepID));
  document.SetAttribute(element, "bStpIsActv", flag(m_bStpIsActv));
  document.SetAttribute(element, "nPrEndStpNmbr", IntToText(m_nPrEndStpNmbr));
  document.SetAttribute(element, "nSmulStrtStpNmbr", IntToText(m_nSmulStrtStpNmbr));
  document.SetAttribute(element, "bStpHasDisChrg", flag(m_bStpHasDisChrg));
  document.SetAttribute(element, "bIsManualDosing", flag(m_bIsManualDosing));
  document.SetAttribute(element, "eMixerNumber", IntToText(m_eMixerNumber));
  document.SetAttribute(element, "strMatrialName", GetMaterialNameByIndex(m_nMaterialIndex));
  document.SetAttribute(element, "fDose", FloatToText(m_fDose));
  text = document.GetDocText();
  return 1;
}

int CRecipeStepInfo::ReadXml(const std::string& text) {
  Reset();
  if (text.empty()) return 1;
  CXmlDocument document;
  document.SetDocText(text);  // whatever the parser finds is used
  if (!document.FindElement(kStepElement)) return 1;
  const int element = document.GetCurrentPos();
  auto attribute = [&](const char* name) { return document.GetAttribute(element, name); };
  SetStepID(TextToInt(attribute("nStepID")));
  m_bStpIsActv = TextToBool(attribute("bStpIsActv"));
  m_nPrEndStpNmbr = TextToInt(attribute("nPrEndStpNmbr"));
  m_nSmulStrtStpNmbr = TextToInt(attribute("nSmulStrtStpNmbr"));
  m_bStpHasDisChrg = TextToBool(attribute("bStpHasDisChrg"));
  m_bIsManualDosing = TextToBool(attribute("bIsManualDosing"));
  m_eMixerNumber = TextToInt(attribute("eMixerNumber"));
  m_nMaterialIndex = GetMaterialIndexByName(attribute("strMatrialName"));
  m_fDose = TextToFloat(attribute("fDose"));
  return 1;
}
