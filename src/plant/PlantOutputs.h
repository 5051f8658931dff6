#pragma once
// The plant's rules that hold in every data source: every output off, the
// gear pumps' speed commands, and the materials' charged totals taken from the
// active shift.

// Every command off, through each device's setter: vessels, valves, gear
// pumps, centrifugal pumps, then the batchers' discharge directions (to 0).
void ResetPlantOutputs();

// Each gear pump told to decrease runs at half its maximum "Speed"; told to
// increase, at its maximum (increase wins).
void UpdatePumpSpeeds();

// Every charge pump, run by hand or by a step, whose weigher stands at its
// maximum is switched off: filled on, the weigher would overflow. (A step's
// own hold at a full weigher still decides what the step does.)
void StopPumpsAtFullWeighers();

// The charged total of every material the active recipe uses, from the active
// shift; nothing without both tables or without a running shift.
void UpdateMaterialTotals();
