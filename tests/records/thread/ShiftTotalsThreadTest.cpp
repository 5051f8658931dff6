#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "../PlantTablesSupport.h"
#include "records/ShiftRS.h"
#include "support/ScriptedMessageBox.h"

namespace {

// The process cycle adds each settled charge to the active shift while the UI
// thread keeps writing the shift back, as it does on every change notice. No
// charge may be lost to a write-back that copied the set before it and
// refreshed it after.
TEST(ShiftTotalsThread, ChargesAddedDuringWriteBacksAreAllKept) {
  FakeClock clock;
  clock.SetNow(TestNowFields());
  clock.Install();
  FakeTableEngine engine;
  ScriptedMessageBox boxes;  // any box fails the test
  PlantDatabase db;
  ASSERT_TRUE(db.created);
  CShiftRS shift;
  ASSERT_TRUE(OpenPlantTable(shift, db, "Shift", false));
  shift.Scratch().SetOperatorName("Night");
  shift.Scratch().SetShiftStopped(false);
  ASSERT_TRUE(shift.AddNew());

  constexpr int kCharges = 3000;
  DATE now = 0;
  OleDateFromFields(TestNowFields(), now);
  std::atomic<bool> writingBack{false};
  std::atomic<bool> done{false};
  std::thread process([&] {
    while (!writingBack.load()) std::this_thread::yield();
    for (int i = 0; i < kCharges; ++i) {
      shift.AddChargeToActiveShift(i % CShiftRS::kStoredTotalCount, 1.0f, now);
      if (i % 100 == 0) shift.IncActiveShiftTotalCycle();
      if (i % 16 == 0) std::this_thread::yield();  // let the write-backs in between
    }
    done.store(true);
  });
  bool allSaved = true;
  do {
    allSaved = shift.WriteBackActive() && allSaved;
    writingBack.store(true);
  } while (!done.load());
  process.join();
  EXPECT_TRUE(allSaved);
  ASSERT_TRUE(shift.WriteBackActive());

  EXPECT_EQ(shift.GetActiveTotalProduced(), static_cast<float>(kCharges));
  for (int material = 0; material < CShiftRS::kStoredTotalCount; ++material)
    EXPECT_EQ(shift.GetActiveTotalMaterial(material),
              static_cast<float>(kCharges / CShiftRS::kStoredTotalCount +
                                 (material < kCharges % CShiftRS::kStoredTotalCount ? 1 : 0)));
  CShiftRS reread;
  ASSERT_TRUE(OpenPlantTable(reread, db, "Shift", false));
  EXPECT_EQ(reread.Current().GetTotalProduced(), static_cast<float>(kCharges));
  EXPECT_EQ(reread.Current().m_nShiftTotalCycle, kCharges / 100);
  float sum = 0.0f;
  for (int material = 0; material < CShiftRS::kStoredTotalCount; ++material)
    sum += reread.Current().GetTotalMaterial(material);
  EXPECT_EQ(sum, static_cast<float>(kCharges));
  EXPECT_EQ(boxes.Count(), 0u);
}

}  // namespace
