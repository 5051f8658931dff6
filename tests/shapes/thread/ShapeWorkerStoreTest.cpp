#include <thread>

#include "platform/ui/MessageCore.h"
#include "shapes/ShapesTestSupport.h"

namespace {

using ShapeWorkerStoreTest = ShapeTest;

// The process cycle stores from its worker: the plant form answers across
// threads, and a refusal's box must not hold the worker (outputs may be on).
TEST_F(ShapeWorkerStoreTest, RefusalOnAWorkerReturnsWithoutWaitingForTheBox) {
  TestKindShape& shape = Shape();
  m_form.refusedIndex = TestKindShape::kSpeed;
  m_boxes.SetDefaultAnswer(IDOK);

  std::atomic<bool> done{false};
  std::thread::id workerId;
  std::thread worker([&] {
    workerId = std::this_thread::get_id();
    for (int i = 1; i <= 20; ++i) {
      shape.SetAttribFloat(TestKindShape::kMaxLevel, static_cast<float>(i));  // accepted
      shape.SetAttribInt(TestKindShape::kSpeed, i);                        // refused
    }
    done = true;
  });
  // The UI thread keeps answering and meanwhile stores and reads too.
  for (int i = 0; i < 20 && !done.load(); ++i) {
    shape.SetAttribInt(eShapeDrawPosY, i);
    (void)shape.GetAttribInt(TestKindShape::kSpeed);
    PumpPendingMessages();
  }
  ASSERT_TRUE(WaitPumping([&] { return done.load(); }, 30000));
  worker.join();

  EXPECT_EQ(shape.GetAttribInt(TestKindShape::kSpeed), 0);
  const auto boxes = m_boxes.Boxes();
  ASSERT_EQ(boxes.size(), 20u);
  for (const auto& box : boxes) {
    EXPECT_EQ(box.text, "Error at Vessel operating!");
    EXPECT_FALSE(box.waited);
    EXPECT_EQ(box.thread, workerId);
  }
}

}  // namespace
