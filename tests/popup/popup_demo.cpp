// Shows three notifications as the alarm scan would, for a look at them on a
// real desktop. Not a test: run it by hand, optionally with the number of
// seconds after which it quits (default 8).
#include "popup/MSNPopUp.h"

#include <QApplication>
#include <QDebug>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 8;

    TMSNPopUp popUp;
    popUp.applyMainWindowDesign();
    // The settings file's defaults: blue to white, 5 pixels per step.
    popUp.setGradientColor1(QColor(0x00, 0x00, 0xFF));
    popUp.setGradientColor2(QColor(0xFF, 0xFF, 0xFF));
    popUp.setScrollSpeed(5);
    popUp.setTimeOut(qMax(1, seconds - 3));

    const struct
    {
        const char *title;
        const char *text;
    } prompts[] = {
        {"Nudgewick [09:00]", "[Work] Send the quarterly report"},
        {"Nudgewick [09:15]", "[Home] Call the plumber about the leaking kitchen tap"},
        {"Nudgewick [09:30]", "[Health] Take the blue pills"},
        {"Nudgewick [09:45]",
         "[Errands] Pick up the dry cleaning, buy stamps, return the library books before they close at six, "
         "and remember to ask about the parcel that was supposed to arrive on Tuesday but never did, "
         "then fill up the car on the way home"},
    };
    for (const auto &prompt : prompts) {
        popUp.setTitle(QString::fromUtf8(prompt.title));
        popUp.setText(QString::fromUtf8(prompt.text));
        popUp.setUrl(QString::fromUtf8(prompt.title));
        popUp.ShowPopupWindow();
    }
    QObject::connect(&popUp, &TMSNPopUp::OnURLClick, &app,
                     [](QObject *, const QString &url) { qInfo() << "open" << url; });
    QObject::connect(&popUp, &TMSNPopUp::OnTextClick, &app,
                     [](QObject *, const QString &url) { qInfo() << "snooze" << url; });
    qInfo() << "taskbar edge" << int(popUp.GetTaskbarEdge()) << "work area" << popUp.workArea();

    QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
    return app.exec();
}
