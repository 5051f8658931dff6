#pragma once
// Streams, data objects with advise sinks, connection points and persistence:
// the OLE interfaces the OPC version 1.0 data path and the server's callbacks use.
// Only the methods this program calls are declared.
#include <cstdint>

#include "platform/opc/ComBase.h"
#include "platform/opc/GlobalMemory.h"

constexpr IID IID_IStream = MakeGuid(0x3c4538d7, 0x701c, 0x40dc, 0x8d7e, 0x12c4be8e1069ull);
constexpr IID IID_IDataObject = MakeGuid(0x5de9d989, 0xb8f1, 0x4b4d, 0xb6f4, 0xa81a251ea8c0ull);
constexpr IID IID_IAdviseSink = MakeGuid(0x63a65196, 0x16a8, 0x4424, 0x85e3, 0x7ab850695de7ull);
constexpr IID IID_IPersistFile = MakeGuid(0xd2d8b496, 0x25b5, 0x4582, 0xae7c, 0x25a1450e33d0ull);
constexpr IID IID_IConnectionPoint = MakeGuid(0x3189ac0a, 0x6c8c, 0x42a3, 0xbb6b, 0xcbbc7a217a43ull);
constexpr IID IID_IConnectionPointContainer = MakeGuid(0x547648d3, 0x2a2d, 0x450d, 0xa315, 0xeacff97c6d1dull);

// Stream seek origins.
constexpr DWORD STREAM_SEEK_SET = 0;
constexpr DWORD STREAM_SEEK_CUR = 1;
constexpr DWORD STREAM_SEEK_END = 2;

class IStream : public IUnknown {
 public:
  // Reads up to `bytes` bytes; `read` (optional) gets the number read. S_FALSE when fewer were read.
  virtual HRESULT Read(void* buffer, ULONG bytes, ULONG* read) = 0;
  virtual HRESULT Write(const void* buffer, ULONG bytes, ULONG* written) = 0;
  virtual HRESULT Seek(std::int64_t move, DWORD origin, std::uint64_t* newPosition) = 0;
  virtual HRESULT GetSize(std::uint64_t* size) = 0;
};

// Media and aspects of a data transfer.
constexpr DWORD TYMED_HGLOBAL = 1;
constexpr DWORD DVASPECT_CONTENT = 1;

struct FORMATETC {
  CLIPFORMAT cfFormat = 0;
  void* ptd = nullptr;  // target device: none
  DWORD dwAspect = DVASPECT_CONTENT;
  LONG lindex = -1;
  DWORD tymed = TYMED_HGLOBAL;
};

struct STGMEDIUM {
  DWORD tymed = 0;
  HGLOBAL hGlobal = nullptr;
  IUnknown* pUnkForRelease = nullptr;
};

class IAdviseSink : public IUnknown {
 public:
  virtual void OnDataChange(FORMATETC* format, STGMEDIUM* medium) = 0;
  virtual void OnViewChange(DWORD aspect, LONG index) = 0;
  virtual void OnRename(IUnknown* moniker) = 0;
  virtual void OnSave() = 0;
  virtual void OnClose() = 0;
};

class IDataObject : public IUnknown {
 public:
  virtual HRESULT DAdvise(FORMATETC* format, DWORD advf, IAdviseSink* sink, DWORD* connection) = 0;
  virtual HRESULT DUnadvise(DWORD connection) = 0;
};

class IPersistFile : public IUnknown {
 public:
  virtual HRESULT IsDirty() = 0;
};

class IConnectionPoint : public IUnknown {
 public:
  virtual HRESULT GetConnectionInterface(IID* iid) = 0;
  virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
  virtual HRESULT Unadvise(DWORD cookie) = 0;
};

class IConnectionPointContainer : public IUnknown {
 public:
  virtual HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) = 0;
};
