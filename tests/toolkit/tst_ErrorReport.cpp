#include "core/Error.h"
#include "toolkit/ErrorReport.h"
#include "toolkit/ReportingApplication.h"
#include "toolkit/ScriptedPrompter.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {
ScriptedPrompter *g_prompter = nullptr; // the one the application reports to

// Throws from inside an event filter, as a careless filter would.
class ThrowingFilter : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::User)
            throw Error(u"filter failed"_s);
        return false;
    }
};
}

class TestErrorReport : public QObject
{
    Q_OBJECT
private slots:
    void init() { g_prompter->shown.clear(); }

    void guardedReportsAndSaysWhetherItRan()
    {
        ScriptedPrompter prompter;
        QVERIFY(guarded(prompter, [] {}));
        QVERIFY(!guarded(prompter, [] { throw Error(u"locked"_s); }));
        QVERIFY(!guarded(prompter, [] { throw std::runtime_error("disk full"); }));
        QCOMPARE(prompter.shown, (QStringList{u"error: locked"_s, u"error: disk full"_s}));
    }

    void guardedSlotKeepsErrorsFromTheEventLoop()
    {
        ScriptedPrompter prompter;
        QPushButton button;
        int received = 0;
        connect(&button, &QPushButton::toggled, &button, guardedSlot(prompter, [&](bool on) {
                    received += on ? 1 : 10;
                    throw Error(u"slot failed"_s);
                }));
        button.setCheckable(true);
        button.click();
        button.click();
        QCOMPARE(received, 11);
        QCOMPARE(prompter.shown, QStringList(2, u"error: slot failed"_s));
    }

    // Nobody wrapped these; the application's own report catches them and
    // the event loop goes on.
    void unwrappedEntryPointsAreReported()
    {
        QPushButton button;
        ThrowingFilter filter;
        button.installEventFilter(&filter);
        QCoreApplication::postEvent(&button, new QEvent(QEvent::User));

        QTimer::singleShot(0, &button, [] { throw Error(u"timer failed"_s); });
        QMetaObject::invokeMethod(&button, [] { throw std::runtime_error("queued slot failed"); }, Qt::QueuedConnection);
        QTRY_COMPARE(g_prompter->shown.size(), 3);
        QCOMPARE(g_prompter->shown,
                 (QStringList{u"error: filter failed"_s, u"error: timer failed"_s, u"error: queued slot failed"_s}));

        // Still running: a later event is delivered as usual.
        bool later = false;
        QTimer::singleShot(0, &button, [&] { later = true; });
        QTRY_VERIFY(later);
    }
};

int main(int argc, char *argv[])
{
    ReportingApplication app(argc, argv);
    ScriptedPrompter prompter;
    g_prompter = &prompter;
    app.setPrompter(&prompter);
    TestErrorReport test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_ErrorReport.moc"
