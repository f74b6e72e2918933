#pragma once

#include "core/DateTime.h"

#include <functional>

class QMenu;
class QWidget;

// The units of the snooze menu, in menu order.
enum class SnoozeUnit { Minutes, Hours, Days, Weeks, Months, Years };

// The alarm a snooze of n units sets, counted from now.
DateTime snoozedAlarm(SnoozeUnit unit, int n, DateTime now);

// Builds the snooze menu: "Minutes" 5 to 60 by fives, "Hours" and "Days" 1 to
// 50 in sub-menus of ten, "Weeks" 1 to 10, "Months" 1 to 12, "Years" 1 to 10.
// Each entry's caption is its number; choosing it calls chosen(unit, n).
QMenu *createSnoozeMenu(QWidget *parent, std::function<void(SnoozeUnit, int)> chosen);
