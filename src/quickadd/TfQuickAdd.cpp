#include "quickadd/TfQuickAdd.h"

#include "editor/OccurrenceRules.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsKeys.h"

#include <QCursor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextBlock>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TfQuickAdd::TfQuickAdd(Host host, QWidget *parent) : QDialog(parent), m_host(std::move(host))
{
    setObjectName(u"fQuickAdd"_s);
    setWindowTitle(tr("Quick Add"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);

    auto *layout = new QVBoxLayout(this);
    eLine = new QPlainTextEdit(this);
    eLine->setObjectName(u"eLine"_s);
    eLine->setLineWrapMode(QPlainTextEdit::NoWrap);
    eLine->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    eLine->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    eLine->setTabChangesFocus(true);
    eLine->setPlaceholderText(tr("Dentist tomorrow 3pm #health !2"));
    const QFontMetrics metrics(eLine->font());
    eLine->setFixedHeight(metrics.lineSpacing() + 2 * int(eLine->document()->documentMargin()) + 2 * eLine->frameWidth());
    eLine->setMinimumWidth(metrics.averageCharWidth() * 60);
    eLine->setToolTip(tr("A task in plain words: a day, a time, a repeat, \"remind me 10 minutes before\", "
                         "!1 to !10 for the priority and #category"));
    eLine->installEventFilter(this);
    layout->addWidget(eLine);

    lPreview = new QLabel(this);
    lPreview->setObjectName(u"lPreview"_s);
    lPreview->setWordWrap(true);
    layout->addWidget(lPreview);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    bbMore = new QPushButton(tr("More…"), this);
    bbMore->setObjectName(u"bbMore"_s);
    bbMore->setToolTip(tr("Open the full task window with what was understood (Ctrl+E)"));
    bbMore->setAutoDefault(false);
    bbAdd = new QPushButton(tr("Add"), this);
    bbAdd->setObjectName(u"bbAdd"_s);
    bbAdd->setAutoDefault(false);
    buttons->addWidget(bbMore);
    buttons->addWidget(bbAdd);
    layout->addLayout(buttons);

    auto *more = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), this);
    connect(more, &QShortcut::activated, this, &TfQuickAdd::moreClick);
    connect(bbMore, &QPushButton::clicked, this, &TfQuickAdd::moreClick);
    connect(bbAdd, &QPushButton::clicked, this, &TfQuickAdd::saveLine);
    connect(eLine, &QPlainTextEdit::textChanged, this, &TfQuickAdd::lineChanged);
    lineChanged();
}

QString TfQuickAdd::line() const
{
    return eLine->toPlainText();
}

void TfQuickAdd::setLine(const QString &text)
{
    eLine->setPlainText(text);
    eLine->moveCursor(QTextCursor::End);
}

QString TfQuickAdd::preview() const
{
    return lPreview->text();
}

quickadd::Result TfQuickAdd::current() const
{
    return quickadd::parse(line(), m_host.makeContext());
}

void TfQuickAdd::lineChanged()
{
    // One line: a pasted line break becomes a blank.
    if (line().contains(u'\n')) {
        const QSignalBlocker block(eLine);
        const int position = eLine->textCursor().position();
        eLine->setPlainText(QString(line()).replace(u'\n', u' '));
        QTextCursor cursor = eLine->textCursor();
        cursor.setPosition(std::min<int>(position, int(line().size())));
        eLine->setTextCursor(cursor);
    }
    const quickadd::Context context = m_host.makeContext();
    const quickadd::Result result = quickadd::parse(line(), context);
    lPreview->setText(line().trimmed().isEmpty() ? tr("Type a task, for example: Dentist tomorrow 3pm")
                                                 : quickadd::describe(result, context));

    // The understood words, marked where they stand.
    QList<QTextEdit::ExtraSelection> marks;
    QTextCharFormat format;
    format.setBackground(palette().color(QPalette::Highlight).lighter(170));
    format.setForeground(palette().color(QPalette::Text));
    format.setFontUnderline(true);
    for (const quickadd::Span &span : result.understood) {
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(eLine->document());
        mark.cursor.setPosition(span.start);
        mark.cursor.setPosition(span.start + span.length, QTextCursor::KeepAnchor);
        mark.format = format;
        marks << mark;
    }
    eLine->setExtraSelections(marks);
    bbAdd->setEnabled(!result.empty());
    bbMore->setEnabled(!line().trimmed().isEmpty());
}

void TfQuickAdd::saveLine()
{
    const quickadd::Result result = current();
    if (result.empty())
        return;
    if (m_host.save && m_host.save(result.values))
        accept();
}

void TfQuickAdd::moreClick()
{
    if (line().trimmed().isEmpty())
        return;
    const TaskValues values = current().values;
    accept();
    if (m_host.more)
        m_host.more(values);
}

bool TfQuickAdd::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == eLine && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            saveLine();
            return true;
        }
        // Ctrl+E from the line itself, whether or not the window system has
        // made the box the active window yet.
        if (key->key() == Qt::Key_E && key->modifiers() == Qt::ControlModifier) {
            moreClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfQuickAdd::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    adjustSize();
    const QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        move(screen->availableGeometry().center() - rect().center());
    raise();
    activateWindow();
    eLine->setFocus();
}

quickadd::Context quickAddContext(const QString &settingsFile, const Clock &clock, const FormatSettings &formats,
                                  const QStringList &categories)
{
    const ProfileFile settings(settingsFile);
    quickadd::Context c;
    c.clock = &clock;
    c.defaults.category = readText(settings, Setting::DefaultCategory).trimmed().left(MaxCategoryLength);
    bool ok = false;
    const int priority = readText(settings, Setting::DefaultPriority).trimmed().toInt(&ok);
    c.defaults.priority = ok && priority >= 1 && priority <= 10 ? priority : 10;
    c.defaults.occurrence = occurrenceChoices().at(readItemIndex(settings, Setting::DefaultOccurrence));
    c.defaults.frequency = occurrence::workingFrequency(readInteger(settings, Setting::DefaultFrequency));
    c.defaults.validHours = occurrence::workingValidHours(readText(settings, Setting::DefaultValidHours));
    c.defaults.validDays = occurrence::workingValidDays(readText(settings, Setting::DefaultValidDays));
    c.defaults.snoozeTime = snoozeMinutes(readItemIndex(settings, Setting::DefaultSnoozeTime));
    c.formats = formats;
    c.dayBeforeMonth = quickadd::dayBeforeMonth(formats, QLocale());
    c.categories = categories;
    c.datesOnlyAfterTrigger = readBool(settings, Setting::QuickAddDatesAfterAt);
    return c;
}
