// The report's number form and the planet line layout.
#include "galaxy/PlanetLine.h"
#include "support/CommaLocale.h"
#include "support/GalaxyBuilder.h"

#include <QtTest>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

// The number form written into a buffer of just the size it asks for.
std::string NumberText(float value, char decimalSeparator)
{
    char text[galaxy::kMaxNumberText];
    return std::string(text, galaxy::FormatReportNumber(value, decimalSeparator, text));
}

} // namespace

class PlanetLineTest : public QObject {
    Q_OBJECT

private slots:
    void numberForm_data();
    void numberForm();
    void numberFormMatchesSevenSignificantDigits();
    void numberFormIgnoresTheLocale();
    void percentValues_data();
    void percentValues();
    void planetLine_data();
    void planetLine();
    void columnsNeverShrinkBelowZeroFill();
    void qualifies_data();
    void qualifies();
    void ratingOverflow();
    void thresholdTexts_data();
    void thresholdTexts();
    void overflowRules_data();
    void overflowRules();
};

void PlanetLineTest::numberForm_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QByteArray>("period");
    QTest::addColumn<QByteArray>("comma");

    QTest::newRow("whole") << 50.0F << QByteArray("50") << QByteArray("50");
    QTest::newRow("one decimal") << 37.5F << QByteArray("37.5") << QByteArray("37,5");
    QTest::newRow("two decimals") << 12.34F << QByteArray("12.34") << QByteArray("12,34");
    QTest::newRow("below one") << 0.5F << QByteArray("0.5") << QByteArray("0,5");
    QTest::newRow("280") << 280.0F << QByteArray("280") << QByteArray("280");
    QTest::newRow("zero") << 0.0F << QByteArray("0") << QByteArray("0");
    QTest::newRow("negative zero") << -0.0F << QByteArray("0") << QByteArray("0");
    QTest::newRow("negative") << -3.25F << QByteArray("-3.25") << QByteArray("-3,25");
    QTest::newRow("seven digits") << 1234567.0F << QByteArray("1234567") << QByteArray("1234567");
    QTest::newRow("largest plain") << 9999999.0F << QByteArray("9999999") << QByteArray("9999999");
    QTest::newRow("ten million") << 10000000.0F << QByteArray("1E+07") << QByteArray("1E+07");
    QTest::newRow("exponent form") << 12345678.0F << QByteArray("1.234568E+07") << QByteArray("1,234568E+07");
    QTest::newRow("rounds up to ten million") << 9999999.5F << QByteArray("1E+07") << QByteArray("1E+07");
    QTest::newRow("largest single") << std::numeric_limits<float>::max() << QByteArray("3.402823E+38")
                                    << QByteArray("3,402823E+38");
    QTest::newRow("smallest plain") << 0.0001F << QByteArray("0.0001") << QByteArray("0,0001");
    QTest::newRow("below 0.0001") << 0.00001F << QByteArray("1E-05") << QByteArray("1E-05");
    QTest::newRow("small with digits") << -0.000012345678F << QByteArray("-1.234568E-05")
                                       << QByteArray("-1,234568E-05");
    QTest::newRow("subnormal") << std::numeric_limits<float>::denorm_min() << QByteArray("1.401298E-45")
                               << QByteArray("1,401298E-45");
    QTest::newRow("seven significant digits") << 45.525238F << QByteArray("45.52524") << QByteArray("45,52524");
    QTest::newRow("0.53 times 100") << 0.53F * 100.0F << QByteArray("53") << QByteArray("53");
    QTest::newRow("0.3 times 100") << 0.3F * 100.0F << QByteArray("30") << QByteArray("30");
    QTest::newRow("just below 0.0001 rounds up to it")
        << 0.000099999997F << QByteArray("0.0001") << QByteArray("0,0001");
    QTest::newRow("a tie rounds to even") << 1234567.5F << QByteArray("1234568") << QByteArray("1234568");
    QTest::newRow("another tie rounds to even") << 1234568.5F << QByteArray("1234568") << QByteArray("1234568");
    QTest::newRow("leading zeros after the point") << 0.00123F << QByteArray("0.00123") << QByteArray("0,00123");
    QTest::newRow("exponent form, a tie up to even")
        << 12345675.0F << QByteArray("1.234568E+07") << QByteArray("1,234568E+07");
    QTest::newRow("exponent form, a tie down to even")
        << 12345665.0F << QByteArray("1.234566E+07") << QByteArray("1,234566E+07");
    QTest::newRow("exponent form, whole digits") << 30000000.0F << QByteArray("3E+07") << QByteArray("3E+07");
    QTest::newRow("negative, exponent form") << -4.5e-20F << QByteArray("-4.5E-20") << QByteArray("-4,5E-20");
    QTest::newRow("infinite") << std::numeric_limits<float>::infinity() << QByteArray("INF") << QByteArray("INF");
    QTest::newRow("negative infinite") << -std::numeric_limits<float>::infinity() << QByteArray("-INF")
                                       << QByteArray("-INF");
    QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << QByteArray("NAN") << QByteArray("NAN");
    QTest::newRow("not a number, sign set")
        << -std::numeric_limits<float>::quiet_NaN() << QByteArray("-NAN") << QByteArray("-NAN");
}

void PlanetLineTest::numberForm()
{
    QFETCH(float, value);
    QFETCH(QByteArray, period);
    QFETCH(QByteArray, comma);
    QCOMPARE(QByteArray::fromStdString(NumberText(value, '.')), period);
    QCOMPARE(QByteArray::fromStdString(NumberText(value, ',')), comma);
}

void PlanetLineTest::numberFormMatchesSevenSignificantDigits()
{
    // Across the whole single range, the text is the C library's %.7G of the
    // value: seven significant digits, shortest, exponent form at the borders.
    // Every third value is any bit pattern, the others lie where the plain
    // decimal form is used: percent values and powers of ten around it.
    std::mt19937 random(20261207);
    std::uniform_real_distribution<float> fraction(0.0F, 1.0F);
    std::uniform_real_distribution<double> decade(-5.0, 8.0);
    for (int i = 0; i < 300000; ++i) {
        const auto bits = static_cast<std::uint32_t>(random()); // mt19937 gives 32-bit values
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (i % 3 == 1) {
            value = fraction(random) * 100.0F;
        } else if (i % 3 == 2) {
            value = static_cast<float>(std::pow(10.0, decade(random))) * (bits % 2 == 0 ? 1.0F : -1.0F);
        }
        if (!std::isfinite(value) || value == 0.0F) {
            continue;
        }
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.7G", static_cast<double>(value));
        const std::string text = NumberText(value, '.');
        if (text != expected) {
            QFAIL(qPrintable(QStringLiteral("bits %1: got %2, expected %3")
                                 .arg(bits, 8, 16, QLatin1Char('0'))
                                 .arg(QString::fromStdString(text), QString::fromLatin1(expected))));
        }
        QVERIFY(text.size() <= galaxy::kMaxNumberText);
    }
}

void PlanetLineTest::numberFormIgnoresTheLocale()
{
    // The texts made in the "C" locale are made again in a locale whose
    // decimal separator is a comma, where printf writes commas: the number
    // form must not change, and must keep the separator it is given.
    std::mt19937 random(31);
    std::vector<float> values = {37.5F, 0.5F, 12.34F, 1.234568e7F, 1e-5F, -3.25F, 1234567.5F};
    for (int i = 0; i < 20000; ++i) {
        const auto bits = static_cast<std::uint32_t>(random()); // mt19937 gives 32-bit values
        float value;
        std::memcpy(&value, &bits, sizeof value);
        values.push_back(i % 2 == 0 ? value : static_cast<float>(bits % 10000000U) / 1000.0F);
    }
    std::vector<std::string> before;
    for (const float value : values) {
        before.push_back(NumberText(value, '.'));
    }
    testsupport::CommaLocale comma;
    if (!comma.active()) {
        QSKIP(testsupport::CommaLocale::kMissing);
    }
    char printed[16];
    std::snprintf(printed, sizeof printed, "%.1f", 2.5);
    QCOMPARE(QByteArray(printed), QByteArray("2,5")); // the locale is in force
    for (std::size_t i = 0; i < values.size(); ++i) {
        QCOMPARE(NumberText(values[i], '.'), before[i]);
    }
    QCOMPARE(NumberText(37.5F, '.'), std::string("37.5"));
    QCOMPARE(galaxy::PlanetLineText(12, 1, 50.5F, 30.0F, nullptr, '.'), std::string("12.A          50.5         30"));
}

void PlanetLineTest::percentValues_data()
{
    QTest::addColumn<float>("stored");
    QTest::addColumn<float>("percent");
    QTest::newRow("0.5 reads 50") << 0.5F << 50.0F;
    QTest::newRow("1.0 reads 100") << 1.0F << 100.0F;
    QTest::newRow("0.37 reads 37") << 0.37F << 37.0F;
    QTest::newRow("0.53 reads 52.999996") << 0.53F << 52.999996F;
    QTest::newRow("0.3 reads 30.000002") << 0.3F << 30.000002F;
}

void PlanetLineTest::percentValues()
{
    QFETCH(float, stored);
    QFETCH(float, percent);
    QCOMPARE(galaxy::ToPercent(stored), percent);
}

void PlanetLineTest::planetLine_data()
{
    QTest::addColumn<int>("system");
    QTest::addColumn<int>("slot");
    QTest::addColumn<float>("hab");
    QTest::addColumn<float>("met");
    QTest::addColumn<bool>("rating");
    QTest::addColumn<char>("separator");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray b10(10, ' ');
    const QByteArray b11(11, ' ');
    QTest::newRow("with rating") << 12 << 1 << 50.0F << 30.0F << true << '.'
                                 << "12.A" + b10 + "50" + b11 + "30" + b11 + "280";
    QTest::newRow("without rating") << 12 << 1 << 50.0F << 30.0F << false << '.' << "12.A" + b10 + "50" + b11 + "30";
    QTest::newRow("four digits, decimal") << 1234 << 3 << 37.5F << 8.0F << false << '.'
                                          << "1234.C" + QByteArray(8, ' ') + "37.5" + QByteArray(9, ' ') + "8";
    QTest::newRow("rating 195.5") << 1234 << 3 << 37.5F << 8.0F << true << '.'
                                  << "1234.C" + QByteArray(8, ' ') + "37.5" + QByteArray(9, ' ') + "8"
                                         + QByteArray(12, ' ') + "195.5";
    QTest::newRow("comma separator") << 1234 << 3 << 37.5F << 8.0F << true << ','
                                     << "1234.C" + QByteArray(8, ' ') + "37,5" + QByteArray(9, ' ') + "8"
                                            + QByteArray(12, ' ') + "195,5";
    QTest::newRow("five digits") << 12345 << 6 << 1.0F << 2.0F << false << '.'
                                 << "12345.F" + QByteArray(7, ' ') + "1" + QByteArray(12, ' ') + "2";
    QTest::newRow("negative system widens its column")
        << -32768 << 1 << 1.0F << 2.0F << false << '.'
        << "-32768.A" + QByteArray(7, ' ') + "1" + QByteArray(12, ' ') + "2";
    QTest::newRow("negative hab widens its column")
        << 7 << 2 << -1.5F << 2.0F << false << '.' << "7.B" + QByteArray(11, ' ') + "-1.5" + QByteArray(10, ' ') + "2";
    QTest::newRow("longest numbers fill with nothing")
        << 1 << 1 << -0.000012345678F << -12345678.0F << true << '.'
        << "1.A" + QByteArray(11, ' ') + "-1.234568E-05" + QByteArray(1, ' ') + "-1.234568E+07" + QByteArray(1, ' ')
               + "-1.234568E+07";
}

void PlanetLineTest::planetLine()
{
    QFETCH(int, system);
    QFETCH(int, slot);
    QFETCH(float, hab);
    QFETCH(float, met);
    QFETCH(bool, rating);
    QFETCH(char, separator);
    QFETCH(QByteArray, expected);
    bool overflow = false;
    const float ratingValue = galaxy::RatingOf(hab, met, overflow);
    QVERIFY(!overflow);
    const std::string line = galaxy::PlanetLineText(static_cast<galaxy::SystemNumber>(system), slot, hab, met,
                                                    rating ? &ratingValue : nullptr, separator);
    QCOMPARE(QByteArray::fromStdString(line), expected);
}

void PlanetLineTest::columnsNeverShrinkBelowZeroFill()
{
    // For values that are not negative each column keeps its width whatever
    // the number: 14 for the designation, 13 for Hab and Met.
    const float values[] = {0.0F, 5.0F, 99.99999F, 1234567.0F, 0.00012345F, 1.2345678e-7F, 3.4e38F};
    for (float hab : values) {
        const std::string line = galaxy::PlanetLineText(9, 1, hab, 1.0F, nullptr, '.');
        QCOMPARE(line.find_first_not_of(' ', 14), std::size_t(14));
        QCOMPARE(line.size(), std::size_t(14 + 13 + 1));
    }
}

void PlanetLineTest::qualifies_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("count");
    QTest::addColumn<float>("hab");
    QTest::addColumn<float>("met");
    QTest::addColumn<bool>("expected");
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("at both thresholds") << 1 << 1 << 50.0F << 30.0F << true;
    QTest::newRow("just below hab") << 1 << 1 << 49.99999F << 30.0F << false;
    QTest::newRow("slot above the count") << 3 << 2 << 90.0F << 90.0F << false;
    QTest::newRow("slot at the count") << 2 << 2 << 90.0F << 90.0F << true;
    QTest::newRow("count zero") << 1 << 0 << 90.0F << 90.0F << false;
    QTest::newRow("count negative") << 1 << -3 << 90.0F << 90.0F << false;
    QTest::newRow("count above six") << 6 << 7 << 90.0F << 90.0F << true;
    QTest::newRow("hab not a number") << 1 << 1 << nan << 90.0F << false;
    QTest::newRow("met infinite") << 1 << 1 << 90.0F << inf << false;
}

void PlanetLineTest::qualifies()
{
    QFETCH(int, slot);
    QFETCH(int, count);
    QFETCH(float, hab);
    QFETCH(float, met);
    QFETCH(bool, expected);
    QCOMPARE(
        galaxy::PlanetQualifies(slot, static_cast<galaxy::PlanetCount>(count), hab, met, galaxy::Thresholds{50, 30}),
        expected);
}

void PlanetLineTest::ratingOverflow()
{
    bool overflow = false;
    QCOMPARE(galaxy::RatingOf(50.0F, 30.0F, overflow), 280.0F);
    QVERIFY(!overflow);
    (void)galaxy::RatingOf(1e38F, 0.0F, overflow);
    QVERIFY(overflow);
    (void)galaxy::RatingOf(3e38F, 3e38F, overflow);
    QVERIFY(overflow);
    // Hab x 5 is rounded to single before Met is added.
    const float hab = 16777217.0F / 5.0F;
    const float habTimesFive = hab * 5.0F;
    QCOMPARE(galaxy::RatingOf(hab, 1.0F, overflow), habTimesFive + 1.0F);
}

// A threshold text read by the one rule of the dump and the monitor: the
// leading number, rounded with halves to the even neighbour; outside the
// 16-bit range the dump refuses it and the monitor holds it at the nearer end.
void PlanetLineTest::thresholdTexts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("clamped");
    QTest::addColumn<bool>("refused");
    QTest::newRow("zero") << QByteArray("0") << 0 << false;
    QTest::newRow("empty") << QByteArray() << 0 << false;
    QTest::newRow("no number") << QByteArray("ab") << 0 << false;
    QTest::newRow("minus sign alone") << QByteArray("-") << 0 << false;
    QTest::newRow("nan is no number") << QByteArray("nan") << 0 << false;
    QTest::newRow("blanks then digits") << QByteArray(" \t7x") << 7 << false;
    QTest::newRow("2.5 rounds to 2") << QByteArray("2.5") << 2 << false;
    QTest::newRow("7.5 rounds to 8") << QByteArray("7.5") << 8 << false;
    QTest::newRow("lowest") << QByteArray("-32768") << -32768 << false;
    QTest::newRow("-32768.5 rounds to -32768") << QByteArray("-32768.5") << -32768 << false;
    QTest::newRow("highest") << QByteArray("32767") << 32767 << false;
    QTest::newRow("1e4") << QByteArray("1e4") << 10000 << false;
    QTest::newRow("32767.5 rounds to 32768") << QByteArray("32767.5") << 32767 << true;
    QTest::newRow("-32769") << QByteArray("-32769") << -32768 << true;
    QTest::newRow("99999") << QByteArray("99999") << 32767 << true;
    QTest::newRow("beyond the double range") << QByteArray("1e400") << 32767 << true;
    QTest::newRow("below it") << QByteArray("-1e400") << -32768 << true;
    QTest::newRow("a thousand nines") << QByteArray(1000, '9') << 32767 << true;
}

void PlanetLineTest::thresholdTexts()
{
    QFETCH(QByteArray, text);
    QFETCH(int, clamped);
    QFETCH(bool, refused);
    const std::string_view typed(text.constData(), static_cast<std::size_t>(text.size()));
    // The text as either threshold, beside one that is always taken.
    for (const bool asHab : {true, false}) {
        const std::string_view hab = asHab ? typed : std::string_view("1");
        const std::string_view met = asHab ? std::string_view("1") : typed;
        const auto byMonitor = galaxy::ThresholdsOf(hab, met, galaxy::OutOfRange::Clamped);
        const auto byDump = galaxy::ThresholdsOf(hab, met, galaxy::OutOfRange::Refused);
        QVERIFY(byMonitor.has_value());
        QCOMPARE(asHab ? byMonitor->minHab : byMonitor->minMet, clamped);
        QCOMPARE(asHab ? byMonitor->minMet : byMonitor->minHab, 1);
        QCOMPARE(byDump.has_value(), !refused);
        if (byDump) {
            // Where the dump takes a text, the two read it alike.
            QCOMPARE(byDump->minHab, byMonitor->minHab);
            QCOMPARE(byDump->minMet, byMonitor->minMet);
        }
    }
}

// The planets of one record that reach thresholds of 0 and 0, as slot
// letters, under each overflow rule: the report fails at a finite value whose
// hundredfold leaves the single range, in any slot, after the planets before
// it; the monitor passes over that planet alone.
void PlanetLineTest::overflowRules_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<float>>("values"); // Hab and Met of slots 1 to 6, in turn
    QTest::addColumn<QString>("report");      // the letters listed, then "!" when it fails
    QTest::addColumn<QString>("monitor");
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const auto values = [](std::initializer_list<float> given) {
        QList<float> all(given);
        all.resize(2 * galaxy::kPlanetSlots, 0.0F);
        return all;
    };
    QTest::newRow("no overflow") << 3 << values({0.5F, 0.5F, 0.1F, 0.9F, -0.1F, 0.5F}) << "AB"
                                 << "AB";
    QTest::newRow("Hab of slot 2 overflows") << 3 << values({0.5F, 0.5F, 3e38F, 0.5F, 0.5F, 0.5F}) << "A!"
                                             << "AC";
    QTest::newRow("Met below the range") << 2 << values({0.5F, -3e38F, 0.5F, 0.5F}) << "!"
                                         << "B";
    QTest::newRow("overflow beyond the count") << 1 << values({0.5F, 0.5F, 0.0F, 0.0F, 1e37F, 0.0F}) << "A!"
                                               << "A";
    QTest::newRow("largest that stays in range") << 1 << values({3.4e36F, 0.5F}) << "A"
                                                 << "A";
    QTest::newRow("infinite and NaN are no overflow") << 3 << values({inf, 0.5F, 0.5F, nan, 0.5F, 0.5F}) << "C"
                                                      << "C";
}

void PlanetLineTest::overflowRules()
{
    QFETCH(int, count);
    QFETCH(QList<float>, values);
    QFETCH(QString, report);
    QFETCH(QString, monitor);
    galaxy::SystemRecord record = testsupport::MakeRecord(7, static_cast<galaxy::PlanetCount>(count));
    for (int j = 1; j <= galaxy::kPlanetSlots; ++j) {
        record.setPlanet(j, galaxy::Hab{values[2 * (j - 1)]}, galaxy::Met{values[2 * (j - 1) + 1]});
    }
    for (const galaxy::Overflow rule : {galaxy::Overflow::Fails, galaxy::Overflow::NotAPlanet}) {
        QString listed;
        bool finite = true;
        const auto list = [&](int slot, float hab, float met) {
            finite = finite && std::isfinite(hab) && std::isfinite(met);
            listed += QChar(galaxy::SlotLetter(slot));
            return true;
        };
        if (!galaxy::ForEachQualifyingPlanet(record, galaxy::Thresholds{0, 0}, rule, list)) {
            listed += QLatin1Char('!');
        }
        QCOMPARE(listed, rule == galaxy::Overflow::Fails ? report : monitor);
        QVERIFY(finite);
    }
}

QTEST_APPLESS_MAIN(PlanetLineTest)
#include "tst_planetline.moc"
