#pragma once
// The stand-in's group object: items by 32-bit server handle, update rate, deadband
// and active state, the version 1.0 data-object advise with its data and
// write-complete streams, synchronous and asynchronous 1.0 writes, and refresh.
// Deliveries run from the UI event loop, at most once per update rate.
#include <memory>
#include <string>
#include <vector>

#include "platform/opc/ComPtr.h"
#include "platform/opc/OpcDaInterfaces.h"
#include "platform/opc/OpcStream.h"

class OpcStandInServer;
class QTimer;

class OpcStandInGroup final : public IOPCGroupStateMgt,
                              public IOPCItemMgt,
                              public IOPCSyncIO,
                              public IOPCAsyncIO,
                              public IDataObject {
 public:
  struct Settings {
    std::string name;
    BOOL active = TRUE;
    DWORD updateRate = 0;
    OPCHANDLE clientGroup = 0;
    OPCHANDLE serverGroup = 0;
    LONG timeBias = 0;
    float percentDeadband = 0.0f;
    LCID locale = 1033;
  };

  OpcStandInGroup(OpcStandInServer* server, const Settings& settings);

  HRESULT QueryInterface(REFIID iid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT GetState(DWORD* updateRate, BOOL* active, LPWSTR* name, LONG* timeBias, float* percentDeadband,
                   LCID* locale, OPCHANDLE* clientGroup, OPCHANDLE* serverGroup) override;

  HRESULT AddItems(DWORD count, OPCITEMDEF* items, OPCITEMRESULT** results, HRESULT** errors) override;
  HRESULT RemoveItems(DWORD count, OPCHANDLE* serverItems, HRESULT** errors) override;

  HRESULT Write(DWORD count, OPCHANDLE* serverItems, Variant* values, HRESULT** errors) override;
  HRESULT Write(DWORD connection, DWORD count, OPCHANDLE* serverItems, Variant* values, DWORD* transactionId,
                HRESULT** errors) override;
  HRESULT Refresh(DWORD connection, OPCDATASOURCE source, DWORD* transactionId) override;

  HRESULT DAdvise(FORMATETC* format, DWORD advf, IAdviseSink* sink, DWORD* connection) override;
  HRESULT DUnadvise(DWORD connection) override;

  // --- for the server ---
  const Settings& State() const { return m_settings; }
  std::size_t ItemUseCount(const std::string& itemId) const;
  void ItemChanged(const std::string& itemId);
  // The server removed the group (or went): nothing more is delivered.
  void Detach();
  void ScheduleDelivery();

 private:
  ~OpcStandInGroup() override;

  struct ItemEntry {
    bool live = false;
    std::string itemId;
    OPCHANDLE clientItem = 0;
    BOOL active = TRUE;
    VARTYPE requestedType = VT_EMPTY;
    std::uint64_t sentVersion = 0;  // the address-space version last delivered
  };
  struct Advise {
    DWORD connection = 0;
    CLIPFORMAT format = 0;
    ComPtr<IAdviseSink> sink;
  };
  struct PendingWrite {
    OPCHANDLE clientItem = 0;
    std::string itemId;
    Variant value;
  };

  ItemEntry* FindItem(OPCHANDLE serverItem);
  // The value an item is delivered with (in its requested type), false when it is gone.
  bool ItemValue(const ItemEntry& entry, OpcStreamItem& out, std::uint64_t& version) const;
  void RunDelivery();
  void SendData(const Advise& advise, const OpcDataStream& stream);
  void SendWriteComplete(DWORD connection, const OpcWriteCompleteStream& stream);
  void CompleteWrites(DWORD connection, DWORD transactionId, std::vector<PendingWrite> writes);
  void SendRefresh(DWORD connection, DWORD transactionId);
  const Advise* FindAdvise(DWORD connection) const;

  ULONG m_refs = 1;
  OpcStandInServer* m_server;  // null once removed
  Settings m_settings;
  std::vector<ItemEntry> m_items;  // server handle = index + 1
  std::vector<Advise> m_advises;
  DWORD m_nextConnection = 1;
  DWORD m_nextTransaction = 1;
  bool m_scheduled = false;
  bool m_delivering = false;
  bool m_hasDelivered = false;
  std::uint32_t m_lastDelivery = 0;
  std::unique_ptr<QTimer> m_timer;
};
