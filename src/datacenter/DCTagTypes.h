#pragma once
// Words of the tag file: hardware types, directions, data types, and the change
// codes a tag posts to its listener windows.
#include <string>

#include "platform/base/Variant.h"
#include "platform/base/WinTypes.h"

// Hardware type of a tag ("NULL" is an internal tag without hardware).
enum EHWType : int {
  eHWNull = 0,
  eHWOpc = 1,
  eHWAdv = 2,
  eHWSerial = 3,
};

// Direction of a tag: bit 0 readable from the hardware, bit 1 writable to it.
enum EIOType : int {
  eIONull = 0,
  eIOInput = 1,
  eIOOutput = 2,
  eIODuplex = 3,
};

// The window message a tag posts to its listeners by default
// (wParam the tag's address, lParam one of the change codes below).
constexpr UINT DCTAG_NOTIFY_MESSAGE = 5374;

enum EDCTagChange : int {
  eTagChangeTagID = 0,
  eTagChangeTagName = 1,
  eTagChangeValue = 2,
  eTagChangeMinValue = 3,
  eTagChangeMaxValue = 4,
  eTagChangeSecondValue = 5,
  eTagChangeDataType = 6,
  eTagChangeAccessPath = 7,
  eTagChangeHWType = 8,
  eTagChangeIOType = 9,
  eTagChangeDataExpression = 10,
  eTagChangePortValuePrecision = 11,
  eTagChangeReadPending = 12,
  eTagChangeWritePending = 13,
  eTagChangeLinkerInfo = 14,
  eTagChangeReplayEnd = 15,  // only sent by a replay, after codes 0 to 14
};

// The name that says "no tag is bound"; never looked up.
inline constexpr const char* NO_DCTAG_NAME = "_NO_DCTAG_";

// "NULL", "OPC", "ADV", "SRL"; "" for any other value.
std::string HWTypeToText(int hwType);
// Exact words; an unknown word gives 0 and " - Unrecognized HWType: '%s' ?" in `error`.
int TextToHWType(const std::string& text, std::string& error);
// "NULL", "INPUT", "OUTPUT", "DUPLEX"; "NULL" for any other value.
std::string IOTypeToText(int ioType);
int TextToIOType(const std::string& text, std::string& error);
// The data-type word of a VARIANT type, " Array" appended for arrays.
std::string VarTypeToText(VARTYPE type);
// Data-type words in any case; an unknown word gives 0 and " - Unrecognized DataType: '%s' ?".
VARTYPE TextToVarType(const std::string& text, std::string& error);
