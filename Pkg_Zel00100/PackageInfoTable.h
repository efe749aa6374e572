#pragma once

class QString;
class TForm;

// What the package exports with C linkage, as the hosts look it up by name: the loader's
// entry points, the unit table, and three read-only views for the script host (which does
// not link the screens and so cannot read their state directly).
extern "C" {

// Per unit its initialization and finalization routine (either may be null).
struct PackageUnitEntry {
    void (*Init)();
    void (*FInit)();
};

struct PackageInfoTable {
    int UnitCount;
    const PackageUnitEntry* UnitInfo;
};

using IniProcFn = void (*)();
using InitializeFn = void (*)();
using FinalizeFn = void (*)();
using GetPackageInfoTableFn = const PackageInfoTable* (*)();

// ZelReadUnitVariable: the text of a unit variable ("stVooTrecho", or qualified
// "Cli_Zel00102.chIdTipoTransp"); false for an unknown name.
using ZelReadUnitVariableFn = bool (*)(const char* name, QString* value);
// ZelLastCallArg: argument argNo (from 1) of the last call of a remote method, as sent:
// texts as they are, dates dd/mm/yyyy, null empty. False when the method was never called
// or has no such argument.
using ZelLastCallArgFn = bool (*)(const char* method, int argNo, QString* value);
// ZelFormRole: "billing", "fee" or "viewer" for a screen of the package, else null.
using ZelFormRoleFn = const char* (*)(const TForm* form);
}
