#pragma once

#include "core/DateTime.h"

#include <QString>

#include <optional>

// Text forms of the transfer file that carries the tasks from the old
// database into a new one. Every form reads back to exactly the value that
// was written, whatever date and time formats are in effect.
namespace transfertext {

// A text value on one line. Line breaks become "#13" (carriage return) and
// "#10" (line feed), so a CR LF pair is "#13#10"; a "#" that is followed by
// a digit becomes "#35", so a note that itself holds "#13#10" survives; the
// empty text is "#0", which keeps it apart from a null value (written as
// nothing at all). Any other character stands for itself.
QString encodeText(const QString &text);
// The reverse of encodeText.
QString decodeText(const QString &encoded);

// A date-time (days since 1899-12-30) as "yyyy-mm-dd", "yyyy-mm-dd hh:nn:ss"
// or "yyyy-mm-dd hh:nn:ss.zzz", whichever is the shortest that gives the
// same value back; a value that no such text gives back exactly (a fraction
// finer than a millisecond) is written as the day count itself, with as many
// digits as it takes.
QString dateTimeText(double days);
// The value of a text dateTimeText wrote; nothing for any other text.
std::optional<double> parseDateTime(const QString &text);

// A number with as many digits as it takes to read back the same value.
QString realText(double value);

} // namespace transfertext

// The file name the old database is kept under after an upgrade:
// "Nudgewick." + year, month, day, hour, minute and second + ".mdb", for
// example Nudgewick.20061005143015.mdb.
QString backupFileName(DateTime moment);

// text with every occurrence of oldText replaced by newText, searching again
// from the start after each replacement (so a replacement that forms a new
// occurrence with the text before it is replaced too). Throws Error
// "Cannot perform a cyclic replace." when newText holds oldText, which would
// never end.
QString ReplaceAllText(const QString &text, const QString &oldText, const QString &newText);
