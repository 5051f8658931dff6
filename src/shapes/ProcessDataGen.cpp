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

}  // namespace

C_ProcessDataGen::C_ProcessDataGen(BYTE settingsIndex)
    : C_ProcessDataBase(settingsIndex, PROCESS_DATA_GEN_NAME, eShapeKindPrcGeneral, 0) {
  SetAttribCount(PROCESS_DATA_GEN_ATTRIB_COUNT);
}

int C_ProcessDataGen::GetFirstIndex(VARTYPE type) const {
  switch (type) {
    case VT_R4: return ePrcReserveFloat2;
    case VT_BOOL: return ePrcReserveBool2;
    case VT_I4: return ePrcReserveInt2;
    case VT_BSTR: return ePrcReserveStr2;
    default: return -1;
  }
}

int C_ProcessDataGen::GetLastIndex(VARTYPE type) const {
  switch (type) {
    case VT_R4: return ePrcReserveBool2;
    case VT_BOOL: return ePrcReserveInt2;
    case VT_I4: return ePrcReserveStr2;
    case VT_BSTR: return PROCESS_DATA_GEN_ATTRIB_COUNT;
    default: return -1;
  }
}

std::string C_ProcessDataGen::GetAttribNameAt(int index) const {
  if (index >= SHAPE_COMMON_ATTRIB_COUNT && index < PROCESS_DATA_GEN_ATTRIB_COUNT)
    return kGenAttribNames[index - SHAPE_COMMON_ATTRIB_COUNT];
  return C_ProcessDataBase::GetAttribNameAt(index);
}
