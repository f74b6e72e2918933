#include "toolkit/FlowLayout.h"

#include <QStyle>
#include <QWidget>

#include <algorithm>

FlowLayout::FlowLayout(QWidget *parent) : QLayout(parent)
{
}

FlowLayout::~FlowLayout()
{
    while (QLayoutItem *item = takeAt(0))
        delete item;
}

void FlowLayout::setLastItemRight(bool right)
{
    m_lastRight = right;
    invalidate();
}

void FlowLayout::addItem(QLayoutItem *item)
{
    m_items.append(item);
}

int FlowLayout::count() const
{
    return int(m_items.size());
}

QLayoutItem *FlowLayout::itemAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items.at(index) : nullptr;
}

QLayoutItem *FlowLayout::takeAt(int index)
{
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

Qt::Orientations FlowLayout::expandingDirections() const
{
    return {};
}

bool FlowLayout::hasHeightForWidth() const
{
    return true;
}

int FlowLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

int FlowLayout::gap() const
{
    if (spacing() >= 0)
        return spacing();
    const QWidget *owner = parentWidget();
    const int style = owner ? owner->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, owner) : -1;
    return style >= 0 ? style : 6;
}

// All in one row.
QSize FlowLayout::sizeHint() const
{
    QSize size;
    for (const QLayoutItem *item : m_items) {
        if (item->isEmpty())
            continue;
        const QSize hint = item->sizeHint();
        size.rwidth() += hint.width() + (size.width() > 0 ? gap() : 0);
        size.setHeight(std::max(size.height(), hint.height()));
    }
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

// One item to a row at the least.
QSize FlowLayout::minimumSize() const
{
    QSize size;
    for (const QLayoutItem *item : m_items)
        if (!item->isEmpty())
            size = size.expandedTo(item->minimumSize());
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

void FlowLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::arrange(const QRect &rect, bool place) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    const int space = gap();
    QList<QLayoutItem *> shown;
    for (QLayoutItem *item : m_items)
        if (!item->isEmpty())
            shown << item;

    // Rows of items, each as wide as its items' hints allow.
    QList<QList<QLayoutItem *>> rows(1);
    int used = 0;
    for (QLayoutItem *item : shown) {
        const int width = item->sizeHint().width();
        if (!rows.last().isEmpty() && used + space + width > area.width()) {
            rows.append(QList<QLayoutItem *>());
            used = 0;
        }
        used += (rows.last().isEmpty() ? 0 : space) + width;
        rows.last() << item;
    }

    int y = area.y();
    for (const QList<QLayoutItem *> &row : rows) {
        if (row.isEmpty())
            continue;
        int height = 0;
        for (const QLayoutItem *item : row)
            height = std::max(height, item->sizeHint().height());
        int x = area.x();
        for (QLayoutItem *item : row) {
            // A row of one item narrower than its hint gives it the width there is.
            const int width = std::min(item->sizeHint().width(), area.width());
            int left = x;
            if (m_lastRight && item == shown.last())
                left = std::max(x, area.right() + 1 - width);
            if (place)
                item->setGeometry(QRect(left, y + (height - item->sizeHint().height()) / 2, width,
                                        item->sizeHint().height()));
            x = left + width + space;
        }
        y += height + space;
    }
    const QMargins m = contentsMargins();
    return y - space - area.y() + m.top() + m.bottom();
}
