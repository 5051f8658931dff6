#include <gtest/gtest.h>

#include <thread>

#include "../AdvantechTestSupport.h"
#include "datacenter/ThreadEngine.h"
#include "platform/ui/MessageCore.h"
#include "support/ScriptedMessageBox.h"

namespace {

TEST(AdvantechPollThread, PollsInputsUntilStopEndsTheThreadAndClosesTheCards) {
  FreshCards cards;
  ScriptedMessageBox boxes;
  LinkTestEngineRoot root;
  CDataCenterBase dataCenter;
  root.SetDataCenter(&dataCenter);
  root.SetDataSource(eDataSourceRealHW);
  CDCTag* input = AddAdvTag(dataCenter, "DI", "BA2C0-CBL0-BIT3", eIOInput, VT_BOOL);
  CDCTag* level = AddAdvTag(dataCenter, "Level", "BA300-CH1", eIOInput, VT_R4);
  daqemu::SetBit(0, 3, true);
  daqemu::SetVoltage(1, 2.5f);

  auto link = CHwLinkerEngine::Make<CAdvantechLinkerEngine>();
  ASSERT_TRUE(link->Start());
  CThreadEngine* thread = link->GetPollThread();
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(WaitPumping([&] { return input->GetValue() == Variant::Bool(true); }, 60000));
  EXPECT_TRUE(WaitPumping([&] { return level->GetValue() == Variant::R4(2.5f); }, 60000));

  EXPECT_TRUE(link->Stop());
  EXPECT_FALSE(thread->IsRunning());
  EXPECT_EQ(daqemu::OpenDeviceCount(), 0);
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST(AdvantechPollThread, AReportOfThePollingThreadGoesThroughTheMessageBoxService) {
  FreshCards cards;
  ScriptedMessageBox boxes;
  LinkTestEngineRoot root;
  CDataCenterBase dataCenter;
  root.SetDataCenter(&dataCenter);
  CDCTag* input = AddAdvTag(dataCenter, "DI", "BA2C0-CBL0-BIT3", eIOInput, VT_BOOL);

  auto link = CHwLinkerEngine::Make<CAdvantechLinkerEngine>();
  ASSERT_TRUE(link->Start());
  input->SetIOType(eIODuplex);  // no longer fits the digital card
  boxes.Expect(IDOK, "ErrorMsg: Invalid IOType!");
  root.SetDataSource(eDataSourceRealHW);
  EXPECT_TRUE(WaitPumping([&] { return boxes.Count() == 1; }, 60000));
  link->Stop();
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_NE(boxes.Boxes()[0].thread, std::this_thread::get_id());
  EXPECT_FALSE(input->IsEnabled());
}

}  // namespace
