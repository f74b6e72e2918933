#include "store/DisplayText.h"

#include "core/DateFormat.h"
#include "store/Query.h"

QString fieldDisplayText(const Query &query, int row, int column, const FormatSettings &formats)
{
    const QVariant value = query.valueAt(row, column);
    if (value.isNull())
        return {};
    switch (query.fieldInfo(column).type) {
    case FieldType::DateTime: {
        if (!isShownDateTime(DateTime(value.toDouble())))
            return {};
        const QString pattern = query.displayFormat(column);
        return formatDateTime(pattern.isEmpty() ? QStringLiteral("c") : pattern, DateTime(value.toDouble()), formats);
    }
    case FieldType::Boolean:
        return value.toDouble() != 0 ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return value.toString();
    }
}
