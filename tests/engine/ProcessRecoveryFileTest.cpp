#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "ProcessEngineTestSupport.h"
#include "support/TestEnvironment.h"

namespace {

// The recovery file's words: version, count, then per step (version, phase,
// version), then the closing version.
std::string RecoveryWords(const std::vector<std::uint32_t>& phases, std::uint32_t version = 1) {
  std::vector<std::uint32_t> words = {version, static_cast<std::uint32_t>(phases.size())};
  for (std::uint32_t phase : phases) words.insert(words.end(), {version, phase, version});
  words.push_back(version);
  std::string bytes;
  for (std::uint32_t word : words)
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>((word >> shift) & 0xFF));
  return bytes;
}

std::vector<std::uint32_t> ThirtyPhases() {
  std::vector<std::uint32_t> phases(30, 0);
  for (std::size_t i = 0; i < phases.size(); ++i) phases[i] = static_cast<std::uint32_t>(i % 12);
  return phases;
}

class ProcessRecoveryFileTest : public ProcessEngineTest {
 protected:
  ProcessRecoveryFileTest() { engine.SetFileName(dir.File("Qelo-ProcessRecovery.dat")); }

  // Loads `content`, starting from step 7 in phase 5.
  int Load(const std::string& content) {
    dir.Write("Qelo-ProcessRecovery.dat", content);
    engine.SetStepPhase(7, 5);
    return engine.LoadFromFile();
  }
  bool AllInPhaseZero() {
    for (int i = 0; i < engine.GetStepCount(); ++i)
      if (engine.GetStepPhase(i) != 0) return false;
    return true;
  }

  TempDir dir;
};

TEST_F(ProcessRecoveryFileTest, AGoodFileOf30StepsRestoresEveryPhase) {
  const std::string good = RecoveryWords(ThirtyPhases());
  ASSERT_EQ(good.size(), 372u);
  EXPECT_EQ(Load(good), 1);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(engine.GetStepPhase(i), i % 12) << i;

  // What the engine writes is the same file, written whole.
  EXPECT_EQ(engine.SaveToFile(), 1);
  EXPECT_EQ(dir.Read("Qelo-ProcessRecovery.dat"), good);

  // Version words are not examined.
  EXPECT_EQ(Load(RecoveryWords(ThirtyPhases(), 7)), 1);
  EXPECT_EQ(engine.GetStepPhase(13), 1);
}

TEST_F(ProcessRecoveryFileTest, AMissingFileIsNoErrorAndResetsTheSteps) {
  engine.SetStepPhase(7, 5);
  EXPECT_EQ(engine.LoadFromFile(), 1);
  EXPECT_TRUE(AllInPhaseZero());
  engine.SetFileName("");
  EXPECT_EQ(engine.LoadFromFile(), 1);
  EXPECT_EQ(engine.SaveToFile(), 0);
}

TEST_F(ProcessRecoveryFileTest, ABadFileLoadsNothingAndLeavesEveryStepInPhaseZero) {
  std::vector<std::uint32_t> twentyNine(29, 3);
  std::vector<std::uint32_t> phaseTwelve = ThirtyPhases();
  phaseTwelve[29] = 12;
  const std::string good = RecoveryWords(ThirtyPhases());
  const struct {
    const char* what;
    std::string content;
  } bad[] = {
      {"29 steps", RecoveryWords(twentyNine)},
      {"a phase of 12 in the last step", RecoveryWords(phaseTwelve)},
      {"the closing version word missing", good.substr(0, good.size() - 4)},
      {"ending inside a step", good.substr(0, 200)},
      {"ending inside the count", good.substr(0, 6)},
      {"empty", ""},
  };
  for (const auto& file : bad) {
    EXPECT_EQ(Load(file.content), 0) << file.what;
    EXPECT_TRUE(AllInPhaseZero()) << file.what;
    EXPECT_EQ(engine.GetEnginePhase(), 0) << file.what;
  }
}

// The recovery file is the program's own: a link is not followed (here to a
// good file elsewhere) and a named pipe is not opened, which would hold the
// start until a writer came. Either is left as it is, and nothing is loaded.
TEST_F(ProcessRecoveryFileTest, ALinkOrAPipeAtItsNameIsNeitherFollowedNorWaitedOn) {
  const std::string path = dir.File("Qelo-ProcessRecovery.dat");
  dir.Write("elsewhere.dat", RecoveryWords(ThirtyPhases()));
  const struct {
    const char* what;
    std::function<void()> put;
    mode_t kind;
  } cases[] = {
      {"a symbolic link", [&] { std::filesystem::create_symlink(dir.File("elsewhere.dat"), path); }, S_IFLNK},
      {"a named pipe", [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }, S_IFIFO},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.what);
    std::filesystem::remove(path);
    each.put();
    engine.SetStepPhase(7, 5);
    testing::internal::CaptureStderr();
    std::future<int> loaded = std::async(std::launch::async, [this] { return engine.LoadFromFile(); });
    if (loaded.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      ADD_FAILURE() << "the load waits on the pipe";
      ::close(::open(path.c_str(), O_WRONLY | O_NONBLOCK));  // a writer that comes and goes ends the wait
    }
    EXPECT_EQ(loaded.get(), 1);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(path + " is " + each.what), std::string::npos) << said;
    EXPECT_TRUE(AllInPhaseZero());
    struct stat st{};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & S_IFMT, each.kind);
  }
}

}  // namespace
