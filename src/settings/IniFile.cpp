#include "IniFile.h"

#include <QDataStream>
#include <QHash>
#include <QIODevice>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace settings {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

// One line as QSettings reads an INI file: it may run over several lines of
// the file (a quoted text with line breaks, a backslash before a line
// break), ends before a ";" outside quotes, and a line that begins with ";"
// is a comment and skipped. equals is the first "=" outside quotes, or -1.
struct Line {
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype equals = -1;
    // What it takes to end the line when it runs to the end of the data: a
    // blank after a backslash that escapes nothing yet, a quote for a quote
    // left open, and a line break (the last one may be escaped or quoted).
    // None changes what the line reads as.
    QByteArray closer;
};

// Reads the line that begins at pos or after it, up to limit, and moves pos
// past it. False when nothing is left.
bool NextLine(const char* data, qsizetype limit, qsizetype& pos, Line& line)
{
    bool quoted = false;
    bool dangling = false;
    line.equals = -1;
    qsizetype start = pos;
    while (start < limit && IsBlank(data[start])) {
        ++start;
    }
    // The characters that mean something on a line; the rest are passed over.
    static constexpr auto kSpecial = [] {
        std::array<bool, 256> special{};
        for (const char c : {'=', '\n', '\r', '\\', '"', ';'}) {
            special[static_cast<unsigned char>(c)] = true;
        }
        return special;
    }();
    qsizetype i = start;
    while (i < limit) {
        while (i < limit && !kSpecial[static_cast<unsigned char>(data[i])]) {
            ++i;
        }
        if (i == limit) {
            break;
        }
        const char c = data[i++];
        if (c == '=') {
            if (!quoted && line.equals < 0) {
                line.equals = i - 1;
            }
        } else if (IsLineEnd(c)) {
            if (i == start + 1) {
                ++start;
            } else if (!quoted) {
                --i;
                break;
            }
        } else if (c == '\\') {
            // The next character is taken as it is; a line break made of two
            // characters counts as one.
            if (i < limit) {
                const char next = data[i++];
                if (i < limit && ((next == '\n' && data[i] == '\r') || (next == '\r' && data[i] == '\n'))) {
                    ++i;
                }
            } else {
                dangling = true;
            }
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ';') {
            if (i == start + 1) {
                while (i < limit && !IsLineEnd(data[i])) {
                    ++i;
                }
                while (i < limit && IsBlank(data[i])) {
                    ++i;
                }
                start = i;
            } else if (!quoted) {
                --i;
                break;
            }
        }
    }
    pos = i;
    line.start = start;
    line.end = i;
    line.closer.clear();
    if (i == limit) {
        if (dangling) {
            line.closer += ' ';
        }
        if (quoted) {
            line.closer += '"';
        }
        // After an escaped "\r" a "\n" would join it as one escaped break.
        line.closer += line.closer.isEmpty() && limit > 0 && data[limit - 1] == '\r' ? '\r' : '\n';
    }
    return i > start;
}

// Just past the line break of the file line on which position pos stands.
qsizetype AfterLineBreak(const QByteArray& data, qsizetype pos)
{
    const qsizetype size = data.size();
    while (pos < size && !IsLineEnd(data[pos])) {
        ++pos;
    }
    if (pos < size && data[pos] == '\r') {
        ++pos;
        if (pos < size && data[pos] == '\n') {
            ++pos;
        }
    } else if (pos < size) {
        ++pos;
    }
    return pos;
}

QByteArrayView Trimmed(QByteArrayView bytes)
{
    return bytes.trimmed();
}

// A key or section name as stored: "\" stands for "/", "%XX" and "%UXXXX"
// for the character of that hexadecimal code.
QString UnescapedName(QByteArrayView stored)
{
    const QString decoded = QString::fromUtf8(stored);
    QString name;
    name.reserve(decoded.size());
    qsizetype i = 0;
    while (i < decoded.size()) {
        const QChar c = decoded.at(i);
        if (c == u'\\') {
            name += u'/';
            ++i;
            continue;
        }
        if (c != u'%' || i == decoded.size() - 1) {
            name += c;
            ++i;
            continue;
        }
        qsizetype first = i + 1;
        int digits = 2;
        if (decoded.at(first) == u'U') {
            ++first;
            digits = 4;
        }
        bool ok = false;
        const ushort code =
            first + digits <= decoded.size() ? QStringView(decoded).sliced(first, digits).toUShort(&ok, 16) : 0;
        if (!ok) {
            name += u'%';
            ++i;
            continue;
        }
        name += QChar(code);
        i = first + digits;
    }
    return name;
}

QVariant StoredType(const QString& text)
{
    if (text.startsWith(u'@')) {
        if (text.endsWith(u')')) {
            const auto arguments = [&](qsizetype open) {
                QStringList list;
                QString item;
                for (qsizetype i = open + 1; i < text.size(); ++i) {
                    const QChar c = text.at(i);
                    if (c == u')') {
                        list.append(item);
                    } else if (c == u' ') {
                        list.append(item);
                        item.clear();
                    } else {
                        item += c;
                    }
                }
                return list;
            };
            if (text.startsWith(QLatin1StringView("@ByteArray("))) {
                return QVariant(QStringView(text).sliced(11).chopped(1).toLatin1());
            }
            if (text.startsWith(QLatin1StringView("@String("))) {
                return QVariant(QStringView(text).sliced(8).chopped(1).toString());
            }
            if (text.startsWith(QLatin1StringView("@Variant(")) || text.startsWith(QLatin1StringView("@DateTime("))) {
                const bool dateTime = text.at(1) == u'D';
                QByteArray bytes = QStringView(text).sliced(dateTime ? 10 : 9).toLatin1();
                QDataStream stream(&bytes, QIODevice::ReadOnly);
                stream.setVersion(dateTime ? QDataStream::Qt_5_6 : QDataStream::Qt_4_0);
                QVariant value;
                stream >> value;
                return value;
            }
            if (text.startsWith(QLatin1StringView("@Rect("))) {
                const QStringList a = arguments(5);
                if (a.size() == 4) {
                    return QVariant(QRect(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt()));
                }
            } else if (text.startsWith(QLatin1StringView("@Size("))) {
                const QStringList a = arguments(5);
                if (a.size() == 2) {
                    return QVariant(QSize(a[0].toInt(), a[1].toInt()));
                }
            } else if (text.startsWith(QLatin1StringView("@Point("))) {
                const QStringList a = arguments(6);
                if (a.size() == 2) {
                    return QVariant(QPoint(a[0].toInt(), a[1].toInt()));
                }
            } else if (text == QLatin1StringView("@Invalid()")) {
                return {};
            }
        }
        if (text.startsWith(QLatin1StringView("@@"))) {
            return QVariant(text.sliced(1));
        }
    }
    return QVariant(text);
}

// A stored value as QSettings reads it: blanks around it dropped unless
// quoted, backslash escapes, and commas outside quotes making a list.
QVariant DecodedValue(QByteArrayView stored)
{
    QStringDecoder fromUtf8(QStringDecoder::Utf8);
    QString current;
    QStringList items;
    bool isList = false;
    bool inQuotes = false;
    bool currentQuoted = false;
    bool chopAtEnd = true;
    const qsizetype size = stored.size();
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < size && (stored[i] == ' ' || stored[i] == '\t')) {
            ++i;
        }
    };
    const auto chop = [&](qsizetype limit) {
        qsizetype n = current.size();
        while (n > limit && (current.at(n - 1) == u' ' || current.at(n - 1) == u'\t')) {
            --n;
        }
        current.truncate(n);
    };
    // A number escape: digits of the base as long as they come.
    const auto number = [&](int base) {
        char16_t value = 0;
        while (i < size) {
            const char c = stored[i];
            int digit = -1;
            if (c >= '0' && c <= '9') {
                digit = c - '0';
            } else if (base == 16 && c >= 'a' && c <= 'f') {
                digit = c - 'a' + 10;
            } else if (base == 16 && c >= 'A' && c <= 'F') {
                digit = c - 'A' + 10;
            }
            if (digit < 0 || digit >= base) {
                break;
            }
            value = static_cast<char16_t>(value * base + digit);
            ++i;
        }
        current += QChar(value);
        if (i >= size) {
            chopAtEnd = false;
        }
    };

    skipBlanks();
    qsizetype chopLimit = 0;
    while (i < size) {
        const char c = stored[i];
        if (c == '\\') {
            ++i;
            if (i >= size) {
                chopAtEnd = false;
                break;
            }
            const char escaped = stored[i++];
            static constexpr std::pair<char, char> kNamed[] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                                               {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                                               {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
            const auto named = std::find_if(std::begin(kNamed), std::end(kNamed),
                                            [&](const auto& pair) { return pair.first == escaped; });
            if (named != std::end(kNamed)) {
                current += QLatin1Char(named->second);
            } else if (escaped == 'x') {
                if (i >= size) {
                    chopAtEnd = false;
                    break;
                }
                if (std::isxdigit(static_cast<unsigned char>(stored[i]))) {
                    number(16);
                }
            } else if (escaped >= '0' && escaped <= '7') {
                --i;
                number(8);
            } else if (IsLineEnd(escaped)) {
                if (i < size && IsLineEnd(stored[i]) && stored[i] != escaped) {
                    ++i;
                }
            }
            // any other escaped character is dropped
            if (!chopAtEnd) {
                break;
            }
            chopLimit = current.size();
        } else if (c == '"') {
            ++i;
            currentQuoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipBlanks();
                chopLimit = current.size();
            }
        } else if (c == ',' && !inQuotes) {
            if (!currentQuoted) {
                chop(chopLimit);
            }
            isList = true;
            items.append(current);
            current.clear();
            currentQuoted = false;
            ++i;
            skipBlanks();
            chopLimit = 0;
        } else {
            qsizetype j = i + 1;
            while (j < size && stored[j] != '\\' && stored[j] != '"' && stored[j] != ',') {
                ++j;
            }
            current += fromUtf8(stored.sliced(i, j - i));
            i = j;
        }
    }
    if (chopAtEnd && !currentQuoted) {
        chop(chopLimit);
    }
    if (!isList) {
        return StoredType(current);
    }
    items.append(current);
    const bool typed = std::any_of(items.cbegin(), items.cend(), [](const QString& item) {
        return item.startsWith(u'@') && !item.startsWith(QLatin1StringView("@@"));
    });
    if (typed) {
        QVariantList values;
        for (const QString& item : std::as_const(items)) {
            values.append(StoredType(item));
        }
        return values;
    }
    for (QString& item : items) {
        if (item.startsWith(u'@')) {
            item.remove(0, 1);
        }
    }
    return items;
}

// Among the names, the one that matches wanted without regard to case: an
// exact match, otherwise the first in sorted order. -1 when none does.
template <typename Items>
int Matching(const Items& items, const QString& wanted)
{
    int found = -1;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        const QString& name = items[static_cast<std::size_t>(i)].name;
        if (name == wanted) {
            return i;
        }
        if (name.compare(wanted, Qt::CaseInsensitive) == 0
            && (found < 0 || name < items[static_cast<std::size_t>(found)].name)) {
            found = i;
        }
    }
    return found;
}

} // namespace

IniFile::IniFile(QByteArray data) : m_data(std::move(data))
{
    parse();
}

void IniFile::parse()
{
    const char* data = m_data.constData();
    const qsizetype size = m_data.size();
    qsizetype pos = m_data.startsWith("\xef\xbb\xbf") ? 3 : 0;
    QHash<QString, int> sectionByName;
    const auto startBlock = [&](const QString& name, qsizetype bodyStart, qsizetype insertAt) {
        m_blocks.push_back(Block{bodyStart, size, insertAt});
        auto found = sectionByName.constFind(name);
        if (found == sectionByName.constEnd()) {
            found = sectionByName.insert(name, static_cast<int>(m_sections.size()));
            m_sections.push_back(Section{name, {}, false, {}});
        }
        m_sections[static_cast<std::size_t>(*found)].blocks.push_back(static_cast<int>(m_blocks.size()) - 1);
    };
    startBlock(QString(), pos, pos);
    Line line;
    while (NextLine(data, size, pos, line)) {
        m_closer = line.closer;
        m_lastLineStart = line.start;
        if (data[line.start] != '[') {
            m_blocks.back().insertAt = AfterLineBreak(m_data, line.end);
            continue;
        }
        m_blocks.back().bodyEnd = line.start;
        const QByteArrayView header(data + line.start, line.end - line.start);
        qsizetype close = header.indexOf(']');
        if (close < 0) {
            close = header.size();
        }
        const QByteArrayView stored = Trimmed(header.first(close).sliced(1));
        QString name;
        if (stored.compare("general", Qt::CaseInsensitive) == 0) {
            name.clear();
        } else if (stored.compare("%general", Qt::CaseInsensitive) == 0) {
            name = QString::fromLatin1(stored.sliced(1));
        } else {
            name = UnescapedName(stored);
        }
        startBlock(name, line.end, AfterLineBreak(m_data, line.end));
    }
}

void IniFile::index(Section& section)
{
    if (section.indexed) {
        return;
    }
    section.indexed = true;
    QHash<QString, std::size_t> entryByName;
    for (const int b : section.blocks) {
        const Block& block = m_blocks[static_cast<std::size_t>(b)];
        qsizetype pos = block.bodyStart;
        Line line;
        while (NextLine(m_data.constData(), block.bodyEnd, pos, line)) {
            if (line.equals < 0) {
                continue;
            }
            const QString name =
                UnescapedName(Trimmed(QByteArrayView(m_data).sliced(line.start, line.equals - line.start)));
            if (name.contains(u'/')) {
                continue; // a key of a section below this one
            }
            auto found = entryByName.constFind(name);
            if (found == entryByName.constEnd()) {
                found = entryByName.insert(name, section.entries.size());
                section.entries.push_back(Entry{name, -1, -1, -1, -1, std::nullopt});
            }
            // The blanks around the value stay when it is replaced.
            Entry& entry = section.entries[*found];
            entry.valueStart = line.equals + 1;
            entry.valueEnd = line.end;
            entry.replaceStart = entry.valueStart;
            entry.replaceEnd = entry.valueEnd;
            while (entry.replaceStart < entry.replaceEnd && IsBlank(m_data[entry.replaceStart])) {
                ++entry.replaceStart;
            }
            while (entry.replaceEnd > entry.replaceStart && IsBlank(m_data[entry.replaceEnd - 1])) {
                --entry.replaceEnd;
            }
        }
    }
}

IniFile::Section* IniFile::findSection(const QString& name)
{
    const int found = Matching(m_sections, name);
    return found < 0 ? nullptr : &m_sections[static_cast<std::size_t>(found)];
}

IniFile::Entry* IniFile::findEntry(Section& section, const QString& key)
{
    index(section);
    const int found = Matching(section.entries, key);
    return found < 0 ? nullptr : &section.entries[static_cast<std::size_t>(found)];
}

std::optional<QVariant> IniFile::value(const QString& section, const QString& key)
{
    Section* inSection = findSection(section);
    Entry* entry = inSection ? findEntry(*inSection, key) : nullptr;
    if (!entry) {
        return std::nullopt;
    }
    if (entry->newValue) {
        return DecodedValue(*entry->newValue);
    }
    return DecodedValue(QByteArrayView(m_data).sliced(entry->valueStart, entry->valueEnd - entry->valueStart));
}

QString IniFile::text(const QString& section, const QString& key)
{
    const std::optional<QVariant> stored = value(section, key);
    if (!stored) {
        return {};
    }
    if (stored->metaType().id() == QMetaType::QStringList) {
        return stored->toStringList().join(QStringLiteral(", "));
    }
    return stored->toString();
}

void IniFile::setText(const QString& section, const QString& key, const QString& text)
{
    Section* inSection = findSection(section);
    if (!inSection) {
        m_sections.push_back(Section{section, {}, true, {}});
        inSection = &m_sections.back();
    }
    Entry* entry = findEntry(*inSection, key);
    if (!entry) {
        inSection->entries.push_back(Entry{key, -1, -1, -1, -1, std::nullopt});
        entry = &inSection->entries.back();
    }
    entry->newValue = EscapedText(text);
}

QByteArray IniFile::bytes() const
{
    struct Edit {
        qsizetype at;
        qsizetype end;
        QByteArray with;
    };
    std::vector<Edit> edits;
    QByteArray newSections;
    bool closed = false;
    for (const Section& section : m_sections) {
        QByteArray added;
        for (const Entry& entry : section.entries) {
            if (!entry.newValue) {
                continue;
            }
            if (entry.valueStart >= 0) {
                edits.push_back(Edit{entry.replaceStart, entry.replaceEnd, *entry.newValue});
                // A new value in place of an open one ends that line.
                closed = closed || entry.replaceStart >= m_lastLineStart;
            } else {
                added += EscapedName(entry.name) + '=' + *entry.newValue + '\n';
            }
        }
        if (added.isEmpty()) {
            continue;
        }
        if (section.blocks.empty()) {
            QByteArray header = EscapedName(section.name);
            if (header.isEmpty()) {
                header = "General";
            } else if (header.compare("general", Qt::CaseInsensitive) == 0) {
                header.prepend('%');
            }
            newSections += '\n' + ('[' + header + "]\n") + added;
        } else {
            const qsizetype at = m_blocks[static_cast<std::size_t>(section.blocks.back())].insertAt;
            if (at == m_data.size() && !m_closer.isEmpty() && !closed) {
                // The last line runs to the end: it is ended first, or it
                // would take in the new lines.
                added.prepend(m_closer);
                closed = true;
            } else if (at > 0 && !IsLineEnd(m_data[at - 1])) {
                added.prepend('\n');
            }
            edits.push_back(Edit{at, at, added});
        }
    }
    std::stable_sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.at < b.at; });
    QByteArray out;
    qsizetype reserve = m_data.size() + newSections.size();
    for (const Edit& edit : edits) {
        reserve += edit.with.size();
    }
    out.reserve(reserve + 1);
    qsizetype copied = 0;
    for (const Edit& edit : edits) {
        out.append(QByteArrayView(m_data).sliced(copied, edit.at - copied));
        out.append(edit.with);
        copied = edit.end;
    }
    out.append(QByteArrayView(m_data).sliced(copied));
    if (!newSections.isEmpty()) {
        if (out.isEmpty() || out == "\xef\xbb\xbf") {
            newSections.remove(0, 1); // no blank line before the first section
        } else if (!m_closer.isEmpty() && !closed) {
            out += m_closer;
        } else if (!IsLineEnd(out.back())) {
            out += '\n';
        }
        out += newSections;
    }
    return out;
}

QByteArray IniFile::EscapedName(const QString& name)
{
    QByteArray stored;
    stored.reserve(name.size());
    for (const QChar c : name) {
        const char16_t code = c.unicode();
        if (code == u'/') {
            stored += '\\';
        } else if ((code >= u'a' && code <= u'z') || (code >= u'A' && code <= u'Z') || (code >= u'0' && code <= u'9')
                   || code == u'_' || code == u'-' || code == u'.') {
            stored += static_cast<char>(code);
        } else if (code <= 0xFF) {
            stored += '%' + QByteArray::number(code, 16).toUpper().rightJustified(2, '0');
        } else {
            stored += "%U" + QByteArray::number(code, 16).toUpper().rightJustified(4, '0');
        }
    }
    return stored;
}

QByteArray IniFile::EscapedText(const QString& text)
{
    // A text with a NUL character is kept in the "@String()" form, and one
    // that begins with "@" gets a second one, so that neither reads back as
    // a value of another type.
    QString value = text;
    if (value.contains(QChar::Null)) {
        value = QStringLiteral("@String(") + value + u')';
    } else if (value.startsWith(u'@')) {
        value.prepend(u'@');
    }
    QByteArray stored;
    stored.reserve(value.size() + 2);
    bool needsQuotes = false;
    bool hexDigitAfterEscape = false; // a hex digit right after a number escape would join it
    QString plain;
    const auto flush = [&] {
        stored += plain.toUtf8();
        plain.clear();
    };
    for (const QChar c : std::as_const(value)) {
        const char16_t code = c.unicode();
        if (code == u';' || code == u',' || code == u'=') {
            needsQuotes = true;
        }
        const bool hexDigit =
            (code >= u'0' && code <= u'9') || (code >= u'a' && code <= u'f') || (code >= u'A' && code <= u'F');
        if (hexDigitAfterEscape && hexDigit) {
            flush();
            stored += "\\x" + QByteArray::number(code, 16);
            continue;
        }
        hexDigitAfterEscape = false;
        const char* escape = nullptr;
        switch (code) {
        case u'\0':
            escape = "\\0";
            hexDigitAfterEscape = true;
            break;
        case u'\a': escape = "\\a"; break;
        case u'\b': escape = "\\b"; break;
        case u'\f': escape = "\\f"; break;
        case u'\n': escape = "\\n"; break;
        case u'\r': escape = "\\r"; break;
        case u'\t': escape = "\\t"; break;
        case u'\v': escape = "\\v"; break;
        case u'"': escape = "\\\""; break;
        case u'\\': escape = "\\\\"; break;
        default: break;
        }
        if (escape) {
            flush();
            stored += escape;
        } else if (code <= 0x1F) {
            flush();
            stored += "\\x" + QByteArray::number(code, 16);
            hexDigitAfterEscape = true;
        } else {
            plain += c;
        }
    }
    flush();
    if (needsQuotes || stored.startsWith(' ') || stored.endsWith(' ')) {
        stored = '"' + stored + '"';
    }
    return stored;
}

} // namespace settings
