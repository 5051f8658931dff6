#include "links/SerialOutageWatch.h"

#include <algorithm>

#include "platform/base/Text.h"

namespace {

// What came in between two totals; a total below the last one was counted anew.
std::uint64_t CountedSince(std::uint64_t now, std::uint64_t before) { return now >= before ? now - before : now; }

const std::string kOutageHeading =
    std::string("Hardware Linker Engine Error: ") + SerialOutageWatch::kNoAnswerError + "\n\n";

struct OutageVerdict {
  bool judged = false;
  std::vector<std::string> tags;
  std::vector<std::string> unanswered;
  std::vector<std::string> refused;
  std::uint32_t lateBandMs = 0;  // the longest band of its tags answered late
  bool late = false;
};

}  // namespace

void SerialOutageWatch::Restart(std::uint32_t nowMs) {
  m_lastJudgedMs = nowMs;
  m_lastTags.clear();
  m_windowStart.clear();
  m_lastWindowReplies.clear();
  m_windowEnded = false;
  m_silentDevicesTold.clear();
  m_tagsTold.clear();
  m_toldWithSilentDevice.clear();
  m_lateDevicesTold.clear();
}

void SerialOutageWatch::EndRateWindow(const DeviceReplies& devices) {
  m_lastWindowReplies.clear();
  for (const auto& [device, now] : devices) {
    m_lastWindowReplies[device] = CountedSince(now, m_windowStart[device]);
  }
  m_windowStart = devices;
  m_windowEnded = true;
}

std::string SerialOutageWatch::NameList(const std::vector<std::string>& names, std::size_t limit) {
  std::string list;
  const std::size_t shown = limit == 0 || names.size() <= limit ? names.size() : limit;
  for (std::size_t i = 0; i < shown; ++i) list += (i == 0 ? "" : ", ") + names[i];
  if (shown < names.size()) list += ruv::Format(" and %zu more", names.size() - shown);
  return list;
}

std::vector<SerialOutageWatch::Notice> SerialOutageWatch::Judge(std::uint32_t nowMs,
                                                               const std::vector<TagCounts>& tags,
                                                               const DeviceReplies& devices,
                                                               const std::string& port) {
  const std::uint32_t elapsed = nowMs - m_lastJudgedMs;  // ticks wrap: unsigned
  if (elapsed < kPeriodMs) return {};
  m_lastJudgedMs = nowMs;

  if (!m_windowEnded) EndRateWindow(devices);
  m_windowEnded = false;

  std::map<int, OutageVerdict> verdicts;
  for (const TagCounts& tag : tags) {
    OutageVerdict& verdict = verdicts[tag.device];
    verdict.tags.push_back(tag.tag);
    const TagCounts before = m_lastTags[tag.tag];
    const std::uint64_t asked = CountedSince(tag.readsAsked, before.readsAsked);
    const std::uint64_t read = CountedSince(tag.readings, before.readings);
    const std::uint64_t refused = CountedSince(tag.readsRefused, before.readsRefused);
    const std::uint64_t timedOut = CountedSince(tag.readsTimedOut, before.readsTimedOut);
    const std::uint64_t late = CountedSince(tag.lateReplies, before.lateReplies);
    if (read > 0) m_tagsTold.erase(tag.tag);  // its outage, if any, is over
    // Too slow a poll to have been asked three times: not judged yet.
    if (static_cast<std::uint64_t>(tag.updateRateMs) * 3 >= elapsed) continue;
    verdict.judged = true;
    // Its device answers it, mostly too late to be taken: a longer band is the
    // cure. Not judged while its mark from its device's silence stands: the
    // replies coming back then are no measure of the band.
    if (late >= kLateRepliesToTell && late > read + refused && m_tagsTold.count(tag.tag) == 0) {
      verdict.late = true;
      verdict.lateBandMs = std::max(verdict.lateBandMs, tag.timeoutBandMs);
      continue;
    }
    if (read > 0 || asked == 0 || m_tagsTold.count(tag.tag) != 0) continue;
    if (refused > 0) verdict.refused.push_back(tag.tag);
    else if (timedOut > 0) verdict.unanswered.push_back(tag.tag);
  }
  for (const TagCounts& tag : tags) m_lastTags[tag.tag] = tag;

  std::vector<Notice> notices;
  for (auto& [device, verdict] : verdicts) {
    const bool replied = m_lastWindowReplies[device] > 0;
    if (replied && m_silentDevicesTold.erase(device) != 0) {
      // Its tags were told with it; a tag it still leaves unanswered is told on
      // its own, judged from the next period (this one began in the silence).
      for (const std::string& tag : m_toldWithSilentDevice[device]) m_tagsTold.erase(tag);
      m_toldWithSilentDevice.erase(device);
    }
    if (!verdict.judged) continue;

    if (!replied) {
      if (!m_silentDevicesTold.insert(device).second) continue;
      // Its tags' outage is this one: none of them is told again on its own.
      for (const std::string& tag : verdict.tags) {
        if (m_tagsTold.insert(tag).second) m_toldWithSilentDevice[device].insert(tag);
      }
      const std::string where = ruv::Format("Device %d on %s does not answer. Its tags: ", device, port.c_str());
      notices.push_back({kOutageHeading + where + NameList(verdict.tags, kNamesInBox) + ".",
                         kOutageHeading + where + NameList(verdict.tags, 0) + "."});
      continue;
    }
    const bool tellLate = verdict.late && m_lateDevicesTold.insert(device).second;
    if (!verdict.late) m_lateDevicesTold.erase(device);
    if (verdict.unanswered.empty() && verdict.refused.empty() && !tellLate) continue;
    Notice notice{kOutageHeading, kOutageHeading};
    const std::string answers = ruv::Format("Device %d on %s answers, but ", device, port.c_str());
    if (!verdict.unanswered.empty()) {
      notice.box += answers + "not for its tags: " + NameList(verdict.unanswered, kNamesInBox) + ".";
      notice.full += answers + "not for its tags: " + NameList(verdict.unanswered, 0) + ".";
    }
    if (!verdict.refused.empty()) {
      const std::string lead = verdict.unanswered.empty() ? answers + "refuses" : std::string(" It refuses");
      notice.box += lead + " to read its tags: " + NameList(verdict.refused, kNamesInBox) + ".";
      notice.full += lead + " to read its tags: " + NameList(verdict.refused, 0) + ".";
    }
    if (tellLate) {
      const std::string lead = verdict.unanswered.empty() && verdict.refused.empty()
                                   ? ruv::Format("Device %d on %s answers", device, port.c_str())
                                   : std::string(" It answers");
      const std::string late =
          lead + ruv::Format(" later than its time-out of %u ms: raise TOB in the tag file.", verdict.lateBandMs);
      notice.box += late;
      notice.full += late;
    }
    for (const std::string& tag : verdict.unanswered) m_tagsTold.insert(tag);
    for (const std::string& tag : verdict.refused) m_tagsTold.insert(tag);
    notices.push_back(std::move(notice));
  }
  return notices;
}
