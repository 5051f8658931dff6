#pragma once
// The connection to one OPC server (on this PC or on a remote machine) and its
// groups. All of it runs on the UI thread.
#include <string>
#include <vector>

#include "platform/opc/ComPtr.h"
#include "platform/opc/OpcDaInterfaces.h"
#include "platform/ui/MessageCore.h"

class CHwLinkerEngine;
class COpcGroup;
class IRShutdownSink;

// Posted to the main window when the server asks its clients to shut down
// (wParam 0, lParam the server). No window handles it: the link keeps its state.
constexpr UINT WM_OPC_SERVER_SHUTDOWN = 14681;  // 0x3959

class COpcServer {
 public:
  COpcServer(CHwLinkerEngine* owner, const std::string& progId, const std::string& machine);
  ~COpcServer();
  COpcServer(const COpcServer&) = delete;
  COpcServer& operator=(const COpcServer&) = delete;

  // The window told of shut-down requests (the application's main window).
  static void SetMainWindow(HWND window);
  static HWND GetMainWindow();

  CHwLinkerEngine* GetOwner() const { return m_owner; }
  const std::string& GetProgId() const { return m_progId; }
  const std::string& GetMachine() const { return m_machine; }
  DWORD GetFlags() const { return m_flags; }
  BOOL IsConnected() const { return m_connected; }
  IOPCServer* GetOPCServer() const { return m_opcServer.Get(); }
  IOPCCommon* GetOPCCommon() const { return m_opcCommon.Get(); }
  IConnectionPointContainer* GetConnectionPoints() const { return m_connectionPoints.Get(); }
  IOPCItemProperties* GetItemProperties() const { return m_itemProperties.Get(); }
  IOPCBrowseServerAddressSpace* GetBrowser() const { return m_browser.Get(); }
  IOPCServerPublicGroups* GetPublicGroups() const { return m_publicGroups.Get(); }
  IPersistFile* GetPersistFile() const { return m_persistFile.Get(); }
  DWORD GetShutdownCookie() const { return m_shutdownCookie; }

  // Groups in list order (the newest first) and their count.
  std::vector<COpcGroup*> GetGroups() const;
  int GetGroupCount() const { return m_groupCount; }

  // Finds the server's class, creates it and takes its interfaces; the connected flag.
  BOOL Connect();
  // Connect, then add every group and its items. False when the connection failed.
  BOOL ConnectAll();
  // Removes the groups and items from the server and releases every interface;
  // the objects stay and can be connected again.
  void Disconnect();
  // Links the group (unless already linked) and, when connected, adds it to the server.
  void AddGroup(COpcGroup* group, BOOL alreadyLinked);
  void RemoveGroup(COpcGroup* group, BOOL destroy);
  void RemoveAllGroups(BOOL destroy);
  void ReleaseInterfaces();
  // Called by the shut-down sink; `reason` is always given (possibly empty).
  void OnShutdownRequest(const char* reason);

 private:
  void LinkGroup(COpcGroup* group);
  void UnlinkGroup(COpcGroup* group);

  CHwLinkerEngine* m_owner;
  std::string m_progId;
  std::string m_machine;
  DWORD m_flags = 0;

  ComPtr<IOPCServer> m_opcServer;
  ComPtr<IOPCCommon> m_opcCommon;
  ComPtr<IConnectionPointContainer> m_connectionPoints;
  ComPtr<IOPCItemProperties> m_itemProperties;
  ComPtr<IOPCBrowseServerAddressSpace> m_browser;
  ComPtr<IOPCServerPublicGroups> m_publicGroups;
  ComPtr<IPersistFile> m_persistFile;

  IRShutdownSink* m_shutdownSink = nullptr;  // one reference held
  DWORD m_shutdownCookie = 0;
  BOOL m_connected = FALSE;

  COpcGroup* m_firstGroup = nullptr;
  int m_groupCount = 0;
};
