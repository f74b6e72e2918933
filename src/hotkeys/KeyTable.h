#pragma once

#include <QString>
#include <QtGlobal>

// The keys a hotkey can use, by their position in the key table. The key
// file stores the position ("Virtkey").
enum TVirtKey : quint8 {
    vkNone, // 0
    vkCancel,
    vkBackSpace,
    vkTab,
    vkClear,
    vkEnter,
    vkPause,
    vkCapsLock,
    vkEscape,
    vkSpace,
    vkPageUp, // 10
    vkPageDown,
    vkEnd,
    vkHome,
    vkLeft,
    vkUp,
    vkRight,
    vkDown,
    vkSelect,
    vkExecute,
    vkPrintScreen, // 20
    vkInsert,
    vkDelete,
    vkHelp,
    vk0,
    vk1,
    vk2,
    vk3,
    vk4,
    vk5,
    vk6, // 30
    vk7,
    vk8,
    vk9,
    vkA,
    vkB,
    vkC,
    vkD,
    vkE,
    vkF,
    vkG, // 40
    vkH,
    vkI,
    vkJ,
    vkK,
    vkL,
    vkM,
    vkN,
    vkO,
    vkP,
    vkQ, // 50
    vkR,
    vkS,
    vkT,
    vkU,
    vkV,
    vkW,
    vkX,
    vkY,
    vkZ,
    vkNumpad0, // 60
    vkNumpad1,
    vkNumpad2,
    vkNumpad3,
    vkNumpad4,
    vkNumpad5,
    vkNumpad6,
    vkNumpad7,
    vkNumpad8,
    vkNumpad9,
    vkMultiply, // 70
    vkAdd,
    vkSeparator,
    vkSubtract,
    vkDecimal,
    vkDivide,
    vkF1,
    vkF2,
    vkF3,
    vkF4,
    vkF5, // 80
    vkF6,
    vkF7,
    vkF8,
    vkF9,
    vkF10,
    vkF11,
    vkF12,
    vkF13,
    vkF14,
    vkF15, // 90
    vkF16,
    vkF17,
    vkF18,
    vkF19,
    vkF20,
    vkF21,
    vkF22,
    vkF23,
    vkF24,
    vkNumLock, // 100
    vkScrollLock,
    vkApps,
    vkApostrophe,
    vkMinus,
    vkEqual,
    vkBackSlash,
    vkOpenSquare,
    vkCloseSquare,
    vkSemiColon,
    vkSingleQuote, // 110
    vkComma,
    vkPeriod,
    vkForwardSlash,
    vkWakeUp,
};

inline constexpr int KeyTableSize = 115;
// The capture never produces the last key (vkWakeUp): it looks only at the
// positions below this one.
inline constexpr int CapturableKeys = 114;

// The modifier keys of a combination, held in 8 bits.
enum TModifier : quint8 { modShift = 1, modControl = 2, modAlt = 4, modWin = 8 };
using TModifiers = quint8;

// One key: its display name, its Windows virtual-key code (kept because the
// key file's positions and the capture follow that numbering), its X11
// keysym and the Qt key a key press of it reports.
struct KeyDef
{
    const char *name;
    quint8 code;
    quint32 keysym;
    int qtKey;
};

// The entry at a position; positions outside the table give vkNone's.
const KeyDef &keyDef(int position);
// Display name ("None", "F1", "[", the grave accent for vkApostrophe...).
QString KeyNames(int position);
// Windows virtual-key code.
quint8 KeyCodes(int position);
// A position of the table, or vkNone for a number outside 0 to 114.
TVirtKey virtKeyFromPosition(int position);

// "Shift + ", "Control + ", "Alt + ", "Win + " for the modifiers present,
// always in this order; empty for none.
QString ModifierPrefix(TModifiers modifiers);
// The key combination text: ModifierPrefix followed by the key's name.
QString keyCombinationText(TModifiers modifiers, TVirtKey key);

// The key of a key press as Qt reports it (Qt::Key, and whether it came from
// the keypad), looked up among the capturable keys; vkNone when none fits.
// A shifted symbol of a US keyboard ("!", '"', "?" ...) counts as the key
// that carries it, so Shift with the apostrophe key gives "'".
TVirtKey virtKeyFromQtKey(int qtKey, bool keypad);

// The key named by the last part of a combination text: everything up to
// and including the last "+ " is dropped ("Shift + Control + F1" gives "F1").
// Looked up among the capturable keys by exact name; vkNone when not found.
TVirtKey virtKeyFromCombinationText(const QString &text);
// The modifiers a combination text names: each of "Shift", "Control", "Alt",
// "Win" found anywhere in it.
TModifiers modifiersFromCombinationText(const QString &text);

// A display name as a key file section name: "[" as "OpenSquare" and "]" as
// "CloseSquare", since the profile format cannot hold them in a name.
QString keySectionName(const QString &displayName);
