#pragma once

#include "core/AppState.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "store/Connection.h"
#include "store/DataModule.h"
#include "store/Statement.h"
#include "store/TransferText.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

// A data folder in a temporary directory with a live database and,
// optionally, a New.mdb, plus the data module and a fixed clock that an
// upgrade works with.
struct UpgradeFixture
{
    QTemporaryDir dir;
    FixedClock clock{DateTime::fromQDateTime(QDateTime(QDate(2006, 10, 5), QTime(14, 30, 15)))};
    AppState state;
    TDM dm{clock, state};

    QString path(const QString &name) const { return dir.filePath(name); }
    QString live() const { return path(QStringLiteral("Nudgewick.mdb")); }
    QString fresh() const { return path(QStringLiteral("New.mdb")); }
    QString backup() const { return path(QStringLiteral("Nudgewick.20061005143015.mdb")); }

    // Runs SQL on a database file, creating it when missing.
    static void exec(const QString &file, const QString &sql)
    {
        sqlite3 *db = nullptr;
        sqlite3_open(QFile::encodeName(file).constData(), &db);
        char *message = nullptr;
        const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message);
        const QString text = QString::fromUtf8(message ? message : "");
        sqlite3_free(message);
        sqlite3_close(db);
        if (rc != SQLITE_OK)
            throw Error(text);
    }

    // A database of the program's own layout (created by the connection).
    static void createStandard(const QString &file)
    {
        Connection c;
        c.setDatabaseFile(file);
        c.open();
    }

    // Adds a task with the given values, column by column.
    static void insert(const QString &file, const QStringList &columns, const QVariantList &values)
    {
        Connection c;
        c.setDatabaseFile(file);
        QStringList marks(columns.size(), QStringLiteral("?"));
        Statement s(c.handle(), QStringLiteral("insert into Tasks (%1) values (%2)")
                                    .arg(columns.join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
        for (const QVariant &v : values)
            s.bind(v);
        s.execute();
    }

    // A value with its storage class, so that 5, 5.0 and "5" differ.
    static QString tagged(const QVariant &v)
    {
        if (v.isNull())
            return QStringLiteral("null");
        if (v.typeId() == QMetaType::LongLong)
            return QStringLiteral("int:") + QString::number(v.toLongLong());
        if (v.typeId() == QMetaType::Double)
            return QStringLiteral("real:") + transfertext::realText(v.toDouble());
        return QStringLiteral("text:") + v.toString();
    }

    // Every row of Tasks in ID order, each value tagged, one string per row.
    static QStringList rows(const QString &file, const QString &columns = QStringLiteral("*"))
    {
        Connection c;
        c.setDatabaseFile(file);
        Statement s(c.handle(), QStringLiteral("select %1 from Tasks order by ID").arg(columns));
        QStringList out;
        while (s.step()) {
            QStringList row;
            for (int i = 0; i < s.columnCount(); ++i)
                row << s.columnName(i) + QLatin1Char('=') + tagged(s.value(i));
            out << row.join(QStringLiteral(" | "));
        }
        return out;
    }

    static QByteArray hashOf(const QString &file)
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    }

    // Files of the folder, apart from the engine's side files of the live database.
    QStringList files() const
    {
        QStringList names = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
        names.removeIf([](const QString &n) { return n.endsWith(QLatin1String("-wal")) || n.endsWith(QLatin1String("-shm")); });
        return names;
    }
};
