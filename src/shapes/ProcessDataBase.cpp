#include "shapes/ProcessDataBase.h"

#include "common/TimeAndKeys.h"
#include "datacenter/DCTagTypes.h"
#include "datacenter/DataCenterBase.h"
#include "platform/base/ExitHook.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"
#include "platform/ui/CDC.h"
#include "platform/ui/MenuTable.h"
#include "shapes/ShapePainting.h"

namespace {

// Placement and codes of every process-data shape (not a drawn device).
const ShapeRecord kProcessDataRecord(1, 1, 2, 2, 0x11223344, 9, std::string(), 0x55667788);
// Every range of the kind's own is empty at 26.
constexpr ShapeTypeRanges kNoOwnAttribs{SHAPE_COMMON_ATTRIB_COUNT, SHAPE_COMMON_ATTRIB_COUNT, SHAPE_COMMON_ATTRIB_COUNT,
                                        SHAPE_COMMON_ATTRIB_COUNT, SHAPE_COMMON_ATTRIB_COUNT};
constexpr UINT kTagPromptStyle = MB_OKCANCEL | MB_ICONSTOP | MB_SYSTEMMODAL;

ShapeRecord RecordNamed(const std::string& deviceName) {
  ShapeRecord record = kProcessDataRecord;
  record.deviceName = deviceName;
  return record;
}

MenuTable ProcessDataMenuTable() {
  return {MenuTableItem::Popup("Data", {MenuTableItem::Command(ID_PROCESSDATA_PROPERTIES, "Properties")})};
}

}  // namespace

C_ProcessDataBase::C_ProcessDataBase(BYTE settingsIndex, const std::string& deviceName, BYTE kind, int instanceIndex)
    : C_BaseShape(settingsIndex, RecordNamed(deviceName), kind, instanceIndex) {}

BOOL C_ProcessDataBase::CreateShape(CWnd* parent) {
  // The menu comes with the program; a table registered by the program first stays.
  if (!FindMenuResource(IDR_PROCESSDATA_MENU)) RegisterMenuResource(IDR_PROCESSDATA_MENU, ProcessDataMenuTable());
  LoadPopupMenu(IDR_PROCESSDATA_MENU);
  if (!C_BaseShape::CreateShape(parent)) return FALSE;
  CheckAttribTags();
  return TRUE;
}

bool C_ProcessDataBase::CheckAttribTags() {
  for (int index = SHAPE_COMMON_ATTRIB_COUNT; index < GetAttribCount(); ++index) {
    // The first attribute of each type is a reserve that needs no tag.
    if (GetFirstIndex(FindAttribVarType(index)) == index) continue;
    if (IsShiftKeyDown()) continue;
    const CRAttrib* attrib = GetAttrib(index);
    if (!attrib) continue;
    const std::string tagName = attrib->GetTagName();
    if (attrib->GetDCTag() && !tagName.empty()) continue;
    if (tagName == NO_DCTAG_NAME) continue;  // configured without a tag on purpose

    const std::string name = GetAttribNameAt(index);
    const std::string section = GetSectionName();
    std::string text =
        ruv::Format("The \"%s\" attrib has not a valid Tag in [%s] section!", name.c_str(), section.c_str());
    AppendClipboardTips(text, "section & attib name", ruv::Format("[%s] %s=?", section.c_str(), name.c_str()));
    if (ShowMessageBox(text, "", kTagPromptStyle) == IDCANCEL) {
      RequestProcessExit(ATTRIB_CONFIG_EXIT_CODE);
      return false;
    }
  }
  return true;
}

int C_ProcessDataBase::GetFirstIndex(VARTYPE type) const { return kNoOwnAttribs.First(type); }

int C_ProcessDataBase::GetLastIndex(VARTYPE type) const { return kNoOwnAttribs.Last(type); }

std::string C_ProcessDataBase::GetAttribNameAt(int index) const { return GetAttribName(index); }

int C_ProcessDataBase::GetAnalogRole(int index) const {
  return index >= SHAPE_COMMON_ATTRIB_COUNT ? eAnalogNone : C_BaseShape::GetAnalogRole(index);
}

int C_ProcessDataBase::GetAnalogGroupAttrib(int index, int role) const {
  return index >= SHAPE_COMMON_ATTRIB_COUNT ? -1 : C_BaseShape::GetAnalogGroupAttrib(index, role);
}

void C_ProcessDataBase::SetAttribBool(int index, bool value) { StoreAttribBool(index, value); }

void C_ProcessDataBase::SetAttribFloat(int index, float value) { StoreAttribFloat(index, value); }

void C_ProcessDataBase::Draw(CDC* dc) {
  PaintPicture(
      dc,
      [this](CDC& mem, const CRect& client) {
        mem.FillSolidRect(&client, static_cast<COLORREF>(GetAttribInt(eShapeColorBody)));
      },
      [this](CDC& mem, const CRect&) { DrawSelectionFrame(&mem); });
}

void C_ProcessDataBase::AddStillPictureKey(ShapePictureKey& key) const {
  C_BaseShape::AddStillPictureKey(key);
  key << GetAttribInt(eShapeColorBody);
}

BOOL C_ProcessDataBase::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) != ID_PROCESSDATA_PROPERTIES) return C_BaseShape::OnCommand(wParam, lParam);
  ShowProperties();
  return TRUE;
}
