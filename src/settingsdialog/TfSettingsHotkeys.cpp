// The "Global Hotkeys" page: two fields that take a key combination from the
// keyboard, and what OK makes of them.

#include "settingsdialog/TfSettings.h"
#include "ui_TfSettings.h"

#include "hotkeys/HotKeyManager.h"
#include "toolkit/Prompter.h"

#include <QKeyEvent>

using namespace Qt::StringLiterals;

namespace {

struct HotkeyField
{
    QLineEdit *field;
    QCheckBox *enabled;
    QLabel *state;
    QString command;
};

TModifiers modifiersOf(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers held = event->modifiers();
    TModifiers modifiers = 0;
    if (held & Qt::ShiftModifier || event->key() == Qt::Key_Shift)
        modifiers |= modShift;
    if (held & Qt::ControlModifier || event->key() == Qt::Key_Control)
        modifiers |= modControl;
    if (held & Qt::AltModifier || event->key() == Qt::Key_Alt)
        modifiers |= modAlt;
    // The Windows keys are the Super keys here; Qt reports them as Meta.
    if (held & Qt::MetaModifier || event->key() == Qt::Key_Meta || event->key() == Qt::Key_Super_L
        || event->key() == Qt::Key_Super_R)
        modifiers |= modWin;
    return modifiers;
}

void setTextColour(QLineEdit *field, Qt::GlobalColor colour)
{
    QPalette palette = field->palette();
    palette.setColor(QPalette::Text, colour);
    field->setPalette(palette);
}

// The fields call the logo key "Super", as Linux desktops do; the key file
// keeps the names it has always stored ("Win").
QString shownCombination(QString stored)
{
    return stored.replace(u"Win + "_s, u"Super + "_s);
}

QString storedCombination(QString shown)
{
    return shown.replace(u"Super + "_s, u"Win + "_s);
}

bool unavailable(const THotKeyItem &item)
{
    return item.Enabled() && item.VirtKey() != vkNone && !item.Registered();
}

} // namespace

// The Quick Add field shows the entry with that command wherever it stands;
// the other two follow the order of the entries.
namespace {
const THotKeyItem *quickAddEntry(const HotKeyManager *manager)
{
    if (!manager)
        return nullptr;
    for (int i = 0; i < manager->HotKeys().count(); ++i)
        if (hotKeyCommand(manager->HotKeys()[i].Command) == cQuick_Add)
            return &manager->HotKeys()[i];
    return nullptr;
}
}

void TfSettings::showHotkeys()
{
    const HotkeyField fields[] = {
        {ui->eHotKeyShowNudgewick, ui->cbHotKeyShowNudgewick, ui->lShowNudgewickState, QString()},
        {ui->eHotkeyDisablePopups, ui->cbHotkeyDisablePopups, ui->lDisablePopupsState, QString()},
    };
    for (int i = 0; i < 2; ++i) {
        fields[i].state->clear();
        // A field without an entry keeps its design text and stays unticked.
        if (!m_hotKeys || i >= m_hotKeys->HotKeys().count())
            continue;
        const THotKeyItem &item = m_hotKeys->HotKeys()[i];
        fields[i].field->setText(shownCombination(item.GetDisplayName()));
        fields[i].enabled->setChecked(item.Enabled());
        if (unavailable(item))
            fields[i].state->setText(tr("Not available: another program may be using this combination."));
    }
    ui->lQuickAddState->clear();
    if (const THotKeyItem *quick = quickAddEntry(m_hotKeys)) {
        ui->eHotkeyQuickAdd->setText(quick->GetDisplayName());
        ui->cbHotkeyQuickAdd->setChecked(quick->Enabled());
        if (unavailable(*quick))
            ui->lQuickAddState->setText(tr("Not available: another program may be using this combination."));
    }
}

bool TfSettings::eventFilter(QObject *watched, QEvent *event)
{
    auto *field = qobject_cast<QLineEdit *>(watched);
    if (field && (field == ui->eHotKeyShowNudgewick || field == ui->eHotkeyDisablePopups || field == ui->eHotkeyQuickAdd)) {
        switch (event->type()) {
        case QEvent::FocusIn:
            setTextColour(field, Qt::red);
            break;
        case QEvent::FocusOut:
            setTextColour(field, Qt::black);
            break;
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
            return captureKey(field, static_cast<QKeyEvent *>(event));
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// Every key press in a field becomes its text: the held modifiers, then the
// key's name when the key table has it. Tab keeps moving the focus (with
// Control, switching pages), and Enter and Esc without a modifier stay OK
// and Cancel. Everything else is taken by the field, accelerators included,
// so Alt+O is captured rather than pressing OK.
bool TfSettings::captureKey(QLineEdit *field, QKeyEvent *event)
{
    const int key = event->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
        return false;
    const bool modified =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) && !modified)
        return false;
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    CapturedModifiers = modifiersOf(event);
    QString text = ModifierPrefix(CapturedModifiers);
    const TVirtKey virtKey = virtKeyFromQtKey(key, event->modifiers() & Qt::KeypadModifier);
    if (virtKey != vkNone)
        text += KeyNames(virtKey);
    field->setText(shownCombination(text));
    return true;
}

// Replaces the manager's entries with the two fields' combinations, which
// take effect at once, and writes the key file anew.
void TfSettings::applyHotkeys()
{
    if (!m_hotKeys)
        return;
    const HotkeyField fields[] = {
        {ui->eHotKeyShowNudgewick, ui->cbHotKeyShowNudgewick, ui->lShowNudgewickState, u"Show Nudgewick"_s},
        {ui->eHotkeyDisablePopups, ui->cbHotkeyDisablePopups, ui->lDisablePopupsState, u"Disable Popups"_s},
        {ui->eHotkeyQuickAdd, ui->cbHotkeyQuickAdd, ui->lQuickAddState, u"Quick Add"_s},
    };
    m_hotKeys->disableAndClear();
    for (const HotkeyField &f : fields) {
        const QString text = storedCombination(f.field->text());
        // Quick Add without a key has nothing to keep in the file.
        if (f.field == ui->eHotkeyQuickAdd && virtKeyFromCombinationText(text) == vkNone)
            continue;
        THotKeyItem &item = m_hotKeys->HotKeys().add();
        item.setVirtKey(virtKeyFromCombinationText(text));
        item.setModifiers(modifiersFromCombinationText(text));
        item.Description = f.command;
        item.Command = f.command;
        item.setEnabled(f.enabled->isChecked());
    }
    m_hotKeys->SaveToIni(HotKeyManager::ReplaceFile);
}

// An enabled combination that could not be registered does nothing, so the
// user is told instead of finding out when pressing it.
void TfSettings::reportUnavailableHotkeys()
{
    if (!m_hotKeys)
        return;
    QStringList names;
    for (int i = 0; i < m_hotKeys->HotKeys().count(); ++i)
        if (unavailable(m_hotKeys->HotKeys()[i]))
            names << m_hotKeys->HotKeys()[i].GetDisplayName();
    if (!names.isEmpty())
        m_prompter.exclamation(tr("These hotkeys are not available: another program may be using them, or this "
                                  "desktop does not allow global hotkeys.\n\n%1")
                                   .arg(names.join(u'\n')));
}
