#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// The targets the CMakeLists.txt of each folder defines, and which targets of other folders
// each file names. Naming one (in a link line, a variable later linked, a dependency) is
// taken as depending on it, which keeps the reading simple and errs on the strict side.
class CMakeTargets {
public:
    struct Use {
        QString file; // e.g. "platform/qt/CMakeLists.txt"
        int line = 0;
        QString target;
        QString folder; // the folder that defines the target
    };

    // Reads folder/CMakeLists.txt of every folder given (missing files are skipped).
    static CMakeTargets read(const QString& root, const QStringList& folders);

    // The folder whose CMakeLists.txt defines `target`; empty when none does.
    QString folderOf(const QString& target) const { return m_owner.value(target); }
    // Every mention, in a folder's CMakeLists.txt, of a target defined by another folder.
    QList<Use> foreignUses() const;

private:
    QHash<QString, QString> m_owner;
    QHash<QString, QStringList> m_text; // folder -> lines, comments removed
};
