#pragma once
// One OPC server item bound to one tag. The server's callbacks feed values,
// qualities and time stamps into it, and it passes the values on to its tag.
// The item's own lock guards its value, quality, time stamp and update count
// wherever they are read or written; it is never held while the tag is told.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "links/HwLinkerItem.h"
#include "platform/opc/OpcDaInterfaces.h"

class COpcGroup;

class COpcItem : public CHwLinkerItem {
 public:
  explicit COpcItem(COpcGroup* group);
  ~COpcItem() override;

  COpcGroup* GetGroup() const { return m_group; }
  // The 32-bit handle the server gives back in its callbacks.
  OPCHANDLE GetClientHandle() const { return m_clientHandle; }
  static COpcItem* FromClientHandle(OPCHANDLE handle);

  const std::string& GetAccessPath() const { return m_accessPath; }
  void SetAccessPath(const std::string& path) { m_accessPath = path; }
  const std::string& GetItemId() const { return m_itemId; }
  void SetItemId(const std::string& id) { m_itemId = id; }
  BOOL IsActive() const { return m_active; }
  void SetActive(BOOL active) { m_active = active; }
  DWORD GetAccessRights() const { return m_accessRights; }
  void SetAccessRights(DWORD rights) { m_accessRights = rights; }
  OPCHANDLE GetServerHandle() const { return m_serverHandle; }
  void SetServerHandle(OPCHANDLE handle) { m_serverHandle = handle; }
  BOOL IsAdded() const { return m_added; }
  // Clearing the flag resets the item: bad quality (out of service), no value,
  // no time stamp, update count 0. The server handle stays.
  void SetAdded(BOOL added);

  Variant GetValue() const override;
  WORD GetQuality() const;
  BOOL IsTimeStampValid() const;
  FILETIME GetTimeStamp() const;
  DWORD GetUpdateCount() const;

  // A value from the server (without or with its time stamp), passed on to the tag.
  void UpdateValue(const Variant& value, WORD quality);
  void UpdateValue(const Variant& value, WORD quality, FILETIME timeStamp);
  // The server's latest value on the tag (unless the tag holds a command not yet written).
  void ShowLatestValue();
  // The server refused the command of the tag's command count `commandCount`,
  // and said so in its own box: that command is given up, and unless a newer
  // one waits, the server's value shows again.
  void GiveUpRefusedWrite(std::uint32_t commandCount);
  // The same for the item of a client handle, looked up anew after a box
  // (which may have let the item go).
  static void GiveUpRefusedWriteOf(OPCHANDLE clientItem, std::uint32_t commandCount);
  // The server completed the write of that command.
  void NoteWriteCompleted(std::uint32_t commandCount) { m_commandCompleted.store(commandCount); }
  // The server took that command (a synchronous write, or a 2.0 completion):
  // the tag's write-pending mark goes unless a newer command waits.
  void EndWrittenCommand(std::uint32_t commandCount);
  // The tag's write-pending mark goes off when its newest command is the one
  // the server completed last (no report of the server's is waited for);
  // checked and cleared in one step, so a newer command keeps its mark.
  void EndCompletedWrite();

  // Links of the group's item list.
  COpcItem* m_prevItem = nullptr;
  COpcItem* m_nextItem = nullptr;

 private:
  void Update(const Variant& value, WORD quality, const FILETIME* timeStamp);

  COpcGroup* m_group;
  OPCHANDLE m_clientHandle;
  std::string m_accessPath;
  std::string m_itemId;
  BOOL m_active = FALSE;
  DWORD m_accessRights = OPC_READABLE;
  OPCHANDLE m_serverHandle = 0;
  BOOL m_added = FALSE;

  mutable std::recursive_mutex m_lock;
  BOOL m_timeStampValid = FALSE;
  FILETIME m_timeStamp;
  WORD m_quality = OPC_QUALITY_OUT_OF_SERVICE;
  Variant m_value;
  DWORD m_updateCount = 0;
  std::atomic<std::uint32_t> m_commandCompleted{0};
};
