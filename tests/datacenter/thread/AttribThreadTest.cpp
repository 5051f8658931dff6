#include <gtest/gtest.h>

#include <atomic>
#include <functional>
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

// Runs `here` on this thread and `there` on another, started together in each
// round; counts the rounds after which `holds` is false.
int RoundsFailing(int rounds, const std::function<void(int)>& here, const std::function<void(int)>& there,
                  const std::function<bool(int)>& holds) {
  std::atomic<int> started{0};
  std::atomic<int> finished{0};
  std::thread other([&] {
    for (int round = 1; round <= rounds; ++round) {
      while (started.load() < round) std::this_thread::yield();
      there(round);
      finished.store(round);
    }
  });
  int failing = 0;
  for (int round = 1; round <= rounds; ++round) {
    started.store(round);
    here(round);
    while (finished.load() < round) std::this_thread::yield();
    if (!holds(round)) ++failing;
  }
  other.join();
  return failing;
}

// The engine cycle changes an attribute's request (which recomputes the summary)
// while the UI thread recomputes it too: whichever stores last, the summary left
// behind must be the attributes' present state, never an older one.
TEST(AttribThreadTest, ConcurrentRecomputesLeaveTheSummaryOfThePresentState) {
  FakeEngine engine;
  ScriptedMessageBox boxes;
  CDCTag speed;
  speed.SetDataType(VT_R4);
  TwoValuePack pack;
  CRAttrib* attrib = pack.GetAttrib(0);
  attrib->SetDCTag(&speed);
  auto requested = [](int round) { return round % 2 == 1; };
  EXPECT_EQ(RoundsFailing(
                4000, [&](int round) { attrib->SetWriteRequested(requested(round) ? TRUE : FALSE); },
                [&](int) { pack.RecomputePendingFlags(); },
                [&](int round) {
                  const bool right = (pack.GetWritePendingFlag() != FALSE) == requested(round);
                  if (!right) pack.RecomputePendingFlags();  // the next round starts from the truth
                  return right;
                }),
            0);
}

// Two attributes bound to and from one tag at once: the tag is listened to while
// either attribute is bound, whichever rebind told the tag last.
TEST(AttribThreadTest, ConcurrentRebindsOfOneTagLeaveItsListeningAsTheListsSay) {
  FakeEngine engine;
  ScriptedMessageBox boxes;
  CWnd listener;
  ASSERT_TRUE(listener.CreateEx(0, "Static", "", WS_POPUP, 0, 0, 0, 0, nullptr, 0));
  CDataCenterBase center;  // a rebind looks for the attribute's old tag among these
  engine.SetDataCenter(&center);
  auto tag = std::make_unique<CDCTag>();
  tag->SetDataType(VT_R4);
  CDCTag& speed = *tag;
  ASSERT_EQ(center.AddTag(tag), 0);
  TwoValuePack pack;
  pack.SetListenerWnd(&listener);
  auto bound = [](int round, int attrib) { return attrib == 0 ? round % 2 == 1 : round % 4 < 2; };
  auto rebind = [&](int attrib) {
    return [&, attrib](int round) { pack.GetAttrib(attrib)->SetDCTag(bound(round, attrib) ? &speed : nullptr); };
  };
  EXPECT_EQ(RoundsFailing(2000, rebind(0), rebind(1),
                          [&](int round) {
                            return (speed.HasListener(listener.GetSafeHwnd()) != FALSE) ==
                                   (bound(round, 0) || bound(round, 1));
                          }),
            0);
  pack.GetAttrib(0)->SetDCTag(nullptr);
  pack.GetAttrib(1)->SetDCTag(nullptr);
  listener.DestroyWindow();
}

}  // namespace
