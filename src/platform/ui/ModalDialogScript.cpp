#include "platform/ui/ModalDialogScript.h"

#include <deque>
#include <mutex>

namespace modal_script {
namespace {
std::mutex g_scriptMutex;
int g_unscriptedAnswer = 0;
int g_unscriptedCount = 0;
std::deque<Script>& Queue() {
  static std::deque<Script> queue;
  return queue;
}
}  // namespace

void Push(Script script) {
  std::lock_guard<std::mutex> lock(g_scriptMutex);
  Queue().push_back(std::move(script));
}

void Clear() {
  std::lock_guard<std::mutex> lock(g_scriptMutex);
  Queue().clear();
}

int Pending() {
  std::lock_guard<std::mutex> lock(g_scriptMutex);
  return static_cast<int>(Queue().size());
}

Script Take() {
  std::lock_guard<std::mutex> lock(g_scriptMutex);
  if (Queue().empty()) return {};
  Script script = std::move(Queue().front());
  Queue().pop_front();
  return script;
}

void SetUnscriptedAnswer(int answer) {
  std::lock_guard<std::mutex> lock(g_scriptMutex);
  g_unscriptedAnswer = answer;
}

int UnscriptedAnswer() {
  std::lock_guard<std::mutex> lock(g_scriptMutex);
  if (g_unscriptedAnswer != 0) ++g_unscriptedCount;
  return g_unscriptedAnswer;
}

int UnscriptedCount() {
  std::lock_guard<std::mutex> lock(g_scriptMutex);
  return g_unscriptedCount;
}

}  // namespace modal_script
