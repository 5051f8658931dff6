// The hourglass while an operation runs: nested objects keep it until the
// last one goes, and an object made on a worker thread changes nothing.
#include <gtest/gtest.h>

#include <QApplication>
#include <thread>

#include "platform/ui/CWaitCursor.h"

TEST(WaitCursorTest, NestsAndComesBackOnlyOnTheUiThread) {
  {
    CWaitCursor outer;
    { CWaitCursor inner; }
    std::thread([] { CWaitCursor elsewhere; }).join();
    EXPECT_TRUE(CWaitCursor::IsShown());
  }
  EXPECT_FALSE(CWaitCursor::IsShown());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
