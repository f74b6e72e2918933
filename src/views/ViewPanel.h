#pragma once

#include "views/FilterBuilder.h"

#include <QHash>
#include <QIcon>
#include <QTabWidget>

#include <functional>

class Clock;
class MarkedCalendar;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class QTreeWidget;
class TDM;
class TaskGrid;
struct AppState;

// The view panel on the left of the main window: six tabs, each a way of
// choosing which tasks the grid lists (all, by priority, occurrence,
// category, date range, or calendar day), the view state above them all,
// the three value lists with their check marks, and the grid layout each
// tab keeps in its own layout file in the data folder.
class ViewPanel : public QTabWidget
{
    Q_OBJECT
public:
    enum Tab { TabAll, TabPriority, TabOccurrence, TabCategory, TabDate, TabCalendar };

    ViewPanel(TDM &dm, AppState &state, const Clock &clock, const QString &dataFolder, QWidget *parent = nullptr);

    // The grid whose order list the views use and whose layout the tabs
    // keep, and the search box (Enter searches, Esc clears it first).
    void attach(TaskGrid *grid, QLineEdit *searchBox);
    // Handlers run through this; an error is reported, not thrown on.
    void setGuard(std::function<void(const std::function<void()> &)> guard) { m_guard = std::move(guard); }

    // Start-up: the controls from the remembered state, the value lists
    // (categories, priorities, occurrences), then the last view.
    void loadState();
    void refreshValueLists();
    void RestoreLastView();

    // Value lists: reload one, keeping the check marks of values that stay.
    void RefreshPriorityList();
    void RefreshOccurrenceList();
    void RefreshCategoryList();
    // Fills a combo box with the categories of the category list.
    void FillCategoryCombo(QComboBox *combo) const;
    QStringList categoryCaptions() const;

    // Grid layouts of the tabs.
    QString layoutFile(int tab) const;
    void LoadGridLayout(const QString &file, bool notifyOrder = true);
    void SaveGridLayout();

    // The views; each sets LastView.
    void FilterAll();
    void sbPrioritiesSearchClick();
    void sbOccurrenceSearchClick();
    void sbCategorySearchClick();
    void FilterByDateRange();
    void FilterByCalendarDay();
    void MarkCalendarDays();
    void TaskSearch1Click();
    // Ends a search: the search box empties and the current tab's view runs.
    void clearSearch();
    void SetDateRangeBounds();

    // What the grid says while it lists no task: how to add one, or on a
    // value list tab with nothing ticked, to tick a value.
    QString emptyGridText() const;

    // As narrow as its controls allow; the grid takes the rest of the width.
    QSize sizeHint() const override;

    bool calendarActive() const { return currentIndex() == TabCalendar; }
    ViewState viewState() const;
    PanelSelection selection() const;

    // The panel's controls, named as in the rest of the program.
    QRadioButton *rbAll, *rbOutstanding, *rbCompleted;
    QCheckBox *cbAllPriorities, *cbAllOccurrences, *cbAllCategories;
    QToolButton *sbPrioritiesSelect, *sbPrioritiesUnselect, *sbPrioritiesSearch;
    QCheckBox *cbPriorityOccurrences, *cbPriorityCategories;
    QTreeWidget *lvPriorities;
    QToolButton *sbOccurrencesSelect, *sbOccurrencesUnselect, *sbOccurrenceSearch;
    QCheckBox *cbOccurrencePriorities, *cbOccurrenceCategories;
    QTreeWidget *lvOccurrences;
    QToolButton *sbCategoriesSelect, *sbCategoriesUnselect, *sbCategorySearch;
    QCheckBox *cbCategoryPriorities, *cbCategoryOccurrences;
    QTreeWidget *lvCategories;
    QComboBox *cbViewTasks;
    QToolButton *sbDateSearch;
    QRadioButton *rbDateDueDateTime, *rbDateAlarmDateTime;
    QCheckBox *cbDatePriorities, *cbDateOccurrences, *cbDateCategories;
    QDateEdit *dtpDateFrom, *dtpDateTo;
    QRadioButton *rbCalendarDueDateTime, *rbCalendarAlarmDateTime;
    QCheckBox *cbCalendarPriorities, *cbCalendarOccurrences, *cbCalendarCategories;
    MarkedCalendar *PlannerCalendar1;
    QPushButton *sbGotoToday;

signals:
    // The text of status panel 0: "All Tasks", "Outstanding Tasks", "Completed Tasks".
    // The words a search lists the tasks for; empty when a view runs.
    void searchChanged(const QString &words);
    void viewStateTextChanged(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Building the tabs (ViewPanelUi.cpp).
    void createTabs();
    QWidget *createAllTab();
    QWidget *createListTab(ValueList list);
    QWidget *createDateTab();
    QWidget *createCalendarTab();
    // The style's icon (a QStyle::StandardPixmap), read from the style once:
    // the style decodes its pictures anew at every call.
    QIcon standardIcon(int pixmap);
    void connectHandlers();

    void handle(const std::function<void()> &handler);
    void runView(const FilterSql &sql, const QString &lastView);
    void updateEmptyText();
    QString gridOrder() const;
    void refreshList(ValueList list);
    QTreeWidget *listView(ValueList list) const;
    QStringList &checkedCaptions(ValueList list);
    void setAllChecked(ValueList list, bool checked);
    void syncCheckMarks(ValueList list);
    void runListView(ValueList list);
    void scheduleListView(ValueList list);
    void viewStateClicked();
    void tabChanged(int index);
    void showTab(int index);
    void storeState();
    SubFilterSet subFilters(int tab) const;

    TDM &m_dm;
    AppState &m_state;
    const Clock &m_clock;
    QString m_dataFolder;
    TaskGrid *m_grid = nullptr;
    QLineEdit *m_searchBox = nullptr;
    std::function<void(const std::function<void()> &)> m_guard;
    int m_activeTab = 0;
    bool m_quiet = false;          // tab changes made by the program itself
    bool m_listsLoaded[3] = {};    // until loaded, the remembered marks stand
    bool m_listViewPending[3] = {};
    QHash<int, QIcon> m_standardIcons;
};
