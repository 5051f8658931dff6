#pragma once
// The least of COM that the OPC link and its in-process server stand-in need:
// GUIDs, IUnknown, activation structures, the result codes, and task memory.
// Objects live in this process only; every call runs on the UI thread.
#include <cstdint>
#include <cstring>

#include "platform/base/WinTypes.h"

using ULONG = std::uint32_t;
using LCID = std::uint32_t;
using CLIPFORMAT = std::uint16_t;
using LPWSTR = char16_t*;
using LPCWSTR = const char16_t*;

struct GUID {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::uint8_t data4[8] = {};
  bool operator==(const GUID& other) const {
    return data1 == other.data1 && data2 == other.data2 && data3 == other.data3 &&
           std::memcmp(data4, other.data4, sizeof data4) == 0;
  }
  bool operator!=(const GUID& other) const { return !(*this == other); }
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

constexpr GUID MakeGuid(std::uint32_t d1, std::uint16_t d2, std::uint16_t d3, std::uint16_t d4hi, std::uint64_t d4lo) {
  GUID g;
  g.data1 = d1;
  g.data2 = d2;
  g.data3 = d3;
  g.data4[0] = static_cast<std::uint8_t>(d4hi >> 8);
  g.data4[1] = static_cast<std::uint8_t>(d4hi);
  for (int i = 0; i < 6; ++i) g.data4[2 + i] = static_cast<std::uint8_t>(d4lo >> (8 * (5 - i)));
  return g;
}

// Result codes of the activation and advise paths.
constexpr HRESULT CO_S_NOTALLINTERFACES = 0x00080012;
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
// The RPC "server unavailable" error as a result: what an unreachable machine gives.
constexpr HRESULT HRESULT_RPC_S_SERVER_UNAVAILABLE = static_cast<HRESULT>(0x800706BAu);
constexpr HRESULT CONNECT_E_NOCONNECTION = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT CONNECT_E_ADVISELIMIT = static_cast<HRESULT>(0x80040201u);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = static_cast<HRESULT>(0x80040202u);
constexpr HRESULT OLE_E_ADVISENOTSUPPORTED = static_cast<HRESULT>(0x80040003u);
constexpr HRESULT DV_E_FORMATETC = static_cast<HRESULT>(0x80040064u);
constexpr HRESULT DV_E_TYMED = static_cast<HRESULT>(0x80040069u);
constexpr HRESULT STG_E_INVALIDFUNCTION = static_cast<HRESULT>(0x80030001u);
constexpr HRESULT STG_E_INVALIDPOINTER = static_cast<HRESULT>(0x80030009u);
constexpr HRESULT STG_E_MEDIUMFULL = static_cast<HRESULT>(0x80030070u);

// Activation contexts.
constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_SERVER = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;  // 21

constexpr IID IID_IUnknown = MakeGuid(0x00000000, 0x0000, 0x0000, 0xC000, 0x000000000046ull);

class IUnknown {
 public:
  virtual HRESULT QueryInterface(REFIID iid, void** out) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  virtual ~IUnknown() = default;  // objects end through Release
};

// Where to activate a class: the machine named in UTF-16, none for this PC.
struct COSERVERINFO {
  DWORD reserved1 = 0;
  LPCWSTR name = nullptr;
  void* authInfo = nullptr;
  DWORD reserved2 = 0;
};

// One interface asked of CoCreateInstanceEx, with its own result.
struct MULTI_QI {
  const IID* iid = nullptr;
  IUnknown* itf = nullptr;
  HRESULT hr = S_OK;
};

// 64-bit file time (100 ns since 1601-01-01, UTC).
struct FILETIME {
  DWORD low = 0;
  DWORD high = 0;
  std::uint64_t Value() const { return (static_cast<std::uint64_t>(high) << 32) | low; }
  static FILETIME From(std::uint64_t value) {
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
  }
  bool operator==(const FILETIME& o) const { return low == o.low && high == o.high; }
};
// The system's current UTC time as a file time.
FILETIME CurrentFileTime();
