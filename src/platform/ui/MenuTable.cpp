#include "platform/ui/MenuTable.h"

#include <map>
#include <mutex>

namespace {
// Made on first use and never destroyed: objects built during static
// initialisation or destroyed at exit may still need it.
std::mutex& MenuTableMutex() {
  static auto* mutex = new std::mutex();
  return *mutex;
}
std::map<UINT, MenuTable>& MenuTables() {
  static auto* tables = new std::map<UINT, MenuTable>();
  return *tables;
}
}  // namespace

void RegisterMenuResource(UINT id, MenuTable table) {
  std::lock_guard<std::mutex> lock(MenuTableMutex());
  MenuTables()[id] = std::move(table);
}

std::optional<MenuTable> FindMenuResource(UINT id) {
  std::lock_guard<std::mutex> lock(MenuTableMutex());
  auto it = MenuTables().find(id);
  if (it == MenuTables().end()) return std::nullopt;
  return it->second;
}

void ClearMenuResources() {
  std::lock_guard<std::mutex> lock(MenuTableMutex());
  MenuTables().clear();
}
