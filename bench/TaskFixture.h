#pragma once

#include <QString>

// Writes a task database of the given size with texts of realistic lengths,
// unless the file already holds that many tasks. Returns the file's path.
QString makeTaskDatabase(const QString &folder, int taskCount);
