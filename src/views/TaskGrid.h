#pragma once

#include "views/GridLayout.h"

#include <QHash>
#include <QTableView>

#include <functional>

class QHeaderView;
class TaskGridModel;

// The task grid: a table over the task list with clickable column titles
// that carry order markers, multi-row selection, a centred completion box,
// and a layout (column order, widths, visibility, order list) that can be
// exported to and applied from layout lines.
//
// Column widths are design pixels scaled with the font; the Task column
// takes the width the view has to spare. Cut text ends in "…" and shows in
// full in a tooltip.
class TaskGrid : public QTableView
{
    Q_OBJECT
public:
    explicit TaskGrid(QWidget *parent = nullptr);

    void setTaskModel(TaskGridModel *model);
    TaskGridModel *taskModel() const { return m_model; }

    // Handlers from the event loop run through this; errors are reported.
    void setGuard(std::function<void(const std::function<void()> &)> guard) { m_guard = std::move(guard); }
    void guard(const std::function<void()> &handler) const;

    // The order list: "Field[ DESC],Field[ DESC],..." in order of precedence.
    QString orderList() const;
    // Replaces the order list; orderChanged follows only when asked and the
    // list differs from the current one.
    void setOrderList(const QString &order, bool notify);

    // A click on a column title: a plain click orders by that column (a
    // second click reverses it); with `add` the column joins the order list
    // (or reverses there).
    void titleClicked(int column, bool add);

    // Columns by field name, in display order, and whether each is shown.
    QStringList visualFields() const;
    bool isFieldVisible(const QString &field) const;
    void setFieldVisible(const QString &field, bool visible);

    GridLayout exportLayout() const;
    // Applies a layout: the columns only when the file's column count equals
    // the grid's, then the order list (which raises orderChanged when it
    // differs), the lines count and the stretch mode.
    void applyLayout(const GridLayout &layout, int columnCount, bool notifyOrder = true);

    // The design widths of the columns, restored (used before any layout).
    void applyDefaultWidths();
    // Widens the date columns when their text no longer fits (long dates).
    void fitDateColumns();

    // Around a requery: painting stops, and afterwards the scroll position
    // comes back (with the current row kept in sight).
    void holdPosition();
    void restorePosition();

    // What an empty grid says instead (what to do to list tasks).
    void setEmptyText(const QString &text);
    QString emptyText() const { return m_emptyText; }

    // Design pixels to screen pixels at the grid's font.
    double designScale() const;

signals:
    void orderChanged();
    void editRequested();
    // Delete and "/" in the grid: delete the current task, go to the search box.
    void deleteRequested();
    void searchRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    int sizeHintForColumn(int column) const override;
    void changeEvent(QEvent *event) override;

private:
    struct OrderItem
    {
        QString field;
        bool descending = false;
    };
    int columnOfField(const QString &field) const;
    void fitTaskColumn();
    void applyPalette();
    void setOrder(const QList<OrderItem> &order, bool notify);
    int minimumWidth(int column) const;

    TaskGridModel *m_model = nullptr;
    QList<OrderItem> m_order;
    QHash<int, int> m_hiddenWidths; // design width of a hidden column
    QHash<int, bool> m_expanded;
    GridLayout m_switches;          // the layout values the grid only keeps
    bool m_fitting = false;
    QString m_emptyText;
    int m_heldScroll = 0;
    std::function<void(const std::function<void()> &)> m_guard;

    friend class OrderHeader;
};
