#pragma once
// What the operator is told of kept records: gathered while the queue's lock
// is held, and told outside it (a sink may show a box or write a file).
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace ruv::db {

class KeptNotices {
 public:
  // Told the described writes that failed; `afterLastTry` once the close has
  // given the kept writes their last try (nobody may be there to answer).
  using FailureSink = std::function<void(const std::vector<std::string>& lines, bool afterLastTry)>;
  // Told what became of the files put back that were taken over (sentences).
  using NoticeSink = std::function<void(const std::vector<std::string>& lines)>;

  std::vector<std::string> failed;   // described writes dropped (and troubles), not yet told
  std::vector<std::string> notices;  // what became of files put back, not yet told

  void SetFailureSink(FailureSink sink) { m_sink = std::move(sink); }
  void SetNoticeSink(NoticeSink sink) { m_noticeSink = std::move(sink); }

  // What is due now, taken out under the lock: without a failure sink the
  // failures wait (for TakeFailed); without a notice sink the notices go.
  struct Due {
    FailureSink sink;
    NoticeSink noticeSink;
    std::vector<std::string> failed, notices;
    bool afterLastTry = false;
    // Tells it, outside the lock.
    void Tell() const {
      if (!failed.empty()) sink(failed, afterLastTry);
      if (!notices.empty()) noticeSink(notices);
    }
  };
  Due TakeDue(bool afterLastTry) {
    Due due{m_sink, m_noticeSink, {}, {}, afterLastTry};
    if (m_sink) due.failed = std::exchange(failed, {});
    due.notices = std::exchange(notices, {});
    if (!m_noticeSink) due.notices.clear();
    return due;
  }

 private:
  FailureSink m_sink;
  NoticeSink m_noticeSink;
};

}  // namespace ruv::db
