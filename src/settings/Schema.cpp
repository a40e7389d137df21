#include "Schema.h"

#include "Settings.h"
#include "galaxy/TypedNumbers.h"

#include <type_traits>

namespace settings {

namespace {

QString Stored(Form form, bool value)
{
    if (form == Form::Tick) {
        return value ? QStringLiteral("1") : QStringLiteral("0");
    }
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

bool ReadBack(Form form, const QString& stored)
{
    if (form == Form::Tick) {
        return galaxy::LeadingNumber(stored.toStdString()) == 1.0;
    }
    return stored == QStringLiteral("True");
}

QString Read(Store& store, const Key& key)
{
    return store.text(QString::fromLatin1(key.section), QString::fromLatin1(key.name));
}

void Write(Store& store, const Key& key, const QString& text)
{
    store.setText(QString::fromLatin1(key.section), QString::fromLatin1(key.name), text);
}

// Hands each option with its key to visit, in the order they are written,
// and stops when visit returns false. Options may be const.
template <typename AnyOptions, typename Visit>
bool ForEachOption(AnyOptions& options, Visit&& visit)
{
    return visit(kHab, options.hab) && visit(kMet, options.met) && visit(kRating, options.rating)
           && visit(kOpen, options.open) && visit(kReader, options.reader) && visit(kNotePad, options.notePad);
}

} // namespace

QString GalaxyNameKey(int n)
{
    return QStringLiteral("Galaxy%1").arg(n);
}

QString GalaxyFileWriteKey(int n)
{
    return QStringLiteral("Galaxyfile%1").arg(n);
}

QString GalaxyFileReadKey(int n)
{
    return QStringLiteral("GalaxyFile%1").arg(n);
}

Options ReadOptions(Store& store)
{
    Options options;
    ForEachOption(options, [&store](const Key& key, auto& value) {
        if constexpr (std::is_same_v<std::remove_reference_t<decltype(value)>, bool>) {
            value = ReadBack(key.form, Read(store, key));
        } else {
            value = Read(store, key);
        }
        return true;
    });
    return options;
}

Options ReadOptions()
{
    Store store(Store::Use::Read);
    return ReadOptions(store);
}

bool WriteOptions(const Options& options)
{
    Store store(Store::Use::Write);
    ForEachOption(options, [&store](const Key& key, const auto& value) {
        if constexpr (std::is_same_v<std::remove_cvref_t<decltype(value)>, bool>) {
            Write(store, key, Stored(key.form, value));
        } else {
            Write(store, key, value);
        }
        return true;
    });
    return store.save();
}

GalaxyEntry ReadGalaxyEntry(Store& store, int n)
{
    const QString section = QString::fromLatin1(kGalaxies);
    return GalaxyEntry{n, store.text(section, GalaxyNameKey(n)), store.text(section, GalaxyFileReadKey(n))};
}

bool WriteGalaxyList(const QList<GalaxyEntry>& entries)
{
    const QString section = QString::fromLatin1(kGalaxies);
    Store store(Store::Use::Write);
    for (const GalaxyEntry& entry : entries) {
        store.setText(section, GalaxyNameKey(entry.number), entry.name);
        store.setText(section, GalaxyFileWriteKey(entry.number), entry.file);
    }
    return store.save();
}

} // namespace settings
