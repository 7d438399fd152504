#pragma once

#include <string>

#include "platform/local_time.h"

namespace scheduler {
// "yyyy年mm月" cut to 8 characters.
std::wstring YearMonthText(const LocalTime& t);
// The day of the month without a leading zero.
std::wstring DayText(const LocalTime& t);
}  // namespace scheduler
