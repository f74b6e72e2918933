// Import benchmark. No tool can write a Jet file here, so the two halves are
// measured apart: the database side with 100,000 rows of typical tasks from a
// source behind the same interface the Jet reader implements (a new database
// at start-up, and adding to a database of 100,000 tasks with every row a
// duplicate to look up), and the Jet reader on the five-row test file, per row.

#include "BenchSupport.h"
#include "store/JetReader.h"
#include "store/TaskImport.h"
#include "store/TaskSource.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int Rows = 100000;

// Rows shaped like the Windows version's tasks.
class GeneratedSource final : public TaskSource
{
public:
    QStringList columnNames() const override
    {
        return {QStringLiteral("ID"), QStringLiteral("Task"), QStringLiteral("TaskCreated"), QStringLiteral("Category"),
                QStringLiteral("Priority"), QStringLiteral("Occurrence"), QStringLiteral("Frequency"),
                QStringLiteral("ValidHours"), QStringLiteral("ValidDays"), QStringLiteral("DueDateTime"),
                QStringLiteral("AlarmDateTime"), QStringLiteral("Completed"), QStringLiteral("Notes"),
                QStringLiteral("SnoozeTime"), QStringLiteral("AutoSnooze"), QStringLiteral("RepeatAutoSnooze"),
                QStringLiteral("AutoSnoozeAction"), QStringLiteral("PercentageComplete"), QStringLiteral("CompletedDate")};
    }
    qint64 rowCount() const override { return Rows; }
    bool next(QVariantList &v) override
    {
        if (m_row >= Rows)
            return false;
        const int i = ++m_row;
        const double created = 45000.0 + i / 97.0;
        v = {qint64(i), QStringLiteral("Task number %1 to do").arg(i), created, QStringLiteral("Work"),
             qint64(i % 10 + 1), QStringLiteral("Weekly"), qint64(1), QStringLiteral("09-17"), QStringLiteral("MTWTF__"),
             created + 7, created + 6.9, qint64(i % 3 == 0), i % 4 ? QVariant() : QVariant(QStringLiteral("Line one\r\nline two")),
             qint64(10), qint64(0), qint64(0), qint64(1), qint64(0), QVariant()};
        return true;
    }
    void rewind() { m_row = 0; }

private:
    int m_row = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    GeneratedSource source;
    qint64 reports = 0;
    const taskimport::Progress progress = [&](qint64, qint64) { ++reports; return true; };

    int run = 0;
    const double fresh = medianMs(3, [&] {
        source.rewind();
        taskimport::intoNewDatabase(source, dir.filePath(QStringLiteral("new%1.mdb").arg(run++)), progress);
    });
    std::printf("%d rows into a new database: %.0f ms (progress reported %lld times per import)\n", Rows, fresh,
                reports / 3);

    const QString existing = dir.filePath(QStringLiteral("new0.mdb"));
    const double again = medianMs(3, [&] {
        source.rewind();
        taskimport::addTasks(source, existing, progress);
    });
    std::printf("%d rows added to %d tasks, all duplicates: %.0f ms\n", Rows, Rows, again);

    const QString fixture = QStringLiteral(NW_JET_FIXTURE);
    const double open = medianMs(21, [&] { JetReader reader(fixture); });
    std::printf("Jet reader: opening the test file and finding its Tasks table: %.2f ms\n", open);
    // The test file's five rows read over and over, 100,000 rows in all.
    JetReader reader(fixture);
    qint64 rows = 0;
    const double read = medianMs(3, [&] {
        QVariantList values;
        for (rows = 0; rows < Rows;) {
            reader.rewind();
            while (reader.next(values))
                ++rows;
        }
    });
    std::printf("Jet reader: %lld rows read and converted: %.0f ms\n", rows, read);
    return 0;
}
