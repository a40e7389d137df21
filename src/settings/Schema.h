// What this program keeps in the settings store, every section and key, the
// form each value is stored in and how it is read back. Nothing else names a
// key.
//
// Section "Options", written by every dump in the order Hab, Met, Rating,
// Open, Reader, NotePad and read at startup: the two threshold texts as
// typed; Rating and Open as "1" or "0", read back ticked when the stored
// text's leading number is 1; Reader and NotePad as "True" or "False", read
// back selected only when the text is exactly "True".
//
// Section "Galaxies", the Galaxy List: entry n (1 to 4) keeps its display name
// under "Galaxy" n and its galaxy file name under "Galaxyfile" n, as the
// editor writes it; the list reads it back as "GalaxyFile" n. Keys match
// without regard to case, so both spellings name the same key.
#pragma once

#include "Settings.h"

#include <QList>
#include <QString>

namespace settings {

// The dump options as the main window holds them.
struct Options {
    QString hab; // the threshold texts, as typed
    QString met;
    bool rating = false;
    bool open = false;
    bool reader = false;
    bool notePad = false;
};

// The six options; a key that is not stored reads as the empty text.
Options ReadOptions(Store& store);
// Writes the six options in their order with the store opened once for all
// six. False when the store refused them (see Store::save for what is kept).
bool WriteOptions(const Options& options);

// A Galaxy List entry: its number (1 to 4), display name and galaxy file name.
struct GalaxyEntry {
    int number = 0;
    QString name;
    QString file;
};

// Galaxy List entry n as stored, named or not.
GalaxyEntry ReadGalaxyEntry(Store& store, int n);
// Writes each entry's name and then its file name, in the order given, with
// the store opened once for all of them. False when the store refused them.
bool WriteGalaxyList(const QList<GalaxyEntry>& entries);

} // namespace settings
