#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// The help pages shipped with the programs, found by the help file a screen names and the
// topic (help context) it asks for. The pages are the HTML files of one directory; its
// contents page, index.html, lists in <meta name="zel-help-file"> the help files they stand
// for, and a topic is the page holding the anchor "ctx-N". Topic 0 is the contents page.
class HelpTopics {
public:
    struct Topic {
        QString page;   // file name of the page, "faturamento.html"
        QString path;   // its absolute path; the contents page when the topic has none
        QString anchor; // "ctx-13200100"; empty for the contents
        QString error;  // why there is no page, as the user reads it
        bool found() const { return error.isEmpty(); }
        // "faturamento.html#ctx-13200100", or the page alone.
        QString reference() const;
    };

    static constexpr const char* kContentsPage = "index.html";
    // A directory holds at most this many pages, each read up to kMaxPageBytes.
    static constexpr int kMaxPages = 256;
    static constexpr qint64 kMaxPageBytes = 1 << 20;

    explicit HelpTopics(QString directory);

    // Where the programs find their pages: $ZEL_HELP_DIR when set, otherwise share/zel/help
    // beside the directory of the executable (build/bin -> build/share, /usr/bin -> /usr/share).
    static QString installedDirectory();

    const QString& directory() const { return m_directory; }
    Topic resolve(const QString& helpFile, int context) const;
    // The help files the contents page names.
    QStringList helpFiles() const;

private:
    void scan() const;
    Topic contents(const QString& error) const;

    QString m_directory;
    mutable bool m_scanned = false;
    mutable QString m_scanError;
    mutable QStringList m_helpFiles;
    mutable QHash<int, QString> m_pages; // context -> file name
};
