#pragma once

#include <QtGlobal>
#include <QString>

// The offscreen platform cannot raise windows and says so at every show of
// a notification; that line is dropped, every other message goes on.
inline void hideRaiseWarnings()
{
    static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &message) {
        if (!message.contains(QLatin1String("does not support raise()")))
            previous(type, context, message);
    });
}
