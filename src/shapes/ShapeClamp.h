#pragma once
// The float setter of shapes whose channel values stay inside their range:
// valves, gear pumps and each channel of a vessel.
class C_BaseShape;

// Sets float attribute `index` of `shape`. The value it already holds does
// nothing. The physical value of an analog group is clamped into the group's
// [minimum, maximum], the two attributes after it (below the minimum first);
// a clamp is posted to the plant form (NotifyParent(index)); after the store
// the channel showing that value gets the fill percentage of the value then
// held. Any other float attribute is stored as given. A NaN is dropped: it
// has no place in a range.
void SetShapeFloatClamped(C_BaseShape& shape, int index, float value);
