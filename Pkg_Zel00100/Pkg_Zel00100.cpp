#include "Pkg_Zel00100/Pkg_Zel00100.h"

#include "Pkg_Zel00100/CountedUnit.h"
#include "Pkg_Zel00100/ScriptAccess.h"
#include "screens/billing/Cli_Zel00100.h"
#include "screens/fee/Cli_Zel00102.h"
#include "screens/viewer/Cli_Zel00101.h"

#include <iterator>

namespace {

// Start order follows the dependencies: the viewer, then the fee screen, then the billing
// screen that opens both. The platform and shared-library units live in their own shared
// libraries and start when those load.
CountedUnit g_viewerUnit("Cli_Zel00101", &Cli_Zel00101::initialization,
                         &Cli_Zel00101::finalization);
CountedUnit g_feeUnit("Cli_Zel00102", &Cli_Zel00102::initialization, &Cli_Zel00102::finalization);
CountedUnit g_billingUnit("Cli_Zel00100", &Cli_Zel00100::initialization,
                          &Cli_Zel00100::finalization);

void initViewer() {
    g_viewerUnit.initialize();
}
void finViewer() {
    g_viewerUnit.finalize();
}
void initFee() {
    g_feeUnit.initialize();
}
void finFee() {
    g_feeUnit.finalize();
}
void initBilling() {
    g_billingUnit.initialize();
}
void finBilling() {
    g_billingUnit.finalize();
}

const PackageUnitEntry kUnits[] = {
    {&initViewer, &finViewer},
    {&initFee, &finFee},
    {&initBilling, &finBilling},
};

const PackageInfoTable kTable = {int(std::size(kUnits)), kUnits};

} // namespace

extern "C" {

void IniProc() {
    Cli_Zel00100::CriaApuracao();
}

void Initialize() {
    for (const PackageUnitEntry& unit : kUnits) {
        if (unit.Init)
            unit.Init();
    }
}

void Finalize() {
    for (auto unit = std::rbegin(kUnits); unit != std::rend(kUnits); ++unit) {
        if (unit->FInit)
            unit->FInit();
    }
}

const PackageInfoTable* GetPackageInfoTable() {
    return &kTable;
}

bool ZelReadUnitVariable(const char* name, QString* value) {
    return name && value && ScriptAccess::readUnitVariable(QString::fromUtf8(name), *value);
}

bool ZelLastCallArg(const char* method, int argNo, QString* value) {
    return method && value && ScriptAccess::lastCallArg(QString::fromUtf8(method), argNo, *value);
}

const char* ZelFormRole(const TForm* form) {
    return ScriptAccess::formRole(form);
}
}
