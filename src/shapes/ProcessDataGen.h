#pragma once
// This plant's general process data (device "PrcGeneral", kind 13): the
// switchboard's local-mode switches of the input valves, the batchers and the
// mixers, the two-phase supply, and each batcher's discharge direction as two
// bits (bit 0 + 2 × bit 1 is the mixer index). The program makes one.
#include "shapes/ProcessDataBase.h"

enum EProcessDataGenAttrib : int {
  ePrcReserveFloat2 = 26,
  ePrcReserveBool2 = 27,
  ePrcInputElecIs2Phase = 28,
  ePrcMixer1IsInLocalMode = 29,  // .. Mixer4 at 32
  ePrcInputValvesAreInLocalMode = 33,
  ePrcBatcher1IsInLocalMode = 34,  // .. Batcher5 at 38
  ePrcBatcher1DischargeDirBit0 = 39,  // .. Batcher5 at 43
  ePrcBatcher1DischargeDirBit1 = 44,  // .. Batcher5 at 48
  ePrcReserveInt2 = 49,
  ePrcReserveStr2 = 50,
};
inline constexpr int PROCESS_DATA_GEN_ATTRIB_COUNT = 51;
inline constexpr const char* PROCESS_DATA_GEN_NAME = "PrcGeneral";

class C_ProcessDataGen : public C_ProcessDataBase {
 public:
  // The one object of the plant (instance 0 of its kind).
  explicit C_ProcessDataGen(BYTE settingsIndex);

  int GetFirstIndex(VARTYPE type) const override;
  int GetLastIndex(VARTYPE type) const override;
  std::string GetAttribNameAt(int index) const override;
};
