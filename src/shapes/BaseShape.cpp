#include "shapes/BaseShape.h"

#include <QWidget>
#include <algorithm>
#include <map>
#include <utility>

#include "common/CommonUtils.h"
#include "common/IniFile.h"
#include "controls/CBalloonHelp.h"
#include "datacenter/DCTag.h"
#include "datacenter/DCTagTypes.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"
#include "platform/ui/CMenu.h"
#include "platform/ui/CPaintDC.h"
#include "platform/ui/CPen.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/ControlConstants.h"
#include "platform/ui/MessageCore.h"
#include "shapes/AnalogCalibrationPage.h"
#include "shapes/BaseGeneralPropPage.h"
#include "shapes/GraphicPropPage.h"
#include "shapes/ShapePropSheet.h"

namespace {

constexpr UINT kOperatorErrorStyle = MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL;
// A one-line static control that reports clicks; the shape paints it.
constexpr DWORD kShapeWindowStyle = WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_SIMPLE;
constexpr const char* kCopyNoticeText = "The 'ControlType.DeviceName' is copied to clipboard";

constexpr VARTYPE kRangeTypes[] = {VT_R4, VT_BOOL, VT_I4, VT_BSTR};

constexpr ShapeTypeRanges kCommonRanges{eShapeBaseReserveFloat1, eShapeBaseReserveBool1, eShapeBaseReserveInt1,
                                        eShapeBaseReserveString1, SHAPE_COMMON_ATTRIB_COUNT};

// Shapes of every kind share these; they are touched by constructors of
// process-wide objects (before main) and later from any thread.
struct ShapeRegistry {
  std::mutex mutex;
  std::map<std::pair<int, int>, int> instanceCounts;  // (kind, settings index) -> shapes alive
  std::vector<std::string> deviceNames;
  std::vector<std::unique_ptr<CIniFile>> iniTable;
  ShapeRegistry() = default;
};

ShapeRegistry& Registry() {
  static ShapeRegistry registry;
  return registry;
}

std::atomic<COLORREF>& ShapeBackColor() {
  static std::atomic<COLORREF> color{RGB(50, 50, 50)};
  return color;
}

ShapeCopyNoticeHandler& CopyNoticeHandler() {
  static ShapeCopyNoticeHandler handler;
  return handler;
}

// The balloon that tells the operator a name was copied to the clipboard, at
// the cursor (the double click that asked for it).
void ShowCopyNotice(CWnd* parent) {
  if (const ShapeCopyNoticeHandler& handler = CopyNoticeHandler()) {
    handler(parent, kCopyNoticeText);
    return;
  }
  CBalloonHelp::ShowBalloon("", kCopyNoticeText, nullptr, IDI_INFORMATION, 33216, 3000, parent);
}

const char* const kCommonAttribNames[SHAPE_COMMON_ATTRIB_COUNT] = {
    "BaseReserveFloat1",   "LoadInWay",          "BaseReserveBool1",     "DeviceIsInRecipe",
    "DeviceIsOverloaded",  "BaseReserveInt1",    "ColorBgOutOfRecipe",   "ColorBgLocal",
    "ColorBG",             "ColorFG",            "ColorFgOverload",      "ColorBody",
    "ColorBgOld",          "ColorFgOld",         "ColorBodyOld",         "ColorBgOutOfRecipeOld",
    "ColorBgLocalOld",     "ColorFgOverloadOld", "DrawPosX",             "DrawPosY",
    "DrawSizeX",           "DrawSizeY",          "ActuatorControlType",  "PercentOfHighLowSpeed",
    "BaseReserveString1",  "DeviceCaption"};

const char* const kDeviceTypeNames[] = {"",          "Vessel",      "Belt",        "DosePump",     "Valve",
                                        "Helix",     "GearPump",    "CntrFglPump", "RtryMxr",      "HeatZone",
                                        "RtryWhl",   "SprayDryer",  "DBFValve",    "PrcGeneral",   "PrcShift",
                                        "PrcRecipeGen", "PrcRecipeStep", "PrcLoop"};

// The drawing settings written back when the window goes, after LoadInWay.
constexpr int kWrittenBackInts[] = {eShapeActuatorControlType, eShapePercentOfHighLowSpeed,
                                    eShapeColorBgOutOfRecipe,  eShapeColorBgLocal,
                                    eShapeColorBG,             eShapeColorFG,
                                    eShapeColorFgOverload,     eShapeColorBody,
                                    eShapeColorBgOld,          eShapeColorFgOld,
                                    eShapeColorBodyOld};

}  // namespace

ShapeRecord::ShapeRecord(int x, int y, int width, int height, int shapeCode, int form, std::string deviceName,
                         int drawFlags)
    : drawFlags(drawFlags),
      x(x),
      y(y),
      width(width),
      height(height),
      shapeCode(shapeCode),
      form(form),
      deviceName(std::move(deviceName)) {}

void SetShapeCopyNoticeHandler(ShapeCopyNoticeHandler handler) { CopyNoticeHandler() = std::move(handler); }

// ---------------------------------------------------------------- identity

C_BaseShape::C_BaseShape(BYTE settingsIndex, const ShapeRecord& record, BYTE kind, int instanceIndex)
    : m_record(record), m_settingsIndex(settingsIndex), m_kind(kind) {
  m_record.objectId = (static_cast<PlantObjectId>(settingsIndex) << 24) | (static_cast<PlantObjectId>(kind) << 16) |
                      (static_cast<PlantObjectId>(instanceIndex) & 0xFFFF);
  ShapeRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  ++registry.instanceCounts[{kind, settingsIndex}];
  registry.deviceNames.push_back(m_record.deviceName);
}

C_BaseShape::~C_BaseShape() {
  m_analogUnits.clear();
  ShapeRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto count = registry.instanceCounts.find({m_kind, m_settingsIndex});
  if (count != registry.instanceCounts.end() && --count->second <= 0) registry.instanceCounts.erase(count);
  auto& names = registry.deviceNames;
  auto last = std::find(names.rbegin(), names.rend(), m_record.deviceName);
  if (last != names.rend()) names.erase(std::next(last).base());
}

int C_BaseShape::GetTypeInstanceCount() const {
  ShapeRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto count = registry.instanceCounts.find({m_kind, m_settingsIndex});
  return count == registry.instanceCounts.end() ? 0 : count->second;
}

std::string C_BaseShape::GetDeviceTypeName() const {
  return m_kind < std::size(kDeviceTypeNames) ? kDeviceTypeNames[m_kind] : std::string();
}

// ---------------------------------------------------------------- window

QWidget* C_BaseShape::CreateWidget(QWidget* parent, const CREATESTRUCT& cs) {
  // A plain widget: the shape paints every pixel of it itself, so the plant
  // form never paints what lies under a shape.
  QWidget* widget = CWnd::CreateWidget(parent, cs);
  if (widget) widget->setAttribute(Qt::WA_OpaquePaintEvent);
  return widget;
}

BOOL C_BaseShape::CreateShape(CWnd* parent) {
  const CRect rect(m_record.x, m_record.y, m_record.x + m_record.width, m_record.y + m_record.height);
  if (!Create(std::string(), kShapeWindowStyle, rect, parent, GetObjectId())) return FALSE;
  SetListenerWnd(this);
  LoadAttribsFromIni();
  CopyLimitsToTags();
  return TRUE;
}

BOOL C_BaseShape::LoadPopupMenu(UINT resourceId) {
  auto menu = std::make_unique<CMenu>();
  if (!menu->LoadMenu(resourceId)) return FALSE;
  m_menu = std::move(menu);
  m_popup = m_menu->GetSubMenu(0);
  return TRUE;
}

void C_BaseShape::ShowProperties() {
  C_BaseShapePropSheet sheet("Control Properties   " + GetFullName(), this,
                             static_cast<UINT>(C_BaseShapePropSheet::GetLastActivePage()));
  AddPropertyPages(&sheet);
  // The pages are ours, also those the sheet drops as empty when it opens.
  std::vector<std::unique_ptr<CPropertyPage>> pages;
  for (int i = 0; i < sheet.GetPageCount(); ++i) pages.emplace_back(sheet.GetPage(i));
  sheet.DoModal();
  while (sheet.GetPageCount() > 0) sheet.RemovePage(0);
}

void C_BaseShape::AddPropertyPages(CPropertySheet* sheet) {
  if (!sheet) return;
  const int calibrationPages = GetCalibrationPageCount();
  for (int i = 0; i < calibrationPages; ++i) sheet->AddPage(new CAnalogCalibrationPage(i, calibrationPages >= 2));
  sheet->AddPage(new CGraphicPropPage());
  sheet->AddPage(new CBaseGeneralPropPage());
}

int C_BaseShape::GetCalibrationPageCount() const { return (GetAnalogUnitCount() - 1) / 4 + 1; }

// ---------------------------------------------------------------- types and names

int ShapeTypeRanges::First(VARTYPE type) const {
  switch (type) {
    case VT_R4: return firstFloat;
    case VT_BOOL: return firstBool;
    case VT_I4: return firstInt;
    case VT_BSTR: return firstText;
    default: return -1;
  }
}

int ShapeTypeRanges::Last(VARTYPE type) const {
  switch (type) {
    case VT_R4: return firstBool;
    case VT_BOOL: return firstInt;
    case VT_I4: return firstText;
    case VT_BSTR: return end;
    default: return -1;
  }
}

int C_BaseShape::GetBaseFirstIndex(VARTYPE type) const { return kCommonRanges.First(type); }

int C_BaseShape::GetBaseLastIndex(VARTYPE type) const { return kCommonRanges.Last(type); }

bool C_BaseShape::IsInRange(VARTYPE type, int index) const {
  return (index >= GetBaseFirstIndex(type) && index < GetBaseLastIndex(type)) ||
         (index >= GetFirstIndex(type) && index < GetLastIndex(type));
}

VARTYPE C_BaseShape::FindAttribVarType(int index) const {
  for (VARTYPE type : kRangeTypes)
    if (IsInRange(type, index)) return type;
  return VT_EMPTY;
}

std::string C_BaseShape::GetAttribName(int index) const {
  if (index >= 0 && index < SHAPE_COMMON_ATTRIB_COUNT) return kCommonAttribNames[index];
  return ruv::Format("%08X", static_cast<unsigned>(index));
}

std::string C_BaseShape::GetIniKeyName(int index, int field) const {
  return ruv::Format("%s.%s", GetAttribNameAt(index).c_str(), GetAttribIniFieldName(field).c_str());
}

std::string C_BaseShape::GetSectionName() const {
  return XmlEscapeText(GetDeviceTypeName() + "." + m_record.deviceName);
}

std::string C_BaseShape::GetCaption() const {
  const std::string caption = GetAttribText(eShapeDeviceCaption);
  return caption.empty() ? m_record.deviceName : caption;
}

std::string C_BaseShape::GetFullName() const {
  std::string name = ruv::Format("[%s.%s]", GetDeviceTypeName().c_str(), m_record.deviceName.c_str());
  const std::string caption = GetCaption();
  if (caption != m_record.deviceName) name += " - " + caption;
  return name;
}

void C_BaseShape::CopySectionName(std::string& out, bool showBalloon) {
  out = GetSectionName();
  CopyTextToClipboard(out);
  if (showBalloon) ShowCopyNotice(GetSafeHwnd() ? this : nullptr);
}

// ---------------------------------------------------------------- defaults

Variant C_BaseShape::GetDefaultVariant(int /*index*/) const { return Variant(); }

int C_BaseShape::GetColor(int index) const {
  switch (index) {
    case eShapeColorBgOutOfRecipe: return static_cast<int>(RGB(128, 128, 128));
    case eShapeColorBgLocal: return static_cast<int>(RGB(255, 0, 0));
    case eShapeColorBG: return static_cast<int>(RGB(0, 255, 0));
    case eShapeColorFG: return static_cast<int>(RGB(255, 0, 0));
    case eShapeColorFgOverload: return static_cast<int>(RGB(200, 0, 0));
    case eShapeColorBody: return static_cast<int>(RGB(0, 0, 255));
    // The "old" colours start as the kind's own current defaults.
    case eShapeColorBgOld: return GetColor(eShapeColorBG);
    case eShapeColorFgOld: return GetColor(eShapeColorFG);
    case eShapeColorBodyOld: return GetColor(eShapeColorBody);
    case eShapeDrawPosX: return 10 * GetInstanceIndex();
    case eShapeDrawSizeX: return 10;
    case eShapeDrawSizeY: return 20;
    default: return 0;
  }
}

float C_BaseShape::GetDefaultFloat(int index) const { return index == eShapeLoadInWay ? 0.5f : 0.0f; }

std::string C_BaseShape::GetUnitText(int /*index*/) const { return std::string(); }

int C_BaseShape::GetAnalogRole(int /*index*/) const { return eAnalogNone; }

int C_BaseShape::GetAnalogGroupAttrib(int /*index*/, int /*role*/) const { return -1; }

// ---------------------------------------------------------------- typed getters

bool C_BaseShape::GetAttribBool(int index) const { return VariantToBool(GetAttribValue(index)); }

float C_BaseShape::GetAttribFloat(int index) const { return VariantToFloat(GetAttribValue(index)); }

int C_BaseShape::GetAttribInt(int index) const { return VariantToLong(GetAttribValue(index)); }

double C_BaseShape::GetAttribDouble(int index) const { return VariantToDouble(GetAttribValue(index)); }

std::string C_BaseShape::GetAttribText(int index) const { return VariantToText(GetAttribValue(index)); }

// ---------------------------------------------------------------- typed setters

void C_BaseShape::StoreAttribBool(int index, bool value) {
  if (GetAttribValue(index).vt == VT_BOOL && GetAttribBool(index) == value) return;
  StoreAttribValue(index, Variant::Bool(value));
}

void C_BaseShape::StoreAttribFloat(int index, float value) {
  if (GetAttribValue(index).vt == VT_R4 && GetAttribFloat(index) == value) return;
  StoreAttribValue(index, Variant::R4(value));
}

void C_BaseShape::PromiseMenuCommand(UINT item, bool value) { m_menuPromises[item] = value; }

bool C_BaseShape::TakeMenuPromise(UINT item, int command) {
  const auto promise = m_menuPromises.find(item);
  if (promise == m_menuPromises.end()) return !GetAttribBool(command);
  const bool promised = promise->second;
  m_menuPromises.erase(promise);
  return promised;
}

void C_BaseShape::TakeMenuCommand(UINT item, int command) { SetAttribBool(command, TakeMenuPromise(item, command)); }

void C_BaseShape::TakeSpeedCommand(UINT item, int command, int other) {
  const bool on = TakeMenuPromise(item, command);
  SetAttribBool(command, on);
  // A refused start leaves the other direction as it was.
  if (on && GetAttribBool(command)) SetAttribBool(other, false);
}

void C_BaseShape::SetAttribInt(int index, int value) {
  if (GetAttribValue(index).vt == VT_I4 && GetAttribInt(index) == value) return;
  StoreAttribValue(index, Variant::I4(value));
}

void C_BaseShape::SetAttribDouble(int index, double value) {
  const VARTYPE held = GetAttribValue(index).vt;
  if ((held == VT_R8 || held == VT_DATE) && GetAttribDouble(index) == value) return;
  StoreAttribValue(index, held == VT_DATE ? Variant::Date(value) : Variant::R8(value));
}

void C_BaseShape::SetAttribString(int index, const std::string& value) {
  const std::string trimmed = ruv::Trim(value);
  if (GetAttribValue(index).vt == VT_BSTR && GetAttribText(index) == trimmed) return;
  StoreAttribValue(index, Variant::String(trimmed));
}

// ---------------------------------------------------------------- the store

void C_BaseShape::StoreAttribValue(int index, const Variant& value) {
  CRAttrib* attrib = GetAttrib(index);
  if (!attrib) return;
  // The attribute keeps its own type (its tag has that type too).
  Variant wanted = value;
  const VARTYPE type = attrib->GetDataType();
  if (type != VT_EMPTY && wanted.vt != type && !wanted.IsEmpty() && wanted.vt != VT_NULL) {
    Variant converted;
    if (VariantChangeType(converted, wanted, type) != S_OK) return;
    wanted = converted;
  }

  Offer offer{index, Variant(), wanted, false};
  {
    std::lock_guard<std::mutex> lock(m_storeMutex);
    offer.previous = attrib->GetValue();
    if (IsSameAttribValue(offer.previous, wanted)) return;
    // A value being read from the device is not overwritten.
    if (CDCTag* tag = attrib->GetDCTag(); tag && tag->IsReadPending()) return;
    attrib->SetValue(wanted);
    if (!IsSameAttribValue(attrib->GetValue(), wanted)) return;
    m_offers.push_back(&offer);
  }

  const LRESULT answer =
      SendToParent(GetAttribsPackMessageId(), static_cast<WPARAM>(GetObjectId()), static_cast<LPARAM>(index));
  bool withdrawn = false;
  {
    std::lock_guard<std::mutex> lock(m_storeMutex);
    std::erase(m_offers, &offer);
    withdrawn = offer.withdrawn;
  }
  const bool accepted = answer == 0 && !withdrawn;
  if (accepted && OnAttribAccepted(index)) {
    attrib->WriteToTag();
  } else {
    RestoreRefused(attrib, offer.previous, wanted);
    if (answer != 0 && answer != SHAPE_REFUSED_AND_TOLD) ShowRefusal();
  }
  if (GetSafeHwnd()) RepaintIfChanged();
}

void C_BaseShape::RestoreRefused(CRAttrib* attrib, const Variant& previous, const Variant& refused) {
  std::lock_guard<std::mutex> lock(m_storeMutex);
  // Another store may have replaced the refused value meanwhile: that one stays.
  if (!IsSameAttribValue(attrib->GetValue(), refused) || !attrib->IsModified()) return;
  attrib->SetPreviousValue(previous);
  attrib->Undo();
}

void C_BaseShape::WithdrawOffer(int index) {
  CRAttrib* attrib = GetAttrib(index);
  if (!attrib) return;
  Variant previous;
  Variant refused;
  {
    std::lock_guard<std::mutex> lock(m_storeMutex);
    // The latest offer of the attribute: a nested one is decided first.
    const auto offer = std::find_if(m_offers.rbegin(), m_offers.rend(),
                                    [index](const Offer* o) { return o->index == index && !o->withdrawn; });
    if (offer == m_offers.rend()) return;
    (*offer)->withdrawn = true;
    previous = (*offer)->previous;
    refused = (*offer)->wanted;
  }
  RestoreRefused(attrib, previous, refused);
  if (GetSafeHwnd()) RepaintIfChanged();
}

bool C_BaseShape::RenewOffer(int index) {
  CRAttrib* attrib = GetAttrib(index);
  if (!attrib) return false;
  {
    std::lock_guard<std::mutex> lock(m_storeMutex);
    const auto offer = std::find_if(m_offers.rbegin(), m_offers.rend(),
                                    [index](const Offer* o) { return o->index == index && o->withdrawn; });
    if (offer == m_offers.rend()) return false;
    const Variant held = attrib->GetValue();
    // Another store changed the attribute meanwhile: the offer is void.
    if (!IsSameAttribValue(held, (*offer)->wanted)) {
      if (!IsSameAttribValue(held, (*offer)->previous)) return false;
      attrib->SetValue((*offer)->wanted);
      if (!IsSameAttribValue(attrib->GetValue(), (*offer)->wanted)) return false;
    }
    (*offer)->withdrawn = false;
  }
  if (GetSafeHwnd()) RepaintIfChanged();
  return true;
}

void C_BaseShape::ShowRefusal() {
  const std::string text = ruv::Format("Error at %s operating!", GetDeviceTypeName().c_str());
  // A worker cycle must not stall (outputs may be on): it only informs.
  if (IsUiThread()) {
    ShowMessageBox(text, "", kOperatorErrorStyle);
  } else {
    ShowMessageBoxWithoutWaiting(text, "", kOperatorErrorStyle);
  }
}

BOOL C_BaseShape::OnAttribAccepted(int /*index*/) { return TRUE; }

// ---------------------------------------------------------------- settings

void C_BaseShape::ApplyAndSave(int index, const Variant& value) {
  switch (FindAttribVarType(index)) {
    case VT_I4:
      SetAttribInt(index, VariantToLong(value));
      IniWriteInt(index);
      break;
    case VT_R4:
      SetAttribFloat(index, VariantToFloat(value));
      IniWriteFloat(index);
      break;
    default: break;
  }
}

int C_BaseShape::IniReadInt(int index, int field) const {
  std::int32_t value = GetColor(index);
  if (CIniFile* ini = GetIniTableEntry(m_settingsIndex))
    ini->ReadInt(GetSectionName(), GetIniKeyName(index, field), value, GetColor(index));
  return value;
}

void C_BaseShape::IniWriteInt(int index, int field) {
  const int value = GetAttribInt(index);
  if (value == IniReadInt(index, field)) return;
  if (CIniFile* ini = GetIniTableEntry(m_settingsIndex))
    ini->WriteInt(GetSectionName(), GetIniKeyName(index, field), value);
}

float C_BaseShape::IniReadFloat(int index, int field) const {
  float value = GetDefaultFloat(index);
  if (CIniFile* ini = GetIniTableEntry(m_settingsIndex))
    ini->ReadFloat(GetSectionName(), GetIniKeyName(index, field), value, GetDefaultFloat(index));
  return value;
}

void C_BaseShape::IniWriteFloat(int index, int field) {
  const float value = GetAttribFloat(index);
  if (value == IniReadFloat(index, field)) return;
  if (CIniFile* ini = GetIniTableEntry(m_settingsIndex))
    ini->WriteFloat(GetSectionName(), GetIniKeyName(index, field), value);
}

std::string C_BaseShape::ReadIniValue(int index, int field) const {
  std::string value = GetUnitText(index);
  if (CIniFile* ini = GetIniTableEntry(m_settingsIndex))
    ini->ReadString(GetSectionName(), GetIniKeyName(index, field), value, GetUnitText(index));
  return value;
}

void C_BaseShape::WriteIniValue(int index, int field, const std::string& text) {
  CIniFile* ini = GetIniTableEntry(m_settingsIndex);
  if (!ini) return;
  const std::string section = GetSectionName();
  const std::string key = GetIniKeyName(index, field);
  std::string stored;
  ini->ReadString(section, key, stored, std::string());
  if (stored != text) ini->WriteString(section, key, text);
}

BOOL C_BaseShape::SectionExists(const std::string& section) const {
  CIniFile* ini = GetIniTableEntry(m_settingsIndex);
  return ini && ini->SectionExists(section) ? TRUE : FALSE;
}

void C_BaseShape::LoadAttribFromIni(int index) {
  switch (FindAttribVarType(index)) {
    case VT_I4: SetAttribInt(index, IniReadInt(index)); break;
    case VT_R4: SetAttribFloat(index, IniReadFloat(index)); break;
    default: break;
  }
}

void C_BaseShape::LoadAttribsFromIni() {
  CRAttribsPack::LoadAttribsFromIni();
  // Ranges before the values they limit, floats then integers.
  const std::vector<int> order = GetIniLoadOrder();
  for (VARTYPE type : {VT_R4, VT_I4})
    for (int index : order)
      if (FindAttribVarType(index) == type) LoadAttribFromIni(index);
  SetAttribString(eShapeDeviceCaption, ruv::Trim(ReadIniValue(eShapeDeviceCaption, eAttribIniData)));
  SetAttribBool(eShapeDeviceIsInRecipe, true);
}

void C_BaseShape::WriteBackDrawingSettings() {
  IniWriteFloat(eShapeLoadInWay);
  for (int index : kWrittenBackInts) IniWriteInt(index);
}

// ---------------------------------------------------------------- messages

LRESULT C_BaseShape::PostToParent(UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* parent = GetParent();
  if (!GetSafeHwnd() || !parent) return 0;
  return parent->PostMessage(message, wParam, lParam);
}

LRESULT C_BaseShape::SendToParent(UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* parent = GetParent();
  if (!GetSafeHwnd() || !parent) return 0;
  return parent->SendMessage(message, wParam, lParam);
}

LRESULT C_BaseShape::NotifyParent(int code) {
  const LPARAM lParam = static_cast<LPARAM>(GetObjectId() | (static_cast<PlantObjectId>(code) << 8));
  return PostToParent(SHAPE_NOTIFY_MESSAGE, 0, lParam);
}

BOOL C_BaseShape::OnPendingFlagChanged(int code) {
  const BOOL answer = CRAttribsPack::OnPendingFlagChanged(code);
  if (code == eAttribChangeReadRequested || code == eAttribChangeWriteRequested)
    PostToParent(SHAPE_PENDING_MESSAGE, static_cast<WPARAM>(GetObjectId()), static_cast<LPARAM>(code));
  return answer;
}

int C_BaseShape::OnTagNotify(CDCTag* tag, int code) {
  if (!tag) return 1;
  if (code == eTagChangeValue && tag->IsReadPending()) return 1;
  std::vector<CRAttrib*> handled;
  bool reposted = false;
  for (CRAttrib* attrib : GetTagAttribs(tag)) {
    if (std::find(handled.begin(), handled.end(), attrib) != handled.end()) continue;
    handled.push_back(attrib);
    if (attrib->GetDCTag() != tag) {
      RemoveTagAttrib(tag, attrib);
      continue;
    }
    const int index = attrib->GetID();
    switch (code) {
      case eTagChangeValue: {
        if (tag->IsReadPending()) {
          // A read started meanwhile: the value that read brings is the one to
          // take, so the tag tells its listeners again (once for this message).
          if (!reposted) tag->NotifyListeners(eTagChangeValue);
          reposted = true;
          break;
        }
        const Variant value = tag->GetValue();
        switch (tag->GetDataType()) {
          case VT_I4:
          case VT_UI2: SetAttribInt(index, VariantToLong(value)); break;
          case VT_R4: SetAttribFloat(index, VariantToFloat(value)); break;
          case VT_DATE: SetAttribDouble(index, VariantToDouble(value)); break;
          case VT_BSTR: SetAttribString(index, VariantBstrToText(value)); break;
          case VT_BOOL: SetAttribBool(index, VariantToBool(value) != (attrib->IsNegative() != FALSE)); break;
          default: break;
        }
        attrib->SetReadRequested(FALSE);
        break;
      }
      case eTagChangeReadPending: attrib->SetReadRequested(tag->IsReadPending()); break;
      case eTagChangeWritePending: attrib->SetWriteRequested(tag->IsWritePending()); break;
      default: break;
    }
  }
  return 0;
}

LRESULT C_BaseShape::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == DCTAG_NOTIFY_MESSAGE) return OnTagNotify(reinterpret_cast<CDCTag*>(wParam), static_cast<int>(lParam));
  return CRAttribsPack::WindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------- alarms

void C_BaseShape::ResetAlarms() {
  ResetAllAlarms();
  SetAttribBool(eShapeDeviceIsOverloaded, false);
}

void C_BaseShape::OnPackChanged(int code) {
  CAlarmPack::OnPackChanged(code);
  if (code == eAlarmChangeActive) SetAlarmActive(IsAnyActive());
}

// ---------------------------------------------------------------- analog channels

void C_BaseShape::CreateAnalogUnits(int count) {
  m_analogUnits.clear();
  for (int i = 0; i < count; ++i) m_analogUnits.push_back(std::make_unique<CAnalogUnit>(this));
}

CAnalogUnit* C_BaseShape::GetAnalogUnit(int index) const {
  if (index < 0 || index >= GetAnalogUnitCount()) return nullptr;
  return m_analogUnits[static_cast<std::size_t>(index)].get();
}

// ---------------------------------------------------------------- blinking and drawing

void C_BaseShape::SetPropSheetOpen(bool open) {
  m_propSheetOpen.store(open);
  if (open) StartBlinkTimer();
}

void C_BaseShape::SetActionDlgOpen(bool open) {
  m_actionDlgOpen.store(open);
  if (open) StartBlinkTimer();
}

void C_BaseShape::SetAlarmActive(bool active) {
  m_alarmActive.store(active);
  if (active) StartBlinkTimer();
}

void C_BaseShape::StartBlinkTimer() {
  if (GetSafeHwnd()) SetTimer(SHAPE_BLINK_TIMER, SHAPE_BLINK_PERIOD_MS);
}

void C_BaseShape::StartRedrawTimer() {
  if (GetSafeHwnd()) SetTimer(SHAPE_REDRAW_TIMER, SHAPE_REDRAW_PERIOD_MS);
}

void C_BaseShape::OnBlinkTick() {
  if (!IsPropSheetOpen() && !IsActionDlgOpen() && !IsAlarmActive()) {
    KillTimer(SHAPE_BLINK_TIMER);
    m_blinkPhase.store(false);
    RepaintIfChanged();
    return;
  }
  // On for four ticks, off for one.
  m_blinkCounter = (m_blinkCounter + 1) % 5;
  if (m_blinkCounter == 0 || m_blinkCounter == 1) {
    m_blinkPhase.store(!m_blinkPhase.load());
    RepaintIfChanged();
  }
}

COLORREF C_BaseShape::GetSelectionFrameColor() const {
  if (!GetBlinkPhase()) return GetShapeBackColor();
  if (IsPropSheetOpen()) return IsAlarmActive() ? RGB(255, 0, 255) : RGB(0, 255, 0);
  if (IsActionDlgOpen()) return RGB(255, 0, 255);
  return IsAlarmActive() ? RGB(255, 0, 0) : RGB(0, 0, 0);
}

void C_BaseShape::DrawSelectionFrame(CDC* dc) {
  if (!dc) return;
  CRect client;
  GetClientRect(&client);
  CPen pen(PS_SOLID, 1, GetSelectionFrameColor());
  CPen* oldPen = dc->SelectObject(&pen);
  CGdiObject* oldBrush = dc->SelectStockObject(HOLLOW_BRUSH);
  dc->Rectangle(&client);
  dc->SelectObject(oldPen);
  if (oldBrush) dc->SelectObject(static_cast<CBrush*>(oldBrush));
}

void C_BaseShape::OnTimer(UINT_PTR id) {
  switch (id) {
    case SHAPE_REDRAW_TIMER:
      AdvanceAnimation();
      RepaintIfChanged();
      break;
    case SHAPE_BLINK_TIMER: OnBlinkTick(); break;
    default: CRAttribsPack::OnTimer(id); break;
  }
}

void C_BaseShape::OnPaint() {
  CPaintDC dc(this);
  Draw(&dc);
}

BOOL C_BaseShape::OnEraseBkgnd(CDC*) { return TRUE; }

// ---------------------------------------------------------------- repainting only what changed

void C_BaseShape::AddStillPictureKey(ShapePictureKey& key) const {
  CRect client;
  GetClientRect(&client);
  key << client.Width() << client.Height() << GetShapeBackColor();
}

void C_BaseShape::AddMovingPictureKey(ShapePictureKey& key) const {
  key << GetBlinkPhase() << GetSelectionFrameColor();
}

void C_BaseShape::PaintPicture(CDC* target, const ShapePictureCache::Layer& still,
                               const ShapePictureCache::Layer& moving) {
  if (!target) return;
  CRect client;
  GetClientRect(&client);
  ShapePictureKey stillKey, movingKey;
  AddStillPictureKey(stillKey);
  AddMovingPictureKey(movingKey);
  m_pictureCache.Paint(target, client, stillKey.Bytes(), still, movingKey.Bytes(), moving);
}

bool C_BaseShape::IsPictureChanged() const {
  ShapePictureKey stillKey, movingKey;
  AddStillPictureKey(stillKey);
  AddMovingPictureKey(movingKey);
  return !m_pictureCache.Holds(stillKey.Bytes(), movingKey.Bytes());
}

void C_BaseShape::RepaintIfChanged() {
  const HWND handle = GetSafeHwnd();
  if (!handle) return;
  if (IsUiThread()) {
    RepaintOnUiThreadIfChanged();
    return;
  }
  // The kept picture and the alarm list are read on the UI thread, as a paint reads them.
  PostToUiThread([handle] {
    if (auto* shape = dynamic_cast<C_BaseShape*>(CWnd::FromHandle(handle))) shape->RepaintOnUiThreadIfChanged();
  });
}

void C_BaseShape::RepaintOnUiThreadIfChanged() {
  if (GetSafeHwnd() && IsPictureChanged()) Invalidate(FALSE);
}

void C_BaseShape::OnDestroy() {
  CRAttribsPack::OnDestroy();
  WriteBackDrawingSettings();
  m_popup = nullptr;
  m_menu.reset();
}

void C_BaseShape::OnRButtonUp(UINT /*flags*/, CPoint point) {
  if (!m_popup) return;
  ClientToScreen(&point);
  const auto chosen = static_cast<UINT>(
      m_popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, point.x, point.y, GetSafeHwnd()));
  // The menu's promises end with it; the chosen item's lasts until its command,
  // posted as the menu itself would post it, takes it.
  std::erase_if(m_menuPromises, [chosen](const auto& promise) { return promise.first != chosen; });
  if (chosen != 0) PostMessage(WM_COMMAND, MAKEWPARAM(static_cast<int>(chosen), 0), 0);
}

void C_BaseShape::OnLButtonDblClk(UINT /*flags*/, CPoint /*point*/) { ShowProperties(); }

// ---------------------------------------------------------------- process-wide state

void C_BaseShape::InitIniTable(int size) {
  std::vector<std::string> names;
  {
    ShapeRegistry& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.iniTable.clear();
    registry.iniTable.resize(static_cast<std::size_t>(std::clamp(size, 0, 255)));
    names = registry.deviceNames;
  }
  // Each pair once; the boxes are shown with no lock held.
  for (std::size_t i = 0; i < names.size(); ++i)
    for (std::size_t j = i + 1; j < names.size(); ++j)
      if (ruv::EqualsNoCase(names[i], names[j]))
        ShowMessageBox(ruv::Format("Found duplicated Device Name!\r\nDevice Name: %s", names[i].c_str()), "",
                       kOperatorErrorStyle);
}

void C_BaseShape::SetIniTableEntry(int index, std::unique_ptr<CIniFile> file) {
  ShapeRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (index < 0 || index >= static_cast<int>(registry.iniTable.size())) return;
  registry.iniTable[static_cast<std::size_t>(index)] = std::move(file);
}

CIniFile* C_BaseShape::GetIniTableEntry(int index) {
  ShapeRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (index < 0 || index >= static_cast<int>(registry.iniTable.size())) return nullptr;
  return registry.iniTable[static_cast<std::size_t>(index)].get();
}

void C_BaseShape::FreeIniTable() {
  ShapeRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.iniTable.clear();
}

COLORREF C_BaseShape::GetShapeBackColor() { return ShapeBackColor().load(); }

void C_BaseShape::SetShapeBackColor(COLORREF color) { ShapeBackColor().store(color); }
