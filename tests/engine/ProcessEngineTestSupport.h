#pragma once
// A plant process engine with 30 steps on a fake clock, recording its hooks.
#include <gtest/gtest.h>

#include <vector>

#include "engine/EngineTables.h"
#include "engine/ProcessEngineApp.h"
#include "support/FakeClock.h"

class RecordingProcessEngine : public CProcessEngineApp {
 public:
  void OnStepPhaseChanged(int i) override {
    CProcessEngineApp::OnStepPhaseChanged(i);
    // Taking the engine's lock here shows that the hook runs without it.
    changes.push_back({i, GetStepPhase(i)});
  }
  void OnStarted() override { ++started; }
  void OnChanged() override { ++changed; }

  struct Change {
    int step;
    int phaseSeen;
    bool operator==(const Change&) const = default;
  };
  std::vector<Change> changes;
  int started = 0;
  int changed = 0;
};

class ProcessEngineTest : public ::testing::Test {
 protected:
  ProcessEngineTest() {
    clock.Install();
    engine.CreateSteps(30);
  }
  ~ProcessEngineTest() override { g_pRecipeRS.store(nullptr); }

  // Steps 0..count-1 of a run are used.
  void UseFirstSteps(int count) {
    CProcessEngineApp::UsedSteps used{};
    for (int i = 0; i < count; ++i) used[static_cast<std::size_t>(i)] = true;
    engine.SetRunUsedSteps(used);
  }

  FakeClock clock;
  RecordingProcessEngine engine;
};
