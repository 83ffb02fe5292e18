#pragma once

// How the schedule reads typed dates, times and durations: the same reading
// as the programme list's order and the guide files, so a programme the
// schedule calls readable is one they place where the schedule shows it.
// This is the one place the schedule names where those readers live.
#include "programmes/TypedTimes.h"

namespace schedule {
namespace typed = programmes;
using typed::readTypedDate;
using typed::readTypedDuration;
using typed::readTypedTime;
} // namespace schedule
