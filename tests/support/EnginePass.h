#pragma once
// One pass of both worker cycles as the tests make it on the fake clock: the
// clock moves 200 ms, the Demo levels and the feedbacks mirrored from them,
// the common data, the recipe supervisor, then the user-interface queue is
// delivered. Header only: the support library does not link the plant.
#include "platform/ui/MessageCore.h"
#include "plant/RuvEngineApp.h"
#include "support/FakeClock.h"

inline void RunEnginePass(CRuvEngineApp& engine, FakeClock& clock) {
  clock.Advance(200);
  engine.SimulateDemo();
  engine.MirrorDemoFeedback();
  engine.CommonDataCycle();
  engine.ProcessCycle();
  PumpPendingMessages();
}
