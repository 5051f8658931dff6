#pragma once
// One operator action of a random walk over the plant, and the walk's text
// form: actions separated by spaces, each a letter and maybe a number and a
// sign, e.g. "R2 S p120 V27+ p40 V27- Q".
//   S / s      Start, the level question answered Yes / No
//   T          Stop process
//   N / D      Data Source None / Demo
//   V<i>+/-    valve i opened / closed by hand (only while stopped)
//   P<i>+/-    gear pump i switched on / off by hand (only while stopped)
//   F / f      Finish Mixer 1's batch, the question answered Yes / No
//   B<n>       batch number n for Mixer 1
//   R<k>       recipe k shown and its Activate button pushed
//   A          the active recipe shown and its button pushed (de-activate)
//   C          Next on a confirmation that waits
//   M<kg>      Batcher02's Max Phy set to kg
//   W<kg>      the active recipe's L.A.B.S dose made kg and saved
//   Q          File → Exit answered Yes, and the program started again
//   p<n>       n passes of the cycles
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
  // changed by `weights` ("S20,V30": Start weighs 20, the valves 30).
  static std::vector<WalkAction> Draw(std::uint32_t seed, int length, const std::string& weights = std::string());
};
