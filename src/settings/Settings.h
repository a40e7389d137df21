// The per-user settings store: texts by section and key under the
// application "Quarrimax2". What the program keeps there is in Schema.h. Keys and sections match without regard to letter
// case, whatever case a value was first stored with.
//
// On Linux the store is $XDG_CONFIG_HOME/Quarrimax2/Quarrimax2.conf (normally
// ~/.config/Quarrimax2/Quarrimax2.conf); on Windows the registry key
// HKEY_CURRENT_USER\Software\Quarrimax2\Quarrimax2. Nothing else is read:
// not the organization-wide or system-wide stores (/etc/xdg,
// HKEY_LOCAL_MACHINE, /Library/Preferences). A store file that is no plain
// file (a pipe, a device, a link to one) is never opened: it reads as an
// empty store and refuses every write.
#pragma once

#include <QString>

namespace settings {

// The stored text, or the empty text when the key, its section or the whole
// store does not exist. Never fails.
QString ReadSetting(const QString& section, const QString& key);

// Stores the text, replacing the key's whole value; creates the store and the
// section as needed. Returns false when the store refused the write.
bool WriteSetting(const QString& section, const QString& key, const QString& text);

} // namespace settings
