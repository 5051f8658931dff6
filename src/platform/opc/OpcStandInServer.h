#pragma once
// The stand-in's server object: groups by 32-bit server handle, error texts, and the
// shut-down connection point. It offers IOPCServer, IOPCCommon and
// IConnectionPointContainer; the other server interfaces of the standard it lacks.
#include <map>
#include <string>

#include "platform/opc/ComPtr.h"
#include "platform/opc/ConnectionPoint.h"
#include "platform/opc/OpcDaInterfaces.h"

class OpcStandInGroup;

class OpcStandInServer final : public IOPCServer, public IOPCCommon, public IConnectionPointContainer {
 public:
  OpcStandInServer();

  HRESULT QueryInterface(REFIID iid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT AddGroup(LPCWSTR name, BOOL active, DWORD requestedUpdateRate, OPCHANDLE clientGroup, LONG* timeBias,
                   float* percentDeadband, LCID locale, OPCHANDLE* serverGroup, DWORD* revisedUpdateRate, REFIID iid,
                   IUnknown** group) override;
  HRESULT GetErrorString(HRESULT error, LCID locale, LPWSTR* text) override;
  HRESULT RemoveGroup(OPCHANDLE serverGroup, BOOL force) override;

  HRESULT SetLocaleID(LCID locale) override;
  HRESULT GetLocaleID(LCID* locale) override;
  HRESULT SetClientName(LPCWSTR name) override;

  HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  // --- for the stand-in ---
  std::size_t GroupCount() const { return m_groups.size(); }
  std::size_t GroupsNamed(const std::string& name) const;
  std::size_t ItemUseCount(const std::string& itemId) const;
  void ItemChanged(const std::string& itemId);
  void ServiceGroups();
  // Posts the shut-down request to every advised sink.
  void PostShutdownRequest(const std::string& reason);

  // The standard's text of an error code this server gives.
  static std::string ErrorText(HRESULT error);

 private:
  ~OpcStandInServer() override;

  ULONG m_refs = 1;
  LCID m_locale = 1033;
  std::string m_clientName;
  OPCHANDLE m_nextGroupHandle = 1;
  std::map<OPCHANDLE, ComPtr<OpcStandInGroup>> m_groups;
  ComPtr<ConnectionPoint> m_shutdownPoint;
};
