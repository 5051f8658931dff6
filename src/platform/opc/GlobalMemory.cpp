#include "platform/opc/GlobalMemory.h"

#include <mutex>
#include <unordered_map>
#include <vector>

namespace {

struct Blocks {
  std::mutex mutex;
  std::unordered_map<std::uintptr_t, std::vector<std::uint8_t>> byHandle;
  std::uintptr_t next = 0x1000;
};

Blocks& TheBlocks() {
  static Blocks blocks;
  return blocks;
}

std::uintptr_t Key(HGLOBAL handle) { return reinterpret_cast<std::uintptr_t>(handle); }

}  // namespace

HGLOBAL GlobalAlloc(UINT, std::size_t bytes) {
  Blocks& blocks = TheBlocks();
  std::lock_guard<std::mutex> lock(blocks.mutex);
  const std::uintptr_t handle = blocks.next;
  blocks.next += 8;
  blocks.byHandle[handle].assign(bytes, 0);
  return reinterpret_cast<HGLOBAL>(handle);
}

HGLOBAL GlobalFree(HGLOBAL handle) {
  Blocks& blocks = TheBlocks();
  std::lock_guard<std::mutex> lock(blocks.mutex);
  return blocks.byHandle.erase(Key(handle)) ? nullptr : handle;
}

void* GlobalLock(HGLOBAL handle) {
  Blocks& blocks = TheBlocks();
  std::lock_guard<std::mutex> lock(blocks.mutex);
  auto it = blocks.byHandle.find(Key(handle));
  if (it == blocks.byHandle.end()) return nullptr;
  // A zero-sized block still gets a valid address.
  if (it->second.empty()) it->second.reserve(1);
  return it->second.data();
}

BOOL GlobalUnlock(HGLOBAL) { return FALSE; }

std::size_t GlobalSize(HGLOBAL handle) {
  Blocks& blocks = TheBlocks();
  std::lock_guard<std::mutex> lock(blocks.mutex);
  auto it = blocks.byHandle.find(Key(handle));
  return it == blocks.byHandle.end() ? 0 : it->second.size();
}

HGLOBAL GlobalReAlloc(HGLOBAL handle, std::size_t bytes, UINT) {
  Blocks& blocks = TheBlocks();
  std::lock_guard<std::mutex> lock(blocks.mutex);
  auto it = blocks.byHandle.find(Key(handle));
  if (it == blocks.byHandle.end()) return nullptr;
  it->second.resize(bytes, 0);
  return handle;
}
