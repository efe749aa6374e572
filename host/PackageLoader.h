#pragma once

#include "Pkg_Zel00100/PackageInfoTable.h"

#include <QString>

// Loads a run-time package by path as the platform's loader does: the library is opened,
// its entry points are looked up by their exported names, Initialize runs on load and
// Finalize on unload. The host then opens the module through iniProc().
//
// Failures raise the platform's Exception with a text naming the package.
class PackageLoader {
public:
    PackageLoader() = default;
    ~PackageLoader(); // unloads
    PackageLoader(const PackageLoader&) = delete;
    PackageLoader& operator=(const PackageLoader&) = delete;

    // Opens the library, resolves IniProc, Initialize, Finalize and GetPackageInfoTable
    // (every one is required) and calls Initialize. Loading a loaded package raises.
    void load(const QString& path);
    // Calls Finalize and closes the library; nothing when not loaded.
    void unload();
    bool loaded() const { return m_handle != nullptr; }
    const QString& path() const { return m_path; }

    // The package's IniProc; exceptions from it reach the caller.
    void iniProc() const;
    const PackageInfoTable* packageInfoTable() const;

    // Any other exported symbol, or nullptr when the package does not export it.
    void* resolve(const char* name) const;
    template <class Fn>
    Fn resolveAs(const char* name) const {
        return reinterpret_cast<Fn>(resolve(name));
    }

    // Where the package sits by default: beside the executable's folder, in ../lib/zel as
    // installed (/usr/bin and /usr/lib/zel), in ../lib as the build lays it out, or in the
    // executable's own folder.
    static QString defaultPath(const QString& packageName = QStringLiteral("Pkg_Zel00100"));

private:
    void* required(const char* name);

    void* m_handle = nullptr;
    QString m_path;
    IniProcFn m_iniProc = nullptr;
    InitializeFn m_initialize = nullptr;
    FinalizeFn m_finalize = nullptr;
    GetPackageInfoTableFn m_getPackageInfoTable = nullptr;
};
