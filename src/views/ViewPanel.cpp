#include "views/ViewPanel.h"

#include "core/AppState.h"
#include "core/Clock.h"
#include "store/DataModule.h"
#include "views/MarkedCalendar.h"
#include "views/TaskGrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QTabBar>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {
int listIndex(ValueList list)
{
    return int(list);
}

QList<CheckedItem> checkedItems(const QTreeWidget *tree)
{
    QList<CheckedItem> items;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->checkState(0) == Qt::Checked)
            items.append({i, tree->topLevelItem(i)->text(0)});
    return items;
}

void setRadio(QRadioButton *on, QRadioButton *off, bool first)
{
    (first ? on : off)->setChecked(true);
}
}

ViewPanel::ViewPanel(TDM &dm, AppState &state, const Clock &clock, const QString &dataFolder, QWidget *parent)
    : QTabWidget(parent), m_dm(dm), m_state(state), m_clock(clock), m_dataFolder(dataFolder)
{
    setObjectName(u"pcSelections"_s);
    createTabs();
    // At least 160 wide, and as wide as the widest tab's controls need, so
    // nothing is cut however narrow the window is made.
    int width = 160;
    for (int i = 0; i < count(); ++i)
        width = std::max(width, widget(i)->minimumSizeHint().width() + tabBar()->sizeHint().width() + 4);
    setMinimumWidth(width);
    PlannerCalendar1->setSelectedDate(m_clock.now().date());
    connectHandlers();
}

QSize ViewPanel::sizeHint() const
{
    return {minimumWidth(), QTabWidget::sizeHint().height()};
}

void ViewPanel::attach(TaskGrid *grid, QLineEdit *searchBox)
{
    m_grid = grid;
    m_searchBox = searchBox;
    // A task added or removed anywhere may empty the list, or fill it.
    connect(&m_dm, &TDM::taskListRequeried, this, [this] { handle([this] { updateEmptyText(); }); });
    if (m_searchBox) {
        m_searchBox->installEventFilter(this);
        connect(m_searchBox, &QLineEdit::returnPressed, this, [this] {
            handle([this] {
                TaskSearch1Click();
                m_searchBox->selectAll();
            });
        });
    }
}

void ViewPanel::handle(const std::function<void()> &handler)
{
    if (m_guard)
        m_guard(handler);
    else
        handler();
}

bool ViewPanel::eventFilter(QObject *watched, QEvent *event)
{
    // Esc in the search box clears its text first; only an Esc with nothing
    // to clear goes on to the window.
    if (watched == m_searchBox && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && !m_searchBox->text().isEmpty()) {
        event->accept();
        if (event->type() == QEvent::KeyPress)
            m_searchBox->clear();
        return event->type() == QEvent::KeyPress;
    }
    // A click anywhere on a value list runs that tab's view.
    if (event->type() == QEvent::MouseButtonRelease) {
        for (ValueList list : {ValueList::Priority, ValueList::Occurrence, ValueList::Category})
            if (watched == listView(list)->viewport())
                scheduleListView(list);
    }
    return QTabWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------- state

ViewState ViewPanel::viewState() const
{
    if (rbCompleted->isChecked())
        return ViewState::Completed;
    if (rbOutstanding->isChecked())
        return ViewState::Outstanding;
    return ViewState::All;
}

PanelSelection ViewPanel::selection() const
{
    return {viewState(), checkedItems(lvPriorities), checkedItems(lvOccurrences), checkedItems(lvCategories)};
}

SubFilterSet ViewPanel::subFilters(int tab) const
{
    switch (tab) {
    case TabPriority:
        return {false, cbPriorityOccurrences->isChecked(), cbPriorityCategories->isChecked()};
    case TabOccurrence:
        return {cbOccurrencePriorities->isChecked(), false, cbOccurrenceCategories->isChecked()};
    case TabCategory:
        return {cbCategoryPriorities->isChecked(), cbCategoryOccurrences->isChecked(), false};
    case TabDate:
        return {cbDatePriorities->isChecked(), cbDateOccurrences->isChecked(), cbDateCategories->isChecked()};
    case TabCalendar:
        return {cbCalendarPriorities->isChecked(), cbCalendarOccurrences->isChecked(),
                cbCalendarCategories->isChecked()};
    default:
        return {};
    }
}

void ViewPanel::loadState()
{
    const ViewPanelState &v = m_state.Views;
    const QSignalBlocker blockCombo(cbViewTasks);
    m_quiet = true;
    QRadioButton *choices[] = {rbAll, rbOutstanding, rbCompleted};
    if (v.CompletionChoice >= 0 && v.CompletionChoice < 3) {
        choices[v.CompletionChoice]->setChecked(true);
    } else {
        for (QRadioButton *rb : choices) {
            rb->setAutoExclusive(false);
            rb->setChecked(false);
            rb->setAutoExclusive(true);
        }
    }
    cbAllPriorities->setChecked(v.AllPriorities);
    cbAllOccurrences->setChecked(v.AllOccurrences);
    cbAllCategories->setChecked(v.AllCategories);
    cbViewTasks->setCurrentIndex(int(dateRangePeriods().indexOf(v.ViewTasks)));
    cbPriorityOccurrences->setChecked(v.PriorityOccurrences);
    cbPriorityCategories->setChecked(v.PriorityCategories);
    cbOccurrencePriorities->setChecked(v.OccurrencePriorities);
    cbOccurrenceCategories->setChecked(v.OccurrenceCategories);
    cbCategoryPriorities->setChecked(v.CategoryPriorities);
    cbCategoryOccurrences->setChecked(v.CategoryOccurrences);
    cbDatePriorities->setChecked(v.DatePriorities);
    cbDateOccurrences->setChecked(v.DateOccurrences);
    cbDateCategories->setChecked(v.DateCategories);
    setRadio(rbDateDueDateTime, rbDateAlarmDateTime, v.DateDueDateTime);
    cbCalendarPriorities->setChecked(v.CalendarPriorities);
    cbCalendarOccurrences->setChecked(v.CalendarOccurrences);
    cbCalendarCategories->setChecked(v.CalendarCategories);
    setRadio(rbCalendarDueDateTime, rbCalendarAlarmDateTime, v.CalendarDueDateTime);
    m_quiet = false;
}

void ViewPanel::storeState()
{
    if (m_quiet)
        return;
    ViewPanelState &v = m_state.Views;
    v.CompletionChoice = rbAll->isChecked() ? 0 : rbOutstanding->isChecked() ? 1 : rbCompleted->isChecked() ? 2 : -1;
    v.AllPriorities = cbAllPriorities->isChecked();
    v.AllOccurrences = cbAllOccurrences->isChecked();
    v.AllCategories = cbAllCategories->isChecked();
    v.ViewTasks = cbViewTasks->currentText();
    v.PriorityOccurrences = cbPriorityOccurrences->isChecked();
    v.PriorityCategories = cbPriorityCategories->isChecked();
    v.OccurrencePriorities = cbOccurrencePriorities->isChecked();
    v.OccurrenceCategories = cbOccurrenceCategories->isChecked();
    v.CategoryPriorities = cbCategoryPriorities->isChecked();
    v.CategoryOccurrences = cbCategoryOccurrences->isChecked();
    v.DatePriorities = cbDatePriorities->isChecked();
    v.DateOccurrences = cbDateOccurrences->isChecked();
    v.DateCategories = cbDateCategories->isChecked();
    v.DateDueDateTime = rbDateDueDateTime->isChecked();
    v.CalendarPriorities = cbCalendarPriorities->isChecked();
    v.CalendarOccurrences = cbCalendarOccurrences->isChecked();
    v.CalendarCategories = cbCalendarCategories->isChecked();
    v.CalendarDueDateTime = rbCalendarDueDateTime->isChecked();
}

void ViewPanel::viewStateClicked()
{
    m_state.ViewStateText = viewStateText(viewState());
    emit viewStateTextChanged(m_state.ViewStateText);
    FilterAll();
    RefreshPriorityList();
    RefreshOccurrenceList();
    RefreshCategoryList();
}

// ---------------------------------------------------------------- value lists

QTreeWidget *ViewPanel::listView(ValueList list) const
{
    switch (list) {
    case ValueList::Priority:
        return lvPriorities;
    case ValueList::Occurrence:
        return lvOccurrences;
    default:
        return lvCategories;
    }
}

QStringList &ViewPanel::checkedCaptions(ValueList list)
{
    switch (list) {
    case ValueList::Priority:
        return m_state.CheckedPriorities;
    case ValueList::Occurrence:
        return m_state.CheckedOccurrences;
    default:
        return m_state.CheckedCategories;
    }
}

// The remembered captions follow the list's check marks at once, so the
// settings written at exit always hold them.
void ViewPanel::syncCheckMarks(ValueList list)
{
    QStringList captions;
    for (const CheckedItem &item : checkedItems(listView(list)))
        captions << item.caption;
    checkedCaptions(list) = captions;
}

void ViewPanel::refreshList(ValueList list)
{
    QTreeWidget *tree = listView(list);
    QCheckBox *allValues = list == ValueList::Priority     ? cbAllPriorities
                           : list == ValueList::Occurrence ? cbAllOccurrences
                                                           : cbAllCategories;
    tree->setUpdatesEnabled(false);
    const auto resume = qScopeGuard([tree] { tree->setUpdatesEnabled(true); });
    // Until the list has been loaded once, the marks read at start-up stand.
    if (m_listsLoaded[listIndex(list)])
        syncCheckMarks(list);
    const QStringList checked = checkedCaptions(list);

    Query values(m_dm.ADOConnection);
    valueListQuery(list, viewState(), allValues->isChecked()).applyTo(values);
    values.open();
    const QSignalBlocker block(tree);
    tree->clear();
    const int rowHeight = tree->fontMetrics().height() + 8;
    QList<QTreeWidgetItem *> items;
    items.reserve(values.recordCount());
    for (int row = 0; row < values.recordCount(); ++row) {
        const QVariant value = values.valueAt(row, 0);
        auto *item = new QTreeWidgetItem(QStringList{value.isNull() ? QString() : value.toString()});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, checked.contains(item->text(0)) ? Qt::Checked : Qt::Unchecked);
        item->setSizeHint(0, QSize(0, rowHeight));
        items << item;
    }
    tree->addTopLevelItems(items);
    m_listsLoaded[listIndex(list)] = true;
    syncCheckMarks(list);
}

void ViewPanel::RefreshPriorityList()
{
    refreshList(ValueList::Priority);
}

void ViewPanel::RefreshOccurrenceList()
{
    refreshList(ValueList::Occurrence);
}

void ViewPanel::RefreshCategoryList()
{
    refreshList(ValueList::Category);
}

void ViewPanel::refreshValueLists()
{
    RefreshCategoryList();
    RefreshPriorityList();
    RefreshOccurrenceList();
}

QStringList ViewPanel::categoryCaptions() const
{
    QStringList captions;
    for (int i = 0; i < lvCategories->topLevelItemCount(); ++i)
        captions << lvCategories->topLevelItem(i)->text(0);
    return captions;
}

void ViewPanel::FillCategoryCombo(QComboBox *combo) const
{
    combo->clear();
    combo->addItems(categoryCaptions());
    if (combo->count() > 0)
        combo->setCurrentIndex(0);
}

void ViewPanel::setAllChecked(ValueList list, bool checked)
{
    QTreeWidget *tree = listView(list);
    const QSignalBlocker block(tree);
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        tree->topLevelItem(i)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    tree->viewport()->update();
    syncCheckMarks(list);
}

void ViewPanel::runListView(ValueList list)
{
    switch (list) {
    case ValueList::Priority:
        sbPrioritiesSearchClick();
        break;
    case ValueList::Occurrence:
        sbOccurrenceSearchClick();
        break;
    case ValueList::Category:
        sbCategorySearchClick();
        break;
    }
}

// A click on a check box both changes a mark and clicks the list; the view
// runs once, after both.
void ViewPanel::scheduleListView(ValueList list)
{
    bool &pending = m_listViewPending[listIndex(list)];
    if (pending)
        return;
    pending = true;
    QTimer::singleShot(0, this, [this, list] {
        m_listViewPending[listIndex(list)] = false;
        handle([=, this] { runListView(list); });
    });
}

// ---------------------------------------------------------------- views

QString ViewPanel::gridOrder() const
{
    return m_grid ? m_grid->orderList() : u"Task"_s;
}

void ViewPanel::runView(const FilterSql &sql, const QString &lastView)
{
    Query &tasks = m_dm.qTasks;
    // The selected task stays selected when the new view lists it.
    const int idColumn = tasks.isOpen() ? tasks.fieldIndex(u"ID"_s) : -1;
    const QVariant id = idColumn >= 0 && tasks.recNo() >= 0 ? tasks.valueAt(tasks.recNo(), idColumn) : QVariant();
    // Closed first, so a view that fails leaves an empty grid.
    tasks.close();
    sql.applyTo(tasks);
    tasks.open();
    if (!id.isNull())
        tasks.locate(u"ID"_s, id);
    m_state.LastView = lastView;
    updateEmptyText();
    emit searchChanged(lastView.startsWith(u"Search "_s) ? lastView.mid(7) : QString());
}

QString ViewPanel::emptyGridText() const
{
    if (m_dm.ADOConnection.isOpen()) {
        Query any(m_dm.ADOConnection);
        any.setSql({u"select ID from Tasks limit 1"_s});
        any.open();
        if (any.recordCount() == 0)
            return tr("No tasks yet — Ctrl+N adds one");
    }
    const QString &view = m_state.LastView;
    if (view.startsWith(u"Search "_s))
        return tr("No task holds “%1” — Clear, below, lists the view again").arg(view.mid(7));
    const auto nothingTicked = [this](ValueList list) { return checkedItems(listView(list)).isEmpty(); };
    if (view == u"Priority"_s && nothingTicked(ValueList::Priority))
        return tr("Tick a priority on the left to list its tasks");
    if (view == u"Occurrence"_s && nothingTicked(ValueList::Occurrence))
        return tr("Tick an occurrence on the left to list its tasks");
    if (view == u"Category"_s && nothingTicked(ValueList::Category))
        return tr("Tick a category on the left to list its tasks");
    if (view == u"Calendar"_s)
        return tr("No tasks on this day — Ctrl+N adds one");
    if (view == u"Date"_s)
        return tr("No tasks in this period — Ctrl+N adds one");
    return tr("No tasks to list here — Ctrl+N adds one");
}

void ViewPanel::updateEmptyText()
{
    if (m_grid)
        m_grid->setEmptyText(emptyGridText());
}

void ViewPanel::FilterAll()
{
    runView(filterAll(viewState(), gridOrder()), u"All"_s);
}

void ViewPanel::sbPrioritiesSearchClick()
{
    runView(filterByList(ValueList::Priority, selection(), subFilters(TabPriority), gridOrder()), u"Priority"_s);
}

void ViewPanel::sbOccurrenceSearchClick()
{
    runView(filterByList(ValueList::Occurrence, selection(), subFilters(TabOccurrence), gridOrder()), u"Occurrence"_s);
}

void ViewPanel::sbCategorySearchClick()
{
    runView(filterByList(ValueList::Category, selection(), subFilters(TabCategory), gridOrder()), u"Category"_s);
}

void ViewPanel::SetDateRangeBounds()
{
    const auto bounds = dateRangeBounds(cbViewTasks->currentIndex(), m_clock.now().date());
    if (!bounds)
        return;
    const QSignalBlocker blockFrom(dtpDateFrom);
    const QSignalBlocker blockTo(dtpDateTo);
    dtpDateFrom->setDate(bounds->first);
    dtpDateTo->setDate(bounds->second);
}

void ViewPanel::FilterByDateRange()
{
    // With no period chosen, "Today" is chosen first (the list is then read
    // once, in today's range).
    if (cbViewTasks->currentText().trimmed().isEmpty()) {
        {
            const QSignalBlocker block(cbViewTasks);
            cbViewTasks->setCurrentIndex(1);
        }
        storeState();
        SetDateRangeBounds();
    }
    // The range runs from 00:00 on the first day to 23:59 on the last.
    const DateTime from = DateTime::fromDateAndTime(dtpDateFrom->date(), QTime(0, 0));
    const DateTime to = DateTime::fromDateAndTime(dtpDateTo->date(), QTime(23, 59));
    runView(filterByDateRange(selection(), subFilters(TabDate), rbDateDueDateTime->isChecked(), from, to, gridOrder()),
            u"Date"_s);
}

void ViewPanel::FilterByCalendarDay()
{
    runView(filterByCalendarDay(selection(), subFilters(TabCalendar), rbCalendarDueDateTime->isChecked(),
                                PlannerCalendar1->selectedDate(), gridOrder()),
            u"Calendar"_s);
    m_dm.qTasks.first();
}

void ViewPanel::MarkCalendarDays()
{
    const bool due = rbCalendarDueDateTime->isChecked();
    Query month(m_dm.ADOConnection);
    calendarMonthMarks(selection(), subFilters(TabCalendar), due,
                       QDate(PlannerCalendar1->yearShown(), PlannerCalendar1->monthShown(), 1))
        .applyTo(month);
    month.open();
    PlannerCalendar1->clearMarks();
    const int column = month.fieldIndex(due ? u"DueDateTime"_s : u"AlarmDateTime"_s);
    for (int row = 0; row < month.recordCount(); ++row) {
        const QVariant value = month.valueAt(row, column);
        if (!value.isNull())
            PlannerCalendar1->markDay(DateTime(value.toDouble()).date());
    }
    PlannerCalendar1->update();
    m_state.LastView = u"Calendar"_s;
}

void ViewPanel::TaskSearch1Click()
{
    const QString text = m_searchBox ? m_searchBox->text().trimmed() : QString();
    runView(taskSearch(viewState(), text), u"Search "_s + text);
}

void ViewPanel::clearSearch()
{
    if (m_searchBox)
        m_searchBox->clear();
    showTab(currentIndex());
}

// ---------------------------------------------------------------- tabs and layouts

QString ViewPanel::layoutFile(int tab) const
{
    return QDir(m_dataFolder).filePath(tabText(tab).remove(u'&') + u".ini"_s);
}

void ViewPanel::LoadGridLayout(const QString &file, bool notifyOrder)
{
    if (!m_grid)
        return;
    GridLayout layout;
    int columns = -1;
    if (GridLayout::read(file, layout, &columns))
        m_grid->applyLayout(layout, columns, notifyOrder);
}

void ViewPanel::SaveGridLayout()
{
    if (m_grid)
        m_grid->exportLayout().write(layoutFile(m_activeTab));
}

void ViewPanel::tabChanged(int index)
{
    // The tab being left keeps the grid's layout; the one entered brings its own.
    if (!m_quiet && m_grid && m_activeTab != index)
        SaveGridLayout();
    m_activeTab = index;
    if (!m_quiet)
        showTab(index);
}

// What a tab shows when it becomes visible. Its layout is applied before its
// view runs, so the view reads the list once, already in the tab's order.
void ViewPanel::showTab(int index)
{
    LoadGridLayout(layoutFile(index), false);
    switch (index) {
    case TabAll:
        FilterAll();
        break;
    case TabPriority:
        sbPrioritiesSearchClick();
        break;
    case TabOccurrence:
        sbOccurrenceSearchClick();
        break;
    case TabCategory:
        sbCategorySearchClick();
        break;
    case TabDate:
        SetDateRangeBounds();
        FilterByDateRange();
        break;
    case TabCalendar:
        MarkCalendarDays();
        FilterByCalendarDay();
        break;
    default:
        break;
    }
}

void ViewPanel::RestoreLastView()
{
    const QString last = m_state.LastView;
    const auto select = [this](int tab) {
        m_quiet = true;
        setCurrentIndex(tab);
        m_activeTab = tab;
        m_quiet = false;
    };
    if (last.contains(u"Search"_s)) {
        // The searched text comes back, the result does not: the All view
        // runs, and the last view stays the search until another view runs.
        select(TabAll);
        if (m_searchBox)
            m_searchBox->setText(last.mid(7));
        showTab(TabAll);
        m_state.LastView = last;
        return;
    }
    const QStringList names = {u"All"_s, u"Priority"_s, u"Occurrence"_s, u"Category"_s, u"Date"_s, u"Calendar"_s};
    const qsizetype tab = names.indexOf(last);
    if (tab >= 0) {
        select(int(tab));
        showTab(int(tab));
        return;
    }
    // Any other text names a period of the Date Range tab; the All view shows.
    {
        const QSignalBlocker block(cbViewTasks);
        cbViewTasks->setCurrentIndex(int(dateRangePeriods().indexOf(last)));
    }
    storeState();
    SetDateRangeBounds();
    select(TabAll);
    showTab(TabAll);
}
