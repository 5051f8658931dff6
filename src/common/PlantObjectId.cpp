#include "common/PlantObjectId.h"

namespace {

// Device kinds with attribute codes of their own.
enum Kind { kVessel = 1, kBelt = 2, kDosePump = 3, kValve = 4, kHelix = 5, kGearPump = 6, kCntrFglPump = 7,
            kDBFValve = 12 };

int VesselAttrib(int code) {
  switch (code) {
    case 1000: case 1004: return 27;
    case 1003: return 35;
    case 1006: case 1007: case 1031: case 1032: return 43;
    case 1008: return 51;
    case 1010: return 36;
    case 1011: return 28;
    case 1013: return 44;
    case 1014: return 37;
    case 1015: return 29;
    case 1017: return 45;
    case 1018: return 38;
    case 1019: return 30;
    case 1021: return 46;
    case 1022: return 39;
    case 1023: return 31;
    case 1025: return 47;
    case 1026: return 72;
    case 1027: return 69;
    case 1028: return 70;
    case 1029: return 57;
    case 1033: return 59;
    default: return -1;
  }
}

// Belt and helix share their first rows; only the last three differ.
int BeltOrHelixAttrib(int code, bool helix) {
  switch (code) {
    case 1000: case 1003: return 27;
    case 1010: return 28;
    case 1014: return 29;
    case 1018: return 30;
    case 1022: return 31;
    case 1026: return helix ? 46 : 62;
    case 1027: return helix ? 42 : 58;
    case 1028: return helix ? 43 : 59;
    default: return -1;
  }
}

int DosePumpAttrib(int code) {
  switch (code) {
    case 1000: case 1005: return 35;
    case 1012: return 36;
    case 1016: return 37;
    case 1020: return 38;
    case 1024: return 39;
    case 1026: return 71;
    case 1027: return 67;
    case 1028: return 68;
    default: return -1;
  }
}

// Valve, and the pumps and valve kinds that share the valve's first rows.
int ValveLikeAttrib(int code, bool valve) {
  switch (code) {
    case 1000: case 1005: return 27;
    case 1012: return 28;
    case 1016: return 29;
    case 1020: return 30;
    case 1024: return 31;
    case 1026: return valve ? 36 : 46;
    case 1027: return valve ? 39 : 42;
    case 1028: return valve ? 38 : 43;
    default: return -1;
  }
}

// Rows every kind shares.
int CommonAttrib(int code) {
  switch (code) {
    case 1009: return 1;   // "LoadInWay"
    case 1030: return 3;   // "DeviceIsInRecipe"
    default: return -1;
  }
}

}  // namespace

PlantObjectId MakePlantObjectId(BYTE settingsIndex, BYTE kind, BYTE index) {
  return (static_cast<PlantObjectId>(settingsIndex) << 24) | (static_cast<PlantObjectId>(kind) << 16) | index;
}

int MapAttribCode(PlantObjectId id, int code) {
  int mapped = -1;
  switch (PlantObjectKind(id)) {
    case kVessel: mapped = VesselAttrib(code); break;
    case kBelt: mapped = BeltOrHelixAttrib(code, false); break;
    case kHelix: mapped = BeltOrHelixAttrib(code, true); break;
    case kDosePump: mapped = DosePumpAttrib(code); break;
    case kValve: mapped = ValveLikeAttrib(code, true); break;
    case kGearPump: case kCntrFglPump: case kDBFValve: mapped = ValveLikeAttrib(code, false); break;
    default: break;
  }
  return mapped != -1 ? mapped : CommonAttrib(code);
}
