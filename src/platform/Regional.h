// The user's regional settings that the reports follow.
#pragma once

#include <QLocale>
#include <QString>

namespace platform {

// The decimal separator for reports and announcements: a comma where the
// user's regional settings say so, otherwise a period. Reports hold one byte
// per character, so no other separator is taken.
inline char DecimalSeparator()
{
    return QLocale().decimalPoint() == QStringLiteral(",") ? ',' : '.';
}

} // namespace platform
