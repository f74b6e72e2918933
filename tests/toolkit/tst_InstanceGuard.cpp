#include "toolkit/InstanceGuard.h"

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
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

    // A client that sends more than a request without a line end is hung up
    // on, not buffered without end; the guard still answers afterwards.
    void endlessRequestIsDropped()
    {
        QTemporaryDir dir;
        InstanceGuard guard(dir.path(), u"Test-user"_s);
        QVERIFY(guard.acquire());
        QSignalSpy activated(&guard, &InstanceGuard::activationRequested);

        std::atomic<bool> done = false;
        bool dropped = false;
        std::thread client([&] {
            QLocalSocket socket;
            socket.connectToServer(guard.socketPath());
            if (socket.waitForConnected(5000)) {
                socket.write(QByteArray(4 << 20, 'x'));
                QElapsedTimer timer;
                timer.start();
                while (socket.state() != QLocalSocket::UnconnectedState && timer.elapsed() < 5000) {
                    if (!socket.waitForBytesWritten(100))
                        socket.waitForDisconnected(100);
                }
                dropped = socket.state() == QLocalSocket::UnconnectedState;
            }
            done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done, 15000);
        client.join();
        QVERIFY(dropped);
        QCOMPARE(activated.count(), 0);

        bool answered = false;
        std::thread request([&] { answered = guard.requestActivation(5000); });
        QVERIFY(activated.wait(5000));
        request.join();
        QVERIFY(answered);
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
