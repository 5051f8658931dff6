#pragma once
// The clipboard formats of the OPC version 1.0 data path, registered once among the
// program's static initialisers; the server stand-in registers the same names and
// so gets the same numbers.
#include "platform/opc/ComBase.h"

CLIPFORMAT OpcFormatData();           // "OPCSTMFORMATDATA"
CLIPFORMAT OpcFormatDataTime();       // "OPCSTMFORMATDATATIME"
CLIPFORMAT OpcFormatWriteComplete();  // "OPCSTMFORMATWRITECOMPLETE"
