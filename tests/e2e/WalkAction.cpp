#include "e2e/WalkAction.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>
#include <sstream>
#include <utility>

namespace {

// Batcher02's direction valve to Mixer 1 and its discharge valve come most
// often: the full-weigher hold happens there. The water valves, the Water-Ex
// valve and the direction valve to Mixer 2 now and then.
constexpr int kHandValves[] = {4, 27, 4, 27, 4, 27, 20, 24, 5};
constexpr int kHandPumps[] = {1, 1, 6};  // L.A.B.S, water
constexpr int kMaxPhys[] = {60, 70, 85, 100, 100};
constexpr int kSavedDoses[] = {40, 60, 80, 95};
constexpr int kRecipeCount = 5;

struct Weighted {
  char kind;
  int weight;
};
constexpr Weighted kDefaultWeights[] = {
    {'S', 12}, {'s', 2}, {'T', 5}, {'N', 3}, {'D', 4}, {'V', 14}, {'P', 3}, {'F', 2}, {'f', 1}, {'B', 2}, {'b', 1},
    {'R', 7},  {'A', 3}, {'C', 3}, {'M', 5}, {'W', 3}, {'Q', 3},  {'p', 30}, {'w', 6}, {'E', 3}, {'H', 2}, {'L', 2},
    {'G', 1},  {'Y', 0},
};
// The steered weightings by name: hand actions while the process runs, and
// another program's locks with closes.
const std::pair<const char*, const char*> kSteeredWeights[] = {
    {"hands-running", "w40,E10,H10,V10,P6,S16,T3,N1,D1,Q1,L0,M3"},
    {"locks-closes", "L30,Q14,S14,T4,E4,w6,H3,F3,B3,Y3"},
    {"shifts", "G12,S14,T5,E4,w8,H4,V16,P4"},
};
// What a hand does mid-charge (after w1) or mid-discharge (after w5), or at any time.
constexpr const char* kHandSequences[] = {
    "w1 P1-", "w1 P1- p* P1+", "w1 V27+", "w1 V27+ p* V27-", "w1 P6-",
    "w5 V4- V5+", "w5 V27-", "w5 V27- p* V27+", "P1+ p* P1-", "P6+ p* P6-", "w1 T V27+ V27-",
    // Stopped while the charge settles, part of it into Mixer 2 by hand, Start.
    "w2 T V5+ V27+ p* V27- V5- S"};
// Another program's lock (its kind and sign drawn) over a close and a start
// while a charge's row waits for it, a Start and 60 s of passes, then the lock
// goes: the row written before the lock and completed under it, or made under
// the lock and still in its batcher at the close.
constexpr const char* kRowsUnderLockFormats[] = {"S w1 %c5%c w5 p40 K S p300", "%c6%c S w1 p* K S p300"};
// Part of Batcher02 into Mixer 2, the rest into Mixer 1, by hand.
constexpr const char* kSplitDischarge = "V5+ V27+ p* V27- V5- V4+ V27+ p* V27- V4-";

}  // namespace

std::string WalkAction::Text() const {
  std::string text(1, kind);
  if (number != 0 || kind == 'V' || kind == 'P' || kind == 'L' || kind == 'X') text += std::to_string(number);
  if (sign != 0) text += sign;
  return text;
}

std::string WalkAction::Join(const std::vector<WalkAction>& walk) {
  std::string text;
  for (const WalkAction& action : walk) {
    if (!text.empty()) text += ' ';
    text += action.Text();
  }
  return text;
}

std::vector<WalkAction> WalkAction::Parse(const std::string& text) {
  std::vector<WalkAction> walk;
  std::istringstream words(text);
  std::string word;
  while (words >> word) {
    if (!std::isalpha(static_cast<unsigned char>(word[0]))) continue;
    WalkAction action;
    action.kind = word[0];
    std::size_t at = 1;
    while (at < word.size() && std::isdigit(static_cast<unsigned char>(word[at]))) {
      action.number = action.number * 10 + (word[at] - '0');
      ++at;
    }
    if (at < word.size() && (word[at] == '+' || word[at] == '-' || (word[at] == '~' && (action.kind == 'L' || action.kind == 'X'))))
      action.sign = word[at];
    walk.push_back(action);
  }
  return walk;
}

std::vector<WalkAction> WalkAction::Draw(std::uint32_t seed, int length, const std::string& weights) {
  std::vector<Weighted> table(std::begin(kDefaultWeights), std::end(kDefaultWeights));
  std::string expanded = weights;
  for (const auto& [name, steered] : kSteeredWeights) {
    const std::size_t at = expanded.find(name);
    if (at != std::string::npos) expanded.replace(at, std::string(name).size(), steered);
  }
  std::istringstream changes(expanded);
  std::string change;
  while (std::getline(changes, change, ',')) {
    if (change.size() < 2) continue;
    for (Weighted& weighted : table)
      if (weighted.kind == change[0]) weighted.weight = std::atoi(change.c_str() + 1);
  }
  std::mt19937 random(seed);
  int total = 0;
  for (const Weighted& weighted : table) total += weighted.weight;
  if (total <= 0) return {};
  const auto pick = [&random](int count) { return static_cast<int>(random() % static_cast<unsigned>(count)); };
  std::vector<WalkAction> walk;
  for (int k = 0; k < length; ++k) {
    int draw = pick(total);
    char kind = 'p';
    for (const Weighted& weighted : table) {
      if (draw < weighted.weight) {
        kind = weighted.kind;
        break;
      }
      draw -= weighted.weight;
    }
    // Sequences: their words as parsed, "p*" a few passes.
    const auto sequence = [&](const std::string& text) {
      for (WalkAction step : Parse(text)) {
        if (step.kind == 'p' && step.number == 0) step.number = 1 + pick(4);
        walk.push_back(step);
      }
    };
    if (kind == 'w') {
      sequence(kHandSequences[pick(static_cast<int>(std::size(kHandSequences)))]);
      continue;
    }
    if (kind == 'H') {
      sequence(kSplitDischarge);
      continue;
    }
    if (kind == 'Y') {
      char text[64];
      const char* format = kRowsUnderLockFormats[pick(static_cast<int>(std::size(kRowsUnderLockFormats)))];
      std::snprintf(text, sizeof text, format, pick(2) == 0 ? 'L' : 'X', "+-~"[pick(3)]);
      sequence(text);
      continue;
    }
    if (kind == 'G') {
      walk.push_back(WalkAction{'G', 0, 0});
      if (pick(2) == 0) sequence("B" + std::to_string(702 + pick(90)) + " b" + std::to_string(702 + pick(90)));
      continue;
    }
    WalkAction action;
    action.kind = kind;
    switch (kind) {
      case 'E':
        action.kind = pick(2) == 0 ? 'T' : 'Z';
        action.number = action.kind == 'T' ? 1 : 801 + pick(90);
        break;
      case 'L':
        action.kind = pick(2) == 0 ? 'L' : 'X';
        action.number = 1 + pick(6);
        action.sign = "+-~"[pick(3)];
        break;
      case 'b': action.number = 702 + pick(90); break;
      case 'V':
        action.number = kHandValves[pick(static_cast<int>(std::size(kHandValves)))];
        action.sign = pick(2) == 0 ? '+' : '-';
        break;
      case 'P':
        action.number = kHandPumps[pick(static_cast<int>(std::size(kHandPumps)))];
        action.sign = pick(2) == 0 ? '+' : '-';
        break;
      case 'B': action.number = 702 + pick(90); break;
      case 'R': action.number = 1 + pick(kRecipeCount); break;
      case 'M': action.number = kMaxPhys[pick(static_cast<int>(std::size(kMaxPhys)))]; break;
      case 'W': action.number = kSavedDoses[pick(static_cast<int>(std::size(kSavedDoses)))]; break;
      case 'p':
        // Mostly long enough for a charge to get somewhere, now and then a few passes.
        action.number = pick(4) == 0 ? 1 + pick(20) : 20 + pick(181);
        break;
      default: break;
    }
    walk.push_back(action);
  }
  return walk;
}
