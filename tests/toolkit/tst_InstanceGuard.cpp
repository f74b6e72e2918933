#include "toolkit/InstanceGuard.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

using namespace Qt::StringLiterals;

class TestInstanceGuard : public QObject
{
    Q_OBJECT
private slots:
    // The first guard of a name runs; a second one does not, and its request
    // brings the first one forward. Once the first has gone, the name is free.
    void secondGuardAsksTheFirst()
    {
        QTemporaryDir dir;
        auto first = std::make_unique<InstanceGuard>(dir.path(), u"Test-user"_s);
        QVERIFY(first->acquire());
        QSignalSpy activated(first.get(), &InstanceGuard::activationRequested);

        InstanceGuard second(dir.path(), u"Test-user"_s);
        QVERIFY(!second.acquire());
        // The request blocks until answered, so it runs beside this event loop.
        bool answered = false;
        std::thread request([&] { answered = second.requestActivation(5000); });
        QVERIFY(activated.wait(5000));
        request.join();
        QVERIFY(answered);

        InstanceGuard otherName(dir.path(), u"Test-other"_s);
        QVERIFY(otherName.acquire());

        first.reset();
        InstanceGuard third(dir.path(), u"Test-user"_s);
        QVERIFY(third.acquire());
    }

    void nobodyToAsk()
    {
        QTemporaryDir dir;
        InstanceGuard guard(dir.path(), u"Test-user"_s);
        QVERIFY(!guard.requestActivation(500));
    }
};

QTEST_GUILESS_MAIN(TestInstanceGuard)
#include "tst_InstanceGuard.moc"
