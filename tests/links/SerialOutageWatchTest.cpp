// The serial link's outage judgement with counts and times given by hand: a tag
// left unanswered beside answered ones, a device that only refuses, and the
// bound on the names a box lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "links/SerialOutageWatch.h"

namespace {

constexpr std::uint32_t kPeriod = SerialOutageWatch::kPeriodMs;
const std::string kHeading =
    "Hardware Linker Engine Error: The Query Rate of Tag is Zero!\nPlease check communication device.\n\n";

using Counts = SerialOutageWatch::TagCounts;

std::vector<std::string> Boxes(const std::vector<SerialOutageWatch::Notice>& notices) {
  std::vector<std::string> boxes;
  for (const auto& notice : notices) boxes.push_back(notice.box);
  return boxes;
}

}  // namespace

// A device polled and answering for two tags says nothing of a third whose reads
// go unanswered (a register it passes over): that tag is told, once per outage.
TEST(SerialOutageWatchTest, ATagUnansweredWhileItsDeviceAnswersIsToldOncePerOutage) {
  SerialOutageWatch watch;
  watch.Restart(0);
  std::vector<Counts> tags = {{1, "Level", 20, 0, 0, 0}, {1, "Flow", 20, 0, 0, 0}, {1, "Spare", 20, 0, 0, 0}};
  std::uint64_t replies = 0;
  auto period = [&](std::uint32_t at, bool spareRead) {
    for (Counts& tag : tags) {
      tag.readsAsked += 10;
      if (tag.tag != "Spare" || spareRead) tag.readings += 10;
      else tag.readsTimedOut += 10;
    }
    replies += spareRead ? 30 : 20;
    watch.EndRateWindow({{1, replies}});
    return Boxes(watch.Judge(at, tags, {{1, replies}}, "COM2"));
  };
  const std::vector<std::string> told = {kHeading + "Device 1 on COM2 answers, but not for its tags: Spare."};
  EXPECT_EQ(period(kPeriod, false), told);
  EXPECT_TRUE(period(2 * kPeriod, false).empty());  // the same outage
  EXPECT_TRUE(period(3 * kPeriod, true).empty());   // read again: over
  EXPECT_EQ(period(4 * kPeriod, false), told);      // a new outage
}

// Refusals are replies: a device that refuses every write is there, and says
// so; a tag whose read it refuses (a wrong register) is told as refused.
TEST(SerialOutageWatchTest, ADeviceThatOnlyRefusesIsNotSilentAndARefusedReadIsTold) {
  SerialOutageWatch watch;
  watch.Restart(0);
  Counts valve{1, "Valve", 100, 0, 0, 0};
  // A period of refused writes: the polls never had the line.
  watch.EndRateWindow({{1, 200}});
  EXPECT_TRUE(watch.Judge(kPeriod, {valve}, {{1, 200}}, "COM2").empty());

  valve.readsAsked = 50;
  valve.readsRefused = 50;
  watch.EndRateWindow({{1, 250}});
  EXPECT_EQ(Boxes(watch.Judge(2 * kPeriod, {valve}, {{1, 250}}, "COM2")),
            std::vector<std::string>{kHeading + "Device 1 on COM2 answers, but refuses to read its tags: Valve."});

  // Silent at last: the device is told, whatever its tag was.
  valve.readsAsked = 100;
  watch.EndRateWindow({{1, 250}});
  EXPECT_EQ(Boxes(watch.Judge(3 * kPeriod, {valve}, {{1, 250}}, "COM2")),
            std::vector<std::string>{kHeading + "Device 1 on COM2 does not answer. Its tags: Valve."});
}

// A device with 42 tags: the box names five and counts the rest; the full text
// names every one.
TEST(SerialOutageWatchTest, ABoxNamesAHandfulOfTagsAndTheFullTextEveryOne) {
  SerialOutageWatch watch;
  watch.Restart(0);
  std::vector<Counts> tags;
  for (int i = 1; i <= 42; ++i) tags.push_back({1, "Tag" + std::to_string(i), 20, 10, 0, 0});
  const auto notices = watch.Judge(kPeriod, tags, {{1, 0}}, "COM2");
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].box,
            kHeading + "Device 1 on COM2 does not answer. Its tags: Tag1, Tag2, Tag3, Tag4, Tag5 and 37 more.");
  EXPECT_TRUE(notices[0].Shortened());
  EXPECT_NE(notices[0].full.find("Its tags: Tag1, Tag2, Tag3, Tag4, Tag5, Tag6,"), std::string::npos);
  EXPECT_NE(notices[0].full.find(", Tag41, Tag42."), std::string::npos);
}

// A device silent for a period is told with its tags; once it answers again, a
// tag it still leaves unanswered is told on its own, once.
TEST(SerialOutageWatchTest, ATagStillUnansweredWhenItsSilentDeviceAnswersAgainIsToldOnce) {
  SerialOutageWatch watch;
  watch.Restart(0);
  std::vector<Counts> tags = {{1, "Level", 20, 0, 0, 0}, {1, "Flow", 20, 0, 0, 0}};
  std::uint64_t replies = 0;
  auto period = [&](std::uint32_t at, bool silent) {
    for (Counts& tag : tags) {
      tag.readsAsked += 10;
      if (silent || tag.tag == "Flow") {
        tag.readsTimedOut += 10;
      } else {
        tag.readings += 10;
        replies += 10;
      }
    }
    watch.EndRateWindow({{1, replies}});
    return Boxes(watch.Judge(at, tags, {{1, replies}}, "COM2"));
  };
  EXPECT_EQ(period(kPeriod, true),
            std::vector<std::string>{kHeading + "Device 1 on COM2 does not answer. Its tags: Level, Flow."});
  std::vector<std::string> told;
  for (std::uint32_t i = 2; i <= 5; ++i) {
    for (const std::string& box : period(i * kPeriod, false)) told.push_back(box);
  }
  EXPECT_EQ(told, std::vector<std::string>{kHeading + "Device 1 on COM2 answers, but not for its tags: Flow."});
}

// A read still in flight as the period ends is not unanswered; a tag whose
// replies come after its band is told as late, with the band to raise.
TEST(SerialOutageWatchTest, AReadInFlightIsNotUnansweredAndLateRepliesAskForALongerBand) {
  SerialOutageWatch watch;
  watch.Restart(0);
  //                device tag   UR   asked read refused timedOut late band
  Counts level{1, "Level", 20, 1, 0, 0, 0, 0, 15};
  Counts slow{1, "Slow", 200, 0, 0, 0, 0, 0, 100};
  watch.EndRateWindow({{1, 5}});
  EXPECT_TRUE(watch.Judge(kPeriod, {level, slow}, {{1, 5}}, "COM2").empty());

  level.readsAsked = 2;
  level.readings = 1;
  slow.readsAsked = 10;
  slow.readsTimedOut = 10;
  slow.lateReplies = 9;
  watch.EndRateWindow({{1, 15}});
  const std::vector<std::string> late = {kHeading +
                                         "Device 1 on COM2 answers later than its time-out of 100 ms: raise TOB in "
                                         "the tag file."};
  EXPECT_EQ(Boxes(watch.Judge(2 * kPeriod, {level, slow}, {{1, 15}}, "COM2")), late);
  slow.readsAsked = 20;
  slow.readsTimedOut = 20;
  slow.lateReplies = 19;
  level.readings = 2;
  watch.EndRateWindow({{1, 26}});
  EXPECT_TRUE(watch.Judge(3 * kPeriod, {level, slow}, {{1, 26}}, "COM2").empty());  // the same outage
}
