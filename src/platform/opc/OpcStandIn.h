#pragma once
// The in-process OPC Data Access server stand-in, registered under "OPC.SimaticNET":
// its address space and the controls the program and the tests use. The program
// fills the address space at start-up from the OPC tags of the tag file; tests add
// items, set values and qualities, refuse items, fail writes and request shut-down.
//
// Everything here runs on the UI thread. The server delivers its callbacks (data
// changes, write completions, shut-down requests) from the UI event loop, never
// inside a client call: a change only schedules a delivery. A group delivers at
// most once per update rate, measured on the clock service.
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/Variant.h"
#include "platform/opc/ComBase.h"
#include "platform/opc/OpcDaInterfaces.h"

class OpcStandInServer;

inline constexpr const char* kOpcStandInProgId = "OPC.SimaticNET";
constexpr CLSID CLSID_OpcStandIn = MakeGuid(0x2ab8651d, 0xc87f, 0x447a, 0xb540, 0xc3e60578e347ull);
// The fastest update rate the stand-in grants; slower requests are kept.
constexpr DWORD kOpcStandInMinimumUpdateRate = 100;

class OpcStandIn {
 public:
  struct ItemState {
    VARTYPE type = VT_EMPTY;
    DWORD accessRights = OPC_READABLE | OPC_WRITEABLE;
    Variant value;
    WORD quality = OPC_QUALITY_GOOD;
    FILETIME timeStamp;
    std::uint64_t version = 1;    // grows with every change of value, quality or time stamp
  };

  static OpcStandIn& Instance();

  // Start-up: one item per (item id, type) pair, readable and writable, holding the
  // zero of its type. An item already present keeps its state. False when a type
  // cannot be served (the pair is left out).
  bool LoadItems(const std::vector<std::pair<std::string, VARTYPE>>& items);
  bool AddItem(const std::string& itemId, VARTYPE type, DWORD accessRights = OPC_READABLE | OPC_WRITEABLE);
  // Sets the value (converted to the item's type), good quality and the current time.
  bool SetValue(const std::string& itemId, const Variant& value);
  bool SetQuality(const std::string& itemId, WORD quality);
  bool SetTimeStamp(const std::string& itemId, FILETIME timeStamp);
  bool SetAccessRights(const std::string& itemId, DWORD accessRights);
  // AddItems refuses the item with `error` (S_OK accepts it again). Works for unknown ids too.
  void RefuseItem(const std::string& itemId, HRESULT error = OPC_E_UNKNOWNITEMID);
  // Writes to the item complete with `error` (S_OK lets them succeed again).
  void FailWrites(const std::string& itemId, HRESULT error = E_FAIL);
  // While on, asynchronous writes are taken but never done nor completed, as by
  // a server that hangs; the writes taken meanwhile stay undone when it goes off.
  void LeaveWritesUncompleted(bool leave);
  bool LeavesWritesUncompleted() const;
  // Runs `observer` (UI thread) as each asynchronous write completes, before
  // the client hears of it: tests see what runs wherever the completion lands.
  void ObserveCompletions(std::function<void(const std::string& itemId)> observer);
  void NoteCompletion(const std::string& itemId);
  // AddGroup refuses a group of this name with `error` (S_OK accepts it again).
  void RefuseGroup(const std::string& groupName, HRESULT error = E_FAIL);
  // Every connected client is asked to shut down (from the event loop).
  void RequestShutdown(const std::string& reason);
  // Asks every group to deliver what is due (from the event loop); for tests that move the clock.
  void ServiceGroups();
  // Empties the address space and the refusals (tests start from here).
  void Reset();

  bool HasItem(const std::string& itemId) const;
  bool Item(const std::string& itemId, ItemState& state) const;
  Variant Value(const std::string& itemId) const;
  std::size_t ServerCount() const;
  std::size_t GroupCount() const;
  // Groups whose name is `groupName`, over every live server.
  std::size_t GroupsNamed(const std::string& groupName) const;
  // Client references to the item over every live group.
  std::size_t ItemUseCount(const std::string& itemId) const;
  std::size_t WriteCount() const { return m_writeCount; }

  // --- for the server objects ---
  void Attach(OpcStandInServer* server);
  void Detach(OpcStandInServer* server);
  HRESULT GroupRefusal(const std::string& groupName) const;
  HRESULT ItemRefusal(const std::string& itemId) const;
  // A write from a client: the error it completes with; on success the value is stored.
  HRESULT ApplyWrite(const std::string& itemId, const Variant& value);

 private:
  OpcStandIn() = default;
  void NotifyChanged(const std::string& itemId);

  mutable std::mutex m_mutex;
  std::map<std::string, ItemState> m_items;
  std::map<std::string, HRESULT> m_refusedItems;
  std::map<std::string, HRESULT> m_failedWrites;
  std::map<std::string, HRESULT> m_refusedGroups;
  std::vector<OpcStandInServer*> m_servers;
  std::size_t m_writeCount = 0;
  bool m_leaveWritesUncompleted = false;
  std::function<void(const std::string&)> m_completionObserver;  // UI thread only
};
