#pragma once

#include <QLoggingCategory>

// One category per subsystem; only warnings are on unless QT_LOGGING_RULES
// enables more (for example "nudgewick.*.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcStore)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcAlarm)
Q_DECLARE_LOGGING_CATEGORY(lcPopup)
Q_DECLARE_LOGGING_CATEGORY(lcViews)
Q_DECLARE_LOGGING_CATEGORY(lcHotkeys)
