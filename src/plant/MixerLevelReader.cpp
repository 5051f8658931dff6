#include "plant/MixerLevelReader.h"

#include <utility>

namespace {

MixerLevelReader& Reader() {
  static MixerLevelReader reader;
  return reader;
}

}  // namespace

void SetMixerLevelReader(MixerLevelReader reader) { Reader() = std::move(reader); }

float ReadMixerLevel(int mixer) {
  const MixerLevelReader& reader = Reader();
  return reader ? reader(mixer) : -1.0f;
}
