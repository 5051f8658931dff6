#pragma once
// The common utilities every subsystem uses: one include for all of them.
#include "common/Conversions.h"
#include "common/OwnedContainers.h"
#include "common/PlantObjectId.h"
#include "common/ProcessUtils.h"
#include "common/ShamsiCalendar.h"
#include "common/TimeAndKeys.h"
#include "common/WindowUtils.h"
