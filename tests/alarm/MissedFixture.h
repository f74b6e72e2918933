#pragma once

#include "AlarmFixture.h"

#include "alarm/AlarmEngine.h"
#include "alarm/MissedAlarms.h"
#include "alarm/TfMissedAlarms.h"

#include <QAction>
#include <QTimer>

// The whole alarm engine over the alarm fixture's database, clock and
// notification component, with a monotonic clock the test moves and a
// resume notifier of the test's choice. Ticks are driven by the test.
struct MissedFixture : AlarmFixture
{
    QTimer tPopup, tDisablePopups, tPopupInterval;
    QAction aDisablePopups;
    qint64 monotonicMs = 1000000;
    QList<int> opened; // tasks opened in the editor's prompt mode
    std::unique_ptr<AlarmEngine> engine;

    explicit MissedFixture(std::unique_ptr<ResumeNotifier> resume = {})
    {
        engine = std::make_unique<AlarmEngine>(AlarmEngine::Parts{
            dm, state, clock, prompter, popup, tPopup, tDisablePopups, tPopupInterval, aDisablePopups,
            dir.filePath(QStringLiteral("Nudgewick.ini")), std::make_unique<FakeSoundPlayer>(), {},
            [this] { opened << state.PromptedTaskID; }, {}, std::move(resume), [this] { return monotonicMs; }});
    }
    ~MissedFixture() { closeWindows(); }

    // Time goes on by the given seconds on both clocks, and the timer ticks.
    void tickAfter(qint64 seconds)
    {
        clock.advanceSeconds(seconds);
        monotonicMs += seconds * 1000;
        engine->tPopupTimer();
    }
    // The wall clock is set (by hand, or it ran on during a suspend) while
    // the monotonic clock moves on by a quarter minute, and the timer ticks.
    void tickAfterJumpTo(DateTime wall)
    {
        clock.set(wall);
        monotonicMs += 15000;
        engine->tPopupTimer();
    }

    void execSql(const QString &sql)
    {
        Query statement(dm.ADOConnection);
        statement.setSql({sql});
        statement.execSql();
    }

    TfMissedAlarms *digest() const { return engine->missed().window(); }
    QList<qint64> listed() const { return digest() ? digest()->taskIds() : QList<qint64>(); }
    const QStringList &sounds() const { return static_cast<FakeSoundPlayer &>(engine->sound()).played; }
    void closeWindows()
    {
        if (digest())
            digest()->reject();
        AlarmFixture::closeWindows();
    }
};
