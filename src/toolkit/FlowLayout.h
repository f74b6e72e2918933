#pragma once

#include <QLayout>
#include <QList>

// Lays its items out in a row and, where the width does not hold them all,
// carries on in a second row (and more) instead of squeezing them over one
// another; at twice the scale on a small screen a button bar stays whole.
// The last item may keep to the right edge, as after a stretch.
class FlowLayout : public QLayout
{
public:
    explicit FlowLayout(QWidget *parent = nullptr);
    ~FlowLayout() override;

    // The last item stands at the right end of its row.
    void setLastItemRight(bool right);

    void addItem(QLayoutItem *item) override;
    int count() const override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect &rect) override;

private:
    // Places the items in the rectangle (or only measures, when `place` is
    // false) and returns the height they take.
    int arrange(const QRect &rect, bool place) const;
    int gap() const;

    QList<QLayoutItem *> m_items;
    bool m_lastRight = false;
};
