#pragma once

#include <QIcon>
#include <QProxyStyle>

#include <functional>

// An icon whose images are made when it is first drawn or measured. Qt
// decodes every image file of an icon when the file is added, and a style's
// standard icons are such files: an icon on a page or in a tray that is
// not on screen yet costs nothing at start-up this way. The loader runs
// once, on the thread that draws.
QIcon deferredIcon(std::function<QIcon()> load);

// The application's style with its standard icons deferred as above. A
// standard icon is a set of image files that Qt reads and decodes in full
// when it is asked for, and widgets ask for theirs as they are made (a
// calendar's month arrows, for one), long before anything is drawn.
class DeferredIconStyle : public QProxyStyle
{
public:
    // The base style is a fresh copy of the given style.
    explicit DeferredIconStyle(const QStyle *style);
    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};
