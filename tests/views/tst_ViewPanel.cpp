// The view panel: its views over a small database, the value lists and
// their check marks, the date periods at the edges of a day, the search,
// the tab layouts, the last view and the activation rule.

#include "ViewsFixture.h"

#include "views/MarkedCalendar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QToolButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {
QDateTime on(int day, int h, int m, int s = 0)
{
    return QDateTime(QDate(2026, 12, day), QTime(h, m, s));
}

const QList<TaskRow> Small = {
    {u"pay rent"_s, 1, u"Monthly"_s, u"Home"_s, false},
    {u"call dentist"_s, 2, u"Todo"_s, u"Health"_s, true},
    {u"water plants"_s, 1, u"Daily"_s, u"Home"_s, false},
    {u"file report"_s, 3, u"Weekly"_s, u"Work"_s, false},
    {u"old invoice"_s, 3, u"Todo"_s, u"Archive"_s, true},
};

QStringList captions(const QTreeWidget *tree)
{
    QStringList out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        out << tree->topLevelItem(i)->text(0) + (tree->topLevelItem(i)->checkState(0) == Qt::Checked ? u"*"_s : u""_s);
    return out;
}

void check(QTreeWidget *tree, const QStringList &which)
{
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        tree->topLevelItem(i)->setCheckState(0, which.contains(tree->topLevelItem(i)->text(0)) ? Qt::Checked
                                                                                                 : Qt::Unchecked);
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}
}

class TestViewPanel : public QObject
{
    Q_OBJECT
private slots:
    void listViews_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<int>("state"); // 0 All, 1 Outstanding, 2 Completed
        QTest::addColumn<QStringList>("priorities");
        QTest::addColumn<QStringList>("occurrences");
        QTest::addColumn<QStringList>("categories");
        QTest::addColumn<bool>("subFilters");
        QTest::addColumn<QStringList>("expected");
        const int P = ViewPanel::TabPriority, O = ViewPanel::TabOccurrence, C = ViewPanel::TabCategory;
        QTest::newRow("priority, nothing checked") << P << 0 << QStringList() << QStringList{u"Todo"_s}
                                                   << QStringList() << false << QStringList();
        QTest::newRow("priority, nothing checked, sub-filters on") << P << 0 << QStringList() << QStringList{u"Todo"_s}
                                                                   << QStringList{u"Home"_s} << true << QStringList();
        QTest::newRow("priority 1") << P << 0 << QStringList{u"1"_s} << QStringList() << QStringList() << false
                                    << QStringList{u"pay rent"_s, u"water plants"_s};
        QTest::newRow("sub-filter without checked items does not restrict")
            << P << 0 << QStringList{u"1"_s, u"3"_s} << QStringList() << QStringList() << true
            << QStringList{u"file report"_s, u"old invoice"_s, u"pay rent"_s, u"water plants"_s};
        QTest::newRow("priority with occurrence and category sub-filters")
            << P << 0 << QStringList{u"1"_s, u"3"_s} << QStringList{u"Daily"_s, u"Weekly"_s} << QStringList{u"Home"_s}
            << true << QStringList{u"water plants"_s};
        QTest::newRow("priority, outstanding") << P << 1 << QStringList{u"2"_s, u"3"_s} << QStringList() << QStringList()
                                               << false << QStringList{u"file report"_s};
        QTest::newRow("occurrence, completed") << O << 2 << QStringList() << QStringList{u"Todo"_s} << QStringList()
                                               << false << QStringList{u"call dentist"_s, u"old invoice"_s};
        QTest::newRow("category with priority sub-filter")
            << C << 0 << QStringList{u"1"_s} << QStringList() << QStringList{u"Home"_s, u"Work"_s} << true
            << QStringList{u"pay rent"_s, u"water plants"_s};
    }
    void listViews()
    {
        QFETCH(int, tab);
        QFETCH(int, state);
        QFETCH(QStringList, priorities);
        QFETCH(QStringList, occurrences);
        QFETCH(QStringList, categories);
        QFETCH(bool, subFilters);
        QFETCH(QStringList, expected);

        ViewsFixture f(Small);
        f.start();
        check(f.panel->lvPriorities, priorities);
        check(f.panel->lvOccurrences, occurrences);
        check(f.panel->lvCategories, categories);
        (state == 1 ? f.panel->rbOutstanding : state == 2 ? f.panel->rbCompleted : f.panel->rbAll)->setChecked(true);
        for (QCheckBox *cb : f.panel->findChildren<QCheckBox *>())
            if (!cb->objectName().startsWith(u"cbAll"_s))
                cb->setChecked(subFilters);
        if (tab == ViewPanel::TabPriority)
            f.panel->sbPrioritiesSearchClick();
        else if (tab == ViewPanel::TabOccurrence)
            f.panel->sbOccurrenceSearchClick();
        else
            f.panel->sbCategorySearchClick();
        QCOMPARE(sorted(f.listed()), expected);
        QCOMPARE(f.state.LastView, QStringList({u"Priority"_s, u"Occurrence"_s, u"Category"_s}).at(tab - 1));
    }

    // A view switch keeps the selected task when the new view lists it, and
    // falls back to the first row when it does not.
    void viewSwitchKeepsTheSelectedTask()
    {
        ViewsFixture f(Small);
        f.start();
        f.panel->FilterAll();
        QVERIFY(f.dm.qTasks.locate(u"Task"_s, u"water plants"_s));
        check(f.panel->lvPriorities, {u"1"_s});
        f.panel->sbPrioritiesSearchClick();
        QCOMPARE(f.current(), u"water plants"_s);
        f.panel->FilterAll();
        QCOMPARE(f.current(), u"water plants"_s);
        check(f.panel->lvPriorities, {u"3"_s});
        f.panel->sbPrioritiesSearchClick();
        QCOMPARE(f.current(), f.listed().value(0));
    }

    void valueListsKeepTheirMarksAndFollowTheViewState()
    {
        ViewsFixture f(Small);
        f.state.CheckedCategories = {u"Home"_s, u"Gone"_s}; // as read from the settings
        f.start();
        QCOMPARE(captions(f.panel->lvCategories), QStringList({u"Archive"_s, u"Health"_s, u"Home*"_s, u"Work"_s}));
        QCOMPARE(f.state.CheckedCategories, QStringList{u"Home"_s});
        QCOMPARE(captions(f.panel->lvPriorities), QStringList({u"1"_s, u"2"_s, u"3"_s}));

        // A value used only by completed tasks is not offered for outstanding
        // ones while "Categories" applies the view state; otherwise it is.
        f.panel->rbOutstanding->click();
        QCOMPARE(captions(f.panel->lvCategories), QStringList({u"Home*"_s, u"Work"_s}));
        QCOMPARE(f.state.ViewStateText, u"Outstanding Tasks"_s);
        f.panel->cbAllCategories->click();
        QCOMPARE(captions(f.panel->lvCategories), QStringList({u"Archive"_s, u"Health"_s, u"Home*"_s, u"Work"_s}));

        // A reload keeps marks of values that stay, drops vanished ones, and
        // a new value comes unchecked.
        check(f.panel->lvCategories, {u"Home"_s, u"Archive"_s});
        QCOMPARE(f.state.CheckedCategories, QStringList({u"Archive"_s, u"Home"_s}));
        f.add({{u"new"_s, 4, u"Yearly"_s, u"Garden"_s}});
        Query remove(f.dm.ADOConnection);
        remove.setSql({u"delete from Tasks where Category = 'Archive'"_s});
        remove.execSql();
        f.panel->RefreshCategoryList();
        QCOMPARE(captions(f.panel->lvCategories), QStringList({u"Garden"_s, u"Health"_s, u"Home*"_s, u"Work"_s}));

        // "Select All" changes no view until the list or its button is used.
        f.panel->rbAll->click();
        const QStringList before = f.listed();
        f.panel->sbPrioritiesSelect->click();
        QCOMPARE(f.listed(), before);
        QCOMPARE(f.state.CheckedPriorities.size(), 4);

        QComboBox combo;
        f.panel->FillCategoryCombo(&combo);
        QCOMPARE(combo.count(), 4);
        QCOMPARE(combo.currentText(), u"Garden"_s);
    }

    void dateRangeAndCalendarDayEdges()
    {
        ViewsFixture f({{u"at 23:59:00"_s, 1, u"Todo"_s, u"Work"_s, false, on(10, 23, 59), on(9, 8, 0)},
                        {u"at 23:59:30"_s, 1, u"Todo"_s, u"Work"_s, false, on(10, 23, 59, 30), on(10, 23, 59, 59)},
                        {u"tomorrow"_s, 1, u"Todo"_s, u"Work"_s, false, on(11, 0, 0), on(11, 0, 0)}});
        f.start();
        f.panel->rbDateDueDateTime->setChecked(true);
        f.panel->cbViewTasks->setCurrentIndex(int(dateRangePeriods().indexOf(u"Today"_s)));
        QCOMPARE(f.listed(), QStringList{u"at 23:59:00"_s});
        QCOMPARE(f.state.LastView, u"Date"_s);

        // With no period chosen the first run picks "Today".
        f.panel->cbViewTasks->setCurrentIndex(-1);
        QCOMPARE(f.panel->cbViewTasks->currentText(), u"Today"_s);
        QCOMPARE(f.listed(), QStringList{u"at 23:59:00"_s});

        // The calendar's day runs to 23:59:59.999, by alarm or by due time.
        f.panel->setCurrentIndex(ViewPanel::TabCalendar);
        f.panel->rbCalendarAlarmDateTime->click();
        QCOMPARE(f.listed(), QStringList{u"at 23:59:30"_s});
        f.panel->rbCalendarDueDateTime->click();
        QCOMPARE(f.listed(), QStringList({u"at 23:59:00"_s, u"at 23:59:30"_s}));
        QCOMPARE(f.state.LastView, u"Calendar"_s);
        QVERIFY(f.panel->PlannerCalendar1->isMarked(QDate(2026, 12, 10)));
        QVERIFY(f.panel->PlannerCalendar1->isMarked(QDate(2026, 12, 11)));
        QVERIFY(!f.panel->PlannerCalendar1->isMarked(QDate(2026, 12, 9)));
    }

    void search_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("a word anywhere, in ID order") << u"rent"_s << QStringList({u"rent due"_s, u"pay the RENT"_s});
        QTest::newRow("case of every letter") << u"äpfel"_s << QStringList{u"Äpfel kaufen"_s};
        QTest::newRow("percent is literal") << u"50%"_s << QStringList{u"save 50% now"_s};
        QTest::newRow("underscore is literal") << u"a_b"_s << QStringList{u"a_b file"_s};
        QTest::newRow("quote is plain text") << u"o'clock"_s << QStringList{u"five o'clock"_s};
    }
    void search()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        ViewsFixture f({{u"rent due"_s}, {u"Äpfel kaufen"_s}, {u"save 50% now"_s}, {u"save 500 now"_s},
                        {u"a_b file"_s}, {u"axb file"_s}, {u"pay the RENT"_s}, {u"five o'clock"_s}});
        f.start();
        f.grid->setOrderList(u"Task DESC"_s, false); // the search ignores the grid's order
        f.search->setText(u" "_s + text + u" "_s);
        QTest::keyClick(f.search, Qt::Key_Return);
        QCOMPARE(f.listed(), expected);
        QCOMPARE(f.state.LastView, u"Search "_s + text);
        QCOMPARE(f.search->selectedText(), f.search->text());
    }

    void escapeClearsTheSearchBoxFirst()
    {
        ViewsFixture f;
        f.window.show();
        f.search->setFocus();
        f.search->setText(u"dentist"_s);
        QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(f.search, &override);
        QVERIFY(override.isAccepted());
        QTest::keyClick(f.search, Qt::Key_Escape);
        QCOMPARE(f.search->text(), QString());
        QKeyEvent again(QEvent::ShortcutOverride, Qt::Key_Escape, Qt::NoModifier);
        again.ignore();
        QApplication::sendEvent(f.search, &again);
        QVERIFY(!again.isAccepted()); // an empty box lets the window's Esc rule run
    }

    void restoreLastView_data()
    {
        QTest::addColumn<QString>("lastView");
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("searchText");
        QTest::addColumn<QString>("period");
        QTest::newRow("search") << u"Search dentist"_s << 0 << u"dentist"_s << QString();
        QTest::newRow("priority") << u"Priority"_s << 1 << QString() << QString();
        QTest::newRow("date") << u"Date"_s << 4 << QString() << u"Today"_s;
        QTest::newRow("calendar") << u"Calendar"_s << 5 << QString() << QString();
        QTest::newRow("a period name") << u"Next Week"_s << 0 << QString() << u"Next Week"_s;
    }
    void restoreLastView()
    {
        QFETCH(QString, lastView);
        QFETCH(int, tab);
        QFETCH(QString, searchText);
        QFETCH(QString, period);
        ViewsFixture f(Small);
        f.state.LastView = lastView;
        f.state.Views.ViewTasks = QString();
        int reads = 0;
        QObject::connect(&f.dm.qTasks, &Query::rowsChanged, &f.window, [&] { reads += f.dm.qTasks.isOpen(); });
        f.start();
        QCOMPARE(f.panel->currentIndex(), tab);
        QCOMPARE(f.search->text(), searchText);
        QCOMPARE(f.panel->cbViewTasks->currentText(), period);
        QCOMPARE(reads, 1); // the list is read once
        if (lastView.startsWith(u"Search"_s))
            QCOMPARE(f.listed().size(), Small.size()); // the All view, not the search result
    }

    void tabLayoutsRoundTrip()
    {
        ViewsFixture f(Small);
        f.window.resize(900, 400);
        f.start();
        // The Priority tab gets its own column order, width, hidden column and order.
        f.panel->setCurrentIndex(ViewPanel::TabPriority);
        f.grid->horizontalHeader()->moveSection(f.grid->horizontalHeader()->visualIndex(4), 0);
        f.grid->setColumnWidth(1, 200);
        f.grid->setFieldVisible(u"Frequency"_s, false);
        f.grid->titleClicked(1, false);
        QCOMPARE(f.grid->orderList(), u"Priority"_s);
        f.panel->setCurrentIndex(ViewPanel::TabAll); // saves Priority.ini, loads none for All
        QFile saved(f.panel->layoutFile(ViewPanel::TabPriority));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(saved.readAll()).split(u"\r\n"_s, Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 17);
        QCOMPARE(lines.first(), u"AutoLoadLayout=0"_s);
        QCOMPARE(lines.at(2), u"Columns=11"_s);
        QCOMPARE(lines.at(3).section(u',', 0, 0), u"Column1=Task"_s);
        QCOMPARE(lines.at(3).section(u',', 2), u"1,0"_s);
        QVERIFY(lines.contains(u"Column7=Frequency,64,0,0"_s));
        QCOMPARE(lines.at(14), u"OrderFields=Priority"_s);
        QCOMPARE(lines.mid(15), QStringList({u"LinesCount=1"_s, u"StretchMode=0"_s}));

        // Back on the Priority tab its layout returns, and the view reads in
        // its order.
        f.grid->setFieldVisible(u"Frequency"_s, true);
        f.grid->setOrderList(u"Task"_s, false);
        f.panel->setCurrentIndex(ViewPanel::TabPriority);
        QCOMPARE(f.grid->visualFields().first(), u"Task"_s);
        QVERIFY(!f.grid->isFieldVisible(u"Frequency"_s));
        QCOMPARE(f.grid->orderList(), u"Priority"_s);
        QCOMPARE(f.dm.qTasks.sql().last(), u"order by Priority"_s);

        // A file for another column count keeps the columns but its order applies.
        QFile other(f.panel->layoutFile(ViewPanel::TabCategory));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("Columns=3\nColumn1=Category,300,1,0\nColumn2=Task,50,1,0\nColumn3=ID,50,1,0\n"
                    "OrderFields=Category DESC,Task\n");
        other.close();
        const QStringList fieldsBefore = f.grid->visualFields();
        f.panel->setCurrentIndex(ViewPanel::TabCategory);
        QCOMPARE(f.grid->visualFields(), fieldsBefore);
        QCOMPARE(f.grid->orderList(), u"Category DESC,Task"_s);
        QCOMPARE(f.dm.qTasks.sql().last(), u"order by Category DESC,Task"_s);
    }

    void activationReadsTheListOnlyAfterAChange()
    {
        ViewsFixture f(Small);
        f.start();
        QVERIFY(!f.dm.taskListOutdated());
        QVERIFY(!f.dm.taskListOutdated());

        // Another program's change.
        Connection other;
        other.setDatabaseFile(f.dm.ADOConnection.databaseFile());
        Query insert(other);
        insert.setSql({u"insert into Tasks (Task) values ('from elsewhere')"_s});
        insert.execSql();
        QVERIFY(f.dm.taskListOutdated());
        f.dm.RequeryTaskList();
        QVERIFY(!f.dm.taskListOutdated());

        // The program's own change through another statement.
        Query update(f.dm.ADOConnection);
        update.setSql({u"update Tasks set Priority = 9 where Task = 'pay rent'"_s});
        update.execSql();
        QVERIFY(f.dm.taskListOutdated());
    }
};

QTEST_MAIN(TestViewPanel)
#include "tst_ViewPanel.moc"
