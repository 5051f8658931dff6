#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "datacenter/DCTag.h"
#include "datacenter/DataCenterBase.h"
#include "datacenter/DataCenterTestSupport.h"
#include "datacenter/RAttribsPack.h"
#include "platform/ui/CWnd.h"
#include "support/ScriptedMessageBox.h"

namespace {

// Two float attributes, the first a physical value with a history.
class TwoValuePack final : public CRAttribsPack {
 public:
  TwoValuePack() { SetAttribCount(2); }
  std::string GetAttribNameAt(int index) const override { return index == 0 ? "Speed" : "SetPoint"; }
  Variant GetDefaultVariant(int) const override { return Variant(); }
  void StoreAttribValue(int index, const Variant& value) override {
    if (CRAttrib* attrib = GetAttrib(index)) {
      attrib->SetValue(value);
      attrib->WriteToTag();
    }
  }
  VARTYPE FindAttribVarType(int) const override { return VT_R4; }
  int GetAnalogRole(int index) const override { return index == 0 ? eAnalogPhysical : eAnalogNone; }
  int GetAnalogGroupAttrib(int, int) const override { return -1; }
  std::string GetSectionName() const override { return "Pump.P1"; }
  BOOL SectionExists(const std::string&) const override { return TRUE; }
  void WriteIniValue(int, int, const std::string&) override {}
  std::string ReadIniValue(int, int) const override { return std::string(); }
};

// The engine's cycle stores values and writes them to their tags while the UI
// thread pushes histories, recomputes the summaries and reads the attributes.
TEST(AttribThreadTest, ACycleStoresValuesWhileTheUiThreadReadsAndPushes) {
  FakeEngine engine;
  engine.SetDataSource(eDataSourceRealHW);
  ScriptedMessageBox boxes;
  CDCTag speed;
  speed.SetTagName("P1.Speed");
  speed.SetHWType(eHWSerial);
  speed.SetIOType(eIODuplex);
  speed.SetDataType(VT_R4);
  CDCTag setPoint;
  setPoint.SetTagName("P1.SetPoint");
  setPoint.SetHWType(eHWSerial);
  setPoint.SetIOType(eIOOutput);
  setPoint.SetDataType(VT_R4);

  TwoValuePack pack;
  pack.GetAttrib(0)->SetDCTag(&speed);
  pack.GetAttrib(1)->SetDCTag(&setPoint);

  constexpr int kValues = 2000;
  std::atomic<bool> done{false};
  std::thread cycle([&] {
    for (int v = 1; v <= kValues; ++v) {
      pack.StoreAttribValue(0, Variant::R4(static_cast<float>(v)));
      pack.StoreAttribValue(1, Variant::R4(static_cast<float>(-v)));
      if (v % 7 == 0) speed.SetWritePending(FALSE);
    }
    done.store(true);
  });

  int reads = 0;
  while (!done.load() || reads < 100) {
    const Variant value = pack.GetAttribValue(0);
    EXPECT_EQ(value.vt, VT_R4);
    pack.GetAttrib(0)->PushHistory();
    pack.GetAttrib(0)->SetWriteRequested(speed.IsWritePending());
    pack.RecomputePendingFlags();
    (void)pack.GetAttrib(1)->IsModified();
    ++reads;
  }
  cycle.join();

  EXPECT_EQ(pack.GetAttribValue(0), Variant::R4(static_cast<float>(kValues)));
  EXPECT_EQ(speed.GetValue(), Variant::R4(static_cast<float>(kValues)));
  EXPECT_EQ(setPoint.GetValue(), Variant::R4(static_cast<float>(-kValues)));
  EXPECT_TRUE(setPoint.IsWritePending());
  pack.RecomputePendingFlags();
  EXPECT_TRUE(pack.GetWritePendingFlag());
  ASSERT_NE(pack.GetAttrib(0)->GetHistory(), nullptr);
  EXPECT_EQ(boxes.Count(), 0u);
}

// The engine cycle changes an attribute's request (which recomputes the summary)
// while the UI thread recomputes it too: whichever stores last, the summary left
// behind must be the attributes' present state, never an older one.
TEST(AttribThreadTest, ConcurrentRecomputesLeaveTheSummaryOfThePresentState) {
  FakeEngine engine;
  ScriptedMessageBox boxes;
  CDCTag speed;
  speed.SetTagName("P1.Speed");
  speed.SetDataType(VT_R4);
  TwoValuePack pack;
  CRAttrib* attrib = pack.GetAttrib(0);
  attrib->SetDCTag(&speed);

  constexpr int kRounds = 4000;
  std::atomic<int> started{0};
  std::atomic<int> finished{0};
  std::thread ui([&] {
    for (int round = 1; round <= kRounds; ++round) {
      while (started.load() < round) std::this_thread::yield();
      pack.RecomputePendingFlags();
      finished.store(round);
    }
  });
  int stale = 0;
  for (int round = 1; round <= kRounds; ++round) {
    const bool requested = round % 2 == 1;
    started.store(round);
    attrib->SetWriteRequested(requested ? TRUE : FALSE);
    while (finished.load() < round) std::this_thread::yield();
    if ((pack.GetWritePendingFlag() != FALSE) != requested) {
      ++stale;
      pack.RecomputePendingFlags();  // start the next round from the truth
    }
  }
  ui.join();
  EXPECT_EQ(stale, 0);
}

// Two attributes bound to and from one tag at once: the tag's listening must end
// as the lists say (listened to while either attribute is bound), whichever
// rebind told the tag last.
TEST(AttribThreadTest, ConcurrentRebindsOfOneTagLeaveItsListeningAsTheListsSay) {
  FakeEngine engine;
  ScriptedMessageBox boxes;
  CWnd listener;
  ASSERT_TRUE(listener.CreateEx(0, "Static", "", WS_POPUP, 0, 0, 0, 0, nullptr, 0));
  CDataCenterBase center;  // a rebind looks for the attribute's old tag among these
  engine.SetDataCenter(&center);
  auto tag = std::make_unique<CDCTag>();
  tag->SetTagName("P1.Speed");
  tag->SetDataType(VT_R4);
  CDCTag& speed = *tag;
  ASSERT_EQ(center.AddTag(tag), 0);
  TwoValuePack pack;
  pack.SetListenerWnd(&listener);

  constexpr int kRounds = 2000;
  std::atomic<int> started{0};
  std::atomic<int> finished{0};
  auto boundIn = [](int round, int attrib) { return attrib == 0 ? round % 2 == 1 : round % 4 < 2; };
  std::thread other([&] {
    for (int round = 1; round <= kRounds; ++round) {
      while (started.load() < round) std::this_thread::yield();
      pack.GetAttrib(1)->SetDCTag(boundIn(round, 1) ? &speed : nullptr);
      finished.store(round);
    }
  });
  int wrong = 0;
  for (int round = 1; round <= kRounds; ++round) {
    started.store(round);
    pack.GetAttrib(0)->SetDCTag(boundIn(round, 0) ? &speed : nullptr);
    while (finished.load() < round) std::this_thread::yield();
    const bool listened = speed.HasListener(listener.GetSafeHwnd()) != FALSE;
    if (listened != (boundIn(round, 0) || boundIn(round, 1))) ++wrong;
  }
  other.join();
  EXPECT_EQ(wrong, 0);
  pack.GetAttrib(0)->SetDCTag(nullptr);
  pack.GetAttrib(1)->SetDCTag(nullptr);
  listener.DestroyWindow();
}

}  // namespace
