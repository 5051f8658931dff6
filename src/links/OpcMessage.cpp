#include "links/OpcMessage.h"

#include <cstdarg>

#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"

namespace {

std::string Cut(std::string text) { return ruv::CutUtf8(text, kOpcMessageMaxLength); }

}  // namespace

std::string FormatOpcMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = ruv::FormatV(format, args);
  va_end(args);
  return Cut(std::move(text));
}

int OpcMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = ruv::FormatV(format, args);
  va_end(args);
  return ShowMessageBox(Cut(std::move(text)), "", MB_OK | MB_SYSTEMMODAL);
}
