#pragma once
// Where the operator interface reads a mixer's level (its vessel's "Level", in
// kg) when a batch opens or finishes. The plant model, which owns the mixers,
// registers its reader once the mixers exist; until then there is no level.
#include <functional>

// mixer 0..3 (Mixer1..Mixer4) -> level in kg.
using MixerLevelReader = std::function<float(int mixer)>;

// Registers the reader (an empty one goes back to none). UI thread only.
void SetMixerLevelReader(MixerLevelReader reader);
// The registered reader's answer; -1 (the batch table's "no level taken") without one.
float ReadMixerLevel(int mixer);
