// Construction of the view panel's six tabs and the wiring of their handlers.

#include "views/ViewPanel.h"

#include "views/MarkedCalendar.h"

#include "core/Clock.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
QLabel *header(QWidget *parent, const QString &text)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

template <typename W>
W *named(W *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

QToolButton *speedButton(QWidget *parent, const QString &name, const QString &caption, const QString &hint,
                         const QIcon &icon)
{
    auto *button = named(new QToolButton(parent), name);
    button->setText(caption);
    button->setToolTip(hint);
    button->setIcon(icon);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    return button;
}

QVBoxLayout *pageLayout(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    return layout;
}
}

QIcon ViewPanel::standardIcon(int pixmap)
{
    auto found = m_standardIcons.find(pixmap);
    if (found == m_standardIcons.end())
        found = m_standardIcons.insert(pixmap, style()->standardIcon(QStyle::StandardPixmap(pixmap)));
    return *found;
}

void ViewPanel::createTabs()
{
    setTabPosition(QTabWidget::West);
    addTab(createAllTab(), u"All"_s);
    addTab(createListTab(ValueList::Priority), u"Priority"_s);
    addTab(createListTab(ValueList::Occurrence), u"Occurrence"_s);
    addTab(createListTab(ValueList::Category), u"Category"_s);
    addTab(createDateTab(), u"Date Range"_s);
    addTab(createCalendarTab(), u"Calendar"_s);
    const QStringList names = {u"tsAll"_s, u"tsPriority"_s, u"tsOccurrence"_s, u"tsCategory"_s, u"tsDate"_s,
                               u"tsCalendar"_s};
    for (int i = 0; i < count(); ++i)
        widget(i)->setObjectName(names.at(i));
}

QWidget *ViewPanel::createAllTab()
{
    auto *page = new QWidget(this);
    QVBoxLayout *layout = pageLayout(page);
    layout->addWidget(header(page, u"View State"_s));
    const QString hint = u"This will display tasks on the right for the selected view state."_s;
    rbAll = named(new QRadioButton(u"All"_s, page), u"rbAll"_s);
    rbOutstanding = named(new QRadioButton(u"Outstanding"_s, page), u"rbOutstanding"_s);
    rbCompleted = named(new QRadioButton(u"Completed"_s, page), u"rbCompleted"_s);
    rbAll->setChecked(true);
    for (QRadioButton *rb : {rbAll, rbOutstanding, rbCompleted}) {
        rb->setToolTip(hint);
        layout->addWidget(rb);
    }
    layout->addSpacing(8);
    QLabel *applyTo = header(page, u"Apply View State to"_s);
    layout->addWidget(applyTo);
    cbAllPriorities = named(new QCheckBox(u"Priorities"_s, page), u"cbAllPriorities"_s);
    cbAllOccurrences = named(new QCheckBox(u"Occurrences"_s, page), u"cbAllOccurrences"_s);
    cbAllCategories = named(new QCheckBox(u"Categories"_s, page), u"cbAllCategories"_s);
    for (QCheckBox *cb : {cbAllPriorities, cbAllOccurrences, cbAllCategories}) {
        cb->setChecked(true);
        layout->addWidget(cb);
    }
    // What the boxes do is said in their tooltips, so the panel stays as
    // short as its controls.
    const QString explanation =
        u"If you check the Priorities checkbox then only the Priorities for the above selected view state will be "
        "shown in the Priority tab on the left. If it is un-checked then all Priorities will be shown by default. "
        "The same applies to Occurrences & Categories."_s;
    applyTo->setToolTip(explanation);
    for (QCheckBox *cb : {cbAllPriorities, cbAllOccurrences, cbAllCategories})
        cb->setToolTip(explanation);
    layout->addStretch(1);
    return page;
}

QWidget *ViewPanel::createListTab(ValueList list)
{
    auto *page = new QWidget(this);
    QVBoxLayout *layout = pageLayout(page);
    const QString field = valueListField(list);
    const QString plural = list == ValueList::Priority ? u"Priorities"_s
                           : list == ValueList::Occurrence ? u"Occurrences"_s
                                                            : u"Categories"_s;
    layout->addWidget(header(page, u"View by "_s + field));

    // The component names differ a little from list to list.
    const QString select = list == ValueList::Priority ? u"sbPrioritiesSelect"_s
                           : list == ValueList::Occurrence ? u"sbOccurrencesSelect"_s
                                                            : u"sbCategoriesSelect"_s;
    const QString unselect = list == ValueList::Priority ? u"sbPrioritiesUnselect"_s
                             : list == ValueList::Occurrence ? u"sbOccurrencesUnselect"_s
                                                              : u"sbCategoriesUnselect"_s;
    const QString search = list == ValueList::Priority ? u"sbPrioritiesSearch"_s
                           : list == ValueList::Occurrence ? u"sbOccurrenceSearch"_s
                                                            : u"sbCategorySearch"_s;
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    auto *selectButton = speedButton(page, select, u"All"_s, u"Select All"_s,
                                     standardIcon(QStyle::SP_DialogApplyButton));
    auto *unselectButton = speedButton(page, unselect, u"None"_s, u"Unselect All"_s,
                                       standardIcon(QStyle::SP_DialogResetButton));
    auto *searchButton = speedButton(page, search, u"View"_s, u"Search the selected "_s + plural,
                                     standardIcon(QStyle::SP_FileDialogContentsView));
    buttons->addWidget(selectButton);
    buttons->addWidget(unselectButton);
    buttons->addStretch(1);
    buttons->addWidget(searchButton);
    layout->addLayout(buttons);

    layout->addWidget(new QLabel(u"Include only selected:"_s, page));
    QCheckBox *first = nullptr, *second = nullptr;
    auto *tree = new QTreeWidget(page);
    tree->setColumnCount(1);
    tree->setHeaderLabels({field});
    tree->setRootIsDecorated(false);
    tree->setUniformRowHeights(true);
    tree->header()->setStretchLastSection(true);
    tree->viewport()->installEventFilter(this);
    switch (list) {
    case ValueList::Priority:
        first = named(new QCheckBox(u"Occurrences"_s, page), u"cbPriorityOccurrences"_s);
        second = named(new QCheckBox(u"Categories"_s, page), u"cbPriorityCategories"_s);
        cbPriorityOccurrences = first;
        cbPriorityCategories = second;
        lvPriorities = named(tree, u"lvPriorities"_s);
        sbPrioritiesSelect = selectButton;
        sbPrioritiesUnselect = unselectButton;
        sbPrioritiesSearch = searchButton;
        break;
    case ValueList::Occurrence:
        first = named(new QCheckBox(u"Priorities"_s, page), u"cbOccurrencePriorities"_s);
        second = named(new QCheckBox(u"Categories"_s, page), u"cbOccurrenceCategories"_s);
        cbOccurrencePriorities = first;
        cbOccurrenceCategories = second;
        lvOccurrences = named(tree, u"lvOccurrences"_s);
        sbOccurrencesSelect = selectButton;
        sbOccurrencesUnselect = unselectButton;
        sbOccurrenceSearch = searchButton;
        break;
    case ValueList::Category:
        first = named(new QCheckBox(u"Priorities"_s, page), u"cbCategoryPriorities"_s);
        second = named(new QCheckBox(u"Occurrences"_s, page), u"cbCategoryOccurrences"_s);
        cbCategoryPriorities = first;
        cbCategoryOccurrences = second;
        lvCategories = named(tree, u"lvCategories"_s);
        sbCategoriesSelect = selectButton;
        sbCategoriesUnselect = unselectButton;
        sbCategorySearch = searchButton;
        break;
    }
    layout->addWidget(first);
    layout->addWidget(second);
    layout->addWidget(tree, 1);
    return page;
}

QWidget *ViewPanel::createDateTab()
{
    auto *page = new QWidget(this);
    QVBoxLayout *layout = pageLayout(page);
    layout->addWidget(header(page, u"View by Date Range"_s));
    auto *row = new QHBoxLayout;
    cbViewTasks = named(new QComboBox(page), u"cbViewTasks"_s);
    cbViewTasks->addItems(dateRangePeriods());
    cbViewTasks->setMaxVisibleItems(15);
    cbViewTasks->setCurrentIndex(-1);
    sbDateSearch = speedButton(page, u"sbDateSearch"_s, u"View"_s, u"Search the Date Range"_s,
                               standardIcon(QStyle::SP_FileDialogContentsView));
    row->addWidget(cbViewTasks, 1);
    row->addWidget(sbDateSearch);
    layout->addLayout(row);
    rbDateDueDateTime = named(new QRadioButton(u"Due Date && Time"_s, page), u"rbDateDueDateTime"_s);
    rbDateAlarmDateTime = named(new QRadioButton(u"Alarm Date && Time"_s, page), u"rbDateAlarmDateTime"_s);
    rbDateDueDateTime->setChecked(true);
    layout->addWidget(rbDateDueDateTime);
    layout->addWidget(rbDateAlarmDateTime);
    layout->addWidget(new QLabel(u"Include only selected:"_s, page));
    cbDatePriorities = named(new QCheckBox(u"Priorities"_s, page), u"cbDatePriorities"_s);
    cbDateOccurrences = named(new QCheckBox(u"Occurrences"_s, page), u"cbDateOccurrences"_s);
    cbDateCategories = named(new QCheckBox(u"Categories"_s, page), u"cbDateCategories"_s);
    for (QCheckBox *cb : {cbDatePriorities, cbDateOccurrences, cbDateCategories})
        layout->addWidget(cb);
    auto *dates = new QFormLayout;
    dtpDateFrom = named(new QDateEdit(page), u"dtpDateFrom"_s);
    dtpDateTo = named(new QDateEdit(page), u"dtpDateTo"_s);
    for (QDateEdit *edit : {dtpDateFrom, dtpDateTo}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(u"yyyy-MM-dd"_s);
    }
    dates->addRow(u"Date &From:"_s, dtpDateFrom);
    dates->addRow(u"Date &To:"_s, dtpDateTo);
    layout->addLayout(dates);
    layout->addStretch(1);
    return page;
}

QWidget *ViewPanel::createCalendarTab()
{
    auto *page = new QWidget(this);
    QVBoxLayout *layout = pageLayout(page);
    layout->addWidget(header(page, u"View by Calendar"_s));
    rbCalendarDueDateTime = named(new QRadioButton(u"Due Date && Time"_s, page), u"rbCalendarDueDateTime"_s);
    rbCalendarAlarmDateTime = named(new QRadioButton(u"Alarm Date && Time"_s, page), u"rbCalendarAlarmDateTime"_s);
    rbCalendarAlarmDateTime->setChecked(true);
    layout->addWidget(rbCalendarDueDateTime);
    layout->addWidget(rbCalendarAlarmDateTime);
    layout->addWidget(new QLabel(u"Include only selected:"_s, page));
    cbCalendarPriorities = named(new QCheckBox(u"Priorities"_s, page), u"cbCalendarPriorities"_s);
    cbCalendarOccurrences = named(new QCheckBox(u"Occurrences"_s, page), u"cbCalendarOccurrences"_s);
    cbCalendarCategories = named(new QCheckBox(u"Categories"_s, page), u"cbCalendarCategories"_s);
    for (QCheckBox *cb : {cbCalendarPriorities, cbCalendarOccurrences, cbCalendarCategories})
        layout->addWidget(cb);
    PlannerCalendar1 = named(new MarkedCalendar(page), u"PlannerCalendar1"_s);
    PlannerCalendar1->setToolTip(u"Days with tasks are circled"_s);
    layout->addWidget(PlannerCalendar1);
    sbGotoToday = named(new QPushButton(u"&Goto Today"_s, page), u"sbGotoToday"_s);
    layout->addWidget(sbGotoToday);
    layout->addStretch(1);
    return page;
}

void ViewPanel::connectHandlers()
{
    for (QRadioButton *rb : {rbAll, rbOutstanding, rbCompleted})
        connect(rb, &QRadioButton::clicked, this, [this] { handle([this] { viewStateClicked(); }); });
    connect(cbAllPriorities, &QCheckBox::clicked, this, [this] { handle([this] { RefreshPriorityList(); }); });
    connect(cbAllOccurrences, &QCheckBox::clicked, this, [this] { handle([this] { RefreshOccurrenceList(); }); });
    connect(cbAllCategories, &QCheckBox::clicked, this, [this] { handle([this] { RefreshCategoryList(); }); });

    struct ListTab
    {
        ValueList list;
        QToolButton *select, *unselect, *search;
        QCheckBox *first, *second;
    };
    const ListTab tabs[] = {
        {ValueList::Priority, sbPrioritiesSelect, sbPrioritiesUnselect, sbPrioritiesSearch, cbPriorityOccurrences,
         cbPriorityCategories},
        {ValueList::Occurrence, sbOccurrencesSelect, sbOccurrencesUnselect, sbOccurrenceSearch,
         cbOccurrencePriorities, cbOccurrenceCategories},
        {ValueList::Category, sbCategoriesSelect, sbCategoriesUnselect, sbCategorySearch, cbCategoryPriorities,
         cbCategoryOccurrences},
    };
    for (const ListTab &t : tabs) {
        const ValueList list = t.list;
        connect(t.select, &QToolButton::clicked, this, [this, list] { handle([=, this] { setAllChecked(list, true); }); });
        connect(t.unselect, &QToolButton::clicked, this, [this, list] { handle([=, this] { setAllChecked(list, false); }); });
        connect(t.search, &QToolButton::clicked, this, [this, list] { handle([=, this] { runListView(list); }); });
        for (QCheckBox *cb : {t.first, t.second})
            connect(cb, &QCheckBox::clicked, this, [this, list] { handle([=, this] { runListView(list); }); });
        // A check mark changed with the mouse or the space bar runs the view.
        connect(listView(list), &QTreeWidget::itemChanged, this, [this, list] {
            syncCheckMarks(list);
            scheduleListView(list);
        });
    }

    connect(cbViewTasks, &QComboBox::currentIndexChanged, this, [this] {
        handle([this] {
            SetDateRangeBounds();
            FilterByDateRange();
        });
    });
    connect(sbDateSearch, &QToolButton::clicked, this, [this] {
        handle([this] {
            SetDateRangeBounds();
            FilterByDateRange();
        });
    });
    for (QAbstractButton *b : std::initializer_list<QAbstractButton *>{rbDateDueDateTime, rbDateAlarmDateTime,
                                                                       cbDatePriorities, cbDateOccurrences,
                                                                       cbDateCategories})
        connect(b, &QAbstractButton::clicked, this, [this] { handle([this] { FilterByDateRange(); }); });
    for (QDateEdit *edit : {dtpDateFrom, dtpDateTo})
        connect(edit, &QDateEdit::dateChanged, this, [this] { handle([this] { FilterByDateRange(); }); });

    for (QAbstractButton *b : std::initializer_list<QAbstractButton *>{rbCalendarDueDateTime, rbCalendarAlarmDateTime,
                                                                       cbCalendarPriorities, cbCalendarOccurrences,
                                                                       cbCalendarCategories})
        connect(b, &QAbstractButton::clicked, this, [this] {
            handle([this] {
                MarkCalendarDays();
                FilterByCalendarDay();
            });
        });
    connect(PlannerCalendar1, &QCalendarWidget::selectionChanged, this, [this] { handle([this] { FilterByCalendarDay(); }); });
    connect(PlannerCalendar1, &QCalendarWidget::currentPageChanged, this, [this] { handle([this] { MarkCalendarDays(); }); });
    connect(sbGotoToday, &QPushButton::clicked, this, [this] {
        handle([this] {
            PlannerCalendar1->setSelectedDate(m_clock.now().date());
            PlannerCalendar1->showSelectedDate();
        });
    });

    connect(this, &QTabWidget::currentChanged, this, [this](int index) { handle([=, this] { tabChanged(index); }); });

    // Every change of a remembered control is kept in the shared state, so
    // the settings written at exit hold it.
    for (QAbstractButton *b : findChildren<QAbstractButton *>())
        if (b->isCheckable())
            connect(b, &QAbstractButton::toggled, this, [this] { storeState(); });
    connect(cbViewTasks, &QComboBox::currentTextChanged, this, [this] { storeState(); });
}
