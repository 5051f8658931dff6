#include "platform/ui/MenuTable.h"

#include <map>
#include <mutex>

namespace {
// Made on first use and never destroyed: objects built during static
// initialisation or destroyed at exit may still need it.
std::mutex& Mutex() {
  static auto* mutex = new std::mutex();
  return *mutex;
}
std::map<UINT, MenuTable>& Tables() {
  static auto* tables = new std::map<UINT, MenuTable>();
  return *tables;
}
}  // namespace

void RegisterMenuResource(UINT id, MenuTable table) {
  std::lock_guard<std::mutex> lock(Mutex());
  Tables()[id] = std::move(table);
}

std::optional<MenuTable> FindMenuResource(UINT id) {
  std::lock_guard<std::mutex> lock(Mutex());
  auto it = Tables().find(id);
  if (it == Tables().end()) return std::nullopt;
  return it->second;
}

void ClearMenuResources() {
  std::lock_guard<std::mutex> lock(Mutex());
  Tables().clear();
}
