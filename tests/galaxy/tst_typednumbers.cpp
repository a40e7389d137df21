// The typed-number rule: the leading number of a text, rounding halves to
// even, and the range-checked conversions used for thresholds and counts.
#include "galaxy/GalaxyMerge.h"
#include "galaxy/TypedNumbers.h"

#include <QtTest>

#include <cmath>
#include <limits>

class TypedNumbersTest : public QObject {
    Q_OBJECT

private slots:
    void leadingNumber_data();
    void leadingNumber();
    void leadingNumberStaysInsideItsText();
    void roundHalfEven_data();
    void roundHalfEven();
    void textToInt16_data();
    void textToInt16();
    void toInt32Limits();
    void mergeRecordCount_data();
    void mergeRecordCount();
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
}

void TypedNumbersTest::leadingNumber()
{
    QFETCH(QByteArray, text);
    QFETCH(double, expected);
    QCOMPARE(galaxy::LeadingNumber(std::string_view(text.constData(), static_cast<std::size_t>(text.size()))),
             expected);
}

void TypedNumbersTest::leadingNumberStaysInsideItsText()
{
    // The view ends before the digits that follow in memory: they must not be read.
    const char text[] = "12345";
    QCOMPARE(galaxy::LeadingNumber(std::string_view(text, 2)), 12.0);
    const char exponent[] = "2E5";
    QCOMPARE(galaxy::LeadingNumber(std::string_view(exponent, 2)), 2.0);
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
    const auto value = galaxy::TextToInt16(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
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
    QCOMPARE(galaxy::TextToInt32(" 60").value_or(0), 60);
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

QTEST_APPLESS_MAIN(TypedNumbersTest)
#include "tst_typednumbers.moc"
