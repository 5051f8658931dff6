#pragma once
// One operator action of a random walk over the plant, and the walk's text
// form: actions separated by spaces, each a letter and maybe a number and a
// sign, e.g. "R2 S p120 V27+ p40 V27- Q".
//   S / s      Start, the level question answered Yes / No
//   T          Stop process
//   T1         passes until a step starts discharging, and Stop in that pass
//   Z<n>       T1, and at once Finish Mixer 1's batch (Yes) and batch number n
//   w1/w2/w5   passes until a step charges with its pump on / settles / discharges
//   G          the shift changed: Tables → Shift, Push to stop shift (Yes),
//              New with another operator (refused while the process runs)
//   N / D      Data Source None / Demo
//   V<i>+/-    valve i opened / closed by hand, then a pass
//   P<i>+/-    gear pump i switched on / off by hand, then a pass
//   F / f      Finish Mixer 1's batch, the question answered Yes / No
//   B<n> / b<n> batch number n for Mixer 1 / Mixer 2
//   R<k>       recipe k shown and its Activate button pushed
//   A          the active recipe shown and its button pushed (de-activate)
//   C          Next on a confirmation that waits
//   M<kg>      Batcher02's Max Phy set to kg on its property sheet
//   W<kg>      the active recipe's L.A.B.S dose made kg and saved
//   Q          File → Exit answered Yes, and the program started again
//   K          the same while another program holds the database: its lock
//              stays across the close and the start
//   p<n>       n passes of the cycles
//   L<n>+/-    another program takes the database with BEGIN IMMEDIATE, adds
//              a row to Event2 and to Batch, and after n more actions (or
//              before a close) commits (+) or rolls back (-); X<n>+/- the
//              same with BEGIN EXCLUSIVE; L<n>~ / X<n>~ commits, and the
//              database's retry of what the program kept waits one more
//              action (the program's own writes may come first)
#include <cstdint>
#include <string>
#include <vector>

struct WalkAction {
  char kind = 'p';
  int number = 0;
  char sign = 0;  // '+' or '-' for valves and pumps

  std::string Text() const;
  bool operator==(const WalkAction&) const = default;

  // The walk in its text form, and back; unknown words are skipped.
  static std::string Join(const std::vector<WalkAction>& walk);
  static std::vector<WalkAction> Parse(const std::string& text);
  // A walk of `length` actions drawn from `seed` with the walk's weights,
  // changed by `weights` ("S20,V30": Start weighs 20, the valves 30). Some
  // draws are short sequences: w (a hand action mid-charge, while settling or
  // mid-discharge), E (T1 or Z), H (a hand discharge split between Mixer 2 and
  // Mixer 1), L (a lock), G (a shift change, now and then with new batch
  // numbers), Y (another program's lock over K while a charge's row waits for
  // it: the row written before the lock and completed under it, or made under
  // it and still in its batcher; then a Start and a run of 60 s, and the lock
  // goes). Three steered weightings have names: "hands-running" (hand
  // actions while the process runs), "locks-closes" (locks and closes) and
  // "shifts" (shift changes between runs and while material still flows);
  // "locks-closes" draws Y too, which no other weighting does unless asked.
  static std::vector<WalkAction> Draw(std::uint32_t seed, int length, const std::string& weights = std::string());
};
