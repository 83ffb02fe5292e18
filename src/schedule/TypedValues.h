#pragma once

// How the schedule reads typed dates, times and durations: the same reading
// as the programme list's order and the guide files, so a programme the
// schedule calls readable is one they place where the schedule shows it.
#include "programmes/TypedTimes.h"

namespace schedule {
using programmes::readTypedDate;
using programmes::readTypedDuration;
using programmes::readTypedTime;
} // namespace schedule
