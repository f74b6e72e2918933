// The key table and the key combination texts.

#include "hotkeys/KeyTable.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

class TestKeyTable : public QObject
{
    Q_OBJECT
private slots:
    // Each name, Windows code and keysym occurs once, so every lookup has one answer.
    void everyKeyOnce()
    {
        QSet<QString> names;
        QSet<int> codes;
        QSet<quint32> keysyms;
        for (int i = 0; i < KeyTableSize; ++i) {
            names.insert(KeyNames(i));
            codes.insert(KeyCodes(i));
            keysyms.insert(keyDef(i).keysym);
        }
        QCOMPARE(names.size(), KeyTableSize);
        QCOMPARE(codes.size(), KeyTableSize);
        QCOMPARE(keysyms.size(), KeyTableSize);
    }

    void entries_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("code");
        QTest::addColumn<uint>("keysym");
        QTest::newRow("none") << 0 << u"None"_s << 0x00 << 0u;
        QTest::newRow("pause") << int(vkPause) << u"Pause"_s << 0x13 << 0xff13u;
        QTest::newRow("digit 2") << int(vk2) << u"2"_s << 0x32 << 0x32u;
        QTest::newRow("N") << 47 << u"N"_s << 0x4E << 0x6eu;
        QTest::newRow("numpad 0") << 60 << u"Numpad0"_s << 0x60 << 0xffb0u;
        QTest::newRow("divide") << 75 << u"Divide"_s << 0x6F << 0xffafu;
        QTest::newRow("F1") << 76 << u"F1"_s << 0x70 << 0xffbeu;
        QTest::newRow("F24") << 99 << u"F24"_s << 0x87 << 0xffd5u;
        QTest::newRow("numlock") << 100 << u"Numlock"_s << 0x90 << 0xff7fu;
        QTest::newRow("apps") << 102 << u"Apps"_s << 0x5D << 0xff67u;
        QTest::newRow("grave") << 103 << u"`"_s << 0xC0 << 0x60u;
        QTest::newRow("backslash") << 106 << u"\\"_s << 0xDC << 0x5cu;
        QTest::newRow("apostrophe") << 110 << u"'"_s << 0xDE << 0x27u;
        QTest::newRow("slash") << 113 << u"/"_s << 0xBF << 0x2fu;
        QTest::newRow("wake up") << 114 << u"WakeUp"_s << 0xFF << 0x1008ff2bu;
        QTest::newRow("outside the table") << 115 << u"None"_s << 0x00 << 0u;
        QTest::newRow("negative") << -1 << u"None"_s << 0x00 << 0u;
    }
    void entries()
    {
        QFETCH(int, position);
        QFETCH(QString, name);
        QFETCH(int, code);
        QFETCH(uint, keysym);
        QCOMPARE(KeyNames(position), name);
        QCOMPARE(int(KeyCodes(position)), code);
        QCOMPARE(keyDef(position).keysym, keysym);
    }

    void combinationTexts_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("section");
        QTest::newRow("all four, fixed order") << int(modWin | modAlt | modControl | modShift) << int(vkF1)
                                               << u"Shift + Control + Alt + Win + F1"_s
                                               << u"Shift + Control + Alt + Win + F1"_s;
        QTest::newRow("none") << 0 << int(vkNone) << u"None"_s << u"None"_s;
        QTest::newRow("open square") << int(modControl) << int(vkOpenSquare) << u"Control + ["_s
                                     << u"Control + OpenSquare"_s;
        QTest::newRow("close square") << int(modShift) << int(vkCloseSquare) << u"Shift + ]"_s
                                      << u"Shift + CloseSquare"_s;
    }
    void combinationTexts()
    {
        QFETCH(QString, text);
        QFETCH(int, modifiers);
        QFETCH(int, key);
        QFETCH(QString, section);
        QCOMPARE(keyCombinationText(TModifiers(modifiers), TVirtKey(key)), text);
        QCOMPARE(keySectionName(text), section);
        // The text reads back to the same combination.
        QCOMPARE(int(virtKeyFromCombinationText(text)), key);
        if (key != vkNone)
            QCOMPARE(int(modifiersFromCombinationText(text)), modifiers);
    }

    // Reading a field's text back: the last part after " + " names the key.
    void readingTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("key");
        QTest::newRow("prefixes alone") << u"Control + "_s << int(vkNone);
        QTest::newRow("wake up is never captured") << u"WakeUp"_s << int(vkNone);
        QTest::newRow("letter case counts") << u"Win + pause"_s << int(vkNone);
        QTest::newRow("design text") << u"Win + Pause"_s << int(vkPause);
        QTest::newRow("minus key") << u"Alt + -"_s << int(vkMinus);
    }
    void readingTexts()
    {
        QFETCH(QString, text);
        QFETCH(int, key);
        QCOMPARE(int(virtKeyFromCombinationText(text)), key);
    }

    // A key press as Qt reports it, to the table's key.
    void capture_data()
    {
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<bool>("keypad");
        QTest::addColumn<int>("key");
        QTest::newRow("letter") << int(Qt::Key_K) << false << int(vkK);
        QTest::newRow("digit") << int(Qt::Key_7) << false << int(vk7);
        QTest::newRow("keypad digit") << int(Qt::Key_7) << true << int(vkNumpad7);
        QTest::newRow("keypad minus") << int(Qt::Key_Minus) << true << int(vkSubtract);
        QTest::newRow("minus") << int(Qt::Key_Minus) << false << int(vkMinus);
        QTest::newRow("keypad without numlock") << int(Qt::Key_Home) << true << int(vkHome);
        QTest::newRow("keypad enter") << int(Qt::Key_Enter) << true << int(vkEnter);
        QTest::newRow("shifted apostrophe") << int(Qt::Key_QuoteDbl) << false << int(vkSingleQuote);
        QTest::newRow("shifted 1") << int(Qt::Key_Exclam) << false << int(vk1);
        QTest::newRow("shift tab") << int(Qt::Key_Backtab) << false << int(vkTab);
        QTest::newRow("grave") << int(Qt::Key_QuoteLeft) << false << int(vkApostrophe);
        QTest::newRow("modifier alone") << int(Qt::Key_Control) << false << int(vkNone);
        QTest::newRow("wake up") << int(Qt::Key_WakeUp) << false << int(vkNone);
    }
    void capture()
    {
        QFETCH(int, qtKey);
        QFETCH(bool, keypad);
        QFETCH(int, key);
        QCOMPARE(int(virtKeyFromQtKey(qtKey, keypad)), key);
    }
};

QTEST_APPLESS_MAIN(TestKeyTable)
#include "tst_KeyTable.moc"
