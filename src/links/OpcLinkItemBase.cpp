#include "links/OpcLinkItemBase.h"

#include "common/TimeAndKeys.h"
#include "datacenter/DCTag.h"
#include "datacenter/DCTagTypes.h"
#include "datacenter/DataCenterBase.h"
#include "platform/base/ExitHook.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"

VARTYPE COpcLinkItemBase::NormalizeVarType(VARTYPE type) const {
  return type == VT_I2 || type == VT_UI2 ? static_cast<VARTYPE>(VT_I4) : type;
}

void COpcLinkItemBase::SetValueType(VARTYPE type) {
  if (m_tag && !IsShiftKeyDown()) {
    const VARTYPE tagType = m_tag->GetDataType();
    // Both sides normalised: a 16-bit item serving a 16-bit tag is no mismatch either.
    if (NormalizeVarType(type) != NormalizeVarType(tagType)) {
      std::string text = ruv::Format(
          "The data types of the DataCenter tag and the link item are different!\n\n"
          "DataCenter tag type: %s\nLink item type: %s\n\n"
          "Please update the DataCenter file or the link's configuration.\n\n",
          VarTypeToText(tagType).c_str(), VarTypeToText(type).c_str());
      text += m_tag->GetInfoText();
      AppendClipboardTips(text, "DataCenter TagName", m_tag->GetTagName());
      if (ShowMessageBox(text, "", MB_OKCANCEL | MB_ICONSTOP | MB_SYSTEMMODAL) == IDCANCEL) {
        RequestProcessExit(123);
        return;
      }
    }
  }
  if (m_value.vt == VT_EMPTY && type != VT_EMPTY) {
    Variant zero;
    if (SUCCEEDED(VariantChangeType(zero, Variant(), type))) {
      m_value = zero;
    } else {
      m_value.vt = type;  // an array type: an empty array of it
    }
  }
}

void COpcLinkItemBase::SetReading(BOOL reading) {
  m_reading = reading;
  if (!reading && m_tag) m_tag->SetReadPending(FALSE);
}

void COpcLinkItemBase::SetWriting(BOOL writing) {
  m_writing = writing;
  if (!writing && m_tag) m_tag->SetWritePending(FALSE);
}
