#include "store/DataModule.h"

#include "core/AppState.h"
#include "core/Clock.h"
#include "store/UndoJournal.h"

#include <algorithm>

namespace {
QStringList lines(std::initializer_list<const char *> texts)
{
    QStringList out;
    for (const char *t : texts)
        out << QString::fromLatin1(t);
    return out;
}

QList<FieldDef> taskFieldDefs(qsizetype count, bool withLabels)
{
    QList<FieldDef> defs;
    for (const FieldInfo &info : TasksTable::fields().first(count)) {
        FieldDef def{info.name, withLabels ? info.label : QString(), std::nullopt, std::nullopt};
        if (info.name == QLatin1String("SnoozeTime")) {
            def.min = 0;
            def.max = 60;
        }
        defs << def;
    }
    return defs;
}
}

DataSource::DataSource(Query &dataSet, QObject *parent)
    : QObject(parent), m_dataSet(dataSet)
{
    connect(&dataSet, &Query::rowsChanged, this, &DataSource::dataChange);
    connect(&dataSet, &Query::currentRowChanged, this, &DataSource::dataChange);
    connect(&dataSet, &Query::fieldChanged, this, &DataSource::dataChange);
}

TDM::TDM(const Clock &clock, AppState &state, QObject *parent)
    : QObject(parent),
      qTasks(ADOConnection, this),
      dsTasks(qTasks, this),
      qPrompt(ADOConnection, this),
      qPrintSelected(ADOConnection, this),
      qExport(ADOConnection, this),
      tImport(ADOConnection, this),
      qDelete(ADOConnection, this),
      m_clock(clock),
      m_state(state)
{
    qTasks.setSql(lines({"select *", "from Tasks"}));
    qTasks.setFieldDefs(taskFieldDefs(TasksTable::fields().size(), true));
    qTasks.setUpdateTable(QStringLiteral("Tasks"));
    // The grid shows a screenful of a list that may hold 100,000 tasks: the
    // list reads its order and count whole, and its rows as they are shown.
    qTasks.setLazyRows(true);

    const QStringList oneTask = lines({"select *", "from Tasks", "where ID = :ID"});
    qPrompt.setSql(oneTask);
    qPrompt.setUpdateTable(QStringLiteral("Tasks"));
    qPrintSelected.setSql(oneTask);
    qPrintSelected.setFieldDefs(taskFieldDefs(13, false));

    qExport.setSql(lines({"select count(*)", "from Tasks"}));
    tImport.setSql(lines({"select *", "from Tasks"}));
    tImport.setUpdateTable(QStringLiteral("Tasks"));
    qDelete.setSql(lines({"delete", "from Tasks", "where ID = :ID"}));

    connect(&dsTasks, &DataSource::dataChange, this, &TDM::dsTasksDataChange);
    connect(&qTasks, &Query::rowsChanged, this, [this] {
        if (qTasks.isOpen())
            m_listStamp = ADOConnection.changeStamp();
    });
    connect(&qTasks, &Query::fieldChanged, this, &TDM::qTasksCompletedChange);
}

void TDM::connectTo(const QString &databaseFile, Connection::OpenCheck check)
{
    ADOConnection.close();
    ADOConnection.setDatabaseFile(databaseFile);
    ADOConnection.open(check);
}

void TDM::RequeryTaskList()
{
    emit taskListAboutToRequery();
    struct Resume {
        TDM *dm;
        ~Resume() { emit dm->taskListRequeried(); }
    } resume{this};
    const int row = qTasks.recNo();
    const int idColumn = qTasks.fieldIndex(QStringLiteral("ID"));
    const QVariant id = row >= 0 && idColumn >= 0 ? qTasks.valueAt(row, idColumn) : QVariant();
    qTasks.requery();
    if (id.isNull() || !qTasks.locate(QStringLiteral("ID"), id))
        qTasks.moveTo(std::max(row, 0));
}

bool TDM::taskListOutdated()
{
    return !qTasks.isOpen() || ADOConnection.changeStamp() != m_listStamp;
}

void TDM::ApplyDateDisplayFormat()
{
    const FormatSettings &f = m_state.Formats;
    const QString pattern = (m_state.LongDateFormat ? f.longDateFormat : f.shortDateFormat) + QStringLiteral(" tt");
    qTasks.setDisplayFormat(QStringLiteral("DueDateTime"), pattern);
    qTasks.setDisplayFormat(QStringLiteral("AlarmDateTime"), pattern);
}

QString TDM::taskCountText() const
{
    const int count = qTasks.recordCount();
    return count == 1 ? QStringLiteral(" 1 task") : QStringLiteral(" %1 tasks").arg(count);
}

void TDM::dsTasksDataChange()
{
    emit taskCountChanged(taskCountText());
    ApplyDateDisplayFormat();
}

// Ticking the grid's check box completes or reopens the task in the
// database at once: 100 % and the completion moment, or 0 % and no date.
void TDM::qTasksCompletedChange(const QString &fieldName)
{
    if (m_state.CurrentTaskEditor)
        return;
    // A row being appended has no ID yet: its completion is stored with it.
    if (qTasks.state() == Query::State::Insert)
        return;
    if (fieldName.compare(QLatin1String("Completed"), Qt::CaseInsensitive) != 0)
        return;

    const bool completing = qTasks.fieldByName(QStringLiteral("Completed")).asBoolean();
    // The task list is read again whether the update worked or not; an
    // error still reaches the caller afterwards.
    try {
        setTaskCompleted(qTasks.fieldByName(QStringLiteral("ID")).asInteger(), completing);
    } catch (...) {
        RequeryTaskList();
        throw;
    }
    RequeryTaskList();
}

int TDM::setTaskCompleted(qint64 id, bool completed)
{
    Query update(ADOConnection);
    update.addLine(QStringLiteral("update Tasks"));
    update.addLine(QStringLiteral("set"));
    update.addLine(QStringLiteral("PercentageComplete = :PercentageComplete,"));
    if (completed) {
        update.addLine(QStringLiteral("Completed = True,"));
        update.addLine(QStringLiteral("CompletedDate = :CompletedDate"));
        update.setParam(QStringLiteral("CompletedDate"), m_clock.now());
    } else {
        update.addLine(QStringLiteral("Completed = False,"));
        update.addLine(QStringLiteral("CompletedDate = null"));
    }
    update.addLine(QStringLiteral("where ID = :ID"));
    update.setParam(QStringLiteral("PercentageComplete"), completed ? 100 : 0);
    update.setParam(QStringLiteral("ID"), id);
    int changed = 0;
    ADOConnection.step(UndoJournal::taskLabel(ADOConnection, completed ? tr("Complete %1") : tr("Reopen %1"), id),
                       [&] { changed = update.execSql(); });
    return changed;
}
