#include "platform/base/MessageBoxService.h"

#include <atomic>
#include <cstdio>
#include <mutex>

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

std::mutex g_watchMutex;
std::function<void()> g_openingWatch;

void TellOpening() {
  std::function<void()> watch;
  {
    std::lock_guard<std::mutex> lock(g_watchMutex);
    watch = g_openingWatch;
  }
  if (watch) watch();
}

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

void SetMessageBoxOpeningWatch(std::function<void()> watch) {
  std::lock_guard<std::mutex> lock(g_watchMutex);
  g_openingWatch = std::move(watch);
}

int ShowMessageBox(const std::string& text, const std::string& caption, UINT style) {
  TellOpening();
  return MessageBoxService().Show(text, caption, style);
}

void ShowMessageBoxWithoutWaiting(const std::string& text, const std::string& caption, UINT style) {
  TellOpening();
  MessageBoxService().ShowWithoutWaiting(text, caption, style);
}
