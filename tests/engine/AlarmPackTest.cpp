#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/AlarmPack.h"

namespace {

// Records every hook call in order: ("alarm", code) or ("pack", code).
class RecordingAlarmPack final : public CAlarmPack {
 public:
  void OnAlarmChanged(CAlarmStruct* alarm, int code) override {
    calls.emplace_back("alarm", code);
    CAlarmPack::OnAlarmChanged(alarm, code);
  }
  void OnPackChanged(int code) override { calls.emplace_back("pack", code); }

  std::vector<std::pair<std::string, int>> calls;
};

using Calls = std::vector<std::pair<std::string, int>>;

TEST(AlarmPackTest, ListKeepsFirstNameOfAnIdAndStartsWithNothingActive) {
  RecordingAlarmPack pack;
  EXPECT_FALSE(pack.IsAnyActive());
  EXPECT_TRUE(pack.IsAllAcknowledged());
  EXPECT_EQ(pack.FindAlarm(2000), nullptr);

  pack.AddAlarm(2000, "CHLFR");
  pack.AddAlarm(2001, "CHOVR");
  pack.AddAlarm(2000, "Other");
  ASSERT_EQ(pack.GetAlarmCount(), 2);
  ASSERT_NE(pack.FindAlarm(2000), nullptr);
  EXPECT_EQ(pack.FindAlarm(2000)->GetName(), "CHLFR");
  EXPECT_EQ(pack.GetAlarmAt(1)->GetID(), 2001);
  EXPECT_EQ(pack.GetAlarmAt(2), nullptr);
  EXPECT_EQ(pack.GetAlarmAt(-1), nullptr);

  const CAlarmStruct* alarm = pack.FindAlarm(2001);
  EXPECT_FALSE(alarm->IsActive());
  EXPECT_FALSE(alarm->IsDisplayed());
  EXPECT_FALSE(alarm->IsAcknowledged());
  EXPECT_FALSE(alarm->GetFirstTimer().IsRunning());
  EXPECT_FALSE(alarm->GetSecondTimer().IsRunning());
  EXPECT_TRUE(pack.calls.empty());
}

TEST(AlarmPackTest, ActivatingReportsTheAlarmThenBothSummariesAndDeactivatingRestoresThem) {
  RecordingAlarmPack pack;
  pack.AddAlarm(2000, "CHLFR");
  pack.AddAlarm(2001, "CHOVR");
  CAlarmStruct* first = pack.FindAlarm(2000);
  CAlarmStruct* second = pack.FindAlarm(2001);

  first->SetActive(true);
  EXPECT_EQ(pack.calls, (Calls{{"alarm", 3}, {"pack", 3}, {"pack", 4}}));
  EXPECT_TRUE(pack.IsAnyActive());
  EXPECT_FALSE(pack.IsAllAcknowledged());

  // A second active alarm changes neither summary; setting the same value reports nothing.
  pack.calls.clear();
  second->SetActive(true);
  second->SetActive(true);
  EXPECT_EQ(pack.calls, (Calls{{"alarm", 3}}));

  pack.calls.clear();
  pack.ClearAlarms();
  EXPECT_EQ(pack.calls, (Calls{{"alarm", 3}, {"alarm", 3}, {"pack", 3}, {"pack", 4}}));
  EXPECT_FALSE(pack.IsAnyActive());
  EXPECT_TRUE(pack.IsAllAcknowledged());
}

TEST(AlarmPackTest, DisplayedFlagReportsOnlyTheAlarmAndActivationClearsIt) {
  RecordingAlarmPack pack;
  pack.AddAlarm(2003, "AM");
  CAlarmStruct* alarm = pack.FindAlarm(2003);

  alarm->SetDisplayed(true);
  alarm->SetDisplayed(true);
  EXPECT_EQ(pack.calls, (Calls{{"alarm", 5}}));
  EXPECT_TRUE(alarm->IsDisplayed());

  alarm->SetActive(true);
  EXPECT_FALSE(alarm->IsDisplayed());
}

TEST(AlarmPackTest, ResetOfInactiveAlarmsNotifiesNothingAndResetOfActiveOnesReportsOnce) {
  RecordingAlarmPack pack;
  pack.AddAlarm(2000, "CHLFR");
  pack.AddAlarm(2001, "CHOVR");
  pack.ResetAllAlarms();
  EXPECT_TRUE(pack.calls.empty());

  pack.FindAlarm(2001)->SetActive(true);
  pack.calls.clear();
  pack.ResetAllAlarms();
  EXPECT_EQ(pack.calls, (Calls{{"alarm", 3}, {"pack", 3}, {"pack", 4}}));
}

TEST(AlarmPackTest, SummarySettersReportOnlyChanges) {
  RecordingAlarmPack pack;
  pack.SetAnyActive(false);
  pack.SetAllAcknowledged(true);
  EXPECT_TRUE(pack.calls.empty());
  pack.SetAllAcknowledged(false);
  pack.SetAnyActive(true);
  EXPECT_EQ(pack.calls, (Calls{{"pack", 4}, {"pack", 3}}));
}

}  // namespace
