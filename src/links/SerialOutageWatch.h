#pragma once
// Judges, once per watchdog period, which Modbus devices on a serial line and
// which of their tags went without answers, and which of those to tell:
//
//  - A device asked something (a reading or a write) that gave no reply of any
//    kind is silent. A refusal (a Modbus exception reply) is a reply: the device
//    is alive, and a plant with refused writes is not told its device is gone.
//  - A device that replied, but not with a reading of one of its tags whose read
//    went out, leaves that tag unanswered: a wrong register, say (refused), or a
//    register the device passes over (its reads timed out). A read still in
//    flight as the period ends is neither.
//  - A tag whose replies came after its time-out band more often than in it
//    (readings and refusals), a few times at least, answers late: its device is told to be given a longer time-out (TOB).
//  - A tag polled less often than three times a period is not judged yet, and a
//    tag not asked in the period (the line busy with writes) is not judged.
//
// A device is judged by its query rate's last window (the link measures every
// 5 s: EndRateWindow), as the words "The Query Rate of Tag is Zero!" say: it
// does not answer now. A tag is judged by the whole period: not one reading in
// it.
//
// Each outage is told once: a device again only after it replied in between, a
// tag only after it was read in between, a late device after a period without
// late replies. The tags of a device told silent are told with it; once it
// answers again they are judged on their own from the next period. A notice names at most kNamesInBox tags and the count of the
// rest; its full text, every name, goes with it.
//
// Pure: the counts and the time come from the caller (the link's watchdog
// timer on the UI thread), nothing here reads a port or a clock.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

class SerialOutageWatch {
 public:
  static constexpr std::uint32_t kPeriodMs = 30000;
  static constexpr std::size_t kNamesInBox = 5;
  // Late replies of a tag in a period below which it is not told late: one held
  // up by a busy moment says nothing of the band.
  static constexpr std::uint64_t kLateRepliesToTell = 3;
  static constexpr const char* kNoAnswerError =
      "The Query Rate of Tag is Zero!\nPlease check communication device.";

  // Running totals of one tag since the link started polling.
  struct TagCounts {
    int device = 0;
    std::string tag;
    std::uint32_t updateRateMs = 0;
    std::uint64_t readsAsked = 0;    // read requests sent for the tag
    std::uint64_t readings = 0;      // its readings received
    std::uint64_t readsRefused = 0;  // its reads the device refused
    std::uint64_t readsTimedOut = 0;  // its reads that went without a reply through their band
    std::uint64_t lateReplies = 0;    // replies to its reads that came after their band
    std::uint32_t timeoutBandMs = 0;  // its time-out band (TOB)
  };
  // Each device's replies of any kind (readings, refusals, write confirmations)
  // since the link started polling: a running total by device address.
  using DeviceReplies = std::map<int, std::uint64_t>;
  struct Notice {
    std::string box;   // bounded: a handful of names, then "and N more"
    std::string full;  // every name
    bool Shortened() const { return box != full; }
  };

  // Forgets every outage told and every count: the link starts polling anew at `nowMs`.
  void Restart(std::uint32_t nowMs);
  // The query rate's window ends with these totals, and the next one starts.
  void EndRateWindow(const DeviceReplies& devices);
  // Empty until a period has passed since the last judgement (or the restart);
  // then judges and returns what to tell, a notice per device. Without a rate
  // window ended since the last judgement, the devices are judged by what
  // they replied since the last window began.
  std::vector<Notice> Judge(std::uint32_t nowMs, const std::vector<TagCounts>& tags, const DeviceReplies& devices,
                            const std::string& port);

  // "A, B, C, D, E and 37 more", or all of them when `limit` is 0 or not reached.
  static std::string NameList(const std::vector<std::string>& names, std::size_t limit);

 private:
  std::uint32_t m_lastJudgedMs = 0;
  std::map<std::string, TagCounts> m_lastTags;  // by tag name: the totals at the last judgement
  DeviceReplies m_windowStart;        // the totals as the current rate window began
  DeviceReplies m_lastWindowReplies;  // the replies in the last window ended
  bool m_windowEnded = false;         // since the last judgement
  std::set<int> m_silentDevicesTold;
  std::set<std::string> m_tagsTold;
  std::map<int, std::set<std::string>> m_toldWithSilentDevice;  // marks that end as the device answers
  std::set<int> m_lateDevicesTold;
};
