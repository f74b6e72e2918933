// The reference the program is measured against: a plain window with a
// table that reads the whole Tasks table of the data folder's database
// eagerly, reporting its first paint the way the real program does.

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QFile>
#include <QStandardItemModel>
#include <QTableView>
#include <cstdio>

namespace {
class Window : public QMainWindow
{
protected:
    bool event(QEvent *e) override
    {
        const bool result = QMainWindow::event(e);
        if (e->type() == QEvent::UpdateRequest && !m_painted) {
            m_painted = true;
            std::fprintf(stderr, "window painted\n");
        }
        return result;
    }

private:
    bool m_painted = false;
};
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Window window;
    auto *table = new QTableView(&window);
    auto *model = new QStandardItemModel(0, 11, table);
    const QString file = QDir(qEnvironmentVariable("NUDGEWICK_DIR")).filePath(QStringLiteral("Nudgewick.mdb"));
    if (QFile::exists(file)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            if (q.exec(QStringLiteral("select * from Tasks"))) {
                const int columns = q.record().count();
                model->setColumnCount(columns);
                while (q.next()) {
                    QList<QStandardItem *> row;
                    row.reserve(columns);
                    for (int c = 0; c < columns; ++c)
                        row << new QStandardItem(q.value(c).toString());
                    model->appendRow(row);
                }
            }
        }
    }
    table->setModel(model);
    window.setCentralWidget(table);
    window.resize(798, 570);
    window.show();
    return app.exec();
}
