#pragma once

#include "alarm/AlarmTestSupport.h"
#include "editor/TfTaskEdit.h"
#include "settings/ProfileFile.h"
#include "support/MainWindowFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>

using namespace Qt::StringLiterals;

// A started main window on a database in a temporary folder, with helpers
// to put tasks into the database, read them back and drive an editor.
struct EditorFixture : MainWindowFixture
{
    EditorFixture() { create(); }

    TaskEditorHost host()
    {
        return {dm, state, prompter, clock, ini(), {}, {}, {}, {}};
    }

    // A task with sensible values; fields names and values override them.
    int addTask(const QVariantMap &overrides = {})
    {
        QVariantMap v{{u"Task"_s, u"Water the plants"_s},
                      {u"TaskCreated"_s, at(2026, 11, 10, 10, 0).toDouble()},
                      {u"Category"_s, u"Home"_s},
                      {u"Priority"_s, 3},
                      {u"Occurrence"_s, u"Daily"_s},
                      {u"Frequency"_s, 1},
                      {u"ValidHours"_s, u"08-17"_s},
                      {u"ValidDays"_s, u"MTWTF__"_s},
                      {u"DueDateTime"_s, at(2026, 12, 10, 7, 0).toDouble()},
                      {u"AlarmDateTime"_s, at(2026, 12, 10, 6, 45).toDouble()},
                      {u"Completed"_s, 0},
                      {u"Notes"_s, u"Line one\r\nLine two"_s},
                      {u"SnoozeTime"_s, 10},
                      {u"AutoSnooze"_s, 1},
                      {u"RepeatAutoSnooze"_s, 3},
                      {u"AutoSnoozeAction"_s, 2},
                      {u"PercentageComplete"_s, 40},
                      {u"CompletedDate"_s, QVariant()}};
        for (auto it = overrides.begin(); it != overrides.end(); ++it)
            v.insert(it.key(), it.value());
        Query insert(dm.ADOConnection);
        QStringList names, marks;
        for (auto it = v.begin(); it != v.end(); ++it) {
            names << it.key();
            marks << u":"_s + it.key();
            if (it.value().isNull())
                insert.setNullParam(it.key());
            else if (it.value().typeId() == QMetaType::Double)
                insert.setParam(it.key(), DateTime(it.value().toDouble()));
            else if (it.value().typeId() == QMetaType::QString)
                insert.setParam(it.key(), it.value().toString());
            else
                insert.setParam(it.key(), it.value().toLongLong());
        }
        insert.setSql({u"insert into Tasks (%1)"_s.arg(names.join(u", "_s)),
                       u"values (%1)"_s.arg(marks.join(u", "_s))});
        insert.execSql();
        Query last(dm.ADOConnection);
        last.setSql({u"select max(ID) as ID from Tasks"_s});
        last.open();
        const int id = int(last.fieldByName(u"ID"_s).asInteger());
        dm.RequeryTaskList();
        return id;
    }

    // The stored row of a task; empty when there is none.
    QVariantMap row(int id)
    {
        Query q(dm.ADOConnection);
        q.setSql({u"select * from Tasks where ID = :ID"_s});
        q.setParam(u"ID"_s, id);
        q.open();
        QVariantMap out;
        if (q.recNo() < 0)
            return out;
        for (int i = 0; i < q.fieldCount(); ++i)
            out.insert(q.field(i).name(), q.field(i).value());
        return out;
    }

    int taskCount()
    {
        Query q(dm.ADOConnection);
        q.setSql({u"select count(*) as N from Tasks"_s});
        q.open();
        return int(q.fieldByName(u"N"_s).asInteger());
    }

    // Puts the task list's cursor on a task, as the grid does.
    void select(int id) { QVERIFY(dm.qTasks.locate(u"ID"_s, id)); }

    // An editor filled for a mode and shown without its own event loop.
    std::unique_ptr<TfTaskEdit> editor(TaskEditorMode mode, QWidget *parent = nullptr)
    {
        auto e = std::make_unique<TfTaskEdit>(host(), parent);
        state.CurrentTaskEditor = e.get();
        if (mode == TaskEditorMode::Add) {
            e->fillNew();
        } else if (mode == TaskEditorMode::Prompt) {
            dm.qPrompt.close();
            dm.qPrompt.setParam(u"ID"_s, state.PromptedTaskID);
            dm.qPrompt.open();
            if (!e->fillFrom(dm.qPrompt, mode))
                return nullptr;
        } else if (!e->fillFrom(dm.qTasks, mode)) {
            return nullptr;
        }
        e->show();
        return e;
    }

    void writeSetting(const QString &section, const QString &key, const QString &value)
    {
        ProfileFile::writeValue(ini(), section, key, value);
    }
};

template <typename T>
T *child(QWidget *editor, const char *name)
{
    T *w = editor->findChild<T *>(QString::fromLatin1(name));
    if (!w)
        qFatal("no widget %s", name);
    return w;
}

// Runs fn once the next modal dialog has started its event loop.
inline void whenModal(std::function<void(QWidget *)> fn)
{
    QTimer::singleShot(0, qApp, [fn] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            qFatal("no modal dialog is open");
        fn(modal);
    });
}
