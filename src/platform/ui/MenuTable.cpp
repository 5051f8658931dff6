#include "platform/ui/MenuTable.h"

#include <map>
#include <mutex>

namespace {
std::mutex g_mutex;
std::map<UINT, MenuTable>& Tables() {
  static auto* tables = new std::map<UINT, MenuTable>();
  return *tables;
}
}  // namespace

void RegisterMenuResource(UINT id, MenuTable table) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Tables()[id] = std::move(table);
}

std::optional<MenuTable> FindMenuResource(UINT id) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = Tables().find(id);
  if (it == Tables().end()) return std::nullopt;
  return it->second;
}

void ClearMenuResources() {
  std::lock_guard<std::mutex> lock(g_mutex);
  Tables().clear();
}
