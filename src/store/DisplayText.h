#pragma once

#include <QString>

class Query;
struct FormatSettings;

// The text a value of a result set shows on screen and on paper: date-times
// in the display format of their field (the "c" pattern when it has none;
// no text for one outside the years the program shows),
// booleans as "True" or "False", everything else as it reads; a null value
// is an empty text.
QString fieldDisplayText(const Query &query, int row, int column, const FormatSettings &formats);
