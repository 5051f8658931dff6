#include "shapes/ProcessDataGen.h"

namespace {

const char* const kGenAttribNames[PROCESS_DATA_GEN_ATTRIB_COUNT - SHAPE_COMMON_ATTRIB_COUNT] = {
    "ReserveFloat2",
    "ReserveBool2",
    "InputElecIs2Phase",
    "Mixer1_IsInLocalMode",
    "Mixer2_IsInLocalMode",
    "Mixer3_IsInLocalMode",
    "Mixer4_IsInLocalMode",
    "InputValvesAreInLocalMode",
    "Batcher1_IsInLocalMode",
    "Batcher2_IsInLocalMode",
    "Batcher3_IsInLocalMode",
    "Batcher4_IsInLocalMode",
    "Batcher5_IsInLocalMode",
    "Batcher1_DischargeDirBit_0",
    "Batcher2_DischargeDirBit_0",
    "Batcher3_DischargeDirBit_0",
    "Batcher4_DischargeDirBit_0",
    "Batcher5_DischargeDirBit_0",
    "Batcher1_DischargeDirBit_1",
    "Batcher2_DischargeDirBit_1",
    "Batcher3_DischargeDirBit_1",
    "Batcher4_DischargeDirBit_1",
    "Batcher5_DischargeDirBit_1",
    "ReserveInt2",
    "ReserveStr2",
};

constexpr ShapeTypeRanges kProcessDataRanges{ePrcReserveFloat2, ePrcReserveBool2, ePrcReserveInt2,
                                  ePrcReserveStr2, PROCESS_DATA_GEN_ATTRIB_COUNT};

}  // namespace

C_ProcessDataGen::C_ProcessDataGen(BYTE settingsIndex)
    : C_ProcessDataBase(settingsIndex, PROCESS_DATA_GEN_NAME, eShapeKindPrcGeneral, 0) {
  SetAttribCount(PROCESS_DATA_GEN_ATTRIB_COUNT);
}

int C_ProcessDataGen::GetFirstIndex(VARTYPE type) const { return kProcessDataRanges.First(type); }

int C_ProcessDataGen::GetLastIndex(VARTYPE type) const { return kProcessDataRanges.Last(type); }

std::string C_ProcessDataGen::GetAttribNameAt(int index) const {
  if (index >= SHAPE_COMMON_ATTRIB_COUNT && index < PROCESS_DATA_GEN_ATTRIB_COUNT)
    return kGenAttribNames[index - SHAPE_COMMON_ATTRIB_COUNT];
  return C_ProcessDataBase::GetAttribNameAt(index);
}
