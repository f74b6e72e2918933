// The smallest comparable program: a window with an empty table, reporting
// its first paint the way the real program does.

#include <QApplication>
#include <QMainWindow>
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
    table->setModel(new QStandardItemModel(0, 11, table));
    window.setCentralWidget(table);
    window.resize(798, 570);
    window.show();
    return app.exec();
}
