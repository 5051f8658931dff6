#pragma once
// A plant process engine with 30 steps on a fake clock, recording its hooks.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine/ProcessEngineApp.h"
#include "support/FakeClock.h"

class RecordingProcessEngine : public CProcessEngineApp {
 public:
  void OnStepPhaseChanged(int i) override {
    CProcessEngineApp::OnStepPhaseChanged(i);
    changes.emplace_back(i, GetStepPhase(i));  // takes the lock: the hook runs without it
  }
  void OnStarted() override { ++started; }
  void OnChanged() override { ++changed; }

  std::vector<std::pair<int, int>> changes;  // step, phase seen by the hook
  int started = 0;
  int changed = 0;
};

class ProcessEngineTest : public ::testing::Test {
 protected:
  ProcessEngineTest() {
    clock.Install();
    engine.CreateSteps(30);
  }

  FakeClock clock;
  RecordingProcessEngine engine;
};
