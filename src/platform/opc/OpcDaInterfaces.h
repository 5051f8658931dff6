#pragma once
// The OPC Data Access interfaces as this program's client and the in-process server
// stand-in use them: the server list, server, group and item management, the
// synchronous and asynchronous writes, and the callbacks. Only the methods the
// client calls are declared; values travel as the platform's Variant.
#include <cstdint>

#include "platform/base/Variant.h"
#include "platform/opc/ComBase.h"
#include "platform/opc/OleInterfaces.h"

using OPCHANDLE = DWORD;  // 32-bit handles, never pointers

// Class and interface of the OPC server list (the service that names the servers of a machine).
constexpr CLSID CLSID_OpcServerList = MakeGuid(0x13486D51, 0x4821, 0x11D2, 0xA494, 0x3CB306C10000ull);
constexpr IID IID_IOPCServerList = MakeGuid(0x13486D50, 0x4821, 0x11D2, 0xA494, 0x3CB306C10000ull);

constexpr IID IID_IOPCServer = MakeGuid(0xa55e425b, 0x578e, 0x4dab, 0xa9a4, 0x20f0e5b55729ull);
constexpr IID IID_IOPCCommon = MakeGuid(0xa7de0073, 0x586f, 0x453c, 0x86d0, 0xafd4e5303f42ull);
constexpr IID IID_IOPCItemProperties = MakeGuid(0xb0540fe2, 0xbc7d, 0x4c0d, 0xa01e, 0x5a8388b92ab4ull);
constexpr IID IID_IOPCBrowseServerAddressSpace = MakeGuid(0x64fe1179, 0x1570, 0x467f, 0xabf9, 0x2c0bf5fba0d9ull);
constexpr IID IID_IOPCServerPublicGroups = MakeGuid(0x68264011, 0x47de, 0x47fd, 0x80ad, 0xc6767e6e3804ull);
constexpr IID IID_IOPCGroupStateMgt = MakeGuid(0xe7662134, 0x1819, 0x48e2, 0xa62b, 0xaa28d8b919a4ull);
constexpr IID IID_IOPCPublicGroupStateMgt = MakeGuid(0x94cfa9c7, 0xe280, 0x416c, 0x964e, 0x368c496950bdull);
constexpr IID IID_IOPCItemMgt = MakeGuid(0x695ae11d, 0x7693, 0x4432, 0xbadb, 0x5f81f6348369ull);
constexpr IID IID_IOPCSyncIO = MakeGuid(0x256a2e4f, 0x301d, 0x4a31, 0xac09, 0x82f423f870f8ull);
constexpr IID IID_IOPCAsyncIO = MakeGuid(0x4d23d9c2, 0x20d2, 0x4b26, 0xbc44, 0x517d5645c69aull);
constexpr IID IID_IOPCAsyncIO2 = MakeGuid(0x06117dc5, 0x8699, 0x400b, 0x9590, 0xadd76e460c85ull);
constexpr IID IID_IOPCDataCallback = MakeGuid(0x69116ee1, 0xb57a, 0x4e23, 0xabbb, 0xb611d521f429ull);
constexpr IID IID_IOPCShutdown = MakeGuid(0x050349c0, 0xa07d, 0x472b, 0xbd8b, 0x80688e6ed5b5ull);

// Names of the registered clipboard formats of the version 1.0 data path.
inline constexpr const char* kOpcFormatDataName = "OPCSTMFORMATDATA";
inline constexpr const char* kOpcFormatDataTimeName = "OPCSTMFORMATDATATIME";
inline constexpr const char* kOpcFormatWriteCompleteName = "OPCSTMFORMATWRITECOMPLETE";

// Access rights of an item.
constexpr DWORD OPC_READABLE = 0x1;
constexpr DWORD OPC_WRITEABLE = 0x2;

// Quality words (the low byte: quality, substatus and limit bits).
constexpr WORD OPC_QUALITY_BAD = 0x00;
constexpr WORD OPC_QUALITY_CONFIG_ERROR = 0x04;
constexpr WORD OPC_QUALITY_NOT_CONNECTED = 0x08;
constexpr WORD OPC_QUALITY_COMM_FAILURE = 0x18;
constexpr WORD OPC_QUALITY_OUT_OF_SERVICE = 0x1C;  // 28
constexpr WORD OPC_QUALITY_UNCERTAIN = 0x40;
constexpr WORD OPC_QUALITY_GOOD = 0xC0;

enum OPCDATASOURCE : DWORD { OPC_DS_CACHE = 1, OPC_DS_DEVICE = 2 };

// Errors of the OPC interfaces (interface facility).
constexpr HRESULT OPC_E_INVALIDHANDLE = static_cast<HRESULT>(0xC0040001u);
constexpr HRESULT OPC_E_BADTYPE = static_cast<HRESULT>(0xC0040004u);
constexpr HRESULT OPC_E_PUBLIC = static_cast<HRESULT>(0xC0040005u);
constexpr HRESULT OPC_E_BADRIGHTS = static_cast<HRESULT>(0xC0040006u);
constexpr HRESULT OPC_E_UNKNOWNITEMID = static_cast<HRESULT>(0xC0040007u);
constexpr HRESULT OPC_E_INVALIDITEMID = static_cast<HRESULT>(0xC0040008u);
constexpr HRESULT OPC_E_DUPLICATENAME = static_cast<HRESULT>(0xC004000Cu);
constexpr HRESULT OPC_E_UNKNOWNPATH = static_cast<HRESULT>(0xC004000Au);
constexpr HRESULT OPC_E_RANGE = static_cast<HRESULT>(0xC004000Bu);
constexpr HRESULT OPC_S_UNSUPPORTEDRATE = 0x0004000D;

struct OPCITEMDEF {
  LPWSTR szAccessPath = nullptr;  // none for an empty path
  LPWSTR szItemID = nullptr;
  BOOL bActive = TRUE;
  OPCHANDLE hClient = 0;
  DWORD dwBlobSize = 0;
  BYTE* pBlob = nullptr;
  VARTYPE vtRequestedDataType = VT_EMPTY;
  WORD wReserved = 0;
};

struct OPCITEMRESULT {
  OPCHANDLE hServer = 0;
  VARTYPE vtCanonicalDataType = VT_EMPTY;
  WORD wReserved = 0;
  DWORD dwAccessRights = 0;
  DWORD dwBlobSize = 0;
  BYTE* pBlob = nullptr;  // task memory when given
};

class IOPCServerList : public IUnknown {
 public:
  virtual HRESULT CLSIDFromProgID(LPCWSTR progId, CLSID* clsid) = 0;
};

class IOPCServer : public IUnknown {
 public:
  virtual HRESULT AddGroup(LPCWSTR name, BOOL active, DWORD requestedUpdateRate, OPCHANDLE clientGroup,
                           LONG* timeBias, float* percentDeadband, LCID locale, OPCHANDLE* serverGroup,
                           DWORD* revisedUpdateRate, REFIID iid, IUnknown** group) = 0;
  // The text of an error code in task memory (the caller frees it).
  virtual HRESULT GetErrorString(HRESULT error, LCID locale, LPWSTR* text) = 0;
  virtual HRESULT RemoveGroup(OPCHANDLE serverGroup, BOOL force) = 0;
};

class IOPCCommon : public IUnknown {
 public:
  virtual HRESULT SetLocaleID(LCID locale) = 0;
  virtual HRESULT GetLocaleID(LCID* locale) = 0;
  virtual HRESULT SetClientName(LPCWSTR name) = 0;
};

// Held by the client when offered; it calls nothing on them.
class IOPCItemProperties : public IUnknown {};
class IOPCBrowseServerAddressSpace : public IUnknown {};
class IOPCServerPublicGroups : public IUnknown {};
class IOPCPublicGroupStateMgt : public IUnknown {};

class IOPCShutdown : public IUnknown {
 public:
  virtual HRESULT ShutdownRequest(LPCWSTR reason) = 0;
};

class IOPCGroupStateMgt : public IUnknown {
 public:
  // Every output is optional; the name is task memory the caller frees.
  virtual HRESULT GetState(DWORD* updateRate, BOOL* active, LPWSTR* name, LONG* timeBias, float* percentDeadband,
                           LCID* locale, OPCHANDLE* clientGroup, OPCHANDLE* serverGroup) = 0;
};

class IOPCItemMgt : public IUnknown {
 public:
  // `results` and `errors` are task-memory arrays of `count` entries (the caller frees
  // them and every result's blob). S_FALSE when some items failed.
  virtual HRESULT AddItems(DWORD count, OPCITEMDEF* items, OPCITEMRESULT** results, HRESULT** errors) = 0;
  virtual HRESULT RemoveItems(DWORD count, OPCHANDLE* serverItems, HRESULT** errors) = 0;
};

class IOPCSyncIO : public IUnknown {
 public:
  virtual HRESULT Write(DWORD count, OPCHANDLE* serverItems, Variant* values, HRESULT** errors) = 0;
};

class IOPCAsyncIO : public IUnknown {
 public:
  // `connection` is the write-complete advise connection; the completion arrives later.
  virtual HRESULT Write(DWORD connection, DWORD count, OPCHANDLE* serverItems, Variant* values,
                        DWORD* transactionId, HRESULT** errors) = 0;
  // Sends every active item's value on the data connection `connection`, with a transaction id.
  virtual HRESULT Refresh(DWORD connection, OPCDATASOURCE source, DWORD* transactionId) = 0;
};

class IOPCAsyncIO2 : public IUnknown {
 public:
  virtual HRESULT Write(DWORD count, OPCHANDLE* serverItems, Variant* values, DWORD transactionId,
                        DWORD* cancelId, HRESULT** errors) = 0;
};

class IOPCDataCallback : public IUnknown {
 public:
  virtual HRESULT OnDataChange(DWORD transactionId, OPCHANDLE clientGroup, HRESULT masterQuality,
                               HRESULT masterError, DWORD count, OPCHANDLE* clientItems, Variant* values,
                               WORD* qualities, FILETIME* timeStamps, HRESULT* errors) = 0;
  virtual HRESULT OnReadComplete(DWORD transactionId, OPCHANDLE clientGroup, HRESULT masterQuality,
                                 HRESULT masterError, DWORD count, OPCHANDLE* clientItems, Variant* values,
                                 WORD* qualities, FILETIME* timeStamps, HRESULT* errors) = 0;
  virtual HRESULT OnWriteComplete(DWORD transactionId, OPCHANDLE clientGroup, HRESULT masterError, DWORD count,
                                  OPCHANDLE* clientItems, HRESULT* errors) = 0;
  virtual HRESULT OnCancelComplete(DWORD transactionId, OPCHANDLE clientGroup) = 0;
};
