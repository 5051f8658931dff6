#include "platform/base/MessageBoxService.h"

#include <atomic>
#include <cstdio>

namespace {

// Before the UI exists (or in tools), a box is written to standard error and
// answered with its first button, so nothing waits for an answer that cannot come.
class ConsoleMessageBox final : public IMessageBoxService {
 public:
  int Show(const std::string& text, const std::string& caption, UINT style) override {
    std::fprintf(stderr, "[%s] %s\n", caption.empty() ? "RuvFrame" : caption.c_str(), text.c_str());
    return DefaultButtonOf(style);
  }
};

ConsoleMessageBox g_console;
std::atomic<IMessageBoxService*> g_service{nullptr};

}  // namespace

int DefaultButtonOf(UINT style) {
  switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL: return IDOK;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_YESNOCANCEL: return IDYES;
    case MB_YESNO: return IDYES;
    case MB_RETRYCANCEL: return IDRETRY;
    default: return IDOK;
  }
}

void SetMessageBoxService(IMessageBoxService* service) { g_service.store(service, std::memory_order_release); }

IMessageBoxService& MessageBoxService() {
  IMessageBoxService* service = g_service.load(std::memory_order_acquire);
  return service ? *service : g_console;
}

int ShowMessageBox(const std::string& text, const std::string& caption, UINT style) {
  return MessageBoxService().Show(text, caption, style);
}

void ShowMessageBoxWithoutWaiting(const std::string& text, const std::string& caption, UINT style) {
  MessageBoxService().ShowWithoutWaiting(text, caption, style);
}
