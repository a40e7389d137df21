// A settings file in the INI form that QSettings reads and writes (its
// NativeFormat on Linux), read once and changed in place.
//
// A value is found by section and key without regard to letter case (an exact
// spelling wins, otherwise the first spelling in sorted order, as QSettings
// lists them), and reads as QSettings reads it: the same quoting, escapes,
// lists and "@" forms. A change replaces only the bytes of that value, or adds
// a line at the end of its section or a new section at the end of the file:
// everything else, lines that cannot be parsed included, stays as it was,
// byte for byte. Only whole sections are looked at: a key of the top section
// that names a section in its path ("Options\Hab" under [General]) is not.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>
#include <vector>

namespace settings {

class IniFile {
public:
    explicit IniFile(QByteArray data = {});

    // The value as QSettings reads it, or nothing when the key is absent.
    std::optional<QVariant> value(const QString& section, const QString& key);
    // The value as text: a list reads as its items joined by ", ", a value
    // of another stored type as that type's text (often empty). Empty when
    // absent.
    QString text(const QString& section, const QString& key);

    // Replaces the key's whole value by the text, under the spelling the key
    // and section already have; adds them when absent.
    void setText(const QString& section, const QString& key, const QString& text);

    // The file with every change made.
    QByteArray bytes() const;

    // The text as QSettings writes a value, and a key or section name.
    static QByteArray EscapedText(const QString& text);
    static QByteArray EscapedName(const QString& name);

private:
    // A run of lines under one section header (the top one has none).
    struct Block {
        qsizetype bodyStart = 0;
        qsizetype bodyEnd = 0;
        qsizetype insertAt = 0; // just after its last line
    };
    struct Entry {
        QString name;
        qsizetype valueStart = -1; // -1 for a key this file does not hold yet
        qsizetype valueEnd = -1;
        qsizetype replaceStart = -1; // the value without the blanks around it
        qsizetype replaceEnd = -1;
        std::optional<QByteArray> newValue;
    };
    struct Section {
        QString name;
        std::vector<int> blocks;
        bool indexed = false;
        std::vector<Entry> entries; // one per distinct key; the last line of a key wins
    };

    void parse();
    void index(Section& section);
    Section* findSection(const QString& name);
    Entry* findEntry(Section& section, const QString& key);

    QByteArray m_data;
    std::vector<Block> m_blocks;
    std::vector<Section> m_sections;
    QByteArray m_closer; // what ends the file's last line, when it ends open
    qsizetype m_lastLineStart = 0;
};

} // namespace settings
