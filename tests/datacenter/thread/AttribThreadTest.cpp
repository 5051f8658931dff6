#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "datacenter/DCTag.h"
#include "datacenter/DataCenterTestSupport.h"
#include "datacenter/RAttribsPack.h"
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

}  // namespace
