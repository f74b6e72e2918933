#include "core/Logging.h"

Q_LOGGING_CATEGORY(lcApp, "nudgewick.app", QtWarningMsg)
Q_LOGGING_CATEGORY(lcStore, "nudgewick.store", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSettings, "nudgewick.settings", QtWarningMsg)
Q_LOGGING_CATEGORY(lcAlarm, "nudgewick.alarm", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPopup, "nudgewick.popup", QtWarningMsg)
Q_LOGGING_CATEGORY(lcViews, "nudgewick.views", QtWarningMsg)
Q_LOGGING_CATEGORY(lcHotkeys, "nudgewick.hotkeys", QtWarningMsg)
