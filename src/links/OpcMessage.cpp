#include "links/OpcMessage.h"

#include <cstdarg>
#include <cstdio>

#include "platform/base/MessageBoxService.h"
#include "platform/base/Text.h"
#include "platform/ui/CWinApp.h"
#include "platform/ui/MessageCore.h"

namespace {

std::string Cut(std::string text) { return ruv::CutUtf8(text, kOpcMessageMaxLength); }

constexpr UINT kOpcMessageStyle = MB_OK | MB_SYSTEMMODAL;

int g_messagesLater = 0;  // ScopedOpcMessagesLater alive (UI thread only)

void ShowLater(std::string text) {
  if (!IsApplicationClosing() && IsUiAvailable()) {
    PostToUiThread([text = std::move(text)] {
      if (IsApplicationClosing()) {
        std::fprintf(stderr, "%s\n", text.c_str());
      } else {
        ShowMessageBox(text, "", kOpcMessageStyle);
      }
    });
    return;
  }
  // No box holds the close up: the standard error output keeps the word.
  std::fprintf(stderr, "%s\n", text.c_str());
}

}  // namespace

ScopedOpcMessagesLater::ScopedOpcMessagesLater() { ++g_messagesLater; }

ScopedOpcMessagesLater::~ScopedOpcMessagesLater() { --g_messagesLater; }

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
  if (g_messagesLater > 0) {
    ShowLater(Cut(std::move(text)));
    return IDOK;
  }
  return ShowMessageBox(Cut(std::move(text)), "", kOpcMessageStyle);
}

void OpcMessageLater(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = ruv::FormatV(format, args);
  va_end(args);
  ShowLater(Cut(std::move(text)));
}
