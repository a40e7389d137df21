// The user's regional settings that the reports follow.
#pragma once

#include <QLocale>
#include <QString>

namespace platform {

// The decimal separator for reports and announcements: a comma where the
// user's regional settings say so, otherwise a period. Reports hold one byte
// per character, so no other separator is taken. On Windows the system
// locale asks the system each time (GetLocaleInfo, LOCALE_SDECIMAL), which
// answers with the sDecimal value that the regional options keep under
// HKEY_CURRENT_USER\Control Panel\International: a change there counts
// from the next dump on, without a restart.
inline char DecimalSeparator()
{
    return QLocale().decimalPoint() == QStringLiteral(",") ? ',' : '.';
}

} // namespace platform
