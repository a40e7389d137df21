#include "Schema.h"

#include "Settings.h"
#include "galaxy/TypedNumbers.h"
#include "state/Declare.h"

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

QString Read(const Key& key)
{
    return ReadSetting(QString::fromLatin1(key.section), QString::fromLatin1(key.name));
}

bool Write(const Key& key, const QString& text)
{
    return WriteSetting(QString::fromLatin1(key.section), QString::fromLatin1(key.name), text);
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

Options ReadOptions()
{
    Options options;
    ForEachOption(options, [](const Key& key, auto& value) {
        if constexpr (std::is_same_v<std::remove_reference_t<decltype(value)>, bool>) {
            value = ReadBack(key.form, Read(key));
        } else {
            value = Read(key);
        }
        return true;
    });
    return options;
}

bool WriteOptions(const Options& options)
{
    return ForEachOption(options, [](const Key& key, const auto& value) {
        if constexpr (std::is_same_v<std::remove_cvref_t<decltype(value)>, bool>) {
            return Write(key, Stored(key.form, value));
        } else {
            return Write(key, value);
        }
    });
}

QList<GalaxyEntry> LoadGalaxyList()
{
    const QString section = QString::fromLatin1(kGalaxies);
    QList<GalaxyEntry> offered;
    for (int n = 1; n <= Declare::kGalaxyEntries; ++n) {
        const auto i = static_cast<std::size_t>(n);
        Declare::pstrGalaxyName[i] = ReadSetting(section, GalaxyNameKey(n));
        Declare::pstrGalaxyFile[i] = ReadSetting(section, GalaxyFileReadKey(n));
        if (!Declare::pstrGalaxyName[i].isEmpty()) {
            offered.append(GalaxyEntry{n, Declare::pstrGalaxyName[i], Declare::pstrGalaxyFile[i]});
        }
    }
    return offered;
}

bool SaveGalaxyList(const QList<GalaxyEntry>& entries)
{
    const QString section = QString::fromLatin1(kGalaxies);
    for (const GalaxyEntry& entry : entries) {
        if (!WriteSetting(section, GalaxyNameKey(entry.number), entry.name)
            || !WriteSetting(section, GalaxyFileWriteKey(entry.number), entry.file)) {
            return false;
        }
    }
    return true;
}

} // namespace settings
