#pragma once
// A stream over a global memory block. Reads and writes are bounded by the block;
// writing past its end grows it.
#include "platform/opc/OleInterfaces.h"

class HGlobalStream final : public IStream {
 public:
  HGlobalStream(HGLOBAL block, bool deleteOnRelease);

  HRESULT QueryInterface(REFIID iid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT Read(void* buffer, ULONG bytes, ULONG* read) override;
  HRESULT Write(const void* buffer, ULONG bytes, ULONG* written) override;
  HRESULT Seek(std::int64_t move, DWORD origin, std::uint64_t* newPosition) override;
  HRESULT GetSize(std::uint64_t* size) override;

 private:
  ~HGlobalStream() override;

  ULONG m_refs = 1;
  HGLOBAL m_block;
  bool m_deleteOnRelease;
  std::uint64_t m_position = 0;
};

// A stream over `block` (a new empty block when null). With `deleteOnRelease`
// the block is freed when the stream goes; otherwise it stays the caller's.
HRESULT CreateStreamOnHGlobal(HGLOBAL block, BOOL deleteOnRelease, IStream** stream);
