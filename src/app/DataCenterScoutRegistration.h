#pragma once
// Puts the tag scout behind the engine root's scout hooks: the engine makes a
// CDataCenterScoutDlg when asked to show it, and the scout's suspend switch
// goes to the engine root.
void RegisterDataCenterScout();
// Takes both back (the engine then shows no scout).
void UnregisterDataCenterScout();
