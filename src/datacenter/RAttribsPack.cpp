#include "datacenter/RAttribsPack.h"

#include <algorithm>

#include "common/CommonUtils.h"
#include "datacenter/ConfigurationBoxes.h"
#include "datacenter/DCTag.h"
#include "datacenter/DataCenterBase.h"
#include "datacenter/EngineServices.h"
#include "platform/base/ExitHook.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"

namespace {

constexpr UINT kAttribsPackMessageId = 5375;

bool IsRangeRole(int role) {
  return role == eAnalogMin || role == eAnalogMax || role == eAnalogPortMin || role == eAnalogPortMax;
}

}  // namespace

UINT GetAttribsPackMessageId() { return kAttribsPackMessageId; }

CRAttribsPack::CRAttribsPack() = default;

CRAttribsPack::~CRAttribsPack() { DeleteAttribs(); }

BOOL CRAttribsPack::Create(const std::string& text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  if (!CRAttribsPackWindow::Create(std::string(), text, style, rect, parent, id)) return FALSE;
  SetTimer(ATTRIBS_PACK_HISTORY_TIMER, ATTRIBS_PACK_HISTORY_PERIOD_MS);
  return TRUE;
}

CRAttrib* CRAttribsPack::GetAttrib(int index) const {
  if (index < 0 || index >= GetAttribCount()) return nullptr;
  return m_attribs[static_cast<std::size_t>(index)].get();
}

Variant CRAttribsPack::GetAttribValue(int index) const {
  const CRAttrib* attrib = GetAttrib(index);
  return attrib ? attrib->GetValue() : Variant();
}

BOOL CRAttribsPack::IsAttribVisible(int index) const {
  const CRAttrib* attrib = GetAttrib(index);
  return attrib ? attrib->IsVisible() : FALSE;
}

void CRAttribsPack::SetAttribVisible(int index, BOOL visible) {
  if (CRAttrib* attrib = GetAttrib(index)) attrib->SetVisible(visible);
}

int CRAttribsPack::GetAttribASD(int index) const {
  const CRAttrib* attrib = GetAttrib(index);
  return attrib ? attrib->GetASD() : 0;
}

void CRAttribsPack::SetAttribASD(int index, int asd) {
  if (CRAttrib* attrib = GetAttrib(index)) attrib->SetASD(asd);
}

VARTYPE CRAttribsPack::GetAttribDataType(int index) const {
  const CRAttrib* attrib = GetAttrib(index);
  return attrib ? attrib->GetDataType() : static_cast<VARTYPE>(VT_EMPTY);
}

void CRAttribsPack::SetListenerWnd(CWnd* listener) { m_listener.store(listener); }

CWnd* CRAttribsPack::GetListenerWnd() const { return m_listener.load(); }

BOOL CRAttribsPack::GetAnalogGroup(int index, std::array<int, ANALOG_GROUP_SIZE>& group) const {
  if (GetAnalogRole(index) != eAnalogPhysical) return FALSE;
  for (int role = 0; role < ANALOG_GROUP_SIZE; ++role)
    group[static_cast<std::size_t>(role)] = GetAnalogGroupAttrib(index, role);
  return TRUE;
}

BOOL CRAttribsPack::CanChangeAttrib(CRAttrib* /*attrib*/, int /*code*/, const Variant& /*newValue*/) { return TRUE; }

BOOL CRAttribsPack::OnAttribChanged(CRAttrib* attrib, int code) {
  if (!attrib) return TRUE;
  if (code == eAttribChangeTag) {
    RebindTagMap(attrib);
  } else if (code == eAttribChangeReadRequested || code == eAttribChangeWriteRequested) {
    RecomputePendingFlags();
  }
  return TRUE;
}

void CRAttribsPack::RebindTagMap(CRAttrib* attrib) {
  CDCTag* const newTag = attrib->GetDCTag();
  CWnd* const listener = GetListenerWnd();
  const HWND listenerHandle = listener ? listener->GetSafeHwnd() : nullptr;

  std::vector<CDCTag*> tags;
  if (CDataCenterBase* dataCenter = GetDataCenter()) {
    const int count = dataCenter->GetTagCount();
    tags.reserve(static_cast<std::size_t>(count) + 1);
    for (int i = 0; i < count; ++i) tags.push_back(dataCenter->GetTagAt(i));
  }
  // A tag from elsewhere than the data center is still listed and listened to.
  if (newTag && std::find(tags.begin(), tags.end(), newTag) == tags.end()) tags.push_back(newTag);

  // Two rebinds of one tag must reach the tags in the order their lists were
  // settled: one whole rebind at a time. The tags only take the listener in and
  // post to it, so nothing waits on another thread under this lock.
  std::lock_guard<std::mutex> rebindLock(m_rebindMutex);
  // The lists are settled under the map's lock; the tags are told afterwards.
  std::vector<std::pair<CDCTag*, bool>> listening;
  listening.reserve(tags.size());
  {
    std::lock_guard<std::mutex> lock(m_mapMutex);
    for (CDCTag* tag : tags) {
      if (!tag) continue;
      std::vector<CRAttrib*>& list = m_tagMap[tag];
      bool listed = false;
      for (auto it = list.begin(); it != list.end();) {
        if (*it != attrib) {
          ++it;
          continue;
        }
        listed = true;
        // Kept while the attribute is bound somewhere: the device drops the entry
        // of a tag the attribute has left when that tag next notifies.
        if (newTag) {
          ++it;
        } else {
          it = list.erase(it);
        }
      }
      if (tag == newTag && !listed) list.push_back(attrib);
      listening.emplace_back(tag, !list.empty());
    }
  }
  if (listenerHandle) {
    for (const auto& [tag, listen] : listening) {
      if (listen) {
        tag->AddListener(listenerHandle);
      } else {
        tag->RemoveListener(listenerHandle);
      }
    }
    // The device gets the tag's present state at once.
    if (newTag) newTag->ReplayToListener(listenerHandle);
  }
}

std::vector<CRAttrib*> CRAttribsPack::GetTagAttribs(CDCTag* tag) const {
  std::lock_guard<std::mutex> lock(m_mapMutex);
  auto found = m_tagMap.find(tag);
  return found == m_tagMap.end() ? std::vector<CRAttrib*>() : found->second;
}

void CRAttribsPack::RemoveTagAttrib(CDCTag* tag, CRAttrib* attrib) {
  std::lock_guard<std::mutex> lock(m_mapMutex);
  auto found = m_tagMap.find(tag);
  if (found != m_tagMap.end()) std::erase(found->second, attrib);
}

BOOL CRAttribsPack::OnPendingFlagChanged(int /*code*/) { return TRUE; }

void CRAttribsPack::SetReadPendingFlag(BOOL pending) {
  SetPendingFlag(m_readPending, pending != FALSE, eAttribChangeReadRequested);
}

void CRAttribsPack::SetWritePendingFlag(BOOL pending) {
  SetPendingFlag(m_writePending, pending != FALSE, eAttribChangeWriteRequested);
}

void CRAttribsPack::SetPendingFlag(std::atomic<bool>& flag, bool wanted, int code) {
  bool changed;
  {
    std::lock_guard<std::mutex> lock(m_pendingMutex);
    changed = flag.exchange(wanted) != wanted;
  }
  if (changed) OnPendingFlagChanged(code);
}

void CRAttribsPack::RecomputePendingFlags() {
  bool writeChanged = false;
  bool readChanged = false;
  {
    // Read and stored as one step: an older summary stored after a newer one
    // would leave the indicator wrong until the next change.
    std::lock_guard<std::mutex> lock(m_pendingMutex);
    bool anyWrite = false;
    bool anyRead = false;
    for (const auto& attrib : m_attribs) {
      if (!attrib) continue;
      if (!anyWrite && attrib->IsWriteRequested()) anyWrite = true;
      if (!anyRead && attrib->IsReadRequested()) anyRead = true;
      if (anyWrite && anyRead) break;
    }
    writeChanged = m_writePending.exchange(anyWrite) != anyWrite;
    readChanged = m_readPending.exchange(anyRead) != anyRead;
  }
  // Told after the lock (the handler may send); it reads the stored summary.
  if (writeChanged) OnPendingFlagChanged(eAttribChangeWriteRequested);
  if (readChanged) OnPendingFlagChanged(eAttribChangeReadRequested);
}

void CRAttribsPack::OnTimer(UINT_PTR id) {
  if (id != ATTRIBS_PACK_HISTORY_TIMER) {
    CRAttribsPackWindow::OnTimer(id);
    return;
  }
  for (int i = 0; i < GetAttribCount(); ++i) {
    CRAttrib* attrib = GetAttrib(i);
    if (attrib && attrib->GetDataType() == VT_R4 && GetAnalogRole(i) == eAnalogPhysical) attrib->PushHistory();
  }
}

void CRAttribsPack::CopyLimitsToTags() {
  for (int i = 0; i < GetAttribCount(); ++i) {
    CRAttrib* attrib = GetAttrib(i);
    if (!attrib || !IsStackableType(attrib->GetDataType())) continue;
    const int role = GetAnalogRole(i);
    if (role != eAnalogPhysical && role != eAnalogPort) continue;
    CDCTag* tag = attrib->GetDCTag();
    if (!tag) continue;
    const int minIndex = GetAnalogGroupAttrib(i, role == eAnalogPhysical ? eAnalogMin : eAnalogPortMin);
    const int maxIndex = GetAnalogGroupAttrib(i, role == eAnalogPhysical ? eAnalogMax : eAnalogPortMax);
    if (const CRAttrib* minimum = GetAttrib(minIndex)) tag->SetMinValue(minimum->GetValue());
    if (const CRAttrib* maximum = GetAttrib(maxIndex)) tag->SetMaxValue(maximum->GetValue());
  }
}

std::vector<int> CRAttribsPack::GetIniLoadOrder() const {
  std::vector<int> order;
  const int count = GetAttribCount();
  order.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    if (IsRangeRole(GetAnalogRole(i))) order.push_back(i);
  for (int i = 0; i < count; ++i)
    if (!IsRangeRole(GetAnalogRole(i))) order.push_back(i);
  return order;
}

void CRAttribsPack::LoadAttribsFromIni() {
  const std::string section = GetSectionName();
  if (!IsShiftKeyDown() && !SectionExists(section)) {
    std::string text =
        ruv::Format("The following section did Not found in setting (ini) file:\n - [%s]", section.c_str());
    AppendClipboardTips(text, "section name", section);
    if (ShowMessageBox(text, "", kConfigPromptStyle) == IDCANCEL) {
      RequestProcessExit(ATTRIB_CONFIG_EXIT_CODE);
      return;
    }
  }
  for (int index : GetIniLoadOrder()) LoadAttribFromIni(index);
}

void CRAttribsPack::LoadAttribFromIni(int index) {
  CRAttrib* attrib = GetAttrib(index);
  if (!attrib) return;
  attrib->SetTagByName(ReadIniValue(index, eAttribIniTag));
  attrib->SetTagTransform(ReadIniValue(index, eAttribIniTagTransform));
  attrib->SetVisible(ruv::EqualsNoCase(ReadIniValue(index, eAttribIniVisible), "No") ? FALSE : TRUE);
  attrib->SetASD(TextToInt(ReadIniValue(index, eAttribIniASD)));

  // The saved value is only checked here; the device applies it itself.
  const std::string data = ReadIniValue(index, eAttribIniData);
  const VARTYPE type = attrib->GetDataType();
  if (data.empty() || type == VT_BSTR) return;
  Variant converted;
  if (VariantChangeType(converted, Variant::String(data), type) == S_OK && converted.vt == type) return;
  const std::string name = GetAttribNameAt(index);
  std::string text = ruv::Format("Invalid saved value in ini file!\nAttribName: {%s}.Data\nValue: ", name.c_str());
  text += "\"" + data + "\"";
  text += ruv::Format("\n\nExpected value format: %s\n\n\n(The AttribName is copied to clipboard).",
                      VarTypeToText(type).c_str());
  CopyTextToClipboard(name);
  ShowMessageBox(text, "", kConfigReportStyle);
}

void CRAttribsPack::DeleteAttribs() {
  {
    // The lists point at the attributes that are about to go.
    std::lock_guard<std::mutex> lock(m_mapMutex);
    m_tagMap.clear();
  }
  m_attribs.clear();
}

void CRAttribsPack::SetAttribCount(int count) {
  DeleteAttribs();
  if (count <= 0) return;
  m_attribs.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    auto attrib = std::make_unique<CRAttrib>(this);
    const VARTYPE type = FindAttribVarType(i);
    attrib->SetDataType(type);
    attrib->SetID(i);
    attrib->SetName(GetAttribNameAt(i));
    attrib->SetDirty(FALSE);
    Variant initial = GetDefaultVariant(i);
    if (initial.IsEmpty()) {
      Variant converted;
      if (VariantChangeType(converted, initial, type) == S_OK) initial = converted;
    }
    attrib->SetDefaultValue(initial);
    attrib->SetValue(initial);
    m_attribs[static_cast<std::size_t>(i)] = std::move(attrib);
  }
}

BOOL CRAttribsPack::CreateAttribAt(int index) {
  if (index < 0 || index >= GetAttribCount() || m_attribs[static_cast<std::size_t>(index)]) return FALSE;
  std::unique_ptr<CRAttrib> attrib(CreateAttrib(index));
  if (!attrib) return FALSE;
  OnAttribCreated(attrib.get());
  attrib->SetFlagged(InitAttrib(attrib.get()));
  m_attribs[static_cast<std::size_t>(index)] = std::move(attrib);
  return TRUE;
}

CRAttrib* CRAttribsPack::CreateAttrib(int index) {
  auto* attrib = new CRAttrib(this);
  attrib->SetID(index);
  return attrib;
}
