// The splash's rules on a fake clock: the banner cut, the engine, the form, the
// counter and the end.
#include <gtest/gtest.h>

#include "app/SplashProgress.h"
#include "support/FakeClock.h"

namespace {

struct FakeWatch : CSplashProgress::Watch {
  bool FindEngine() override {
    ++engineReads;
    return enginePublished;
  }
  std::string ReadAppTitle() override {
    ++titleReads;
    return title;
  }
  bool FindForm() override {
    ++formReads;
    return formCreated;
  }
  bool IsFormVisible() override {
    ++formReads;
    return formVisible;
  }
  bool enginePublished = false;
  bool formCreated = false;
  bool formVisible = false;
  std::string title;
  int engineReads = 0;
  int titleReads = 0;
  int formReads = 0;
};

std::string Chars(std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += static_cast<char>('a' + i % 26);
  return text;
}

class SplashProgressTest : public ::testing::Test {
 protected:
  SplashProgressTest() { clock.Install(); }
  // One step a second later, as the splash's timer takes them.
  CSplashProgress::Step NextSecond(CSplashProgress& progress) {
    clock.Advance(1000);
    return progress.DoStep();
  }
  FakeClock clock;
  FakeWatch watch;
};

}  // namespace

TEST(SplashBannerTest, CutBeforeTheFirstCommaKeepingThirtyToSixtyCharacters) {
  const std::string noComma = Chars(80);
  EXPECT_EQ(CSplashProgress::CutBanner(noComma), noComma.substr(0, 30));
  EXPECT_EQ(CSplashProgress::CutBanner(Chars(45) + "," + Chars(20)), Chars(45));
  EXPECT_EQ(CSplashProgress::CutBanner(Chars(70) + ", more"), Chars(60));
  EXPECT_EQ(CSplashProgress::CutBanner(Chars(10) + ", and then a good deal more text"),
            (Chars(10) + ", and then a good deal more te").substr(0, 30));
  // Blanks go from both ends after the cut; a short title stays whole.
  EXPECT_EQ(CSplashProgress::CutBanner("  RuvFrame[2k8]  "), "RuvFrame[2k8]");
  EXPECT_EQ(CSplashProgress::CutBanner(Chars(25) + "      " + Chars(10)), Chars(25));
  EXPECT_EQ(CSplashProgress::CutBanner("RuvFrame[2k8] ZoruVarediz Melot 881120-S1 - Batch Plant Supervision and Control"),
            "RuvFrame[2k8] ZoruVarediz Melo");
  EXPECT_EQ(CSplashProgress::CutBanner(""), "");
  // Characters, not bytes: 40 Arabic letters (two bytes each) keep 30 letters.
  std::string persian;
  for (int i = 0; i < 40; ++i) persian += "\u0643";
  EXPECT_EQ(CSplashProgress::CutBanner(persian).size(), 60u);
}

TEST_F(SplashProgressTest, TheStepThatFindsTheEngineReadsNothingMoreAndAnEmptyTitleShowsNoText) {
  CSplashProgress progress(watch);
  CSplashProgress::Step step = progress.DoStep();  // nothing published yet
  EXPECT_FALSE(step.finished);
  EXPECT_FALSE(step.hasText);
  watch.enginePublished = true;
  watch.formCreated = true;
  watch.title = "Known at once";
  step = progress.DoStep();
  EXPECT_EQ(watch.engineReads, 2);
  EXPECT_EQ(watch.titleReads, 0);
  EXPECT_EQ(watch.formReads, 0);
  EXPECT_FALSE(step.hasText);

  // Until the form hands over its banner the title is empty: no text, asked again.
  watch.title.clear();
  step = NextSecond(progress);
  EXPECT_FALSE(step.hasText);
  step = NextSecond(progress);
  EXPECT_FALSE(step.hasText);
  EXPECT_EQ(watch.titleReads, 2);
  EXPECT_EQ(watch.engineReads, 2);
  watch.title = "RuvFrame[2k8] ZoruVarediz Melot 881120-S1 - Batch Plant Supervision and Control";
  step = NextSecond(progress);
  ASSERT_TRUE(step.hasText);
  EXPECT_EQ(step.text, "RuvFrame[2k8] ZoruVarediz Melo [#4]");
  // Read once: a later title changes nothing.
  watch.title = "Other";
  step = NextSecond(progress);
  EXPECT_EQ(step.text, "RuvFrame[2k8] ZoruVarediz Melo [#5]");
  EXPECT_EQ(watch.titleReads, 3);
}

TEST_F(SplashProgressTest, TheCounterShowsStopwatchAsWholeSecondsPlusOne) {
  watch.enginePublished = true;
  watch.title = "Title";
  CSplashProgress progress(watch);
  progress.DoStep();
  EXPECT_EQ(progress.DoStep().text, "Title [#1]");  // at once: 0 whole seconds
  clock.Advance(999);
  EXPECT_EQ(progress.DoStep().text, "Title [#1]");
  clock.Advance(1);
  EXPECT_EQ(progress.DoStep().text, "Title [#2]");
  // The start-up held the UI thread for 12.5 s: the counter jumps, it does not count steps.
  clock.Advance(12500);
  EXPECT_EQ(progress.DoStep().text, "Title [#14]");
}

TEST_F(SplashProgressTest, EndsWhenThreeWholeSecondsPassedSinceTheFormWasSeenVisible) {
  watch.enginePublished = true;
  watch.title = "Title";
  CSplashProgress progress(watch);
  progress.DoStep();                        // finds the engine
  EXPECT_FALSE(NextSecond(progress).finished);  // form not created yet
  watch.formCreated = true;
  watch.formVisible = true;
  EXPECT_FALSE(NextSecond(progress).finished);  // finds the form only
  EXPECT_FALSE(progress.SinceFormShown().IsRunning());
  EXPECT_FALSE(NextSecond(progress).finished);  // sees it visible: B starts
  EXPECT_TRUE(progress.SinceFormShown().IsRunning());
  watch.formVisible = false;  // B runs on whatever the form does
  clock.Advance(2999);
  EXPECT_FALSE(progress.DoStep().finished);
  clock.Advance(1);
  const CSplashProgress::Step last = progress.DoStep();
  EXPECT_TRUE(last.finished);
  EXPECT_FALSE(last.hasText);
  // Finished stays finished and reads nothing more.
  const int reads = watch.engineReads + watch.titleReads + watch.formReads;
  EXPECT_TRUE(NextSecond(progress).finished);
  EXPECT_EQ(watch.engineReads + watch.titleReads + watch.formReads, reads);
}

TEST_F(SplashProgressTest, AFormThatNeverShowsEndsItAfterSeventyOneSeconds) {
  watch.enginePublished = true;
  watch.formCreated = true;
  CSplashProgress progress(watch);
  clock.Advance(70999);
  EXPECT_FALSE(progress.DoStep().finished);
  EXPECT_FALSE(progress.DoStep().finished);
  clock.Advance(1);
  EXPECT_TRUE(progress.DoStep().finished);
  EXPECT_TRUE(progress.IsFinished());
}
