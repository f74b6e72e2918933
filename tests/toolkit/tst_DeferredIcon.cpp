// Deferred icons read their images when first drawn, and then draw what the
// icon they stand for draws.

#include "toolkit/DeferredIcon.h"

#include <QApplication>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <QTest>

class TestDeferredIcon : public QObject
{
    Q_OBJECT

    static QImage image(const QIcon &icon, int size) { return icon.pixmap(size, size).toImage(); }

private slots:
    void loadsOnceWhenFirstDrawn()
    {
        int loads = 0;
        QIcon real = QApplication::style()->standardIcon(QStyle::SP_DialogApplyButton);
        // A style icon's first image of a size is not always its later one.
        image(real, 16);
        image(real, 32);
        QIcon icon = deferredIcon([&] {
            ++loads;
            return real;
        });
        const QIcon copy = icon;
        QVERIFY(!icon.isNull());
        QCOMPARE(loads, 0);
        QCOMPARE(image(copy, 16), image(real, 16));
        QCOMPARE(image(icon, 32), image(real, 32));
        QCOMPARE(icon.availableSizes(), real.availableSizes());
        QCOMPARE(loads, 1);
    }

    // The style hands out deferred icons that draw as its base style's do,
    // also those asked for with an option.
    void styleIconsDrawAsTheBaseStyle()
    {
        DeferredIconStyle style(QApplication::style());
        QStyleOption option;
        option.direction = Qt::RightToLeft;
        for (const QStyle::StandardPixmap which : {QStyle::SP_ArrowLeft, QStyle::SP_LineEditClearButton,
                                                   QStyle::SP_FileDialogContentsView}) {
            QCOMPARE(image(style.standardIcon(which), 16),
                     image(QApplication::style()->standardIcon(which), 16));
            QCOMPARE(image(style.standardIcon(which, &option), 16),
                     image(QApplication::style()->standardIcon(which, &option), 16));
        }
    }
};

QTEST_MAIN(TestDeferredIcon)
#include "tst_DeferredIcon.moc"
