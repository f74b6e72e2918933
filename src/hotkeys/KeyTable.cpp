#include "hotkeys/KeyTable.h"

#include <QHash>

#include <array>

using namespace Qt::StringLiterals;

namespace {

const std::array<KeyDef, KeyTableSize> Keys = {{
    {"None", 0x00, 0x0, 0},
    {"Cancel", 0x03, 0xFF69, Qt::Key_Cancel},
    {"BackSpace", 0x08, 0xFF08, Qt::Key_Backspace},
    {"Tab", 0x09, 0xFF09, Qt::Key_Tab},
    {"Clear", 0x0C, 0xFF0B, Qt::Key_Clear},
    {"Enter", 0x0D, 0xFF0D, Qt::Key_Return},
    {"Pause", 0x13, 0xFF13, Qt::Key_Pause},
    {"CapsLock", 0x14, 0xFFE5, Qt::Key_CapsLock},
    {"Escape", 0x1B, 0xFF1B, Qt::Key_Escape},
    {"Space", 0x20, 0x20, Qt::Key_Space},
    {"PageUp", 0x21, 0xFF55, Qt::Key_PageUp},
    {"PageDown", 0x22, 0xFF56, Qt::Key_PageDown},
    {"End", 0x23, 0xFF57, Qt::Key_End},
    {"Home", 0x24, 0xFF50, Qt::Key_Home},
    {"Left", 0x25, 0xFF51, Qt::Key_Left},
    {"Up", 0x26, 0xFF52, Qt::Key_Up},
    {"Right", 0x27, 0xFF53, Qt::Key_Right},
    {"Down", 0x28, 0xFF54, Qt::Key_Down},
    {"Select", 0x29, 0xFF60, Qt::Key_Select},
    {"Execute", 0x2B, 0xFF62, Qt::Key_Execute},
    {"PrintScreen", 0x2C, 0xFF61, Qt::Key_Print},
    {"Insert", 0x2D, 0xFF63, Qt::Key_Insert},
    {"Delete", 0x2E, 0xFFFF, Qt::Key_Delete},
    {"Help", 0x2F, 0xFF6A, Qt::Key_Help},
    {"0", 0x30, 0x30, Qt::Key_0},
    {"1", 0x31, 0x31, Qt::Key_1},
    {"2", 0x32, 0x32, Qt::Key_2},
    {"3", 0x33, 0x33, Qt::Key_3},
    {"4", 0x34, 0x34, Qt::Key_4},
    {"5", 0x35, 0x35, Qt::Key_5},
    {"6", 0x36, 0x36, Qt::Key_6},
    {"7", 0x37, 0x37, Qt::Key_7},
    {"8", 0x38, 0x38, Qt::Key_8},
    {"9", 0x39, 0x39, Qt::Key_9},
    {"A", 0x41, 0x61, Qt::Key_A},
    {"B", 0x42, 0x62, Qt::Key_B},
    {"C", 0x43, 0x63, Qt::Key_C},
    {"D", 0x44, 0x64, Qt::Key_D},
    {"E", 0x45, 0x65, Qt::Key_E},
    {"F", 0x46, 0x66, Qt::Key_F},
    {"G", 0x47, 0x67, Qt::Key_G},
    {"H", 0x48, 0x68, Qt::Key_H},
    {"I", 0x49, 0x69, Qt::Key_I},
    {"J", 0x4A, 0x6A, Qt::Key_J},
    {"K", 0x4B, 0x6B, Qt::Key_K},
    {"L", 0x4C, 0x6C, Qt::Key_L},
    {"M", 0x4D, 0x6D, Qt::Key_M},
    {"N", 0x4E, 0x6E, Qt::Key_N},
    {"O", 0x4F, 0x6F, Qt::Key_O},
    {"P", 0x50, 0x70, Qt::Key_P},
    {"Q", 0x51, 0x71, Qt::Key_Q},
    {"R", 0x52, 0x72, Qt::Key_R},
    {"S", 0x53, 0x73, Qt::Key_S},
    {"T", 0x54, 0x74, Qt::Key_T},
    {"U", 0x55, 0x75, Qt::Key_U},
    {"V", 0x56, 0x76, Qt::Key_V},
    {"W", 0x57, 0x77, Qt::Key_W},
    {"X", 0x58, 0x78, Qt::Key_X},
    {"Y", 0x59, 0x79, Qt::Key_Y},
    {"Z", 0x5A, 0x7A, Qt::Key_Z},
    {"Numpad0", 0x60, 0xFFB0, Qt::Key_0},
    {"Numpad1", 0x61, 0xFFB1, Qt::Key_1},
    {"Numpad2", 0x62, 0xFFB2, Qt::Key_2},
    {"Numpad3", 0x63, 0xFFB3, Qt::Key_3},
    {"Numpad4", 0x64, 0xFFB4, Qt::Key_4},
    {"Numpad5", 0x65, 0xFFB5, Qt::Key_5},
    {"Numpad6", 0x66, 0xFFB6, Qt::Key_6},
    {"Numpad7", 0x67, 0xFFB7, Qt::Key_7},
    {"Numpad8", 0x68, 0xFFB8, Qt::Key_8},
    {"Numpad9", 0x69, 0xFFB9, Qt::Key_9},
    {"Multiply", 0x6A, 0xFFAA, Qt::Key_Asterisk},
    {"Add", 0x6B, 0xFFAB, Qt::Key_Plus},
    {"Separator", 0x6C, 0xFFAC, Qt::Key_Comma},
    {"Subtract", 0x6D, 0xFFAD, Qt::Key_Minus},
    {"Decimal", 0x6E, 0xFFAE, Qt::Key_Period},
    {"Divide", 0x6F, 0xFFAF, Qt::Key_Slash},
    {"F1", 0x70, 0xFFBE, Qt::Key_F1},
    {"F2", 0x71, 0xFFBF, Qt::Key_F2},
    {"F3", 0x72, 0xFFC0, Qt::Key_F3},
    {"F4", 0x73, 0xFFC1, Qt::Key_F4},
    {"F5", 0x74, 0xFFC2, Qt::Key_F5},
    {"F6", 0x75, 0xFFC3, Qt::Key_F6},
    {"F7", 0x76, 0xFFC4, Qt::Key_F7},
    {"F8", 0x77, 0xFFC5, Qt::Key_F8},
    {"F9", 0x78, 0xFFC6, Qt::Key_F9},
    {"F10", 0x79, 0xFFC7, Qt::Key_F10},
    {"F11", 0x7A, 0xFFC8, Qt::Key_F11},
    {"F12", 0x7B, 0xFFC9, Qt::Key_F12},
    {"F13", 0x7C, 0xFFCA, Qt::Key_F13},
    {"F14", 0x7D, 0xFFCB, Qt::Key_F14},
    {"F15", 0x7E, 0xFFCC, Qt::Key_F15},
    {"F16", 0x7F, 0xFFCD, Qt::Key_F16},
    {"F17", 0x80, 0xFFCE, Qt::Key_F17},
    {"F18", 0x81, 0xFFCF, Qt::Key_F18},
    {"F19", 0x82, 0xFFD0, Qt::Key_F19},
    {"F20", 0x83, 0xFFD1, Qt::Key_F20},
    {"F21", 0x84, 0xFFD2, Qt::Key_F21},
    {"F22", 0x85, 0xFFD3, Qt::Key_F22},
    {"F23", 0x86, 0xFFD4, Qt::Key_F23},
    {"F24", 0x87, 0xFFD5, Qt::Key_F24},
    {"Numlock", 0x90, 0xFF7F, Qt::Key_NumLock},
    {"ScrollLock", 0x91, 0xFF14, Qt::Key_ScrollLock},
    {"Apps", 0x5D, 0xFF67, Qt::Key_Menu},
    {"`", 0xC0, 0x60, Qt::Key_QuoteLeft},
    {"-", 0xBD, 0x2D, Qt::Key_Minus},
    {"=", 0xBB, 0x3D, Qt::Key_Equal},
    {"\\", 0xDC, 0x5C, Qt::Key_Backslash},
    {"[", 0xDB, 0x5B, Qt::Key_BracketLeft},
    {"]", 0xDD, 0x5D, Qt::Key_BracketRight},
    {";", 0xBA, 0x3B, Qt::Key_Semicolon},
    {"'", 0xDE, 0x27, Qt::Key_Apostrophe},
    {",", 0xBC, 0x2C, Qt::Key_Comma},
    {".", 0xBE, 0x2E, Qt::Key_Period},
    {"/", 0xBF, 0x2F, Qt::Key_Slash},
    {"WakeUp", 0xFF, 0x1008FF2B, Qt::Key_WakeUp},
}};

bool isKeypadKey(int position)
{
    return position >= vkNumpad0 && position <= vkDivide;
}

// The key that carries a shifted symbol on a US keyboard.
int unshiftedQtKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_AsciiTilde: return Qt::Key_QuoteLeft;
    case Qt::Key_Exclam: return Qt::Key_1;
    case Qt::Key_At: return Qt::Key_2;
    case Qt::Key_NumberSign: return Qt::Key_3;
    case Qt::Key_Dollar: return Qt::Key_4;
    case Qt::Key_Percent: return Qt::Key_5;
    case Qt::Key_AsciiCircum: return Qt::Key_6;
    case Qt::Key_Ampersand: return Qt::Key_7;
    case Qt::Key_Asterisk: return Qt::Key_8;
    case Qt::Key_ParenLeft: return Qt::Key_9;
    case Qt::Key_ParenRight: return Qt::Key_0;
    case Qt::Key_Underscore: return Qt::Key_Minus;
    case Qt::Key_Plus: return Qt::Key_Equal;
    case Qt::Key_Bar: return Qt::Key_Backslash;
    case Qt::Key_BraceLeft: return Qt::Key_BracketLeft;
    case Qt::Key_BraceRight: return Qt::Key_BracketRight;
    case Qt::Key_Colon: return Qt::Key_Semicolon;
    case Qt::Key_QuoteDbl: return Qt::Key_Apostrophe;
    case Qt::Key_Less: return Qt::Key_Comma;
    case Qt::Key_Greater: return Qt::Key_Period;
    case Qt::Key_Question: return Qt::Key_Slash;
    case Qt::Key_Backtab: return Qt::Key_Tab;
    case Qt::Key_Enter: return Qt::Key_Return;
    default: return qtKey;
    }
}

} // namespace

const KeyDef &keyDef(int position)
{
    return Keys.at(virtKeyFromPosition(position));
}

QString KeyNames(int position)
{
    return QString::fromLatin1(keyDef(position).name);
}

quint8 KeyCodes(int position)
{
    return keyDef(position).code;
}

TVirtKey virtKeyFromPosition(int position)
{
    return position >= 0 && position < KeyTableSize ? TVirtKey(position) : vkNone;
}

QString ModifierPrefix(TModifiers modifiers)
{
    QString text;
    if (modifiers & modShift)
        text += u"Shift + "_s;
    if (modifiers & modControl)
        text += u"Control + "_s;
    if (modifiers & modAlt)
        text += u"Alt + "_s;
    if (modifiers & modWin)
        text += u"Win + "_s;
    return text;
}

QString keyCombinationText(TModifiers modifiers, TVirtKey key)
{
    return ModifierPrefix(modifiers) + KeyNames(key);
}

TVirtKey virtKeyFromQtKey(int qtKey, bool keypad)
{
    // Keypad digits and operators first; without NumLock the keypad reports
    // navigation keys, which are looked up as those keys.
    for (int i = 1; i < CapturableKeys; ++i)
        if (isKeypadKey(i) == keypad && Keys[i].qtKey == qtKey)
            return TVirtKey(i);
    const int base = unshiftedQtKey(qtKey);
    for (int i = 1; i < CapturableKeys; ++i)
        if (!isKeypadKey(i) && Keys[i].qtKey == base)
            return TVirtKey(i);
    return vkNone;
}

TVirtKey virtKeyFromCombinationText(const QString &text)
{
    // Each "+" is dropped with the character after it (the blank of " + ").
    QString name = text;
    for (qsizetype plus = name.indexOf(u'+'); plus >= 0; plus = name.indexOf(u'+'))
        name.remove(0, plus + 2);
    for (int i = 0; i < CapturableKeys; ++i)
        if (name == QLatin1String(Keys[i].name))
            return TVirtKey(i);
    return vkNone;
}

TModifiers modifiersFromCombinationText(const QString &text)
{
    TModifiers modifiers = 0;
    if (text.contains(u"Shift"_s))
        modifiers |= modShift;
    if (text.contains(u"Control"_s))
        modifiers |= modControl;
    if (text.contains(u"Alt"_s))
        modifiers |= modAlt;
    if (text.contains(u"Win"_s))
        modifiers |= modWin;
    return modifiers;
}

QString keySectionName(const QString &displayName)
{
    QString name = displayName;
    name.replace(u"["_s, u"OpenSquare"_s);
    name.replace(u"]"_s, u"CloseSquare"_s);
    return name;
}
