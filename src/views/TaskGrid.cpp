#include "views/TaskGrid.h"

#include "views/TaskGridModel.h"

#include "toolkit/FocusFrame.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QToolTip>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {
// The design font's line height: widths in the layout are for that font.
constexpr double DesignLineHeight = 13.0;

int designWidth(const QString &field)
{
    static const QHash<QString, int> widths = {{u"Completed"_s, 46},   {u"TaskCreated"_s, 64}, {u"Category"_s, 64},
                                               {u"Task"_s, 64},        {u"Occurrence"_s, 64},  {u"DueDateTime"_s, 91},
                                               {u"AlarmDateTime"_s, 64}};
    return widths.value(field, 64);
}

bool isDateField(const QString &field)
{
    return field == u"TaskCreated"_s || field == u"DueDateTime"_s || field == u"AlarmDateTime"_s
           || field == u"CompletedDate"_s;
}

// The check box of a cell, centred in it.
QRect checkRect(const QStyleOptionViewItem &option, const QWidget *widget)
{
    const QStyle *style = widget ? widget->style() : QApplication::style();
    const int w = style->pixelMetric(QStyle::PM_IndicatorWidth, &option, widget);
    const int h = style->pixelMetric(QStyle::PM_IndicatorHeight, &option, widget);
    return QStyle::alignedRect(option.direction, Qt::AlignCenter, QSize(w, h), option.rect);
}
}

// Draws check boxes centred in their cells in the palette's colours and
// toggles them by a click on the box or by the space bar.
class CheckDelegate : public QStyledItemDelegate
{
public:
    explicit CheckDelegate(TaskGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        if (!index.data(Qt::CheckStateRole).isValid()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem cell(option);
        initStyleOption(&cell, index);
        const Qt::CheckState state = cell.checkState;
        cell.features &= ~QStyleOptionViewItem::HasCheckIndicator;
        cell.text.clear();
        const QWidget *widget = option.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
        QStyleOptionViewItem box(cell);
        box.rect = checkRect(option, widget);
        box.state = (cell.state & ~QStyle::State_HasFocus) | (state == Qt::Checked ? QStyle::State_On : QStyle::State_Off);
        style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, widget);
    }

    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override
    {
        if (!(index.flags() & Qt::ItemIsUserCheckable) || !index.data(Qt::CheckStateRole).isValid())
            return false;
        bool toggle = false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            return mouse->button() == Qt::LeftButton && checkRect(option, option.widget).contains(mouse->position().toPoint());
        }
        case QEvent::MouseButtonRelease: {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            toggle = mouse->button() == Qt::LeftButton && checkRect(option, option.widget).contains(mouse->position().toPoint());
            break;
        }
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent *>(event)->key();
            toggle = key == Qt::Key_Space || key == Qt::Key_Select;
            break;
        }
        default:
            break;
        }
        if (!toggle)
            return false;
        const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        m_grid->guard([&] { model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole); });
        return true;
    }

private:
    TaskGrid *m_grid;
};

// Column titles with an order marker on every ordered column (and its rank
// when the order has several columns); clicks go to the grid.
class OrderHeader : public QHeaderView
{
public:
    explicit OrderHeader(TaskGrid *grid) : QHeaderView(Qt::Horizontal, grid), m_grid(grid)
    {
        setSectionsClickable(true);
        setSectionsMovable(true);
        setHighlightSections(false);
        setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        setTextElideMode(Qt::ElideRight);
        connect(this, &QHeaderView::sectionClicked, grid, [grid](int logical) {
            grid->guard([&] {
                grid->titleClicked(logical, QGuiApplication::keyboardModifiers().testFlag(Qt::ControlModifier));
            });
        });
    }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logical) const override
    {
        if (!rect.isValid())
            return;
        QStyleOptionHeader opt;
        initStyleOption(&opt);
        opt.rect = rect;
        opt.section = logical;
        opt.textAlignment = defaultAlignment();
        opt.text = model() ? model()->headerData(logical, Qt::Horizontal, Qt::DisplayRole).toString() : QString();
        if (window()->isActiveWindow())
            opt.state |= QStyle::State_Active;
        const int visual = visualIndex(logical);
        const bool first = visual == 0;
        const bool last = visual == count() - 1;
        opt.position = first && last ? QStyleOptionHeader::OnlyOneSection
                       : first       ? QStyleOptionHeader::Beginning
                       : last        ? QStyleOptionHeader::End
                                     : QStyleOptionHeader::Middle;
        const QString field = m_grid->taskModel() ? m_grid->taskModel()->columnFields().value(logical) : QString();
        for (int i = 0; i < m_grid->m_order.size(); ++i) {
            const auto &item = m_grid->m_order.at(i);
            if (item.field.compare(field, Qt::CaseInsensitive) != 0)
                continue;
            // The style draws "down" for an ascending order, as Qt's own header does.
            opt.sortIndicator = item.descending ? QStyleOptionHeader::SortUp : QStyleOptionHeader::SortDown;
            if (m_grid->m_order.size() > 1)
                opt.text += u" "_s + QString::number(i + 1);
        }
        // Leave room for the marker so the title is cut with "…", not under it.
        const int mark = opt.sortIndicator == QStyleOptionHeader::None
                             ? 0
                             : style()->pixelMetric(QStyle::PM_HeaderMarkSize, &opt, this) + 4;
        const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, &opt, this);
        opt.text = fontMetrics().elidedText(opt.text, Qt::ElideRight, rect.width() - 2 * margin - mark - 2);
        painter->save();
        style()->drawControl(QStyle::CE_Header, &opt, painter, this);
        painter->restore();
    }

private:
    TaskGrid *m_grid;
};

TaskGrid::TaskGrid(QWidget *parent) : QTableView(parent)
{
    setHorizontalHeader(new OrderHeader(this));
    setItemDelegate(new CheckDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setCornerButtonEnabled(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setFixedWidth(12);
    horizontalHeader()->setMinimumSectionSize(8);
    FocusFrame::attach(this);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int logical) {
        if (!m_fitting && m_model && m_model->columnFields().value(logical) != u"Task"_s)
            fitTaskColumn();
    });
    applyPalette();
}

void TaskGrid::guard(const std::function<void()> &handler) const
{
    if (m_guard)
        m_guard(handler);
    else
        handler();
}

void TaskGrid::setTaskModel(TaskGridModel *model)
{
    m_model = model;
    setModel(model);
    m_order = {{u"Task"_s, false}};
    applyDefaultWidths();
}

double TaskGrid::designScale() const
{
    return std::max(1.0, fontMetrics().height() / DesignLineHeight);
}

int TaskGrid::columnOfField(const QString &field) const
{
    if (!m_model)
        return -1;
    const QStringList &fields = m_model->columnFields();
    for (int i = 0; i < fields.size(); ++i)
        if (fields.at(i).compare(field, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// A column is at least as wide as its design width and its title, and a
// date column as its date and time.
int TaskGrid::minimumWidth(int column) const
{
    const QString field = m_model->columnFields().value(column);
    // Titles that do not fit end in "…" and show in full as a tooltip.
    int width = int(std::lround(designWidth(field) * designScale()));
    if (isDateField(field)) {
        const DateTime sample = DateTime::fromQDateTime(QDateTime(QDate(2026, 12, 28), QTime(23, 58, 58)));
        width = std::max(width, fontMetrics().horizontalAdvance(m_model->sampleText(column, sample)) + 12);
    }
    return width;
}

void TaskGrid::applyDefaultWidths()
{
    if (!m_model)
        return;
    m_fitting = true;
    for (int column = 0; column < m_model->columnCount(); ++column)
        setColumnWidth(column, minimumWidth(column));
    m_fitting = false;
    fitTaskColumn();
}

void TaskGrid::fitDateColumns()
{
    if (!m_model)
        return;
    m_fitting = true;
    for (int column = 0; column < m_model->columnCount(); ++column)
        if (isDateField(m_model->columnFields().at(column)) && !isColumnHidden(column))
            setColumnWidth(column, std::max(columnWidth(column), minimumWidth(column)));
    m_fitting = false;
    fitTaskColumn();
}

// The Task column takes whatever width the other shown columns leave.
void TaskGrid::fitTaskColumn()
{
    const int task = columnOfField(u"Task"_s);
    if (task < 0 || isColumnHidden(task) || m_fitting)
        return;
    int others = 0;
    for (int column = 0; column < m_model->columnCount(); ++column)
        if (column != task && !isColumnHidden(column))
            others += columnWidth(column);
    const int spare = viewport()->width() - others;
    const int wanted = std::max(int(std::lround(designWidth(u"Task"_s) * designScale() * 2)), spare);
    if (wanted != columnWidth(task)) {
        m_fitting = true;
        setColumnWidth(task, wanted);
        m_fitting = false;
    }
}

void TaskGrid::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    fitTaskColumn();
}

int TaskGrid::sizeHintForColumn(int column) const
{
    // A double click on a title divider fits the column to its text, but
    // never wider than the view.
    return std::min(QTableView::sizeHintForColumn(column), std::max(viewport()->width() - 4, 16));
}

QString TaskGrid::orderList() const
{
    QStringList parts;
    for (const OrderItem &item : m_order)
        parts << (item.descending ? item.field + u" DESC"_s : item.field);
    return parts.join(u',');
}

void TaskGrid::setOrder(const QList<OrderItem> &order, bool notify)
{
    const QString before = orderList();
    m_order = order;
    horizontalHeader()->viewport()->update();
    if (notify && orderList() != before)
        emit orderChanged();
}

void TaskGrid::setOrderList(const QString &order, bool notify)
{
    QList<OrderItem> items;
    for (const QString &part : order.split(u',', Qt::SkipEmptyParts)) {
        const QStringList words = part.simplified().split(u' ');
        if (words.first().isEmpty())
            continue;
        const bool descending = words.size() > 1 && words.last().compare(u"DESC"_s, Qt::CaseInsensitive) == 0;
        items.append({words.first(), descending});
    }
    setOrder(items, notify);
}

void TaskGrid::titleClicked(int column, bool add)
{
    if (!m_model || column < 0 || column >= m_model->columnCount())
        return;
    const QString field = m_model->columnFields().at(column);
    QList<OrderItem> order = m_order;
    qsizetype at = -1;
    for (qsizetype i = 0; i < order.size(); ++i)
        if (order.at(i).field.compare(field, Qt::CaseInsensitive) == 0)
            at = i;
    if (add) {
        if (at >= 0)
            order[at].descending = !order.at(at).descending;
        else
            order.append({field, false});
    } else {
        const bool reverse = at == 0;
        order = {{field, reverse ? !m_order.first().descending : false}};
    }
    setOrder(order, true);
}

QStringList TaskGrid::visualFields() const
{
    QStringList fields;
    if (!m_model)
        return fields;
    for (int visual = 0; visual < horizontalHeader()->count(); ++visual)
        fields << m_model->columnFields().value(horizontalHeader()->logicalIndex(visual));
    return fields;
}

bool TaskGrid::isFieldVisible(const QString &field) const
{
    const int column = columnOfField(field);
    return column >= 0 && !isColumnHidden(column);
}

void TaskGrid::setFieldVisible(const QString &field, bool visible)
{
    const int column = columnOfField(field);
    if (column < 0 || visible == !isColumnHidden(column))
        return;
    if (!visible) {
        m_hiddenWidths.insert(column, int(std::lround(columnWidth(column) / designScale())));
        setColumnHidden(column, true);
    } else {
        setColumnHidden(column, false);
        const int design = m_hiddenWidths.value(column, designWidth(field));
        setColumnWidth(column, std::max(8, int(std::lround(design * designScale()))));
    }
    fitTaskColumn();
}

GridLayout TaskGrid::exportLayout() const
{
    GridLayout layout = m_switches;
    layout.columns.clear();
    const double scale = designScale();
    for (int visual = 0; visual < horizontalHeader()->count(); ++visual) {
        const int column = horizontalHeader()->logicalIndex(visual);
        GridLayout::Column c;
        c.field = m_model->columnFields().value(column);
        c.visible = !isColumnHidden(column);
        c.width = c.visible ? int(std::lround(columnWidth(column) / scale))
                            : m_hiddenWidths.value(column, designWidth(c.field));
        c.expanded = m_expanded.value(column, false);
        layout.columns << c;
    }
    layout.orderFields = orderList();
    return layout;
}

void TaskGrid::applyLayout(const GridLayout &layout, int columnCount, bool notifyOrder)
{
    if (!m_model)
        return;
    if (columnCount == m_model->columnCount()) {
        m_fitting = true;
        const double scale = designScale();
        for (int i = 0; i < layout.columns.size() && i < columnCount; ++i) {
            const GridLayout::Column &c = layout.columns.at(i);
            const int column = columnOfField(c.field);
            if (column < 0)
                continue;
            horizontalHeader()->moveSection(horizontalHeader()->visualIndex(column), i);
            m_expanded.insert(column, c.expanded);
            if (c.visible) {
                setColumnHidden(column, false);
                setColumnWidth(column, std::max(8, int(std::lround(c.width * scale))));
            } else {
                m_hiddenWidths.insert(column, c.width);
                setColumnHidden(column, true);
            }
        }
        m_fitting = false;
        fitTaskColumn();
    }
    m_switches.autoLoad = layout.autoLoad;
    m_switches.autoSave = layout.autoSave;
    m_switches.linesCount = layout.linesCount;
    m_switches.stretchMode = layout.stretchMode;
    verticalHeader()->setDefaultSectionSize(layout.linesCount * fontMetrics().height() + 6);
    setOrderList(layout.orderFields, notifyOrder);
}

void TaskGrid::holdPosition()
{
    setUpdatesEnabled(false);
    m_heldScroll = verticalScrollBar()->value();
}

void TaskGrid::restorePosition()
{
    verticalScrollBar()->setValue(m_heldScroll);
    if (currentIndex().isValid())
        scrollTo(currentIndex(), QAbstractItemView::EnsureVisible);
    setUpdatesEnabled(true);
}

void TaskGrid::setEmptyText(const QString &text)
{
    m_emptyText = text;
    viewport()->update();
}

void TaskGrid::paintEvent(QPaintEvent *event)
{
    QTableView::paintEvent(event);
    QPainter painter(viewport());
    // With the keyboard focus here, the current row is framed in the text
    // colour, so it stands out of a selection of several rows (the grid's
    // own frame shows the focus: FocusFrame).
    const QModelIndex current = currentIndex();
    if (hasFocus() && current.isValid()) {
        const int row = current.row();
        const int width = std::min(viewport()->width(), horizontalHeader()->length() - horizontalHeader()->offset());
        painter.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DotLine));
        painter.drawRect(QRect(0, rowViewportPosition(row), width, rowHeight(row)).adjusted(0, 0, -1, -1));
    }
    if (m_emptyText.isEmpty() || !model() || model()->rowCount() > 0)
        return;
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(viewport()->rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, m_emptyText);
}

void TaskGrid::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event);
    viewport()->update();
}

void TaskGrid::focusOutEvent(QFocusEvent *event)
{
    QTableView::focusOutEvent(event);
    viewport()->update();
}

void TaskGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    // The frame of the current row moves with it.
    viewport()->update();
}

void TaskGrid::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_F2) {
        event->accept();
        emit editRequested();
        return;
    }
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && event->key() == Qt::Key_Delete) {
        event->accept();
        emit deleteRequested();
        return;
    }
    if (event->text() == u"/"_s) {
        event->accept();
        emit searchRequested();
        return;
    }
    // Space ticks or unticks the current task, whichever cell is current.
    if (plain && event->key() == Qt::Key_Space) {
        event->accept();
        const int completed = columnOfField(u"Completed"_s);
        const QModelIndex current = currentIndex();
        if (!current.isValid() || completed < 0)
            return;
        const QModelIndex box = model()->index(current.row(), completed);
        if (!(box.flags() & Qt::ItemIsUserCheckable) || !box.data(Qt::CheckStateRole).isValid())
            return;
        const bool checked = box.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        guard([&] { model()->setData(box, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole); });
        return;
    }
    QTableView::keyPressEvent(event);
}

void TaskGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && event->button() == Qt::LeftButton) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.rect = visualRect(index);
        const bool onCheck = index.data(Qt::CheckStateRole).isValid()
                             && checkRect(option, this).contains(event->position().toPoint());
        if (!onCheck) {
            event->accept();
            emit editRequested();
            return;
        }
    }
    QTableView::mouseDoubleClickEvent(event);
}

bool TaskGrid::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QModelIndex index = indexAt(help->pos());
        const QString text = index.isValid() ? index.data(Qt::DisplayRole).toString() : QString();
        const QRect rect = visualRect(index);
        if (!text.isEmpty() && fontMetrics().horizontalAdvance(text) > rect.width() - 8)
            // Task text is never markup: a tooltip would read "<b>" as bold.
            QToolTip::showText(help->globalPos(), Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap), viewport(),
                               rect);
        else
            QToolTip::hideText();
        return true;
    }
    return QTableView::viewportEvent(event);
}

// The whole-row highlight is sky blue on a light palette; a dark palette
// keeps its own selection colours, which read well on it.
void TaskGrid::applyPalette()
{
    QPalette palette = QApplication::palette(this);
    if (palette.color(QPalette::Base).lightness() > 128) {
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            palette.setColor(group, QPalette::Highlight, QColor(0xA6, 0xCA, 0xF0));
            palette.setColor(group, QPalette::HighlightedText, Qt::black);
        }
    }
    setPalette(palette);
}

void TaskGrid::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::ApplicationPaletteChange)
        applyPalette();
    if (event->type() == QEvent::FontChange)
        verticalHeader()->setDefaultSectionSize(m_switches.linesCount * fontMetrics().height() + 6);
}
