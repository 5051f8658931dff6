#pragma once
// The Demo data source: with no link running, the plant moves its own values.
// Start values when Demo is chosen; on every data-obtainer pass the liquid
// moves between tankers, batchers and mixers, and the feedbacks follow their
// commands. Every value is read and written as a shape attribute through the
// shape's setter, so the plant form and the bound tags see it as if it came
// from the devices.
//
// Rates are per pass: a pump moves "Speed" × 0.001 level units, a discharge
// valve "Position" × 0.001. Nothing it moves disappears: a tanker loses what
// its weigher gained, a batcher what its mixer gained; a weigher or mixer
// stops filling at its maximum, an empty tanker (at its minimum) gives
// nothing, and a batcher without a direction keeps its content.
//
// The data obtainer alone runs a pass; the start values run on the UI thread
// while the data source changes.
#include <array>
#include <atomic>

class CDemoSimulation {
 public:
  // The start values (general data out of local mode, valves open to their
  // maximum, tankers 90 % full, batchers and mixers at their minimum, pumps at
  // 60 % and 70 %). The engine's own Demo preparation (the tags) runs before.
  void InitDemoValues();
  // One pass of charging, discharging and the daily tanker's outflow.
  void SimulateDemoLevels();
  // One pass of the feedbacks following their commands, and the direction
  // valves following the discharge valves.
  void MirrorDemoFeedback();

 private:
  // What a batcher's direction valve was last told, so an unchanged command is
  // not repeated (a refused one would ask the operator again on every pass).
  struct Mirrored {
    bool known = false;
    int direction = -1;
    bool command = false;
  };
  // Touched by the data obtainer only; the start values ask it to forget.
  std::array<Mirrored, 5> m_mirrored{};
  std::atomic<bool> m_forgetMirrored{false};
};
