#include "datacenter/DataCenterBase.h"

#include <filesystem>
#include <sstream>

#include "common/CommonUtils.h"
#include "datacenter/ConfigurationBoxes.h"
#include "datacenter/RAttrib.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/ExitHook.h"
#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"

namespace {


bool IsCommentOrBlank(const std::string& line) { return line.empty() || line[0] == '-' || line[0] == '/'; }

}  // namespace

std::string GetErrorCodeText(int code) {
  switch (code) {
    case eDCSuccess: return "Operation succeeds.";
    case eDCAccessDenied: return "Access Denied!";
    case eDCInvalidParameter: return "Invalid Parameter!";
    case eDCOutOfRange: return "Parameter is out of range!!";
    case eDCFileNotFound: return "File not found!";
    case eDCInvalidFileVersion: return "Invalid File Version!";
    case eDCDuplicatedItem: return "Found duplicated item!";
    default: return "Unknown Error!";
  }
}

std::string AppendClipboardTips(const std::string& what, const std::string& value) {
  std::string tips = "\n\nTips:\n";
  tips += " - The " + what + " is copied to clipboard.\n";
  tips += " - Press and hold Shift key to ignore subsequent call of this error message types.";
  tips += "\n";
  tips += " - Press Cancel button to terminate program.";
  CopyTextToClipboard(value);
  return tips;
}

void AppendClipboardTips(std::string& text, const std::string& what, const std::string& value) {
  text += AppendClipboardTips(what, value);
}

CDataCenterBase::CDataCenterBase() = default;

CDataCenterBase::~CDataCenterBase() { Clear(); }

int CDataCenterBase::AddTag(std::unique_ptr<CDCTag>& tag) {
  if (!tag) return eDCInvalidParameter;
  const std::string name = tag->GetTagName();
  if (const CDCTag* present = FindTag(name)) {
    ShowMessageBox(ruv::Format("Found duplicated Tag Name!\nCheck this lines: %d , %d ", present->GetLineNumber(),
                               tag->GetLineNumber()),
                   "", kConfigReportStyle);
    return eDCDuplicatedItem;
  }
  const int hwType = tag->GetHWType();
  const std::string path = tag->GetAccessPath();
  // OPC items may share a path; every other address belongs to one tag only.
  if (hwType != eHWOpc && path != "NULL") {
    auto present = m_byAccessPath.find(path);
    if (present != m_byAccessPath.end()) {
      ShowMessageBox(ruv::Format("Found duplicated Data (HW) Address!\nCheck this lines: %d , %d ",
                                 present->second->GetLineNumber(), tag->GetLineNumber()),
                     "", kConfigReportStyle);
      return eDCDuplicatedItem;
    }
  }
  if (hwType >= 0 && hwType < static_cast<int>(m_hwTypeCounts.size())) ++m_hwTypeCounts[static_cast<std::size_t>(hwType)];
  CDCTag* added = tag.get();
  m_tags.push_back(std::move(tag));
  if (name != NO_DCTAG_NAME) m_byName.emplace(name, added);
  if (path != "NULL") m_byAccessPath.emplace(path, added);
  return eDCSuccess;
}

BOOL CDataCenterBase::HasOpcTags() const { return HasHwType(eHWOpc); }
BOOL CDataCenterBase::HasAdvTags() const { return HasHwType(eHWAdv); }
BOOL CDataCenterBase::HasSerialTags() const { return HasHwType(eHWSerial); }
BOOL CDataCenterBase::HasHwType(int hwType) const { return GetHwTypeCount(hwType) > 0 ? TRUE : FALSE; }

int CDataCenterBase::GetHwTypeCount(int hwType) const {
  if (hwType < 0 || hwType >= static_cast<int>(m_hwTypeCounts.size())) return 0;
  return m_hwTypeCounts[static_cast<std::size_t>(hwType)];
}

int CDataCenterBase::LoadTagFile(const std::string& fileName) {
  ResetDataCenter();
  const std::string path = GetModuleFolder() + fileName;
  int result = eDCSuccess;
  std::string content;
  std::error_code ignored;
  if (!std::filesystem::exists(path, ignored)) {
    result = eDCFileNotFound;
  } else if (std::filesystem::is_directory(path, ignored) || !ReadWholeFile(path, content)) {
    result = eDCAccessDenied;
  } else {
    result = LoadTagText(content);
    // The operator ended the program; nothing more is reported.
    if (result == eDCUnknownError) return result;
  }
  if (result != eDCSuccess) {
    ShowMessageBox(ruv::Format("Error at loading DataCenter Tag file!\n- %s\n\n %s", GetErrorCodeText(result).c_str(),
                               path.c_str()),
                   "", kConfigReportStyle);
  }
  return result;
}

int CDataCenterBase::LoadTagText(const std::string& content) {
  ResetDataCenter();
  std::istringstream lines(content);
  std::string line;
  int lineNumber = 0;
  int nextTagID = 0;
  bool anyAdded = false;
  while (std::getline(lines, line)) {
    ++lineNumber;  // blank and comment lines count too
    line = ruv::Trim(line);
    if (IsCommentOrBlank(line)) continue;
    auto tag = std::make_unique<CDCTag>();
    tag->SetTagID(nextTagID++);
    tag->SetLineNumber(lineNumber);
    const CDCTag::ELineResult parsed = tag->ParseLine(line);
    if (parsed == CDCTag::ELineResult::Cancelled) return eDCUnknownError;
    if (parsed == CDCTag::ELineResult::TooFewFields) return eDCInvalidFileVersion;
    if (AddTag(tag) == eDCSuccess) anyAdded = true;
  }
  return anyAdded ? eDCSuccess : eDCInvalidFileVersion;
}

void CDataCenterBase::SetAllReadPending(BOOL pending) {
  for (const auto& tag : m_tags) tag->SetReadPending(pending);
}

void CDataCenterBase::SetAllWritePending(BOOL pending) {
  for (const auto& tag : m_tags) tag->SetWritePending(pending);
}

void CDataCenterBase::ForgetCommandsGivenWithoutLink() {
  for (const auto& tag : m_tags) tag->ForgetCommandGivenWithoutLink();
}

int CDataCenterBase::Clear() { return ResetDataCenter(); }

int CDataCenterBase::ResetDataCenter() {
  m_byName.clear();
  m_byAccessPath.clear();
  m_tags.clear();
  m_hwTypeCounts.fill(0);
  return eDCSuccess;
}

int CDataCenterBase::GetTagCount() const { return static_cast<int>(m_tags.size()); }

CDCTag* CDataCenterBase::GetTagAt(int index) const {
  if (index < 0 || index >= GetTagCount()) return nullptr;
  return m_tags[static_cast<std::size_t>(index)].get();
}

CDCTag* CDataCenterBase::FindTag(const std::string& name) const {
  if (name == NO_DCTAG_NAME) return nullptr;
  auto found = m_byName.find(name);
  return found == m_byName.end() ? nullptr : found->second;
}

CDCTag* CDataCenterBase::GetTag(const std::string& name) const {
  if (name == NO_DCTAG_NAME) return nullptr;
  if (CDCTag* tag = FindTag(name)) return tag;
  if (IsShiftKeyDown()) return nullptr;
  std::string text = ruv::Format("The following Tag did not found in DataCenter:\n - %s", name.c_str());
  text += AppendClipboardTips("DataCenter TagName", name);
  if (ShowMessageBox(text, "", kConfigPromptStyle) == IDCANCEL) RequestProcessExit(ATTRIB_CONFIG_EXIT_CODE);
  return nullptr;
}
