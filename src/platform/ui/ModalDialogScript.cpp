#include "platform/ui/ModalDialogScript.h"

#include <deque>
#include <mutex>

namespace modal_script {
namespace {
std::mutex g_mutex;
std::deque<Script>& Queue() {
  static std::deque<Script> queue;
  return queue;
}
}  // namespace

void Push(Script script) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Queue().push_back(std::move(script));
}

void Clear() {
  std::lock_guard<std::mutex> lock(g_mutex);
  Queue().clear();
}

int Pending() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return static_cast<int>(Queue().size());
}

Script Take() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (Queue().empty()) return {};
  Script script = std::move(Queue().front());
  Queue().pop_front();
  return script;
}

}  // namespace modal_script
