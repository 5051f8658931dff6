// An OPC item's value, quality and update count are read from other threads (the
// engine cycles, the tag scout) while the UI thread's callbacks update them: the
// item's lock guards every such read and write.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "datacenter/DCTag.h"
#include "links/OpcGroup.h"
#include "links/OpcItem.h"
#include "links/OpcServer.h"

TEST(OpcItemThreads, ReadersSeeWholeUpdatesWhileTheUiThreadWrites) {
  COpcServer server(nullptr, "OPC.SimaticNET", "");
  auto* group = new COpcGroup(&server);
  server.AddGroup(group, FALSE);
  CDCTag tag;
  tag.SetTagName("Line.Count");
  tag.SetDataType(VT_I4);
  auto* item = new COpcItem(group);
  item->SetDCTag(&tag);
  group->AddItems(&item, 1, FALSE);
  item->SetValueType(VT_I4);

  std::atomic<bool> stop{false};
  std::atomic<int> mismatches{0};
  std::thread reader([&] {
    while (!stop.load()) {
      const Variant value = item->GetValue();
      const DWORD count = item->GetUpdateCount();
      (void)item->GetQuality();
      (void)tag.GetValue();
      if (!value.IsEmpty() && value.vt != VT_I4) ++mismatches;
      (void)count;
    }
  });
  for (int i = 1; i <= 2000; ++i) item->UpdateValue(Variant::I4(i), OPC_QUALITY_GOOD);
  stop.store(true);
  reader.join();
  EXPECT_EQ(mismatches.load(), 0);
  EXPECT_EQ(item->GetUpdateCount(), 2000u);
  EXPECT_EQ(tag.GetValue(), Variant::I4(2000));
}
