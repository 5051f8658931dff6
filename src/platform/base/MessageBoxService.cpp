#include "platform/base/MessageBoxService.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iterator>
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

std::atomic<bool> g_unattendedClose{false};

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

int MarkedDefaultButtonOf(UINT style) {
  static constexpr int kOk[] = {IDOK};
  static constexpr int kOkCancel[] = {IDOK, IDCANCEL};
  static constexpr int kAbortRetryIgnore[] = {IDABORT, IDRETRY, IDIGNORE};
  static constexpr int kYesNoCancel[] = {IDYES, IDNO, IDCANCEL};
  static constexpr int kYesNo[] = {IDYES, IDNO};
  static constexpr int kRetryCancel[] = {IDRETRY, IDCANCEL};
  auto pick = [style](const auto& buttons) {
    const std::size_t count = std::size(buttons);
    const std::size_t marked = std::min<std::size_t>((style & MB_DEFMASK) >> 8, count - 1);
    return buttons[marked];
  };
  switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL: return pick(kOkCancel);
    case MB_ABORTRETRYIGNORE: return pick(kAbortRetryIgnore);
    case MB_YESNOCANCEL: return pick(kYesNoCancel);
    case MB_YESNO: return pick(kYesNo);
    case MB_RETRYCANCEL: return pick(kRetryCancel);
    default: return pick(kOk);
  }
}

void BeginUnattendedClose() { g_unattendedClose.store(true); }

bool IsUnattendedClose() { return g_unattendedClose.load(); }

void EndUnattendedClose() { g_unattendedClose.store(false); }

void SetMessageBoxService(IMessageBoxService* service) { g_service.store(service, std::memory_order_release); }

IMessageBoxService& MessageBoxService() {
  IMessageBoxService* service = g_service.load(std::memory_order_acquire);
  return service ? *service : g_console;
}

void SetMessageBoxOpeningWatch(std::function<void()> watch) {
  std::lock_guard<std::mutex> lock(g_watchMutex);
  g_openingWatch = std::move(watch);
}

namespace {

int AnswerUnattended(const std::string& text, const std::string& caption, UINT style) {
  std::fprintf(stderr, "[%s] %s\n", caption.empty() ? "RuvFrame" : caption.c_str(), text.c_str());
  std::fflush(stderr);
  return MarkedDefaultButtonOf(style);
}

}  // namespace

int ShowMessageBox(const std::string& text, const std::string& caption, UINT style) {
  if (IsUnattendedClose()) return AnswerUnattended(text, caption, style);
  TellOpening();
  return MessageBoxService().Show(text, caption, style);
}

void ShowMessageBoxWithoutWaiting(const std::string& text, const std::string& caption, UINT style) {
  if (IsUnattendedClose()) {
    AnswerUnattended(text, caption, style);
    return;
  }
  TellOpening();
  MessageBoxService().ShowWithoutWaiting(text, caption, style);
}
