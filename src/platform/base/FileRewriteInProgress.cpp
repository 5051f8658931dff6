#include "platform/base/FileRewriteInProgress.h"

#include <unistd.h>

#include <atomic>

namespace {

// Lock-free, so usable from a signal handler. The end and the rewrites meet
// as in Dekker's protocol: each side publishes its own mark before reading the
// other's (sequentially consistent), so at least one of them sees both and ends
// the process, and no rewrite starts unseen after the end was decided.
std::atomic<int> g_rewritesUnderWay{0};
std::atomic<int> g_endCode{-1};
static_assert(std::atomic<int>::is_always_lock_free);

[[noreturn]] void EndWhenLastOrWait(int code) {
  if (g_rewritesUnderWay.load() == 0) _exit(code);
  // Another rewrite is under way: it ends the process when it is done.
  for (;;) pause();
}

}  // namespace

FileRewriteInProgress::FileRewriteInProgress() {
  g_rewritesUnderWay.fetch_add(1);
  const int code = g_endCode.load();
  if (code < 0) return;
  g_rewritesUnderWay.fetch_sub(1);
  EndWhenLastOrWait(code);
}

FileRewriteInProgress::~FileRewriteInProgress() {
  g_rewritesUnderWay.fetch_sub(1);
  const int code = g_endCode.load();
  if (code >= 0 && g_rewritesUnderWay.load() == 0) _exit(code);
}

void EndProcessBetweenFileRewrites(int code) {
  int none = -1;
  g_endCode.compare_exchange_strong(none, code);
  if (g_rewritesUnderWay.load() == 0) _exit(g_endCode.load());
}
