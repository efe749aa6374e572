#pragma once

#include "Pkg_Zel00100/PackageInfoTable.h"

#if defined(_WIN32)
#define PKG_EXPORT __declspec(dllexport)
#else
#define PKG_EXPORT __attribute__((visibility("default")))
#endif

// The package unit: the entry point the host opens the module with, the loader's start and
// stop, and the unit table in start order (Cli_Zel00101, Cli_Zel00102, Cli_Zel00100).
extern "C" {

// Opens the billing screen, or brings the open one forward. Exceptions reach the host.
PKG_EXPORT void IniProc();
// Runs the units' initializations in table order; each body runs once however often the
// unit is started.
PKG_EXPORT void Initialize();
// Runs the finalizations in reverse table order; each body runs at the last release.
PKG_EXPORT void Finalize();
PKG_EXPORT const PackageInfoTable* GetPackageInfoTable();

PKG_EXPORT bool ZelReadUnitVariable(const char* name, QString* value);
PKG_EXPORT bool ZelLastCallArg(const char* method, int argNo, QString* value);
PKG_EXPORT const char* ZelFormRole(const TForm* form);
}
