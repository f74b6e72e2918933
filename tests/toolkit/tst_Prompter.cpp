#include "toolkit/Prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <functional>

// Every box the prompter shows reads its text as plain text: a task title
// holding markup or a link must show as typed and never open anything.
class TestPrompter : public QObject
{
    Q_OBJECT

    struct Seen
    {
        Qt::TextFormat format = Qt::AutoText;
        QString text;
        QString details;
    };

    // Runs show while a timer looks at the box it opens and closes it.
    static Seen inspect(const std::function<void()> &show)
    {
        Seen seen;
        QTimer timer;
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen = {box->textFormat(), box->text(), box->detailedText()};
                box->reject();
            }
        });
        timer.start();
        show();
        return seen;
    }

private slots:
    void plainText_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("confirm") << 0;
        QTest::newRow("message") << 1;
        QTest::newRow("exclamation") << 2;
        QTest::newRow("error") << 3;
        QTest::newRow("confirm with details") << 4;
    }

    void plainText()
    {
        QFETCH(int, kind);
        const QString text = QStringLiteral("Delete <h1>BIG</h1><a href=\"file:///etc/passwd\">click</a>?");
        MessageBoxPrompter prompter;
        const Seen seen = inspect([&] {
            switch (kind) {
            case 0: prompter.confirm(text); break;
            case 1: prompter.message(text); break;
            case 2: prompter.exclamation(text); break;
            case 3: prompter.error(text); break;
            default: QVERIFY(!prompter.confirmWithDetails(text, QStringLiteral("line 1\nline 2"))); break;
            }
        });
        QCOMPARE(seen.format, Qt::PlainText);
        QCOMPARE(seen.text, text);
        QCOMPARE(seen.details, kind == 4 ? QStringLiteral("line 1\nline 2") : QString());
    }
};

QTEST_MAIN(TestPrompter)
#include "tst_Prompter.moc"
