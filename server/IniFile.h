#pragma once

#include <QList>
#include <QString>

// A small INI reader that keeps the line of every key, so a bad setting is reported where
// the operator wrote it (QSettings forgets lines). It reads what QSettings' INI format
// writes for plain text values: "[section]" headers, "key = value" lines, blanks around
// both dropped, comment lines starting with ';' or '#', a value in double quotes with \"
// and \\ inside. Keys are case-sensitive.
class IniFile {
public:
    struct Entry {
        QString section; // empty: before any section header
        QString key;
        QString value;
        int line = 0;
    };
    struct Section {
        QString name;
        int line = 0;
    };

    // Larger files are refused: a configuration is a few lines.
    static constexpr qint64 kMaxSize = 1024 * 1024;

    // Reads `path`. On failure returns false and fills `error` with a Portuguese text that
    // names the file (and the line, for a line it cannot read).
    bool read(const QString& path, QString* error);
    // Parses `text` as if read from `path`.
    bool parse(const QString& path, const QString& text, QString* error);

    const QString& path() const { return m_path; }
    const QList<Entry>& entries() const { return m_entries; }
    const QList<Section>& sections() const { return m_sections; }
    // The entry of `key` in `section`, null when there is none.
    const Entry* find(const QString& section, const QString& key) const;
    // "ARQUIVO, linha N".
    QString where(int line) const;

private:
    bool parseLine(const QString& text, int line, QString* section, QString* error);
    static bool unquote(const QString& text, QString* value);

    QString m_path;
    QList<Entry> m_entries;
    QList<Section> m_sections;
};
