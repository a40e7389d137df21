// The report and the monitor's planet lines as a reader counts their
// columns, written out here apart from the program, so that the tests
// compare what it writes with what it should write.
//
// A line is the designation ("12.A"), Hab, Met and, in a report with the
// rating column, the rating. The system number of the designation and the
// blanks after the designation take 13 places, Hab and its blanks 14, Met
// and its blanks 14 before the rating; a number that does not begin with a
// minus sign takes one place more, that of the sign.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <algorithm>

namespace testsupport {

inline const QByteArray kReportHeader = "Planet.Sys    Hab          Met\r\n\r\n";
inline const QByteArray kReportHeaderWithRating = "Planet.Sys    Hab          Met      Murl's Rating\r\n\r\n";

// The blanks after a number in a column of that many places.
inline QString BlanksAfter(const QString& number, qsizetype column)
{
    const qsizetype width = number.size() + (number.startsWith(QLatin1Char('-')) ? 0 : 1);
    return QString(std::max<qsizetype>(0, column - width), QLatin1Char(' '));
}

inline QString PlanetLine(const QString& designation, const QString& hab, const QString& met,
                          const QString& rating = QString())
{
    const QString system = designation.section(QLatin1Char('.'), 0, 0);
    QString line = designation + BlanksAfter(system, 13) + hab + BlanksAfter(hab, 14) + met;
    if (!rating.isEmpty()) {
        line += BlanksAfter(met, 14) + rating;
    }
    return line;
}

// A line from its parts parted by single blanks: "12.A 50 30" or, with the
// rating, "12.A 50 30 280".
inline QString PlanetLine(const QString& parts)
{
    const QStringList part = parts.split(QLatin1Char(' '));
    return PlanetLine(part.value(0), part.value(1), part.value(2), part.value(3));
}

inline QStringList PlanetLines(const QStringList& parts)
{
    QStringList lines;
    for (const QString& planet : parts) {
        lines.append(PlanetLine(planet));
    }
    return lines;
}

// A whole report: its header, then each line with CR LF.
inline QByteArray Report(const QStringList& lines, bool withRating = false)
{
    QByteArray report = withRating ? kReportHeaderWithRating : kReportHeader;
    for (const QString& line : lines) {
        report += line.toLatin1() + "\r\n";
    }
    return report;
}

} // namespace testsupport
