#include "alarm/TfMissedAlarms.h"

#include "ui_TfMissedAlarms.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>

namespace {
enum Column { AlarmColumn, CategoryColumn, TaskColumn, OpenColumn };
constexpr int IdRole = Qt::UserRole;
} // namespace

TfMissedAlarms::TfMissedAlarms(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TfMissedAlarms>())
{
    ui->setupUi(this);
    QHeaderView *header = ui->lvMissed->horizontalHeader();
    header->setSectionResizeMode(AlarmColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(CategoryColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(TaskColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(OpenColumn, QHeaderView::ResizeToContents);
    connect(ui->bbSnoozeAll, &QPushButton::clicked, this, &TfMissedAlarms::snoozeAllRequested);
    connect(ui->bbDismiss, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->lvMissed, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { openRow(row); });
}

TfMissedAlarms::~TfMissedAlarms() = default;

void TfMissedAlarms::setTasks(const QList<DueTask> &tasks, const FormatSettings &formats)
{
    ui->lvMissed->setRowCount(0);
    ui->lvMissed->setRowCount(int(tasks.size()));
    for (int row = 0; row < tasks.size(); ++row) {
        const DueTask &task = tasks.at(row);
        auto *alarm = new QTableWidgetItem(dateTimeText(task.alarm, formats));
        alarm->setData(IdRole, task.id);
        ui->lvMissed->setItem(row, AlarmColumn, alarm);
        ui->lvMissed->setItem(row, CategoryColumn, new QTableWidgetItem(task.category));
        // A repeating task moved on past a late alarm says so, and when it comes next.
        const QString text = task.skipped()
            ? tr("%1 (skipped, next at %2)").arg(task.task, dateTimeText(task.skippedTo, formats))
            : task.task;
        ui->lvMissed->setItem(row, TaskColumn, new QTableWidgetItem(text));
        addOpenButton(row, task.id);
    }
    ui->lSummary->setText(tasks.size() == 1 ? tr("This reminder came due while you were away.")
                                            : tr("These %1 reminders came due while you were away.")
                                                  .arg(tasks.size()));
    if (!tasks.isEmpty())
        ui->lvMissed->setCurrentCell(0, TaskColumn);
}

void TfMissedAlarms::addOpenButton(int row, qint64 id)
{
    auto *open = new QPushButton(tr("Open"), ui->lvMissed);
    open->setObjectName(QStringLiteral("bbOpen%1").arg(id));
    open->setToolTip(tr("Open this task"));
    connect(open, &QPushButton::clicked, this, [this, id] { emit openRequested(id); });
    ui->lvMissed->setCellWidget(row, OpenColumn, open);
}

QList<qint64> TfMissedAlarms::taskIds() const
{
    QList<qint64> ids;
    for (int row = 0; row < ui->lvMissed->rowCount(); ++row)
        ids.append(ui->lvMissed->item(row, AlarmColumn)->data(IdRole).toLongLong());
    return ids;
}

void TfMissedAlarms::removeTask(qint64 id)
{
    const int row = int(taskIds().indexOf(id));
    if (row >= 0)
        ui->lvMissed->removeRow(row);
}

void TfMissedAlarms::openRow(int row)
{
    if (row >= 0 && row < ui->lvMissed->rowCount())
        emit openRequested(ui->lvMissed->item(row, AlarmColumn)->data(IdRole).toLongLong());
}

void TfMissedAlarms::keyPressEvent(QKeyEvent *event)
{
    // Enter on a row opens its task rather than pressing the default button.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && ui->lvMissed->hasFocus()) {
        openRow(ui->lvMissed->currentRow());
        return;
    }
    QDialog::keyPressEvent(event);
}
