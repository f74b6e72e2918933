#include "alarm/OccurrenceKind.h"

const QStringList &occurrenceWords()
{
    // Same order as the enumeration.
    static const QStringList words = {
        QStringLiteral("Scheduled"), QStringLiteral("Immediate"), QStringLiteral("Todo"),
        QStringLiteral("Minutes"),   QStringLiteral("Hourly"),    QStringLiteral("Hours"),
        QStringLiteral("Daily"),     QStringLiteral("Days"),      QStringLiteral("Weekly"),
        QStringLiteral("Weeks"),     QStringLiteral("Monthly"),   QStringLiteral("Months"),
        QStringLiteral("MonthDay"),  QStringLiteral("Yearly"),    QStringLiteral("Years"),
    };
    return words;
}

OccurrenceKind occurrenceKindFromWord(const QString &word)
{
    const qsizetype index = occurrenceWords().indexOf(word);
    return index < 0 ? OccurrenceKind::Unknown : static_cast<OccurrenceKind>(index);
}

QString occurrenceWord(OccurrenceKind kind)
{
    const int index = static_cast<int>(kind);
    return index < occurrenceWords().size() ? occurrenceWords().at(index) : QString();
}
