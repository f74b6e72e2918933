#include "toolkit/DialogPlacement.h"

#include "toolkit/ScreenFit.h"

#include <QDialog>
#include <QEvent>
#include <QLayout>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
const char PlacedProperty[] = "nwDialogPlaced";

// The dialog's laid-out content moves into a scroll area that fills it.
void scrollContent(QDialog *dialog)
{
    QLayout *layout = dialog->layout();
    if (!layout)
        return;
    auto *content = new QWidget;
    content->setLayout(layout); // takes the layout and its widgets from the dialog
    auto *scroll = new QScrollArea(dialog);
    scroll->setObjectName(QStringLiteral("DialogScrollArea"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    auto *outer = new QVBoxLayout(dialog);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
}

QRect areaAround(const QRect &target, const QList<QRect> &areas)
{
    for (const QRect &area : areas)
        if (area.contains(target.center()))
            return area;
    return areas.first();
}
} // namespace

QRect placeDialog(const QSize &size, const QRect &parent, const QList<QRect> &availableAreas)
{
    if (availableAreas.isEmpty())
        return QRect(parent.isValid() ? parent.center() - QPoint(size.width() / 2, size.height() / 2) : QPoint(),
                     size);
    const QRect around = parent.isValid() ? parent : availableAreas.first();
    QRect placed(QPoint(), size);
    placed.moveCenter(around.center());
    return fitOntoScreens(placed, {areaAround(around, availableAreas)});
}

DialogPlacement::DialogPlacement(QObject *parent) : QObject(parent) {}

void DialogPlacement::place(QDialog *dialog)
{
    if (dialog->property(PlacedProperty).toBool())
        return;
    dialog->setProperty(PlacedProperty, true);
    const QList<QRect> areas = availableScreenAreas();
    const QWidget *owner = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
    const QRect parent = owner && owner->isVisible() && !owner->isMinimized() ? owner->frameGeometry() : QRect();
    if (!areas.isEmpty()) {
        const QRect area = areaAround(parent.isValid() ? parent : areas.first(), areas);
        const QSize needed = dialog->minimumSizeHint().expandedTo(dialog->minimumSize());
        if (needed.height() > area.height() || needed.width() > area.width()) {
            scrollContent(dialog);
            dialog->setMinimumSize(0, 0);
        }
    }
    // Placed with its frame, where the window system has told us its size,
    // so the title bar stays on screen too.
    const QSize frame = dialog->frameGeometry().size() - dialog->size();
    const QRect placed = placeDialog(dialog->size() + frame, parent, areas);
    dialog->resize(placed.size() - frame);
    dialog->move(placed.topLeft());
}

bool DialogPlacement::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto *dialog = qobject_cast<QDialog *>(watched);
        if (dialog && dialog->isWindow())
            place(dialog);
    }
    return QObject::eventFilter(watched, event);
}
