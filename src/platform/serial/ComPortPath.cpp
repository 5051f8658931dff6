#include "platform/serial/ComPortPath.h"

#include <sys/stat.h>

#include <cstdlib>

#include "platform/base/Text.h"

int ComPortNumber(const std::string& portName) {
  if (portName.size() < 4 || !ruv::EqualsNoCase(portName.substr(0, 3), "COM")) return 0;
  long number = 0;
  for (std::size_t i = 3; i < portName.size(); ++i) {
    const char c = portName[i];
    if (c < '0' || c > '9') return 0;
    number = number * 10 + (c - '0');
    if (number > 1000000) return 0;
  }
  return static_cast<int>(number);
}

std::string ResolveComPortPath(const std::string& portName) {
  if (!portName.empty() && portName[0] == '/') return portName;
  const int number = ComPortNumber(portName);
  if (number < 1) return {};
  const std::string canonical = "COM" + std::to_string(number);
  if (const char* dir = std::getenv("RUV_COM_DIR"); dir != nullptr && *dir != '\0') {
    struct stat folder {};
    struct stat entry {};
    const std::string candidate = std::string(dir) + "/" + canonical;
    if (stat(dir, &folder) == 0 && S_ISDIR(folder.st_mode) && lstat(candidate.c_str(), &entry) == 0) {
      return candidate;
    }
  }
  return "/dev/ttyS" + std::to_string(number - 1);
}
