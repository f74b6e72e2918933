// The task editor's frame: opening and filling it for its mode, the checks
// made while the user types, and what happens when it shows and closes.

#include "editor/TfTaskEdit.h"
#include "ui_TfTaskEdit.h"

#include "alarm/OccurrenceKind.h"
#include "core/AppState.h"
#include "core/Clock.h"
#include "core/DatePattern.h"
#include "core/Error.h"
#include "editor/OccurrenceRules.h"
#include "editor/TaskAge.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsKeys.h"
#include "store/AnchorDays.h"
#include "store/DataModule.h"
#include "toolkit/ErrorReport.h"
#include "toolkit/Prompter.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QStatusBar>
#include <QTextCursor>

using namespace Qt::StringLiterals;

namespace {
// The Qt display format of a date pattern of the program's pattern language,
// so the date pickers show dates as the rest of the program does. Patterns
// the pickers cannot show fall back to an unambiguous one.
QString pickerDateFormat(const FormatSettings &formats)
{
    using namespace datepattern;
    QString out;
    for (const Token &t : *cachedTokens(formats.shortDateFormat)) {
        switch (t.kind) {
        case Kind::Text: out += u"'"_s + QString(t.text).replace(u"'"_s, u"''"_s) + u"'"_s; break;
        case Kind::Day: out += t.width == 1 ? u"d"_s : u"dd"_s; break;
        case Kind::DayName: out += t.width == 1 ? u"ddd"_s : u"dddd"_s; break;
        case Kind::Month: out += t.width == 1 ? u"M"_s : u"MM"_s; break;
        case Kind::MonthName: out += t.width == 1 ? u"MMM"_s : u"MMMM"_s; break;
        case Kind::Year: out += t.width == 2 ? u"yy"_s : u"yyyy"_s; break;
        case Kind::DateSeparator: out += u"'"_s + formats.dateSeparator + u"'"_s; break;
        default: return u"yyyy-MM-dd"_s;
        }
    }
    return out.contains(u"yy"_s) ? out : u"yyyy-MM-dd"_s;
}

const char *captionOf(TaskEditorMode mode)
{
    switch (mode) {
    case TaskEditorMode::Add: return "Task Add";
    case TaskEditorMode::Edit: return "Task Edit";
    case TaskEditorMode::Prompt: return "Nudgewick";
    case TaskEditorMode::Duplicate: return "Task Duplicate";
    }
    return "";
}
}

TfTaskEdit::TfTaskEdit(const TaskEditorHost &host, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TfTaskEdit>()), m_host(host)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    // Status bar: creation date, age, completion date.
    sbTaskEdit = new QStatusBar(this);
    sbTaskEdit->setObjectName(u"sbTaskEdit"_s);
    sbTaskEdit->setSizeGripEnabled(false);
    const int widths[] = {250, 100, 50};
    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new QLabel(sbTaskEdit);
        m_panels[i]->setObjectName(u"sbTaskEditPanel%1"_s.arg(i));
        m_panels[i]->setMinimumWidth(widths[i]);
        sbTaskEdit->addWidget(m_panels[i], i == 2 ? 1 : 0);
    }
    ui->layoutMain->addWidget(sbTaskEdit);

    ui->cbOccurrence->addItems(occurrenceWords());
    ui->cbSnoozeTime->setCurrentText(u"5"_s);
    const QString dateFormat = pickerDateFormat(m_host.state.Formats);
    ui->dtpDueDate->setDisplayFormat(dateFormat);
    ui->dtpAlarmDate->setDisplayFormat(dateFormat);
    ui->mTask->setFixedHeight(ui->mTask->fontMetrics().lineSpacing() * 4 + 12);
    ui->mTask->setMinimumWidth(ui->mTask->fontMetrics().averageCharWidth() * 60);
    ui->sbOccurrenceSettings->setVisible(false);
    ui->sbOccurrenceSettings->setAccessibleName(u"Occurrence Settings"_s);
    ui->sbSnoozeDropDown->setAccessibleName(u"Snooze by"_s);

    pmSnooze = createSnoozeMenu(this, [this](SnoozeUnit unit, int n) { guard([=, this] { snoozeBy(unit, n); }); });

    // Ctrl+S saves without closing, as the hint of "Save Task" says.
    Save1 = new QAction(u"Save"_s, this);
    Save1->setObjectName(u"Save1"_s);
    Save1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    Save1->setShortcutContext(Qt::WindowShortcut);
    addAction(Save1);

    // The pages switch with Ctrl+Tab and Ctrl+PgDn (and back with Shift or
    // PgUp) wherever the focus is, also in the time fields that would
    // otherwise step by those keys.
    const auto pageKey = [this](QKeyCombination key, int step) {
        auto *shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, step] {
            const int count = ui->pcTaskEdit->count();
            int page = ui->pcTaskEdit->currentIndex();
            for (int i = 0; i < count; ++i) {
                page = (page + step + count) % count;
                if (ui->pcTaskEdit->isTabEnabled(page))
                    break;
            }
            ui->pcTaskEdit->setCurrentIndex(page);
        });
    };
    pageKey(Qt::CTRL | Qt::Key_Tab, 1);
    pageKey(Qt::CTRL | Qt::Key_PageDown, 1);
    pageKey(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, -1);
    pageKey(Qt::CTRL | Qt::Key_Backtab, -1);
    pageKey(Qt::CTRL | Qt::Key_PageUp, -1);

    applyLook();
    connectHandlers();
}

TfTaskEdit::~TfTaskEdit()
{
    FormClose();
}

void TfTaskEdit::guard(const std::function<void()> &handler)
{
    guarded(m_host.prompter, handler);
}

void TfTaskEdit::applyLook()
{
    // Coloured captions only where they stay readable: on a dark palette the
    // OK and Cancel buttons keep the palette's text colour, and the flat
    // buttons take its link colour. Disabled buttons keep their grey.
    const bool light = palette().color(QPalette::Window).lightness() > 128;
    const auto colour = [](QWidget *w, const QColor &c) {
        QPalette p = w->palette();
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            p.setColor(group, QPalette::ButtonText, c);
            p.setColor(group, QPalette::WindowText, c);
        }
        w->setPalette(p);
    };
    for (QPushButton *b : {ui->bbOK, ui->bbCancel}) {
        QFont f = b->font();
        f.setBold(true);
        b->setFont(f);
    }
    if (light) {
        colour(ui->bbOK, QColor(0x00, 0x00, 0x80));
        colour(ui->bbCancel, QColor(0x80, 0x00, 0x00));
    }
    const QColor link = light ? QColor(0x00, 0x00, 0xFF) : palette().color(QPalette::Link);
    for (QWidget *b : {static_cast<QWidget *>(ui->sbPrint0), static_cast<QWidget *>(ui->sbDelete0),
                       static_cast<QWidget *>(ui->sbSave), static_cast<QWidget *>(ui->sbSnooze)})
        colour(b, link);
}

void TfTaskEdit::connectHandlers()
{
    const auto on = [this](auto *sender, auto signal, void (TfTaskEdit::*handler)()) {
        connect(sender, signal, this, [this, handler] { guard([this, handler] { (this->*handler)(); }); });
    };
    on(ui->mTask, &QPlainTextEdit::textChanged, &TfTaskEdit::mTaskChange);
    on(ui->mNotes, &QPlainTextEdit::textChanged, &TfTaskEdit::mNotesChange);
    on(ui->cbCategory, &QComboBox::editTextChanged, &TfTaskEdit::ValidateTaskInput);
    on(ui->sePriority, &QSpinBox::valueChanged, &TfTaskEdit::ValidateTaskInput);
    on(ui->cbOccurrence, &QComboBox::currentIndexChanged, &TfTaskEdit::cbOccurrenceChange);
    on(ui->sbOccurrenceSettings, &QToolButton::clicked, &TfTaskEdit::sbOccurrenceSettingsClick);
    on(ui->sbApplyOccurrence, &QToolButton::clicked, &TfTaskEdit::sbApplyOccurrenceClick);
    on(ui->dtpDueDate, &QDateEdit::dateChanged, &TfTaskEdit::dueChangedByUser);
    on(ui->meDueTime, &QTimeEdit::timeChanged, &TfTaskEdit::dueChangedByUser);
    on(ui->dtpAlarmDate, &QDateEdit::dateChanged, &TfTaskEdit::showOccurrenceRule);
    on(ui->meAlarmTime, &QTimeEdit::timeChanged, &TfTaskEdit::showOccurrenceRule);
    on(ui->sbSnooze, &QToolButton::clicked, &TfTaskEdit::sbSnoozeClick);
    on(ui->cbCompleted, &QCheckBox::toggled, &TfTaskEdit::cbCompletedClick);
    on(ui->sePercentageComplete, &QSpinBox::valueChanged, &TfTaskEdit::sePercentageCompleteChange);
    on(ui->cbAutoSnooze, &QCheckBox::toggled, &TfTaskEdit::cbAutoSnoozeClick);
    on(ui->sbDelete0, &QToolButton::clicked, &TfTaskEdit::sbDelete0Click);
    on(ui->sbTaskDateInsert, &QToolButton::clicked, &TfTaskEdit::sbTaskDateInsertClick);
    on(ui->sbNotesDateInsert, &QToolButton::clicked, &TfTaskEdit::sbNotesDateInsertClick);
    on(ui->sbDateTaskDescription, &QToolButton::clicked, &TfTaskEdit::sbDateTaskDescriptionClick);
    on(ui->bbOK, &QPushButton::clicked, &TfTaskEdit::bbOKClick);
    // Cancel says what it does: it closes without a question.
    connect(ui->bbCancel, &QPushButton::clicked, this, [this] { QDialog::reject(); });
    connect(ui->sbSave, &QToolButton::clicked, this, [this] { guard([this] { sbSaveClick(); }); });
    connect(Save1, &QAction::triggered, this, [this] {
        guard([this] {
            // The same save as "Save Task", offered where that button is.
            if (m_mode != TaskEditorMode::Add)
                sbSaveClick();
        });
    });
    connect(ui->sbPrint0, &QToolButton::clicked, this, [this] {
        guard([this] { emit printTaskRequested(m_savedCopyId ? m_savedCopyId : m_editedTaskId); });
    });
    connect(ui->sbSnoozeDropDown, &QToolButton::clicked, this, [this] {
        pmSnooze->popup(ui->sbSnoozeDropDown->mapToGlobal(QPoint(0, ui->sbSnoozeDropDown->height())));
    });
    connect(ui->pcTaskEdit, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 0 && ui->mTask->isVisible())
            ui->mTask->setFocus();
    });
}

// Opening ---------------------------------------------------------------------

void TfTaskEdit::open(const TaskEditorHost &host, TaskEditorMode mode, QWidget *parent,
                      const std::function<void(TfTaskEdit *)> &prepared)
{
    // An editor of an existing task is a window of its own, with its own
    // taskbar entry, so a prompt can be found while the main window hides.
    auto editor = std::make_unique<TfTaskEdit>(host, mode == TaskEditorMode::Add ? parent : nullptr);
    // A prompt may open an editor on top of another; the one below becomes
    // the current editor again when the upper one closes.
    editor->m_previousEditor = host.state.CurrentTaskEditor;
    host.state.CurrentTaskEditor = editor.get();

    if (mode == TaskEditorMode::Add) {
        editor->fillNew();
    } else if (mode == TaskEditorMode::Prompt) {
        Query &prompt = host.dm.qPrompt;
        prompt.close();
        prompt.setParam(u"ID"_s, host.state.PromptedTaskID);
        prompt.open();
        if (!editor->fillFrom(prompt, mode))
            return; // the editor's release restores the current editor
    } else if (!editor->fillFrom(host.dm.qTasks, mode)) {
        return;
    }

    if (prepared)
        prepared(editor.get());
    editor->exec();
    if (mode == TaskEditorMode::Prompt)
        host.dm.qPrompt.close();
    host.state.requestScan();
}

void TfTaskEdit::fillCategories()
{
    ui->cbCategory->clear();
    if (m_host.categoryCaptions)
        ui->cbCategory->addItems(m_host.categoryCaptions());
    if (ui->cbCategory->count() > 0)
        ui->cbCategory->setCurrentIndex(0);
}

void TfTaskEdit::fillNew()
{
    m_mode = TaskEditorMode::Add;
    setWindowTitle(QString::fromLatin1(captionOf(m_mode)));
    fillCategories();
    ui->mTask->clear();

    const ProfileFile settings(m_host.settingsFile);
    ui->cbCategory->setEditText(readText(settings, Setting::DefaultCategory));
    bool ok = false;
    const int priority = readText(settings, Setting::DefaultPriority).trimmed().toInt(&ok);
    ui->sePriority->setValue(ok ? priority : 10);
    ui->cbOccurrence->setCurrentIndex(readItemIndex(settings, Setting::DefaultOccurrence));
    m_working.frequency = occurrence::workingFrequency(readInteger(settings, Setting::DefaultFrequency));
    m_working.validHours = occurrence::workingValidHours(readText(settings, Setting::DefaultValidHours));
    // Days set in the settings are used as set; without them the kind's
    // default days are.
    const QString days = readText(settings, Setting::DefaultValidDays, QString());
    m_daysChosen = days.trimmed().size() >= 7;
    m_working.validDays = occurrence::workingValidDays(days);
    cbOccurrenceChange();

    const DateTime now = m_host.clock.now();
    std::optional<QDate> day = m_host.calendarDate ? m_host.calendarDate() : std::nullopt;
    const DateTime start = DateTime::fromDateAndTime(day ? *day : now.date(), now.time());
    setDue(start);
    setAlarm(start);

    ui->cbCompleted->setChecked(false);
    ui->mNotes->clear();
    ui->cbSnoozeTime->setCurrentIndex(readItemIndex(settings, Setting::DefaultSnoozeTime));
}

void TfTaskEdit::fillValues(const TaskValues &v)
{
    ui->mTask->setPlainText(v.task);
    ui->cbCategory->setEditText(v.category);
    ui->sePriority->setValue(v.priority);
    ui->cbOccurrence->setCurrentIndex(std::max<int>(0, int(occurrenceWords().indexOf(v.occurrence))));
    m_working.frequency = occurrence::workingFrequency(v.frequency);
    m_working.validHours = occurrence::workingValidHours(v.validHours);
    m_working.validDays = occurrence::workingValidDays(v.validDays);
    m_daysChosen = true;
    setDue(v.due);
    setAlarm(v.alarm);
    if (v.snoozeTime >= 0)
        ui->cbSnoozeTime->setCurrentText(QString::number(v.snoozeTime));
}

bool TfTaskEdit::fillFrom(const Query &source, TaskEditorMode mode)
{
    m_mode = mode;
    setWindowTitle(QString::fromLatin1(captionOf(mode)));
    if (!source.isOpen() || source.recNo() < 0 || source.eof())
        return false;
    const auto field = [&source](const char *name) { return source.fieldByName(QString::fromLatin1(name)); };
    m_editedTaskId = int(field("ID").asInteger());

    const FormatSettings &formats = m_host.state.Formats;
    const DateTime created = field("TaskCreated").asDateTime();
    m_panels[0]->setText(u"Task created on "_s + dateTimeText(created, formats));
    m_panels[1]->setText(taskAgeText(created, m_host.clock.now()));

    ui->mTask->setPlainText(fromStoredText(field("Task").asString()));
    fillCategories();
    ui->cbCategory->setEditText(field("Category").asString());
    ui->sePriority->setValue(int(field("Priority").asInteger()));
    {
        // Selecting the item runs the occurrence handler below, once.
        const QSignalBlocker block(ui->cbOccurrence);
        ui->cbOccurrence->setCurrentIndex(ui->cbOccurrence->findText(field("Occurrence").asString()));
    }
    cbOccurrenceChange();

    m_working.frequency = occurrence::workingFrequency(int(field("Frequency").asInteger()));
    m_working.validHours = occurrence::workingValidHours(field("ValidHours").asString());
    m_working.validDays = occurrence::workingValidDays(field("ValidDays").asString());
    m_daysChosen = true;
    m_storedAnchorDay = anchordays::read(m_host.dm.ADOConnection, m_editedTaskId);

    setDue(field("DueDateTime").asDateTime());
    setAlarm(field("AlarmDateTime").asDateTime());

    ui->cbCompleted->setChecked(field("Completed").asBoolean());
    ui->sePercentageComplete->setValue(int(field("PercentageComplete").asInteger()));
    if (!field("CompletedDate").isNull())
        setCompletedPanel(completedPanelText(field("CompletedDate").asDateTime(), formats));
    ui->mNotes->setPlainText(fromStoredText(field("Notes").asString()));
    if (!field("SnoozeTime").isNull())
        ui->cbSnoozeTime->setCurrentText(field("SnoozeTime").asString());
    ui->cbAutoSnooze->setChecked(field("AutoSnooze").asBoolean());
    cbAutoSnoozeClick();
    ui->seRepeatAutoSnooze->setValue(int(field("RepeatAutoSnooze").asInteger()));
    const QVariant action = field("AutoSnoozeAction").value();
    setAutoSnoozeAction(action.isNull() ? std::nullopt : std::optional<int>(int(field("AutoSnoozeAction").asInteger())));
    m_timesLoaded = TaskTimes::fromRow(source);
    m_timesShown = shownTimes();
    return true;
}

// The completion, due and alarm as the controls show them; the completion
// date is not looked at (the user changes it only through the other two).
TaskTimes TfTaskEdit::shownTimes() const
{
    return {ui->cbCompleted->isChecked(), ui->sePercentageComplete->value(), std::nullopt, due(), alarm()};
}

// Shows the completion, due and alarm of the values, as loading them would.
void TfTaskEdit::showTimes(const TaskValues &values)
{
    {
        const QSignalBlocker blockCompleted(ui->cbCompleted), blockPercentage(ui->sePercentageComplete);
        ui->cbCompleted->setChecked(values.completed);
        ui->sePercentageComplete->setValue(values.percentageComplete);
    }
    setCompletedPanel(values.completedDate ? completedPanelText(*values.completedDate, m_host.state.Formats)
                                           : QString());
    setDue(values.due);
    setAlarm(values.alarm);
}

QString TfTaskEdit::statusText(int panel) const
{
    return panel >= 0 && panel < 3 ? m_panels[panel]->text() : QString();
}

void TfTaskEdit::setCompletedPanel(const QString &text)
{
    m_panels[2]->setText(text);
}

// Showing and closing -----------------------------------------------------------

void TfTaskEdit::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        guard([this] { FormShow(); });
}

void TfTaskEdit::FormShow()
{
    const bool existing = m_mode != TaskEditorMode::Add;
    if (existing) {
        raise();
        activateWindow();
    }
    ui->pcTaskEdit->setCurrentWidget(ui->tsTasks);
    ui->mTask->setFocus();
    if (existing && !m_windowItem && m_host.addWindowItem)
        m_windowItem = m_host.addWindowItem(this, m_editedTaskId, ui->cbCategory->currentText(),
                                            ui->mTask->toPlainText());
    ui->cbSnoozeTime->setEnabled(ui->tsTaskSettings->isEnabled());
    for (QWidget *w : {static_cast<QWidget *>(ui->sbDelete0), static_cast<QWidget *>(ui->sbPrint0),
                       static_cast<QWidget *>(ui->sbSnooze), static_cast<QWidget *>(ui->sbSnoozeDropDown),
                       static_cast<QWidget *>(ui->sbSave), static_cast<QWidget *>(ui->sbApplyOccurrence)})
        w->setVisible(existing);
    ValidateTaskInput();
    m_shownInput = inputSnapshot();
}

QStringList TfTaskEdit::inputSnapshot() const
{
    QStringList values;
    for (const QWidget *w : findChildren<QWidget *>()) {
        if (const auto *memo = qobject_cast<const QPlainTextEdit *>(w))
            values << memo->toPlainText();
        else if (const auto *combo = qobject_cast<const QComboBox *>(w))
            values << combo->currentText();
        else if (const auto *spin = qobject_cast<const QAbstractSpinBox *>(w))
            values << spin->text();
        else if (const auto *box = qobject_cast<const QAbstractButton *>(w); box && box->isCheckable())
            values << QString::number(box->isChecked());
    }
    const AppState &state = m_host.state;
    values << QString::number(state.WorkingFrequency) << state.WorkingValidHours << state.WorkingValidDays;
    return values;
}

void TfTaskEdit::reject()
{
    if (!m_shownInput.isEmpty() && inputSnapshot() != m_shownInput
        && !m_host.prompter.confirmChoice(tr("Discard your changes to this task?"), tr("Discard"), tr("Keep editing")))
        return;
    QDialog::reject();
}

void TfTaskEdit::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TfTaskEdit::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    if (m_windowItem && m_host.removeWindowItem)
        m_host.removeWindowItem(m_windowItem);
    if (m_host.state.CurrentTaskEditor == this)
        m_host.state.CurrentTaskEditor = m_previousEditor;
}

// Checks while typing -------------------------------------------------------------

void TfTaskEdit::ValidateTaskInput()
{
    ui->bbOK->setEnabled(!ui->cbCategory->currentText().trimmed().isEmpty()
                         && !ui->mTask->toPlainText().trimmed().isEmpty() && ui->cbOccurrence->currentIndex() >= 0);
    ui->sbSnooze->setVisible(m_mode != TaskEditorMode::Add);
    ui->sbSnoozeDropDown->setVisible(m_mode != TaskEditorMode::Add);
}

void TfTaskEdit::mTaskChange()
{
    // The description holds 255 characters, a line break counting as two:
    // what goes beyond is taken back from just before the caret.
    const QString text = ui->mTask->toPlainText();
    int excess = storedLength(text) - MaxTaskLength;
    if (excess > 0) {
        QTextCursor cursor = ui->mTask->textCursor();
        int from = cursor.position();
        while (excess > 0 && from > 0) {
            --from;
            excess -= text.at(from) == QLatin1Char('\n') ? 2 : 1;
        }
        cursor.setPosition(from, QTextCursor::KeepAnchor);
        if (excess > 0) { // the caret was at the start: cut the end instead
            cursor.setPosition(0);
            cursor.setPosition(int(text.size()) - excess, QTextCursor::KeepAnchor);
        }
        const QSignalBlocker block(ui->mTask);
        cursor.removeSelectedText();
    }
    ui->pCount->setText(QString::number(MaxTaskLength - storedLength(ui->mTask->toPlainText()))
                        + u" characters left"_s);
    ValidateTaskInput();
}

void TfTaskEdit::mNotesChange()
{
    const bool existing = m_mode != TaskEditorMode::Add;
    ui->sbSave->setVisible(existing);
    ui->sbSnooze->setVisible(existing);
    ui->sbSnoozeDropDown->setVisible(existing);
}

// Date and description inserts ----------------------------------------------------

void TfTaskEdit::insertDateTime(QPlainTextEdit *memo)
{
    const DateTime now = m_host.clock.now();
    const QString text = dateText(now, m_host.state.Formats) + u" "_s + timeText(now, m_host.state.Formats);
    QGuiApplication::clipboard()->setText(text);
    if (memo->isVisible()) {
        memo->setFocus();
        memo->paste();
    }
}

void TfTaskEdit::sbTaskDateInsertClick()
{
    insertDateTime(ui->mTask);
}

void TfTaskEdit::sbNotesDateInsertClick()
{
    insertDateTime(ui->mNotes);
}

void TfTaskEdit::sbDateTaskDescriptionClick()
{
    ui->mNotes->setPlainText(ui->mNotes->toPlainText() + u" ["_s + ui->mTask->toPlainText() + u"] "_s);
    if (ui->mNotes->isVisible())
        ui->mNotes->setFocus();
    ui->mNotes->moveCursor(QTextCursor::End);
}
