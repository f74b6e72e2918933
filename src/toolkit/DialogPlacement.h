#pragma once

#include <QList>
#include <QObject>
#include <QRect>

class QDialog;

// Where a dialog of the given size goes: centred on the parent window's
// frame when one is given (a null rectangle when the parent is hidden or
// missing), else on the first area (the primary screen's), and then moved,
// and cut where it is larger, wholly inside the area it lands on.
QRect placeDialog(const QSize &size, const QRect &parent, const QList<QRect> &availableAreas);

// Installed on the application, it places every dialog as it is first
// shown: centred on its visible parent window, or on the screen while the
// main window is hidden, and wholly inside the available screen area. A
// dialog whose content is larger than that area shows it in a scroll area
// instead of reaching past the screen's edge.
class DialogPlacement : public QObject
{
    Q_OBJECT
public:
    explicit DialogPlacement(QObject *parent = nullptr);

    // Places one dialog now (once; later calls leave it where the user put it).
    static void place(QDialog *dialog);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
