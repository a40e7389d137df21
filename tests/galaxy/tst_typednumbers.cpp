// The typed-number rule: the leading number of a text, rounding halves to
// even, and the range-checked conversions used for thresholds and counts.
#include "galaxy/GalaxyMerge.h"
#include "galaxy/TypedNumbers.h"
#include "support/CommaLocale.h"

#include <QtTest>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace {

double Leading(const QByteArray& text)
{
    return galaxy::LeadingNumber(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
}

// The exact double, bit for bit: QCOMPARE of doubles would forgive the last bits.
QByteArray Bits(double value)
{
    return QByteArray::number(std::bit_cast<quint64>(value), 16) + " (" + QByteArray::number(value, 'g', 17) + ")";
}

} // namespace

class TypedNumbersTest : public QObject {
    Q_OBJECT

private slots:
    void leadingNumber_data();
    void leadingNumber();
    void leadingNumberStaysInsideItsText();
    void leadingNumberIgnoresTheLocale();
    void roundHalfEven_data();
    void roundHalfEven();
    void textToInt16_data();
    void textToInt16();
    void toInt32Limits();
    void mergeRecordCount_data();
    void mergeRecordCount();
    void secondsText_data();
    void secondsText();
    void secondsTextReadsBackAsTheDelay();
};

void TypedNumbersTest::leadingNumber_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("empty") << QByteArray("") << 0.0;
    QTest::newRow("blanks only") << QByteArray("   ") << 0.0;
    QTest::newRow("digits") << QByteArray("45") << 45.0;
    QTest::newRow("leading zero kept as number") << QByteArray("07") << 7.0;
    QTest::newRow("leading blanks") << QByteArray("  12") << 12.0;
    QTest::newRow("leading tab") << QByteArray("\t12") << 12.0;
    QTest::newRow("trailing letters") << QByteArray("12abc") << 12.0;
    QTest::newRow("letters first") << QByteArray("abc12") << 0.0;
    QTest::newRow("negative") << QByteArray("-5") << -5.0;
    QTest::newRow("plus sign") << QByteArray("+5") << 5.0;
    QTest::newRow("sign alone") << QByteArray("-") << 0.0;
    QTest::newRow("decimal") << QByteArray("2.5") << 2.5;
    QTest::newRow("leading point") << QByteArray(".5") << 0.5;
    QTest::newRow("trailing point") << QByteArray("5.") << 5.0;
    QTest::newRow("point alone") << QByteArray(".") << 0.0;
    QTest::newRow("comma ends the number") << QByteArray("2,5") << 2.0;
    QTest::newRow("exponent") << QByteArray("1E3") << 1000.0;
    QTest::newRow("small exponent letter") << QByteArray("1e-2") << 0.01;
    QTest::newRow("exponent without digits") << QByteArray("7E") << 7.0;
    QTest::newRow("exponent sign without digits") << QByteArray("7E+") << 7.0;
    QTest::newRow("blank inside") << QByteArray("1 2") << 1.0;
    QTest::newRow("too large for a double") << QByteArray("1e400") << std::numeric_limits<double>::infinity();
    QTest::newRow("too small for a double") << QByteArray("1e-400") << 0.0;
    QTest::newRow("negative too large") << QByteArray("-1e400") << -std::numeric_limits<double>::infinity();
    QTest::newRow("many digits") << QByteArray(400, '9') << std::numeric_limits<double>::infinity();
    QTest::newRow("zeros after the point, then a large exponent")
        << "6." + QByteArray(500, '0') + "e401" << std::numeric_limits<double>::infinity();
    QTest::newRow("zeros after the point, then a small exponent") << "0." + QByteArray(20, '0') + "1e-400" << 0.0;
    QTest::newRow("negative zero") << QByteArray("-0.0") << -0.0;
    QTest::newRow("negative, too small for a double") << QByteArray("-1e-400") << -0.0;
    QTest::newRow("many digits, then a negative exponent")
        << QByteArray(400, '9') + "e-50" << std::numeric_limits<double>::infinity();
    QTest::newRow("too small without an exponent") << "0." + QByteArray(400, '0') + "1" << 0.0;
    QTest::newRow("an exponent of twenty digits")
        << QByteArray("1e99999999999999999999") << std::numeric_limits<double>::infinity();
    QTest::newRow("a negative exponent of twenty digits") << QByteArray("1e-99999999999999999999") << 0.0;
    QTest::newRow("the largest 64-bit exponent")
        << QByteArray("133e9223372036854775807") << std::numeric_limits<double>::infinity();
    QTest::newRow("the smallest 64-bit exponent") << QByteArray("0.01e-9223372036854775808") << 0.0;
    // Only digits make a number.
    QTest::newRow("inf") << QByteArray("inf") << 0.0;
    QTest::newRow("infinity") << QByteArray("-infinity") << 0.0;
    QTest::newRow("nan") << QByteArray("nan") << 0.0;
    QTest::newRow("two signs") << QByteArray("+-5") << 0.0;
    QTest::newRow("sign, then a blank") << QByteArray("- 5") << 0.0;

    // The nearest double, halves to the even neighbour, as strtod rounds.
    const double one = 1.0;
    const double afterOne = std::nextafter(1.0, 2.0);
    QTest::newRow("0.1") << QByteArray("0.1") << 0.1;
    QTest::newRow("1e23, between two doubles") << QByteArray("1e23") << 1e23;
    QTest::newRow("2^53 + 1, a half: to even") << QByteArray("9007199254740993") << 9007199254740992.0;
    QTest::newRow("just above that half") << QByteArray("9007199254740993.0000000001") << 9007199254740994.0;
    // 1 + 2^-53 is exactly halfway between 1 and the next double.
    const QByteArray halfAfterOne = "1.00000000000000011102230246251565404236316680908203125";
    QTest::newRow("half after 1: to even") << halfAfterOne << one;
    QTest::newRow("half after 1, more zeros") << halfAfterOne + QByteArray(900, '0') << one;
    QTest::newRow("a digit above the half, 900 places on") << halfAfterOne + QByteArray(900, '0') + "1" << afterOne;
    QTest::newRow("below the half by 900 places")
        << "1.00000000000000011102230246251565404236316680908203124" + QByteArray(900, '9') << one;
    QTest::newRow("a thousand integer digits, then e-1000") << "1" + QByteArray(1000, '0') + "e-1000" << 1.0;
    QTest::newRow("largest double") << QByteArray("1.7976931348623157e308") << std::numeric_limits<double>::max();
    QTest::newRow("below the half above the largest")
        << QByteArray("1.7976931348623158e308") << std::numeric_limits<double>::max();
    QTest::newRow("above the half above the largest")
        << QByteArray("1.7976931348623159e308") << std::numeric_limits<double>::infinity();
    QTest::newRow("largest subnormal") << QByteArray("2.2250738585072011e-308") << 2.2250738585072009e-308;
    QTest::newRow("smallest normal") << QByteArray("2.2250738585072014e-308") << std::numeric_limits<double>::min();
    QTest::newRow("smallest subnormal") << QByteArray("4.9406564584124654e-324")
                                        << std::numeric_limits<double>::denorm_min();
    QTest::newRow("below half the smallest subnormal") << QByteArray("2.4703282292062327e-324") << 0.0;
    QTest::newRow("above half the smallest subnormal")
        << QByteArray("2.4703282292062328e-324") << std::numeric_limits<double>::denorm_min();
}

void TypedNumbersTest::leadingNumber()
{
    QFETCH(QByteArray, text);
    QFETCH(double, expected);
    QCOMPARE(Bits(Leading(text)), Bits(expected));
}

void TypedNumbersTest::leadingNumberStaysInsideItsText()
{
    // The view ends before the digits that follow in memory: they must not be read.
    const char text[] = "12345";
    QCOMPARE(galaxy::LeadingNumber(std::string_view(text, 2)), 12.0);
    const char exponent[] = "2E5";
    QCOMPARE(galaxy::LeadingNumber(std::string_view(exponent, 2)), 2.0);
}

void TypedNumbersTest::leadingNumberIgnoresTheLocale()
{
    // Texts and their values read in the "C" locale, then read again in a
    // locale whose decimal separator is a comma, where strtod stops at the
    // period: the rule must not change.
    std::vector<QByteArray> texts = {"2.5", " 37.5abc", "-0.125", "1.5e3", "6.02214076e23", "0.1", "12,5"};
    for (int i = 0; i < 2000; ++i) {
        texts.push_back(QByteArray::number(i * 7919 % 10007) + "." + QByteArray::number(i * 104729 % 1000003) + "e"
                        + QByteArray::number(i % 41 - 20));
    }
    std::vector<QByteArray> before;
    for (const QByteArray& text : texts) {
        before.push_back(Bits(Leading(text)));
    }
    testsupport::CommaLocale comma;
    if (!comma.active()) {
        QSKIP(testsupport::CommaLocale::kMissing);
    }
    QCOMPARE(std::strtod("2.5", nullptr), 2.0); // the locale is in force
    for (std::size_t i = 0; i < texts.size(); ++i) {
        QCOMPARE(Bits(Leading(texts[i])), before[i]);
    }
    QCOMPARE(Leading("2.5"), 2.5);
    QCOMPARE(Leading("12,5"), 12.0);
}

void TypedNumbersTest::roundHalfEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("expected");
    QTest::newRow("0.5") << 0.5 << 0.0;
    QTest::newRow("1.5") << 1.5 << 2.0;
    QTest::newRow("2.5") << 2.5 << 2.0;
    QTest::newRow("3.5") << 3.5 << 4.0;
    QTest::newRow("-2.5") << -2.5 << -2.0;
    QTest::newRow("2.4999") << 2.4999 << 2.0;
    QTest::newRow("2.5001") << 2.5001 << 3.0;
    QTest::newRow("whole") << 7.0 << 7.0;
}

void TypedNumbersTest::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(double, expected);
    QCOMPARE(galaxy::RoundHalfEven(value), expected);
}

void TypedNumbersTest::textToInt16_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<int>("expected");
    QTest::newRow("empty is 0") << QByteArray("") << true << 0;
    QTest::newRow("two digits") << QByteArray("99") << true << 99;
    QTest::newRow("half to even down") << QByteArray("50.5") << true << 50;
    QTest::newRow("half to even up") << QByteArray("51.5") << true << 52;
    QTest::newRow("largest") << QByteArray("32767") << true << 32767;
    QTest::newRow("rounds down into range") << QByteArray("32767.49") << true << 32767;
    QTest::newRow("rounds out of range") << QByteArray("32767.5") << false << 0;
    QTest::newRow("too large") << QByteArray("40000") << false << 0;
    QTest::newRow("smallest") << QByteArray("-32768") << true << -32768;
    QTest::newRow("half rounds to even in range") << QByteArray("-32768.5") << true << -32768;
    QTest::newRow("too small") << QByteArray("-32769") << false << 0;
    QTest::newRow("not a number") << QByteArray("abc") << true << 0;
    QTest::newRow("infinite") << QByteArray("1e999") << false << 0;
}

void TypedNumbersTest::textToInt16()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, fits);
    QFETCH(int, expected);
    const auto value = galaxy::ToInt16(Leading(text));
    QCOMPARE(value.has_value(), fits);
    if (fits) {
        QCOMPARE(static_cast<int>(*value), expected);
    }
}

void TypedNumbersTest::toInt32Limits()
{
    QCOMPARE(galaxy::ToInt32(2147483647.0).value_or(0), 2147483647);
    QVERIFY(!galaxy::ToInt32(2147483647.5).has_value());
    QCOMPARE(galaxy::ToInt32(-2147483648.0).value_or(0), -2147483647 - 1);
    QVERIFY(!galaxy::ToInt32(-2147483649.0).has_value());
    QVERIFY(!galaxy::ToInt32(std::nan("")).has_value());
    QCOMPARE(galaxy::ToInt32(Leading(" 60")).value_or(0), 60);
}

void TypedNumbersTest::mergeRecordCount_data()
{
    QTest::addColumn<qint64>("length");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<int>("expected");
    QTest::newRow("0 bytes") << qint64(0) << true << 0;
    QTest::newRow("header only") << qint64(4) << true << 0;
    QTest::newRow("247 bytes") << qint64(247) << true << 0;
    QTest::newRow("248 bytes: a half, to even") << qint64(248) << true << 0;
    QTest::newRow("249 bytes") << qint64(249) << true << 1;
    QTest::newRow("one record") << qint64(496) << true << 1;
    QTest::newRow("740 bytes: 1.5, to even") << qint64(740) << true << 2;
    QTest::newRow("three records") << qint64(4 + 492 * 3) << true << 3;
    QTest::newRow("32767 records") << qint64(4 + 492LL * 32767) << true << 32767;
    QTest::newRow("just below the overflow") << qint64(16121611) << true << 32767;
    QTest::newRow("overflow") << qint64(16121612) << false << 0;
}

void TypedNumbersTest::mergeRecordCount()
{
    QFETCH(qint64, length);
    QFETCH(bool, fits);
    QFETCH(int, expected);
    const auto count = galaxy::MergeRecordCount(static_cast<std::uint64_t>(length));
    QCOMPARE(count.has_value(), fits);
    if (fits) {
        QCOMPARE(static_cast<int>(*count), expected);
    }
}

// The monitor's delay, a whole number of milliseconds, shown in seconds.
void TypedNumbersTest::secondsText_data()
{
    QTest::addColumn<int>("milliseconds");
    QTest::addColumn<char>("separator");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("five seconds") << 5000 << '.' << QByteArray("5");
    QTest::newRow("one and a half") << 1500 << '.' << QByteArray("1.5");
    QTest::newRow("with a comma") << 1500 << ',' << QByteArray("1,5");
    QTest::newRow("none") << 0 << '.' << QByteArray("0");
    QTest::newRow("one millisecond") << 1 << '.' << QByteArray("0.001");
    QTest::newRow("ten") << 10 << ',' << QByteArray("0,01");
    QTest::newRow("a tenth") << 100 << '.' << QByteArray("0.1");
    QTest::newRow("the longest delay") << 60000 << '.' << QByteArray("60");
    QTest::newRow("just below it") << 59999 << '.' << QByteArray("59.999");
    QTest::newRow("trailing zeros go") << 12340 << '.' << QByteArray("12.34");
    QTest::newRow("negative") << -250 << '.' << QByteArray("-0.25");
    QTest::newRow("largest") << 2147483647 << '.' << QByteArray("2147483.647");
    QTest::newRow("smallest") << -2147483647 - 1 << '.' << QByteArray("-2147483.648");
}

void TypedNumbersTest::secondsText()
{
    QFETCH(int, milliseconds);
    QFETCH(char, separator);
    QFETCH(QByteArray, text);
    QCOMPARE(QByteArray::fromStdString(galaxy::SecondsText(milliseconds, separator)), text);
}

// Every delay the prompt takes (0 to 60 seconds) shows as a text that the
// prompt reads back as the same delay, as short as it can be: no trailing
// zero after the period and no period without digits after it.
void TypedNumbersTest::secondsTextReadsBackAsTheDelay()
{
    for (std::int32_t milliseconds = 0; milliseconds <= 60000; ++milliseconds) {
        const std::string text = galaxy::SecondsText(milliseconds, '.');
        const auto readBack = galaxy::ToInt32(galaxy::LeadingNumber(text) * 1000.0);
        const bool trailingZero = text.find('.') != std::string::npos && text.back() == '0';
        if (!readBack || *readBack != milliseconds || trailingZero || text.back() == '.') {
            QFAIL(qPrintable(QStringLiteral("%1 ms shows as %2").arg(milliseconds).arg(QString::fromStdString(text))));
        }
    }
}

QTEST_APPLESS_MAIN(TypedNumbersTest)
#include "tst_typednumbers.moc"
