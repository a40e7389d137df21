// The texts of the messages that several windows show, as the player reads
// them, misspellings included: what the tests expect to see in a box.
#pragma once

#include <QString>

namespace testsupport {

inline const QString kGenericErrorTitle = QStringLiteral("Critical Error");
inline const QString kGeneric = QStringLiteral("An Error Unknow Occured");
inline const QString kMissingTitle = QStringLiteral("Files dosent exist");

// The missing galaxy file of the Galaxy List entry with this name.
inline QString MissingText(const QString& name)
{
    return QStringLiteral("The file associated with the galaxy ") + name
           + QStringLiteral(" doesn't exist, please modify the Galaxy List!");
}

} // namespace testsupport
