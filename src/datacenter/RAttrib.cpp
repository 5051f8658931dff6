#include "datacenter/RAttrib.h"

#include <cstdint>

#include "common/CommonUtils.h"
#include "datacenter/ConfigurationBoxes.h"
#include "datacenter/DCTag.h"
#include "datacenter/DataCenterBase.h"
#include "datacenter/EngineServices.h"
#include "datacenter/RAttribsPack.h"
#include "platform/base/ExitHook.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"

namespace {

constexpr UINT kContinueStyle = MB_YESNO | MB_ICONSTOP | MB_SYSTEMMODAL;
constexpr int kHistoryDefaultDepth = 60;

bool MarksDirty(int code) {
  switch (code) {
    case eAttribChangeID:
    case eAttribChangeName:
    case eAttribChangeTagName:
    case eAttribChangeTagTransform:
    case eAttribChangeASD:
    case eAttribChangeVisible:
    case eAttribChangeValue:
    case eAttribChangeDefaultValue: return true;
    default: return false;
  }
}

// The tag's address as offered with a binding change (0 for none).
Variant TagOffer(const CDCTag* tag) {
  Variant offered;
  offered.vt = VT_I8;
  offered.llVal = static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(tag));
  return offered;
}

// The empty value takes the zero of `type`; the conversion's result is of no interest.
void ConvertEmptyInPlace(Variant& value, VARTYPE type) {
  Variant converted;
  if (VariantChangeType(converted, value, type) == S_OK) value = converted;
}

}  // namespace

std::string GetAttribIniFieldName(int field) {
  switch (field) {
    case eAttribIniData: return "Data";
    case eAttribIniTag: return "Tag";
    case eAttribIniTagTransform: return "TagTransform";
    case eAttribIniVisible: return "Visible";
    case eAttribIniASD: return "ASD";
    default: return std::string();
  }
}

bool IsSameAttribValue(const Variant& a, const Variant& b) {
  if (a.vt == VT_NULL && b.vt == VT_NULL) return true;
  if (a.vt != b.vt) return false;
  if (a.IsArray()) return a == b;
  bool comparable = false;
  const int order = VariantCompare(a, b, &comparable);
  return comparable && order == 0;
}

CRAttrib::CRAttrib(CRAttribsPack* owner) {
  Detach();
  m_owner = owner;
}

CRAttrib::~CRAttrib() = default;

CRAttribsPack* CRAttrib::GetOwner() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_owner;
}

std::string CRAttrib::OwnerSectionName() const {
  CRAttribsPack* owner = GetOwner();
  return owner ? owner->GetSectionName() : std::string();
}

BOOL CRAttrib::OfferChange(int code, const Variant& newValue) {
  CRAttribsPack* owner = GetOwner();
  if (!owner) return TRUE;
  return owner->CanChangeAttrib(this, code, newValue);
}

BOOL CRAttrib::ReportChange(int code) {
  CRAttribsPack* owner = GetOwner();
  const BOOL answer = owner ? owner->OnAttribChanged(this, code) : TRUE;
  if (answer && MarksDirty(code)) SetDirty(TRUE);
  return answer;
}

template <typename T>
bool CRAttrib::ChangeField(T CRAttrib::*field, const T& value, int code, const Variant& offered) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (this->*field == value) return false;
  }
  if (!OfferChange(code, offered)) return false;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    this->*field = value;
  }
  ReportChange(code);
  return true;
}

void CRAttrib::ResetAttrib() {
  // The binding goes first and through the setters, so the pack's map and its
  // pending summaries follow; a bound tag is dropped without any look-up.
  SetName(std::string());
  SetTagByName(std::string());
  SetDCTag(nullptr);
  std::lock_guard<std::mutex> lock(m_mutex);
  m_flagged = false;
  m_id = -1;
  m_visible = true;
  m_asd = 0;
  m_tagTransform.clear();
  m_negative = false;
  m_writeRequested = false;
  m_readRequested = false;
  m_dataType = VT_EMPTY;
  m_value.Clear();
  m_previousValue.Clear();
  m_defaultValue.Clear();
  m_modified = false;
  m_restoring = false;
  m_dirty = false;
}

BOOL CRAttrib::IsFlagged() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_flagged ? TRUE : FALSE;
}

void CRAttrib::SetFlagged(BOOL flagged) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_flagged = flagged != FALSE;
  }
  SetDirty(FALSE);
}

int CRAttrib::GetID() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_id;
}

void CRAttrib::SetID(int id) { ChangeField(&CRAttrib::m_id, id, eAttribChangeID, Variant::I4(id)); }

BOOL CRAttrib::IsDirty() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_dirty ? TRUE : FALSE;
}

void CRAttrib::SetDirty(BOOL dirty) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_dirty = dirty != FALSE;
}

void CRAttrib::SetRequestedFlag(bool CRAttrib::*field, BOOL requested, int code) {
  bool stored = false;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if ((this->*field) == (requested != FALSE)) return;
    // Without a tag there is nothing pending: the request is stored as FALSE.
    stored = requested != FALSE && m_tag != nullptr;
  }
  if (!OfferChange(code, Variant::Bool(stored))) return;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    this->*field = stored;
  }
  ReportChange(code);
}

BOOL CRAttrib::IsWriteRequested() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_tag && m_writeRequested ? TRUE : FALSE;
}

void CRAttrib::SetWriteRequested(BOOL requested) {
  SetRequestedFlag(&CRAttrib::m_writeRequested, requested, eAttribChangeWriteRequested);
}

BOOL CRAttrib::IsReadRequested() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_tag && m_readRequested ? TRUE : FALSE;
}

void CRAttrib::SetReadRequested(BOOL requested) {
  SetRequestedFlag(&CRAttrib::m_readRequested, requested, eAttribChangeReadRequested);
}

std::string CRAttrib::GetName() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_name;
}

void CRAttrib::SetName(const std::string& name) {
  ChangeField(&CRAttrib::m_name, name, eAttribChangeName, Variant::String(name));
}

std::string CRAttrib::GetTagName() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_tagName;
}

void CRAttrib::SetTagByName(const std::string& name) {
  const std::string trimmed = ruv::Trim(name);
  if (!ChangeField(&CRAttrib::m_tagName, trimmed, eAttribChangeTagName, Variant::String(trimmed))) return;
  CDCTag* tag = nullptr;
  if (!trimmed.empty()) {
    if (CDataCenterBase* dataCenter = GetDataCenter()) tag = dataCenter->GetTag(trimmed);
  }
  SetDCTag(tag);
}

CDCTag* CRAttrib::GetDCTag() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_tag;
}

void CRAttrib::SetDCTag(CDCTag* tag) {
  VARTYPE attribType = VT_EMPTY;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (tag == m_tag) return;
    attribType = m_dataType;
  }
  if (!tag) {
    // Unbinding needs no check; the pending mirrors go with the tag.
    if (!OfferChange(eAttribChangeTag, TagOffer(nullptr))) return;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_tag = nullptr;
    }
    ReportChange(eAttribChangeTag);
    SetReadRequested(FALSE);
    SetWriteRequested(FALSE);
    return;
  }
  const VARTYPE tagType = tag->GetDataType();
  if (tagType == attribType) {
    if (!OfferChange(eAttribChangeTag, TagOffer(tag))) return;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_tag = tag;
    }
    ReportChange(eAttribChangeTag);
    return;
  }
  if (IsShiftKeyDown()) return;
  const std::string tagName = tag->GetTagName();
  std::string text = ruv::Format(
      "Invalid assigned Tag to Attrib (DataType mismatch)!\n\nSectionName: [%s]\nAttribName: [%s]  AttribDataType: "
      "%s\nTagName: [%s]  TagDataType: %s",
      OwnerSectionName().c_str(), GetName().c_str(), VarTypeToText(attribType).c_str(), tagName.c_str(),
      VarTypeToText(tagType).c_str());
  AppendClipboardTips(text, "TagName", tagName);
  if (ShowMessageBox(text, "", kConfigPromptStyle) == IDCANCEL) RequestProcessExit(ATTRIB_CONFIG_EXIT_CODE);
}

std::string CRAttrib::GetTagTransform() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_tagTransform;
}

void CRAttrib::SetTagTransform(const std::string& transform) {
  std::string text = transform;
  std::string error;
  if (text == TAG_TRANSFORM_NEGATIVE) {
    const VARTYPE type = GetDataType();
    if (!GetDCTag()) {
      error = " - Tag-Transforming on Null-Tag is invalid!";
    } else if (type != VT_BOOL) {
      error = ruv::Format(" - The '%s' Tag-Transforming in INi is NOT supported for '%s' Tags.", TAG_TRANSFORM_NEGATIVE,
                          VarTypeToText(type).c_str());
    }
  } else if (!text.empty()) {
    error = ruv::Format(" - Unrecognized Tag-Transforming: '%s' !?", text.c_str());
  }
  if (!error.empty() && !IsShiftKeyDown()) {
    const std::string key = GetName() + "." + GetAttribIniFieldName(eAttribIniTagTransform);
    std::string message = ruv::Format("Invalid Attrib configuration!\n %s\n\nSectionName: [%s]\nAttribName: %s = %s\n",
                                      error.c_str(), OwnerSectionName().c_str(), key.c_str(), text.c_str());
    AppendClipboardTips(message, "AttribNameEx", key);
    if (ShowMessageBox(message, "", kConfigPromptStyle) == IDCANCEL) {
      RequestProcessExit(ATTRIB_CONFIG_EXIT_CODE);
      return;
    }
    text.clear();
  }
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (text == m_tagTransform) return;
  }
  if (!OfferChange(eAttribChangeTagTransform, Variant::String(text))) return;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_tagTransform = text;
    m_negative = text == TAG_TRANSFORM_NEGATIVE;
  }
  ReportChange(eAttribChangeTagTransform);
}

BOOL CRAttrib::IsNegative() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_negative ? TRUE : FALSE;
}

BOOL CRAttrib::IsVisible() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_visible ? TRUE : FALSE;
}

void CRAttrib::SetVisible(BOOL visible) {
  const bool wanted = visible != FALSE;
  ChangeField(&CRAttrib::m_visible, wanted, eAttribChangeVisible, Variant::Bool(wanted));
}

int CRAttrib::GetASD() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_asd;
}

void CRAttrib::SetASD(int asd) { ChangeField(&CRAttrib::m_asd, asd, eAttribChangeASD, Variant::I4(asd)); }

CRStack* CRAttrib::GetHistory() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_history.get();
}

CRStack* CRAttrib::SetHistoryDepth(int depth) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!IsStackableType(m_dataType)) return nullptr;
  if (!m_history) {
    m_history = std::make_unique<CRStack>();
    m_history->SetTimeStamps(true);
  }
  m_history->SetSize(depth);
  return m_history.get();
}

void CRAttrib::PushHistory() {
  CRStack* history = GetHistory();
  if (!history) history = SetHistoryDepth(kHistoryDefaultDepth);
  if (!history) return;
  history->Push(GetValue());
}

VARTYPE CRAttrib::GetDataType() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_dataType;
}

void CRAttrib::SetDataType(VARTYPE type) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (type == m_dataType) return;
  }
  if (!OfferChange(eAttribChangeDataType, Variant::I4(type))) return;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dataType = type;
    if (m_value.IsEmpty()) {
      ConvertEmptyInPlace(m_value, type);
      ConvertEmptyInPlace(m_previousValue, type);
      ConvertEmptyInPlace(m_defaultValue, type);
    }
  }
  ReportChange(eAttribChangeDataType);
}

void CRAttrib::Detach() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_tag = nullptr;
    m_owner = nullptr;
    m_history.reset();
  }
  ResetAttrib();
}

void CRAttrib::DeleteHistory() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_history.reset();
}

Variant CRAttrib::GetValue() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_value;
}

Variant CRAttrib::GetPreviousValue() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_previousValue;
}

Variant CRAttrib::GetDefaultValue() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_defaultValue;
}

BOOL CRAttrib::IsModified() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_modified ? TRUE : FALSE;
}

BOOL CRAttrib::IsRestoring() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_restoring ? TRUE : FALSE;
}

void CRAttrib::SetValue(const Variant& value) {
  CDCTag* tag = nullptr;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (IsSameAttribValue(m_value, value)) return;
    tag = m_tag;
  }
  // A hardware read of the tag is outstanding: its value is what counts.
  if (tag && tag->IsReadPending()) return;
  if (!OfferChange(eAttribChangeValue, value)) return;
  bool restoring = false;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    restoring = m_restoring;
    if (!restoring) m_previousValue = m_value;
    m_value = value;
  }
  if (!restoring) SetModified(TRUE);
  ReportChange(eAttribChangeValue);
}

void CRAttrib::SetDefaultValue(const Variant& value) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (IsSameAttribValue(m_defaultValue, value)) return;
  }
  if (!OfferChange(eAttribChangeDefaultValue, value)) return;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_defaultValue = value;
  }
  ReportChange(eAttribChangeDefaultValue);
}

void CRAttrib::SetModified(BOOL modified) {
  const bool wanted = modified != FALSE;
  ChangeField(&CRAttrib::m_modified, wanted, eAttribChangeModified, Variant::Bool(wanted));
}

void CRAttrib::SetPreviousValue(const Variant& value) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (IsSameAttribValue(m_previousValue, value)) return;
  m_previousValue = value;
}

void CRAttrib::Undo() {
  Variant previous;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_modified) return;
    m_restoring = true;
    previous = m_previousValue;
  }
  SetValue(previous);
  SetModified(FALSE);
  std::lock_guard<std::mutex> lock(m_mutex);
  m_restoring = false;
}

void CRAttrib::WriteToTag() {
  CDCTag* tag = GetDCTag();
  if (tag && !(tag->GetIOType() == eIOInput && GetEngine()->IsRealHardware())) {
    Variant copy = GetValue();
    if (IsNegative()) {
      if (tag->GetDataType() == VT_BOOL) {
        const bool on = copy.vt == VT_BOOL ? copy.boolVal != VARIANT_FALSE : VariantToBool(copy);
        copy = Variant::Bool(!on);
      } else {
        const int answer = ShowMessageBox(
            "Tag Negative Transforming is NOT supported for non boolean data types!\nDo you want to continue program?",
            "", kContinueStyle);
        if (answer != IDYES) {
          RequestProcessExit(ATTRIB_CONFIG_EXIT_CODE);
          return;
        }
        SetTagTransform(std::string());
      }
    }
    if (!IsSameAttribValue(copy, tag->GetValue())) {
      tag->SetValue(copy);
      // A tag refuses a value of another type than its own: then nothing was
      // written and nothing may be reported as pending.
      if (IsSameAttribValue(copy, tag->GetValue())) {
        tag->SetWritePending(TRUE);
        SetWriteRequested(tag->IsWritePending());
      }
    }
  }
  SetModified(FALSE);
}
