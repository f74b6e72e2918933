#pragma once

#include "core/DateTime.h"

#include <QString>

// How old a task is, for the editor's status bar: the largest of years,
// months, weeks and days that is not zero, as "3 Weeks old" or "1 Day old";
// empty when the task was created today. today is taken at midnight.
QString taskAgeText(DateTime created, DateTime today);
