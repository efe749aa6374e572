#pragma once

#include <QList>
#include <QString>

// Reads the quoted includes of the sources of one folder of the repository (not of its
// subfolders, which are folders of their own).
class IncludeScanner {
public:
    struct Include {
        QString file;   // from the repository root, e.g. "server/AppServer.cpp"
        int line = 0;   // 1-based
        QString target; // as written, e.g. "core/Exception.h"
        QString folder; // the folder of the target; a bare name is the including folder
    };

    static QList<Include> scan(const QString& root, const QString& folder);
};
