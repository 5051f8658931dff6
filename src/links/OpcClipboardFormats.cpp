#include "links/OpcClipboardFormats.h"

#include "platform/opc/ClipboardFormats.h"
#include "platform/opc/OpcDaInterfaces.h"

namespace {

const CLIPFORMAT g_formatData = static_cast<CLIPFORMAT>(RegisterClipboardFormatA(kOpcFormatDataName));
const CLIPFORMAT g_formatDataTime = static_cast<CLIPFORMAT>(RegisterClipboardFormatA(kOpcFormatDataTimeName));
const CLIPFORMAT g_formatWriteComplete = static_cast<CLIPFORMAT>(RegisterClipboardFormatA(kOpcFormatWriteCompleteName));

}  // namespace

CLIPFORMAT OpcFormatData() { return g_formatData; }
CLIPFORMAT OpcFormatDataTime() { return g_formatDataTime; }
CLIPFORMAT OpcFormatWriteComplete() { return g_formatWriteComplete; }
