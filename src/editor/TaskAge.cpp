#include "editor/TaskAge.h"

#include <cmath>

QString taskAgeText(DateTime created, DateTime today)
{
    const DateTime midnight = today.datePart();
    const double span = std::abs(midnight.toDouble() - created.toDouble());
    struct Unit
    {
        qint64 count;
        const char *one;
        const char *many;
    };
    const Unit units[] = {
        {qint64(span / 365.25), " Year old", " Years old"},
        {qint64(span / 30.4375), " Month old", " Months old"},
        {qint64(span / 7), " Week old", " Weeks old"},
        {std::abs(created.dayNumber() - midnight.dayNumber()), " Day old", " Days old"},
    };
    for (const Unit &unit : units) {
        if (unit.count != 0)
            return QString::number(unit.count) + QLatin1String(unit.count == 1 ? unit.one : unit.many);
    }
    return {};
}
