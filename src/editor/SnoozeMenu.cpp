#include "editor/SnoozeMenu.h"

#include "alarm/DateArithmetic.h"

#include <QMenu>

using namespace Qt::StringLiterals;

DateTime snoozedAlarm(SnoozeUnit unit, int n, DateTime now)
{
    switch (unit) {
    case SnoozeUnit::Minutes: return AddSeconds(now, qint64(n) * 60);
    case SnoozeUnit::Hours: return AddSeconds(now, qint64(n) * 3600);
    case SnoozeUnit::Days: return AddDays(now, n);
    case SnoozeUnit::Weeks: return AddWeeks(now, n);
    case SnoozeUnit::Months: return AddMonths(now, n);
    case SnoozeUnit::Years: return AddYears(now, n);
    }
    return now;
}

QMenu *createSnoozeMenu(QWidget *parent, std::function<void(SnoozeUnit, int)> chosen)
{
    auto *menu = new QMenu(parent);
    menu->setObjectName(u"pmSnooze"_s);
    const auto addEntries = [&chosen](QMenu *to, SnoozeUnit unit, int from, int to_, int step) {
        for (int n = from; n <= to_; n += step) {
            QAction *entry = to->addAction(QString::number(n));
            QObject::connect(entry, &QAction::triggered, to, [chosen, unit, n] { chosen(unit, n); });
        }
    };
    const auto addSubMenu = [menu](const QString &title, const char *name) {
        QMenu *sub = menu->addMenu(title);
        sub->setObjectName(QString::fromLatin1(name));
        return sub;
    };
    addEntries(addSubMenu(u"Minutes"_s, "miSnoozeMinutes"), SnoozeUnit::Minutes, 5, 60, 5);
    for (const auto &[title, name, unit] : {std::tuple{u"Hours"_s, "miSnoozeHours", SnoozeUnit::Hours},
                                            std::tuple{u"Days"_s, "miSnoozeDays", SnoozeUnit::Days}}) {
        QMenu *units = addSubMenu(title, name);
        for (int first = 1; first <= 41; first += 10)
            addEntries(units->addMenu(u"%1 to %2"_s.arg(first).arg(first + 9)), unit, first, first + 9, 1);
    }
    addEntries(addSubMenu(u"Weeks"_s, "miSnoozeWeeks"), SnoozeUnit::Weeks, 1, 10, 1);
    addEntries(addSubMenu(u"Months"_s, "miSnoozeMonths"), SnoozeUnit::Months, 1, 12, 1);
    addEntries(addSubMenu(u"Years"_s, "miSnoozeYears"), SnoozeUnit::Years, 1, 10, 1);
    return menu;
}
