#pragma once
// One OPC group of the link with its items: its state, the group interfaces the
// server gives, the data connections (the version 1.0 data-object advise, or the
// version 2.0 callback), and adding and removing its items.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/Variant.h"
#include "platform/opc/ComPtr.h"
#include "platform/opc/OpcDaInterfaces.h"

class COpcItem;
class COpcServer;
class CRAdviseSink;
class IRDataSink20;

class COpcGroup {
 public:
  // Update modes: the version 1.0 advise without or with time stamps, or the 2.0 callback.
  enum EUpdateMode { eUpdateAdvise10 = 0, eUpdateAdvise10Time = 1, eUpdateCallback20 = 2 };

  explicit COpcGroup(COpcServer* server);
  ~COpcGroup();
  COpcGroup(const COpcGroup&) = delete;
  COpcGroup& operator=(const COpcGroup&) = delete;

  COpcServer* GetServer() const { return m_server; }
  OPCHANDLE GetClientHandle() const { return m_clientHandle; }
  static COpcGroup* FromClientHandle(OPCHANDLE handle);

  const std::string& GetName() const { return m_name; }
  void SetName(const std::string& name) { m_name = name; }
  float GetDeadband() const { return m_percentDeadband; }
  void SetDeadband(float deadband) { m_percentDeadband = deadband; }
  DWORD GetUpdateRate() const { return m_updateRate; }
  void SetUpdateRate(DWORD rate) { m_updateRate = rate; }
  int GetUpdateMode() const { return m_updateMode; }
  // Stands for the mode an archived group brings along (the link itself keeps mode 0).
  void SetUpdateMode(int mode) { m_updateMode = mode; }
  LCID GetLocaleId() const { return m_localeId; }
  BOOL IsActive() const { return m_active; }
  LONG GetTimeBias() const { return m_timeBias; }
  OPCHANDLE GetServerHandle() const { return m_serverHandle; }
  void SetServerHandle(OPCHANDLE handle) { m_serverHandle = handle; }
  BOOL IsAdded() const { return m_added; }
  void SetAdded(BOOL added) { m_added = added; }
  DWORD GetFlags() const { return m_flags; }

  // The interfaces the writes use (empty when the server did not give them).
  IOPCSyncIO* GetSyncIO() const { return m_syncIO.Get(); }
  IOPCAsyncIO* GetAsyncIO() const { return m_asyncIO.Get(); }
  IOPCAsyncIO2* GetAsyncIO2() const { return m_asyncIO2.Get(); }
  IOPCItemMgt* GetItemMgt() const { return m_itemMgt.Get(); }
  IDataObject* GetDataObject() const { return m_dataObject.Get(); }
  DWORD GetDataConnection() const { return m_dataConnection; }
  DWORD GetWriteConnection() const { return m_writeConnection; }
  DWORD GetCallbackCookie() const { return m_callbackCookie; }

  // Items in list order (the newest first) and their count.
  std::vector<COpcItem*> GetItems() const;
  DWORD GetItemCount() const { return m_itemCount; }

  // Links the items (unless already linked) and, when the server is connected,
  // adds them to it; a refused item gets the Abort/Retry/Ignore box.
  // Writes texts[i] to items[i] through the synchronous, asynchronous 1.0 or
  // asynchronous 2.0 interface. A text that cannot become the item's type is
  // reported and its item left out; nothing happens while unconnected.
  void WriteSync(const std::vector<COpcItem*>& items, const std::vector<std::string>& texts);
  void WriteAsync10(const std::vector<COpcItem*>& items, const std::vector<std::string>& texts);
  void WriteAsync20(const std::vector<COpcItem*>& items, const std::vector<std::string>& texts);

  // A write sent asynchronously whose completion has not come yet: the
  // transaction, the item and the command (the tag's command count) it carries.
  struct WriteUnderWay {
    DWORD transactionId = 0;
    OPCHANDLE clientItem = 0;
    std::uint32_t commandCount = 0;
    Variant value;
  };
  // The command a completion of `transactionId` answers for the item, which is
  // no longer under way; false when no such write is (one given up already).
  bool TakeWriteUnderWay(DWORD transactionId, OPCHANDLE clientItem, std::uint32_t& commandCount);
  bool HasWritesUnderWay() const { return !m_writesUnderWay.empty(); }
  const std::vector<WriteUnderWay>& GetWritesUnderWay() const { return m_writesUnderWay; }
  // A write sent asynchronously, kept until its completion comes.
  void KeepWriteUnderWay(WriteUnderWay write) { m_writesUnderWay.push_back(std::move(write)); }
  // Every write still under way, in the order sent; none is afterwards.
  std::vector<WriteUnderWay> TakeWritesUnderWay();

  void AddItems(COpcItem* const* items, DWORD count, BOOL alreadyLinked);
  void AddAllItems();
  // Takes the group interfaces from what the server's AddGroup returned and sets up
  // the data connection of the update mode.
  void ConnectInterfaces(IUnknown* group);
  // Ends the data connections, removes (and with `destroy` deletes) the items and
  // releases the group interfaces. The group takes a new client handle: the
  // server's late calls about the run that ends here find no group.
  void Disconnect(BOOL destroy);
  void RemoveAllItems(BOOL destroy);
  void RemoveItems(COpcItem* const* items, DWORD count, BOOL destroy);

  // Links of the server's group list.
  COpcGroup* m_prevGroup = nullptr;
  COpcGroup* m_nextGroup = nullptr;

 private:
  enum class WriteKind { Sync, Async10, Async20 };
  void Write(WriteKind kind, const std::vector<COpcItem*>& items, const std::vector<std::string>& texts);
  void LinkItem(COpcItem* item);
  void UnlinkItem(COpcItem* item);
  void ReleaseInterfaces();

  COpcServer* m_server;
  OPCHANDLE m_clientHandle;
  std::string m_name;
  DWORD m_updateRate = 100;
  LCID m_localeId = 1033;
  BOOL m_active = TRUE;
  LONG m_timeBias = 0;
  float m_percentDeadband = 0.0f;
  OPCHANDLE m_serverHandle = 0;
  BOOL m_added = FALSE;
  int m_updateMode = eUpdateAdvise10;
  DWORD m_flags = 0;  // bit 0: force the removal from the server

  ComPtr<IOPCGroupStateMgt> m_groupStateMgt;
  ComPtr<IOPCPublicGroupStateMgt> m_publicGroupStateMgt;
  ComPtr<IOPCItemMgt> m_itemMgt;
  ComPtr<IOPCSyncIO> m_syncIO;
  ComPtr<IOPCAsyncIO> m_asyncIO;
  ComPtr<IDataObject> m_dataObject;
  ComPtr<IOPCAsyncIO2> m_asyncIO2;
  ComPtr<IConnectionPointContainer> m_connectionPoints;

  IRDataSink20* m_callbackSink = nullptr;  // one reference held
  DWORD m_callbackCookie = 0;
  CRAdviseSink* m_adviseSink = nullptr;  // one reference held
  DWORD m_dataConnection = 0;
  DWORD m_writeConnection = 0;

  COpcItem* m_firstItem = nullptr;
  DWORD m_itemCount = 0;

  std::vector<WriteUnderWay> m_writesUnderWay;
  DWORD m_nextTransactionId = 1;  // the client's own, for the 2.0 writes
};
