#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "datacenter/DCTag.h"
#include "datacenter/DataCenterTestSupport.h"
#include "support/ScriptedMessageBox.h"

namespace {

// Workers set values, limits, marks and history samples while the UI thread
// reads them, adds and removes listeners and delivers the posts.
TEST(TagThreadTest, WorkersWriteWhileTheUiThreadReadsAndListens) {
  FakeEngine engine;
  engine.SetDataSource(eDataSourceRealHW);
  ScriptedMessageBox boxes;
  RecordingWindow first;
  CDCTag tag;
  tag.SetHWType(eHWAdv);
  tag.SetIOType(eIODuplex);
  tag.SetDataType(VT_I4);
  tag.AddListener(first.Handle());

  CDCTag averaged;
  averaged.SetHWType(eHWAdv);
  averaged.SetSize(8);

  constexpr int kValues = 3000;
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int v = 1; v <= kValues; ++v) {
      tag.SetValue(Variant::I4(v));
      tag.SetMaxValue(Variant::I4(v));
      averaged.Push(Variant::R4(static_cast<float>(v % 10)));
    }
  });
  std::thread marker([&] {
    for (int i = 0; i < kValues && !done.load(); ++i) {
      tag.SetWritePending(i % 2 == 0);
      tag.SetReadPending(i % 3 == 0);
    }
  });

  std::vector<std::unique_ptr<RecordingWindow>> late;
  int reads = 0;
  while (reads < 200 || !done.load()) {
    const Variant value = tag.GetValue();
    EXPECT_TRUE(value.vt == VT_I4);
    (void)tag.GetInfoText();
    (void)averaged.Average();
    (void)averaged.GetItem(0, true);
    if (reads % 20 == 0) {
      late.push_back(std::make_unique<RecordingWindow>());
      tag.AddListener(late.back()->Handle());
    }
    if (reads % 50 == 25) late.front()->Destroy();
    DeliverPosted();
    ++reads;
    if (reads >= 200 && !done.load()) {
      writer.join();
      done = true;
    }
  }
  marker.join();
  DeliverPosted();

  EXPECT_EQ(tag.GetValue(), Variant::I4(kValues));
  EXPECT_EQ(tag.GetMaxValue(), Variant::I4(kValues));
  const std::vector<LPARAM> codes = first.Codes();
  EXPECT_EQ(std::count(codes.begin(), codes.end(), eTagChangeValue), kValues);
  tag.SetValue(Variant::I4(-1));
  DeliverPosted();
  EXPECT_FALSE(tag.HasListener(late.front()->Handle()));  // dropped when found dead
  EXPECT_EQ(boxes.Count(), 0u);
}

}  // namespace
