// The exports of a package, over the test unit, as the script host looks them up.
#include "Pkg_Zel00100/CallArgText.h"
#include "Pkg_Zel00100/CountedUnit.h"
#include "Pkg_Zel00100/PackageInfoTable.h"
#include "tests/script/testpackage/Cli_Teste.h"
#include "tests/script/testpackage/TfrmModalTeste.h"
#include "tests/script/testpackage/TfrmTeste.h"

#define TEST_EXPORT __attribute__((visibility("default")))

namespace {

CountedUnit g_unit("Cli_Teste", &Cli_Teste::initialization, &Cli_Teste::finalization);

void init() {
    g_unit.initialize();
}
void fin() {
    g_unit.finalize();
}

const PackageUnitEntry kUnits[] = {{&init, &fin}};
const PackageInfoTable kTable = {1, kUnits};

} // namespace

extern "C" {

TEST_EXPORT void IniProc() {
    Cli_Teste::CriaTeste();
}
TEST_EXPORT void Initialize() {
    init();
}
TEST_EXPORT void Finalize() {
    fin();
}
TEST_EXPORT const PackageInfoTable* GetPackageInfoTable() {
    return &kTable;
}

TEST_EXPORT bool ZelReadUnitVariable(const char* name, QString* value) {
    const QString n = QString::fromUtf8(name);
    if (n == QLatin1String("stUltimo"))
        *value = Cli_Teste::stUltimo;
    else if (n == QLatin1String("stValor"))
        *value = Cli_Teste::stValor;
    else if (n == QLatin1String("boIdCriado"))
        *value = Cli_Teste::boIdCriado ? QStringLiteral("True") : QStringLiteral("False");
    else if (n == QLatin1String("inicializacoes"))
        *value = QString::number(Cli_Teste::inicializacoes);
    else if (n == QLatin1String("finalizacoes"))
        *value = QString::number(Cli_Teste::finalizacoes);
    else
        return false;
    return true;
}

TEST_EXPORT bool ZelLastCallArg(const char* method, int argNo, QString* value) {
    return CallArgText::lastCallArg(QString::fromUtf8(method), argNo, *value);
}

TEST_EXPORT const char* ZelFormRole(const TForm* form) {
    if (dynamic_cast<const TfrmTeste*>(form))
        return "billing";
    if (dynamic_cast<const TfrmModalTeste*>(form))
        return "fee";
    return nullptr;
}
}
