// What this program keeps in the settings store: every section and key, the
// form its value is stored in and how that is read back, and the operations
// that read and write them. Nothing else names a key.
#pragma once

#include "Settings.h"

#include <QList>
#include <QString>

namespace settings {

// How a value is stored and read back.
enum class Form {
    Text,      // the text as it stands, read back as it was stored
    Tick,      // a check box: "1" when ticked, "0" when clear; read back
               // ticked when the stored text's leading number is 1
    Selection, // an option button: "True" or "False"; read back selected
               // only when the stored text is exactly "True"
};

struct Key {
    const char* section;
    const char* name;
    Form form;
};

// The dump options, written by every dump in this order and read at startup.
inline constexpr Key kHab{"Options", "Hab", Form::Text};              // minimum habitability, as typed
inline constexpr Key kMet{"Options", "Met", Form::Text};              // minimum metal, as typed
inline constexpr Key kRating{"Options", "Rating", Form::Tick};        // the rating column
inline constexpr Key kOpen{"Options", "Open", Form::Tick};            // open the report after a dump
inline constexpr Key kReader{"Options", "Reader", Form::Selection};   // the built-in viewer
inline constexpr Key kNotePad{"Options", "NotePad", Form::Selection}; // the external editor

// The Galaxy List, section "Galaxies": entry n (1 to 4) keeps its display
// name under "Galaxy" n and its galaxy file name under "Galaxyfile" n, as the
// editor writes it; the list is read back as "GalaxyFile" n. Keys match
// without regard to case, so both spellings name the same key, and a store
// written by hand with either spelling reads the same.
inline constexpr const char* kGalaxies = "Galaxies";
QString GalaxyNameKey(int n);
QString GalaxyFileWriteKey(int n);
QString GalaxyFileReadKey(int n);

// The dump options as the main window holds them.
struct Options {
    QString hab; // the threshold texts, as typed
    QString met;
    bool rating = false;
    bool open = false;
    bool reader = false;
    bool notePad = false;
};

// The six options; a key that is not stored reads as the empty text. Read
// from a store already open, or from the store opened once for them.
Options ReadOptions(Store& store);
Options ReadOptions();

// Writes the six options in the order Hab, Met, Rating, Open, Reader and
// NotePad, with the store opened once for all six. False when the store
// refused them (see Store::save for what is then kept).
bool WriteOptions(const Options& options);

// A Galaxy List entry: its number (1 to 4), display name and galaxy file name.
struct GalaxyEntry {
    int number = 0;
    QString name;
    QString file;
};

// Galaxy List entry n as stored, named or not; a key that is not stored reads
// as the empty text.
GalaxyEntry ReadGalaxyEntry(Store& store, int n);

// Writes each entry's name and then its file name, in the order given, with
// the store opened once for all of them. False when the store refused them
// (see Store::save for what is then kept).
bool WriteGalaxyList(const QList<GalaxyEntry>& entries);

} // namespace settings
