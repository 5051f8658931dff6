// The splash's rules on a fake clock: the banner cut, the engine, the form, the
// counter and the end.
#include <gtest/gtest.h>

#include "app/SplashProgress.h"
#include "support/FakeClock.h"

namespace {

struct FakeWatch : CSplashProgress::Watch {
  bool FindEngine() override { return ++reads, enginePublished; }
  std::string ReadAppTitle() override { return ++reads, title; }
  bool FindForm() override { return ++reads, formCreated; }
  bool IsFormVisible() override { return ++reads, formVisible; }
  bool enginePublished = true;
  bool formCreated = false;
  bool formVisible = false;
  std::string title;
  int reads = 0;
};

std::string Chars(std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += static_cast<char>('a' + i % 26);
  return text;
}

class SplashProgressTest : public ::testing::Test {
 protected:
  CSplashProgress::Step After(std::uint32_t ms) {
    clock.Advance(ms);
    return progress.DoStep();
  }
  FakeClock clock;
  bool installed = (clock.Install(), true);  // before stopwatch A starts
  FakeWatch watch;
  CSplashProgress progress{watch};
};

}  // namespace

TEST(SplashBannerTest, CutBeforeTheFirstCommaKeepingThirtyToSixtyCharactersThenTrimmed) {
  EXPECT_EQ(CSplashProgress::CutBanner(Chars(80)), Chars(30));
  EXPECT_EQ(CSplashProgress::CutBanner(Chars(45) + "," + Chars(20)), Chars(45));
  EXPECT_EQ(CSplashProgress::CutBanner(Chars(70) + ", more"), Chars(60));
  EXPECT_EQ(CSplashProgress::CutBanner(Chars(10) + "," + Chars(40)), (Chars(10) + "," + Chars(40)).substr(0, 30));
  EXPECT_EQ(CSplashProgress::CutBanner(Chars(25) + "      " + Chars(10)), Chars(25));
  EXPECT_EQ(CSplashProgress::CutBanner(""), "");
  // Characters, not bytes: 40 Arabic letters of two bytes each keep 30 letters.
  std::string persian;
  for (int i = 0; i < 40; ++i) persian += "\u0643";
  EXPECT_EQ(CSplashProgress::CutBanner(persian).size(), 60u);
}

TEST_F(SplashProgressTest, TheStepThatFindsTheEngineReadsNothingElseAndTheTextWaitsForATitle) {
  watch.enginePublished = false;
  EXPECT_FALSE(progress.DoStep().hasText);
  watch.enginePublished = true;
  watch.formCreated = true;
  watch.title = "Known at once";
  EXPECT_FALSE(progress.DoStep().hasText);
  EXPECT_EQ(watch.reads, 2);  // the engine twice, nothing else

  watch.title.clear();  // until the form hands over its banner
  EXPECT_FALSE(After(1000).hasText);
  watch.title = "RuvFrame[2k8] ZoruVarediz Melot 881120-S1 - Batch Plant Supervision and Control";
  EXPECT_EQ(After(999).text, "RuvFrame[2k8] ZoruVarediz Melo [#2]");
  watch.title = "Other";  // read once
  EXPECT_EQ(After(1).text, "RuvFrame[2k8] ZoruVarediz Melo [#3]");
  // The start-up held the UI thread: the counter jumps with the clock, not the steps.
  EXPECT_EQ(After(12500).text, "RuvFrame[2k8] ZoruVarediz Melo [#15]");
}

TEST_F(SplashProgressTest, EndsThreeWholeSecondsAfterTheFormWasSeenVisibleAndThenReadsNothing) {
  watch.title = "Title";
  progress.DoStep();  // finds the engine
  watch.formCreated = true;
  watch.formVisible = true;
  EXPECT_FALSE(After(1000).finished);  // finds the form only
  EXPECT_FALSE(progress.SinceFormShown().IsRunning());
  EXPECT_FALSE(After(1000).finished);  // sees it visible
  EXPECT_TRUE(progress.SinceFormShown().IsRunning());
  watch.formVisible = false;
  EXPECT_FALSE(After(2999).finished);
  const CSplashProgress::Step last = After(1);
  EXPECT_TRUE(last.finished);
  EXPECT_FALSE(last.hasText);
  const int reads = watch.reads;
  EXPECT_TRUE(After(1000).finished);
  EXPECT_EQ(watch.reads, reads);
}

TEST_F(SplashProgressTest, AFormThatNeverShowsEndsItAfterSeventyOneSeconds) {
  watch.formCreated = true;
  EXPECT_FALSE(After(70999).finished);
  EXPECT_FALSE(progress.DoStep().finished);
  EXPECT_TRUE(After(1).finished);
}
