#include "shapes/ShapeClamp.h"

#include <cmath>

#include "common/Conversions.h"
#include "shapes/BaseShape.h"

void SetShapeFloatClamped(C_BaseShape& shape, int index, float value) {
  if (std::isnan(value)) return;
  if (shape.GetAttribValue(index).vt == VT_R4 && shape.GetAttribFloat(index) == value) return;
  if (shape.GetAnalogRole(index) != eAnalogPhysical) {
    shape.StoreAttribValue(index, Variant::R4(value));
    return;
  }
  // A group is eight consecutive attributes, its minimum and maximum right after
  // the value (a valve names no group, yet keeps that layout).
  const float min = shape.GetAttribFloat(index + eAnalogMin);
  const float max = shape.GetAttribFloat(index + eAnalogMax);
  if (value < min) {
    value = min;
    shape.NotifyParent(index);
  } else if (value > max) {
    value = max;
    shape.NotifyParent(index);
  }
  shape.StoreAttribValue(index, Variant::R4(value));
  // From the value held: a refused store keeps the previous level on show.
  const float held = shape.GetAttribFloat(index);
  for (int channel = 0; channel < shape.GetAnalogUnitCount(); ++channel) {
    CAnalogUnit* unit = shape.GetAnalogUnit(channel);
    if (unit->GetAttribIndex() == index) unit->SetPercent(PercentInRange(held, min, max));
  }
}
