// Drawing on worker threads (the splash screen draws on its own thread): each
// thread has its own memory context; pens, brushes and stock objects are shared.
// (Text is left out: the font libraries under Qt synchronise in ways the thread
// checker cannot see.)
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/ui/CDC.h"
#include "platform/ui/ColorRef.h"

namespace {

TEST(DrawingThreads, MemoryContextsOnSeveralThreadsShareObjectsSafely) {
  CPen sharedPen(PS_SOLID, 3, RGB(255, 0, 0));
  std::vector<COLORREF> results(4, 0);
  std::vector<COLORREF> corners(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 20; ++round) {
        CDC dc;
        dc.CreateCompatibleDC(nullptr);
        CBitmap bitmap;
        bitmap.CreateCompatibleBitmap(&dc, 40, 40);
        CBitmap* old = dc.SelectObject(&bitmap);
        dc.FillSolidRect(0, 0, 40, 40, RGB(255, 255, 255));
        dc.SelectObject(&sharedPen);
        dc.SelectStockObject(NULL_BRUSH);
        dc.MoveTo(0, 20);
        dc.LineTo(40, 20);
        CBrush own(RGB(0, 0, t * 60));
        CRect r(0, 0, 5, 5);
        dc.FillRect(&r, &own);
        dc.Rectangle(10, 10, 30, 30);
        corners[static_cast<size_t>(t)] = dc.GetPixel(2, 2);
        results[static_cast<size_t>(t)] = dc.GetPixel(20, 20);
        dc.SelectObject(old);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t) {
    EXPECT_EQ(results[static_cast<size_t>(t)], RGB(255, 0, 0));
    EXPECT_EQ(corners[static_cast<size_t>(t)], RGB(0, 0, t * 60));
  }
}

}  // namespace
