#pragma once
// The store of all tags: loads them from the tag file, refuses duplicate names
// and hardware addresses, counts the tags of each hardware type, finds tags by
// name and sets or clears the pending marks of all tags at once. It owns its
// tags; a tag pointer stays valid until the data center is reset or destroyed.
//
// Filled on the UI thread at start-up before any worker exists; afterwards the
// array and the counters are only read (the tags guard themselves).
#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "datacenter/DCTag.h"

// Result codes of the data center.
enum EDataCenterResult : int {
  eDCSuccess = 0,
  eDCUnknownError = 1,
  eDCAccessDenied = 2,
  eDCInvalidParameter = 3,
  eDCOutOfRange = 4,
  eDCFileNotFound = 5,
  eDCInvalidFileVersion = 6,
  eDCDuplicatedItem = 7,
};

// The name of the tag file in the program's folder.
inline constexpr const char* DCTAG_FILE_NAME = "Qelo-DCTags.dct";

class CDataCenterBase {
 public:
  CDataCenterBase();
  virtual ~CDataCenterBase();
  CDataCenterBase(const CDataCenterBase&) = delete;
  CDataCenterBase& operator=(const CDataCenterBase&) = delete;

  // Takes the tag when it is appended (0); on refusal (7, after its message)
  // the tag comes back to the caller through `tag`.
  virtual int AddTag(std::unique_ptr<CDCTag>& tag);
  virtual BOOL HasOpcTags() const;
  virtual BOOL HasAdvTags() const;
  virtual BOOL HasSerialTags() const;
  virtual BOOL HasHwType(int hwType) const;
  virtual int GetHwTypeCount(int hwType) const;  // 0 outside 0..3
  // Reads the tag file (a name in the program's folder); a result code, with a
  // message box for any result but 0.
  virtual int LoadTagFile(const std::string& fileName);
  // Reads the tags of a tag file's text (after a reset): 0, 6 for a line of too
  // few fields or a text without a tag, 1 when the operator chose Cancel. Boxes
  // about single lines are shown; the file's own error message is not.
  int LoadTagText(const std::string& content);
  virtual void SetAllReadPending(BOOL pending);
  virtual void SetAllWritePending(BOOL pending);
  // No tag's latest command counts as given without a link any more.
  void ForgetCommandsGivenWithoutLink();
  virtual int Clear();
  // Deletes every tag and zeroes the counters; 0.
  virtual int ResetDataCenter();

  int GetTagCount() const;
  // The tag at `index` in file order; none outside 0..count-1.
  CDCTag* GetTagAt(int index) const;
  // The first tag of that exact name, silently; none for "_NO_DCTAG_".
  CDCTag* FindTag(const std::string& name) const;
  // As FindTag, but a missing tag is reported (OK / Cancel ends with 321),
  // unless Shift is held.
  CDCTag* GetTag(const std::string& name) const;

 private:
  std::vector<std::unique_ptr<CDCTag>> m_tags;
  std::array<int, 4> m_hwTypeCounts{};
  // Names and access paths are fixed once a tag is added, so these find the first
  // tag of a name or of an address without walking (and locking) every tag.
  std::unordered_map<std::string, CDCTag*> m_byName;
  std::unordered_map<std::string, CDCTag*> m_byAccessPath;
};

// "Operation succeeds." ... "Found duplicated item!"; "Unknown Error!" for other codes.
std::string GetErrorCodeText(int code);
// The tips paragraph of a configuration prompt; puts `value` on the clipboard.
std::string AppendClipboardTips(const std::string& what, const std::string& value);
// The same, appended to `text`.
void AppendClipboardTips(std::string& text, const std::string& what, const std::string& value);
