#include "platform/opc/HGlobalStream.h"

#include <cstring>

HGlobalStream::HGlobalStream(HGLOBAL block, bool deleteOnRelease) : m_block(block), m_deleteOnRelease(deleteOnRelease) {}

HGlobalStream::~HGlobalStream() {
  if (m_deleteOnRelease) GlobalFree(m_block);
}

HRESULT HGlobalStream::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_INVALIDARG;
  if (iid == IID_IUnknown || iid == IID_IStream) {
    *out = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG HGlobalStream::AddRef() { return ++m_refs; }

ULONG HGlobalStream::Release() {
  const ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

HRESULT HGlobalStream::Read(void* buffer, ULONG bytes, ULONG* read) {
  if (read) *read = 0;
  if (!buffer && bytes != 0) return STG_E_INVALIDPOINTER;
  const std::uint64_t size = GlobalSize(m_block);
  const std::uint64_t available = m_position < size ? size - m_position : 0;
  const ULONG count = static_cast<ULONG>(available < bytes ? available : bytes);
  if (count > 0) {
    const auto* data = static_cast<const std::uint8_t*>(GlobalLock(m_block));
    if (!data) return STG_E_INVALIDFUNCTION;
    std::memcpy(buffer, data + m_position, count);
    m_position += count;
  }
  if (read) *read = count;
  return count == bytes ? S_OK : S_FALSE;
}

HRESULT HGlobalStream::Write(const void* buffer, ULONG bytes, ULONG* written) {
  if (written) *written = 0;
  if (!buffer && bytes != 0) return STG_E_INVALIDPOINTER;
  const std::uint64_t end = m_position + bytes;
  if (end > GlobalSize(m_block) && !GlobalReAlloc(m_block, static_cast<std::size_t>(end), GMEM_MOVEABLE)) {
    return STG_E_MEDIUMFULL;
  }
  if (bytes > 0) {
    auto* data = static_cast<std::uint8_t*>(GlobalLock(m_block));
    if (!data) return STG_E_INVALIDFUNCTION;
    std::memcpy(data + m_position, buffer, bytes);
    m_position = end;
  }
  if (written) *written = bytes;
  return S_OK;
}

HRESULT HGlobalStream::Seek(std::int64_t move, DWORD origin, std::uint64_t* newPosition) {
  std::int64_t base = 0;
  switch (origin) {
    case STREAM_SEEK_SET: base = 0; break;
    case STREAM_SEEK_CUR: base = static_cast<std::int64_t>(m_position); break;
    case STREAM_SEEK_END: base = static_cast<std::int64_t>(GlobalSize(m_block)); break;
    default: return STG_E_INVALIDFUNCTION;
  }
  // Seeking before the start fails and leaves the position; past the end is allowed.
  if ((move < 0 && base + move < 0) || (move > 0 && base > INT64_MAX - move)) return STG_E_INVALIDFUNCTION;
  m_position = static_cast<std::uint64_t>(base + move);
  if (newPosition) *newPosition = m_position;
  return S_OK;
}

HRESULT HGlobalStream::GetSize(std::uint64_t* size) {
  if (!size) return STG_E_INVALIDPOINTER;
  *size = GlobalSize(m_block);
  return S_OK;
}

HRESULT CreateStreamOnHGlobal(HGLOBAL block, BOOL deleteOnRelease, IStream** stream) {
  if (!stream) return E_INVALIDARG;
  *stream = nullptr;
  if (!block) {
    block = GlobalAlloc(GMEM_MOVEABLE, 0);
    if (!block) return E_OUTOFMEMORY;
  } else if (!GlobalLock(block)) {
    return E_INVALIDARG;  // a freed or unknown block
  }
  *stream = new HGlobalStream(block, deleteOnRelease != FALSE);
  return S_OK;
}
