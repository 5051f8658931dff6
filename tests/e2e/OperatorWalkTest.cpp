// Random operator walks over the whole program in Demo: after every action
// that leaves the plant quiet, Event2, the shift's totals, the batches and the
// learned in-pipe amounts must agree. A failing walk is printed with its seed
// and shrunk to a short action list that replays as a test of its own.
//
// By hand: RUV_WALKS=N RUV_WALK_SEED=S runs N walks from seed S (tools/run-walks
// spreads a range over processes); RUV_WALK_SHRINK=R spends at most R replays
// shrinking a failing walk (0: none); RUV_WALK_TRACE=1 prints every step;
// RUV_WALK_WEIGHTS="V30,Q8" changes the weights of the actions drawn;
// RUV_WALK_IGNORE="(b1)(b2)" leaves findings of those tags out (a fault known
// and not yet mended must not hide the others; "none" checks every tag).
// RUV_WALK_WEIGHTS="hands-running", "locks-closes" or "shifts" steer the draw.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "e2e/OperatorWalk.h"

namespace {

// The seeds CI walks on every run.
constexpr std::uint32_t kCiFirstSeed = 1;
constexpr int kCiWalks = 16;
// Replays spent shrinking a failing walk when nobody said otherwise: enough
// for a short list, within the test run's time limit.
constexpr std::uint32_t kDefaultShrinkReplays = 12;

std::uint32_t EnvNumber(const char* name, std::uint32_t fallback) {
  const char* text = std::getenv(name);
  return text && *text ? static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10)) : fallback;
}

// 40 to 80 actions, from the seed.
int WalkLength(std::uint32_t seed) { return 40 + static_cast<int>((seed * 2654435761u) % 41u); }

TEST_F(OperatorWalk, RandomWalksKeepTheRecordsInAgreement) {
  const std::uint32_t first = EnvNumber("RUV_WALK_SEED", kCiFirstSeed);
  const std::uint32_t count = EnvNumber("RUV_WALKS", kCiWalks);
  const int shrinkReplays = static_cast<int>(EnvNumber("RUV_WALK_SHRINK", kDefaultShrinkReplays));
  const char* weightsText = std::getenv("RUV_WALK_WEIGHTS");
  const std::string weights = weightsText ? weightsText : "";
  int failed = 0;
  for (std::uint32_t seed = first; seed < first + count; ++seed) {
    const std::vector<WalkAction> walk = WalkAction::Draw(seed, WalkLength(seed), weights);
    const Outcome outcome = RunWalk(walk);
    if (!outcome.Failed()) continue;
    ++failed;
    const std::string tag = outcome.findings.front().Tag();
    const std::string shrunk =
        shrinkReplays > 0 ? WalkAction::Join(Shrink(walk, tag, shrinkReplays)) : std::string("(not shrunk)");
    ADD_FAILURE() << "Walk seed " << seed << " fails " << outcome.Tags() << ":" << outcome.Describe(walk)
                  << "\n  walk: " << WalkAction::Join(walk) << "\n  shortest for " << tag << ": ReplayWalk(\"" << shrunk
                  << "\");";
  }
  std::printf("[walks] seeds %u..%u: %u walks, %d failed\n", first, first + count - 1, count, failed);
}

// RUV_WALK_REPLAY="R1 S p200 ..." replays one walk by hand (with RUV_WALK_TRACE=1 step by step).
TEST_F(OperatorWalk, ReplayFromEnvironment) {
  const char* walk = std::getenv("RUV_WALK_REPLAY");
  if (!walk || !*walk) GTEST_SKIP() << "RUV_WALK_REPLAY names no walk";
  // RUV_WALK_TARGET="(a3)" shrinks it to the shortest walk that still shows
  // that tag, in at most RUV_WALK_SHRINK replays (400).
  const char* target = std::getenv("RUV_WALK_TARGET");
  if (target && *target) {
    const int budget = static_cast<int>(EnvNumber("RUV_WALK_SHRINK", 400));
    const std::string shrunk = WalkAction::Join(Shrink(WalkAction::Parse(walk), target, budget));
    std::printf("shortest for %s: ReplayWalk(\"%s\");\n", target, shrunk.c_str());
  }
  ReplayWalk(walk);
}

TEST_F(OperatorWalk, TheTextFormReadsBackWhatItWrites) {
  const std::vector<WalkAction> walk = WalkAction::Draw(7, 60);
  EXPECT_EQ(WalkAction::Parse(WalkAction::Join(walk)), walk);
  EXPECT_EQ(WalkAction::Join(WalkAction::Parse("R2 S p120  V27+ V4- P1+ M60 Q")), "R2 S p120 V27+ V4- P1+ M60 Q");
  EXPECT_EQ(WalkAction::Join(WalkAction::Parse("T1 Z801 w1 w2 w5 b703 L3+ X0- G K")), "T1 Z801 w1 w2 w5 b703 L3+ X0- G K");
  // The steered weightings draw what they are named for.
  EXPECT_NE(WalkAction::Join(WalkAction::Draw(7, 60, "hands-running")).find(" w1 "), std::string::npos);
  const std::string locks = WalkAction::Join(WalkAction::Draw(7, 60, "locks-closes"));
  EXPECT_TRUE(locks.find(" L") != std::string::npos || locks.find(" X") != std::string::npos) << locks;
  EXPECT_NE(WalkAction::Join(WalkAction::Draw(7, 60, "locks-closes,Y40")).find(" K S p300"), std::string::npos);
  EXPECT_NE(WalkAction::Join(WalkAction::Draw(7, 60, "shifts")).find(" G"), std::string::npos);
}

// A plain run to its end, the program closed and started again, and another
// run: the checker finds nothing to object to.
TEST_F(OperatorWalk, AQuietRunLeavesTheRecordsInAgreement) {
  ReplayWalk("R4 S p200 C p200 Q R4 A R2 S p200 T");
}

}  // namespace
