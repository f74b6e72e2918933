// The main window's part of the settings file: what start-up reads and
// applies, and what SaveSettings writes back.

#include "app/TfNudgewick.h"

#include "core/AppState.h"
#include "core/Error.h"
#include "core/Logging.h"
#include "popup/MSNPopUp.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsKeys.h"
#include "update/WebAddresses.h"
#include "store/DataModule.h"
#include "toolkit/Prompter.h"
#include "views/ViewPanel.h"
#include "toolkit/ScreenFit.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
// The flags of [Settings], in the order the file holds them. Start-up reads
// all but "Windows Startup", which the autostart entry decides.
struct SettingFlag
{
    Setting id;
    bool AppState::*member;
};
constexpr SettingFlag Flags[] = {
    {Setting::WindowsStartup, &AppState::WindowsStartup},
    {Setting::ExitDialog, &AppState::ExitDialog},
    {Setting::LongDateView, &AppState::LongDateFormat},
    {Setting::EscMinimize, &AppState::EscMinimize},
    {Setting::MinimizeToTray, &AppState::MinimizeToTray},
    {Setting::AutoUpdate, &AppState::AutoUpdate},
    {Setting::SnoozeConfirm, &AppState::SnoozeConfirm},
    {Setting::MinimizeOnClose, &AppState::MinimizeOnClose},
    {Setting::TrayHintShown, &AppState::TrayHintShown},
};

// The sub-filter boxes of the view panel, in the order the file holds them.
struct SubFilter
{
    Setting id;
    bool ViewPanelState::*member;
};
constexpr SubFilter SubFilters[] = {
    {Setting::PriorityOccurrences, &ViewPanelState::PriorityOccurrences},
    {Setting::PriorityCategories, &ViewPanelState::PriorityCategories},
    {Setting::OccurrencePriorities, &ViewPanelState::OccurrencePriorities},
    {Setting::OccurrenceCategories, &ViewPanelState::OccurrenceCategories},
    {Setting::CategoryPriorities, &ViewPanelState::CategoryPriorities},
    {Setting::CategoryOccurrences, &ViewPanelState::CategoryOccurrences},
    {Setting::DatePriorities, &ViewPanelState::DatePriorities},
    {Setting::DateOccurrences, &ViewPanelState::DateOccurrences},
    {Setting::DateCategories, &ViewPanelState::DateCategories},
    {Setting::DateDueDateTime, &ViewPanelState::DateDueDateTime},
    {Setting::CalendarPriorities, &ViewPanelState::CalendarPriorities},
    {Setting::CalendarOccurrences, &ViewPanelState::CalendarOccurrences},
    {Setting::CalendarCategories, &ViewPanelState::CalendarCategories},
    {Setting::CalendarDueDateTime, &ViewPanelState::CalendarDueDateTime},
};

const QString CompletionTexts[] = {u"All Tasks"_s, u"Outstanding Tasks"_s, u"Completed Tasks"_s};

// The keys of a check-mark section whose value is exactly "Checked".
QStringList checkedCaptions(const ProfileFile &file, QLatin1String section)
{
    QStringList captions;
    for (const auto &[key, value] : file.entries(section))
        if (value == u"Checked"_s)
            captions << key;
    return captions;
}
}

void TfNudgewick::LoadSettings()
{
    const ProfileFile file(settingsFile());

    // [Settings]
    for (const SettingFlag &flag : Flags)
        if (flag.id != Setting::WindowsStartup)
            m_state.*flag.member = readBool(file, flag.id);
    aLongDateFormat->setChecked(m_state.LongDateFormat);
    m_state.UpdateCheckPending = m_state.AutoUpdate && !WebAddresses::updateDescriptor().isEmpty();

    // [Main Window Sizes]: only a file that knows the window's top places it.
    if (hasSetting(file, Setting::WindowTop)) {
        setWindowState(windowStateFromName(readText(file, Setting::WindowState)));
        const int top = readInteger(file, Setting::WindowTop);
        const int left = readInteger(file, Setting::WindowLeft);
        const QSize size(readInteger(file, Setting::WindowWidth, width()), readInteger(file, Setting::WindowHeight, height()));
        // A place on a screen since removed, or a size larger than the
        // screen, is brought onto a connected screen.
        const QRect placed = fitOntoScreens(QRect(QPoint(left, top), size), availableScreenAreas());
        move(placed.topLeft());
        resize(placed.size());
    }

    // [Tasks]: the radio buttons are set in turn; the last one on wins.
    ViewPanelState &views = m_state.Views;
    views.CompletionChoice = -1;
    const Setting choices[] = {Setting::ViewAll, Setting::ViewOutstanding, Setting::ViewCompleted};
    for (int i = 0; i < 3; ++i)
        if (readBool(file, choices[i]))
            views.CompletionChoice = i;
    if (views.CompletionChoice >= 0)
        m_state.ViewStateText = CompletionTexts[views.CompletionChoice];
    views.AllPriorities = readBool(file, Setting::AllPriorities);
    views.AllOccurrences = readBool(file, Setting::AllOccurrences);
    views.AllCategories = readBool(file, Setting::AllCategories);
    views.ViewTasks = readText(file, Setting::ViewTasks);
    for (const SubFilter &f : SubFilters)
        views.*f.member = readBool(file, f.id);
    m_state.LastView = readText(file, Setting::LastView);
    if (m_state.LastView.trimmed().isEmpty())
        m_state.LastView = u"All"_s;
    setNotesPanelSizes(readInteger(file, Setting::DescriptionHeight), readInteger(file, Setting::NotesHeight),
                       readInteger(file, Setting::NotesWidth));

    // Check marks of the value lists.
    m_state.CheckedOccurrences = checkedCaptions(file, SettingsSection::Occurrences);
    m_state.CheckedCategories = checkedCaptions(file, SettingsSection::Categories);
    m_state.CheckedPriorities = checkedCaptions(file, SettingsSection::Priorities);

    // [Notify]: the popup, the alarm sound and the two pacing timers.
    MSNPopUp->setGradientColor1(readColour(file, Setting::GradientColor1));
    MSNPopUp->setGradientColor2(readColour(file, Setting::GradientColor2));
    MSNPopUp->setTimeOut(readInteger(file, Setting::TimeOut));
    MSNPopUp->setScrollSpeed(quint8(readInteger(file, Setting::ScrollSpeed)));
    MSNPopUp->setWidth(readInteger(file, Setting::PopupWidth));
    MSNPopUp->setHeight(readInteger(file, Setting::PopupHeight));
    MSNPopUp->setPopupStartY(readInteger(file, Setting::StartPosition));
    m_state.AlarmFile = readText(file, Setting::AlarmFile);
    m_state.UseDesktopNotifications = readBool(file, Setting::DesktopNotifications,
                                               desktopNotificationsByDefault(QGuiApplication::platformName()));
    tDisablePopups->setInterval(minutesToQtTimerInterval(readInteger(file, Setting::DisablePopups)));
    tPopupInterval->setInterval(minutesToQtTimerInterval(readInteger(file, Setting::PopupInterval)));
    m_state.DigestThreshold = qMax(0, readInteger(file, Setting::DigestThreshold));
    m_state.SkipLateMinutes = qMax(0, readInteger(file, Setting::SkipLateMinutes));

    // [Formats] and [Defaults].
    m_state.Formats = readFormatSettings(file, m_state.Formats);
    m_dm.ApplyDateDisplayFormat();
    m_state.AutoCloseOnApply = readBool(file, Setting::ApplyOccurrence);

    // The hotkey file's folder: "Ini Path", unless no Keys.Ini waits there.
    const QString ownFolder = QDir(m_dataFolder).absolutePath() + QDir::separator();
    const QString iniPath = readText(file, Setting::IniPath);
    m_state.KeysIniFolder = iniPath.trimmed().isEmpty() ? ownFolder : iniPath;
    if (!QFileInfo::exists(m_state.KeysIniFolder + u"Keys.Ini"_s))
        m_state.KeysIniFolder = ownFolder;

    qCDebug(lcSettings) << "read" << file.path();
}

void TfNudgewick::SaveSettings(SaveErrors errors)
{
    try {
        ProfileFile file(settingsFile());
        pcSelections->SaveGridLayout();

        // [Settings]
        for (const SettingFlag &flag : Flags)
            writeBool(file, flag.id, m_state.*flag.member);

        // [Main Window Sizes]: the state, and the place and size the window
        // returns to from it.
        const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
        const QPoint topLeft = isMaximized() || isMinimized() ? normal.topLeft() : pos();
        writeText(file, Setting::WindowState, windowStateName(windowState()));
        writeInteger(file, Setting::WindowTop, topLeft.y());
        writeInteger(file, Setting::WindowLeft, topLeft.x());
        writeInteger(file, Setting::WindowHeight, normal.height());
        writeInteger(file, Setting::WindowWidth, normal.width());

        // [Tasks]
        const ViewPanelState &views = m_state.Views;
        writeText(file, Setting::LastView, m_state.LastView);
        writeBool(file, Setting::ViewAll, views.CompletionChoice == 0);
        writeBool(file, Setting::ViewOutstanding, views.CompletionChoice == 1);
        writeBool(file, Setting::ViewCompleted, views.CompletionChoice == 2);
        writeBool(file, Setting::AllPriorities, views.AllPriorities);
        writeBool(file, Setting::AllOccurrences, views.AllOccurrences);
        writeBool(file, Setting::AllCategories, views.AllCategories);
        writeText(file, Setting::ViewTasks, views.ViewTasks);
        for (const SubFilter &f : SubFilters)
            writeBool(file, f.id, views.*f.member);
        const NotesPanelSizes sizes = notesPanelSizes();
        writeInteger(file, Setting::DescriptionHeight, sizes.descriptionHeight);
        writeInteger(file, Setting::NotesHeight, sizes.notesHeight);
        writeInteger(file, Setting::NotesWidth, sizes.width);

        writeCheckMarks(file, SettingsSection::Priorities, m_state.CheckedPriorities);
        writeCheckMarks(file, SettingsSection::Occurrences, m_state.CheckedOccurrences);
        writeCheckMarks(file, SettingsSection::Categories, m_state.CheckedCategories);

        file.save();
        qCDebug(lcSettings) << "saved" << file.path();
    } catch (const Error &e) {
        qCWarning(lcSettings) << "saving the settings failed:" << e.text();
        if (errors == SaveErrors::Ask)
            m_prompter.message(u"There was a problem saving in the SaveSettings procedure!"_s);
    }
}
