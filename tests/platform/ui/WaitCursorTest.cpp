// The hourglass over the program while an operation runs: nested objects keep
// it until the last one goes, and a worker thread's object changes nothing.
#include <gtest/gtest.h>

#include <QApplication>
#include <thread>

#include "platform/ui/CWaitCursor.h"

TEST(WaitCursorTest, NestsAndComesBackOnlyOnTheUiThread) {
  ASSERT_EQ(QApplication::overrideCursor(), nullptr);
  {
    CWaitCursor outer;
    EXPECT_TRUE(CWaitCursor::IsShown());
    {
      CWaitCursor inner;
      EXPECT_TRUE(CWaitCursor::IsShown());
    }
    EXPECT_TRUE(CWaitCursor::IsShown());
    std::thread worker([] { CWaitCursor elsewhere; });
    worker.join();
    EXPECT_TRUE(CWaitCursor::IsShown());
  }
  EXPECT_FALSE(CWaitCursor::IsShown());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
