#pragma once
// On this platform the OPC server "OPC.SimaticNET" is the in-process stand-in;
// its address space is the OPC tags of the tag file (item id = tag name, with
// the tag's data type), laid in at start-up so Real mode runs against it.
class CDataCenterBase;

// Adds every enabled OPC tag of the data center as a readable and writable item.
// Returns false when the stand-in refused an item (for example a bad type).
bool FillOpcStandInFromTags(const CDataCenterBase& dataCenter);
