#include "toolkit/DeferredIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QStyleOption>
#include <QWidget>

#include <memory>
#include <optional>

namespace {
class DeferredIconEngine : public QIconEngine
{
public:
    // Copies of the icon share one loader and its result.
    struct Shared
    {
        std::function<QIcon()> load;
        std::optional<QIcon> icon;
    };

    explicit DeferredIconEngine(std::shared_ptr<Shared> shared) : m_shared(std::move(shared)) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return icon().pixmap(size, scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    QString key() const override { return QStringLiteral("DeferredIconEngine"); }
    QIconEngine *clone() const override { return new DeferredIconEngine(m_shared); }
    // Not null without loading: the icons deferred are ones that exist.
    bool isNull() override { return m_shared->icon && m_shared->icon->isNull(); }

private:
    const QIcon &icon()
    {
        if (!m_shared->icon)
            m_shared->icon = m_shared->load();
        return *m_shared->icon;
    }

    std::shared_ptr<Shared> m_shared;
};
} // namespace

QIcon deferredIcon(std::function<QIcon()> load)
{
    auto shared = std::make_shared<DeferredIconEngine::Shared>();
    shared->load = std::move(load);
    return QIcon(new DeferredIconEngine(std::move(shared)));
}

DeferredIconStyle::DeferredIconStyle(const QStyle *style) : QProxyStyle(style->name()) {}

QIcon DeferredIconStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption *option,
                                      const QWidget *widget) const
{
    // The option's common part (its direction, state and palette) is kept;
    // the styles' standard icons look at nothing more.
    std::optional<QStyleOption> common;
    if (option)
        common = *option;
    return deferredIcon([style = QPointer<const QStyle>(baseStyle()), standardIcon, common,
                         widget = QPointer<const QWidget>(widget)] {
        return style ? style->standardIcon(standardIcon, common ? &*common : nullptr, widget.data()) : QIcon();
    });
}
