#include "platform/opc/ClipboardFormats.h"

#include <map>
#include <mutex>

#include "platform/base/Text.h"

namespace {

struct FormatTable {
  std::mutex mutex;
  std::map<std::string, UINT> byUpperName;
  std::map<UINT, std::string> names;
  UINT next = 0xC000;
};

FormatTable& Table() {
  static FormatTable table;
  return table;
}

}  // namespace

UINT RegisterClipboardFormatA(const char* name) {
  if (!name || !*name) return 0;
  FormatTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  const std::string key = ruv::ToUpperAscii(name);
  auto it = table.byUpperName.find(key);
  if (it != table.byUpperName.end()) return it->second;
  const UINT number = table.next++;
  table.byUpperName[key] = number;
  table.names[number] = name;
  return number;
}

std::string GetClipboardFormatName(UINT format) {
  FormatTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.names.find(format);
  return it == table.names.end() ? std::string() : it->second;
}
