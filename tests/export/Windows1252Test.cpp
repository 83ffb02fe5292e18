#include "ExportTests.h"

#include "export/Windows1252.h"

#include <QTest>

#include <vector>

namespace {

// Windows-1252 between 0x80 and 0x9F, from the code page's published chart;
// 0 marks the five bytes that stand for no character.
const char16_t chart[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

QByteArray viaUtf8(const QByteArray &utf8)
{
    std::vector<char> out(std::size_t(utf8.size()) + 1);
    const std::size_t written =
        exports::utf8ToWindows1252(utf8.constData(), std::size_t(utf8.size()), out.data());
    return QByteArray(out.data(), qsizetype(written));
}

} // namespace

class Windows1252Test : public QObject
{
    Q_OBJECT

private slots:
    void everyByte_isWrittenForItsCharacter();
    void charactersOutsideTheCodePage_becomeOneQuestionMark_data();
    void charactersOutsideTheCodePage_becomeOneQuestionMark();
    void malformedUtf8_becomesOneQuestionMarkPerByte_data();
    void malformedUtf8_becomesOneQuestionMarkPerByte();
};

void Windows1252Test::everyByte_isWrittenForItsCharacter()
{
    for (int byte = 0; byte < 256; ++byte) {
        const bool highBlock = byte >= 0x80 && byte < 0xA0;
        const char16_t character = highBlock ? chart[byte - 0x80] : char16_t(byte);
        if (character == 0)
            continue;
        const QString text(QChar{character});
        const QByteArray expected(1, char(byte));
        QVERIFY2(exports::toWindows1252(text) == expected, qPrintable(QString::number(byte, 16)));
        QVERIFY2(viaUtf8(text.toUtf8()) == expected, qPrintable(QString::number(byte, 16)));
        QCOMPARE(exports::windows1252Byte(character), char(byte));
    }
    // Latin-1 has control characters where Windows-1252 keeps other ones:
    // none of them can be written, the five unused bytes' namesakes included.
    for (char16_t control = 0x80; control < 0xA0; ++control) {
        const QString text(QChar{control});
        QCOMPARE(exports::toWindows1252(text), QByteArray("?"));
        QCOMPARE(viaUtf8(text.toUtf8()), QByteArray("?"));
    }
}

void Windows1252Test::charactersOutsideTheCodePage_becomeOneQuestionMark_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");
    // Text that UTF-8 cannot carry (a lone surrogate) reaches the file only as typed.
    QTest::addColumn<bool>("validUnicode");

    QTest::newRow("Greek") << QStringLiteral("\u03A9mega") << QByteArray("?mega") << true;
    QTest::newRow("Chinese") << QStringLiteral("\u4E2D\u6587") << QByteArray("??") << true;
    QTest::newRow("replacement character") << QStringLiteral("\uFFFD") << QByteArray("?") << true;
    QTest::newRow("surrogate pair") << QString::fromUtf8("a\xF0\x9F\x98\x80"
                                                         "b")
                                    << QByteArray("a?b") << true;
    QTest::newRow("two pairs in a row")
        << QString::fromUtf8("\xF0\x9F\x93\xBA\xF0\x9F\x98\x80") << QByteArray("??") << true;
    QTest::newRow("lone high surrogate")
        << (QStringLiteral("x") + QChar(0xD83D) + QStringLiteral("y")) << QByteArray("x?y")
        << false;
    QTest::newRow("lone low surrogate")
        << (QChar(0xDE00) + QStringLiteral("y")) << QByteArray("?y") << false;
    QTest::newRow("mixed") << QStringLiteral("Caf\u00E9 \u20AC5 \u2192 \u00A0end")
                           << QByteArray("Caf\xE9 \x80"
                                         "5 ? \xA0"
                                         "end")
                           << true;
}

void Windows1252Test::charactersOutsideTheCodePage_becomeOneQuestionMark()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QFETCH(bool, validUnicode);
    QCOMPARE(exports::toWindows1252(text), expected);
    if (validUnicode)
        QCOMPARE(viaUtf8(text.toUtf8()), expected);
}

void Windows1252Test::malformedUtf8_becomesOneQuestionMarkPerByte_data()
{
    QTest::addColumn<QByteArray>("utf8");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("cut after the lead byte") << QByteArray("a\xC3") << QByteArray("a?");
    QTest::newRow("cut inside three bytes") << QByteArray("\xE2\x82z") << QByteArray("??z");
    QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << QByteArray("??");
    QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << QByteArray("???");
    QTest::newRow("beyond Unicode") << QByteArray("\xF4\x90\x80\x80") << QByteArray("????");
    QTest::newRow("stray continuation") << QByteArray("\x80x") << QByteArray("?x");
    QTest::newRow("never valid") << QByteArray("\xFF\xFE") << QByteArray("??");
}

void Windows1252Test::malformedUtf8_becomesOneQuestionMarkPerByte()
{
    QFETCH(QByteArray, utf8);
    QFETCH(QByteArray, expected);
    QCOMPARE(viaUtf8(utf8), expected);
}

int runWindows1252Test(int argc, char **argv)
{
    Windows1252Test test;
    return QTest::qExec(&test, argc, argv);
}

#include "Windows1252Test.moc"
