#include "Schema.h"

#include "galaxy/TypedNumbers.h"

namespace settings {

namespace {

const QString kOptions = QStringLiteral("Options");
const QString kGalaxies = QStringLiteral("Galaxies");

QString Tick(bool ticked)
{
    return ticked ? QStringLiteral("1") : QStringLiteral("0");
}

bool Ticked(const QString& stored)
{
    return galaxy::LeadingNumber(stored.toStdString()) == 1.0;
}

QString Selection(bool selected)
{
    return selected ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

Options ReadOptions(Store& store)
{
    const auto read = [&store](const char* key) { return store.text(kOptions, QString::fromLatin1(key)); };
    return Options{read("Hab"),
                   read("Met"),
                   Ticked(read("Rating")),
                   Ticked(read("Open")),
                   read("Reader") == QStringLiteral("True"),
                   read("NotePad") == QStringLiteral("True")};
}

bool WriteOptions(const Options& options)
{
    Store store(Store::Use::Write);
    const auto write = [&store](const char* key, const QString& text) {
        store.setText(kOptions, QString::fromLatin1(key), text);
    };
    write("Hab", options.hab);
    write("Met", options.met);
    write("Rating", Tick(options.rating));
    write("Open", Tick(options.open));
    write("Reader", Selection(options.reader));
    write("NotePad", Selection(options.notePad));
    return store.save();
}

GalaxyEntry ReadGalaxyEntry(Store& store, int n)
{
    return GalaxyEntry{n, store.text(kGalaxies, QStringLiteral("Galaxy%1").arg(n)),
                       store.text(kGalaxies, QStringLiteral("GalaxyFile%1").arg(n))};
}

bool WriteGalaxyList(const QList<GalaxyEntry>& entries)
{
    Store store(Store::Use::Write);
    for (const GalaxyEntry& entry : entries) {
        store.setText(kGalaxies, QStringLiteral("Galaxy%1").arg(entry.number), entry.name);
        store.setText(kGalaxies, QStringLiteral("Galaxyfile%1").arg(entry.number), entry.file);
    }
    return store.save();
}

} // namespace settings
