#include "core/Exception.h"
#include "host/PackageLoader.h"

#include <gtest/gtest.h>

#include <QString>

namespace {

QString variable(const PackageLoader& package, const char* name) {
    auto read = package.resolveAs<ZelReadUnitVariableFn>("ZelReadUnitVariable");
    QString value = QStringLiteral("<desconhecida>");
    if (!read || !read(name, &value))
        return QStringLiteral("<desconhecida>");
    return value;
}

} // namespace

TEST(Package, StartsEveryUnitWithItsStartingValues) {
    PackageLoader package;
    package.load(QStringLiteral(ZEL_REAL_PACKAGE));
    EXPECT_EQ(variable(package, "stGrupTaxa"), QStringLiteral("N"));
    EXPECT_EQ(variable(package, "chIdTipoTransp"), QStringLiteral("J"));
    EXPECT_EQ(variable(package, "Cli_Zel00102.chIdTipoTransp"), QStringLiteral("J"));
    EXPECT_EQ(variable(package, "boIdCriado"), QStringLiteral("False"));
    EXPECT_EQ(variable(package, "Cli_Zel00102.boIdCriado"), QStringLiteral("False"));
    EXPECT_EQ(variable(package, "stVooTrecho"), QString());
    EXPECT_EQ(variable(package, "frmApuracao"), QString());
    EXPECT_EQ(variable(package, "Cli_Zel00101.frmNotasApur"), QString());
    EXPECT_EQ(variable(package, "stNada"), QStringLiteral("<desconhecida>"));
    // Nothing was called yet.
    auto lastArg = package.resolveAs<ZelLastCallArgFn>("ZelLastCallArg");
    ASSERT_NE(lastArg, nullptr);
    QString arg;
    EXPECT_FALSE(lastArg("CalculaApuracao", 1, &arg));
    auto role = package.resolveAs<ZelFormRoleFn>("ZelFormRole");
    ASSERT_NE(role, nullptr);
    EXPECT_EQ(role(nullptr), nullptr);
}

TEST(Package, UnitTableRunsTheBillingUnitLastAndCountsEachUnit) {
    PackageLoader package;
    package.load(QStringLiteral(ZEL_REAL_PACKAGE));
    const PackageInfoTable* table = package.packageInfoTable();
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->UnitCount, 3);
    const PackageUnitEntry& viewer = table->UnitInfo[0];
    const PackageUnitEntry& billing = table->UnitInfo[2];

    // The viewer's and the fee unit's routines leave the billing unit's state alone.
    viewer.Init();
    viewer.FInit();
    table->UnitInfo[1].Init();
    table->UnitInfo[1].FInit();
    EXPECT_EQ(variable(package, "stGrupTaxa"), QStringLiteral("N"));

    // Reached a second time: stopping once does not finalize, stopping again does.
    billing.Init();
    billing.FInit();
    EXPECT_EQ(variable(package, "stGrupTaxa"), QStringLiteral("N"));
    billing.FInit();
    EXPECT_EQ(variable(package, "stGrupTaxa"), QString());
    // Stopped, so the next start runs the body again.
    billing.Init();
    EXPECT_EQ(variable(package, "stGrupTaxa"), QStringLiteral("N"));
}

TEST(Package, LoadingASecondTimeNeitherRestartsNorStopsTheUnits) {
    PackageLoader first;
    first.load(QStringLiteral(ZEL_REAL_PACKAGE));
    {
        PackageLoader second;
        second.load(QStringLiteral(ZEL_REAL_PACKAGE));
        EXPECT_EQ(variable(second, "stGrupTaxa"), QStringLiteral("N"));
    }
    // The second unload was not the last release: the billing unit was not finalized.
    EXPECT_EQ(variable(first, "stGrupTaxa"), QStringLiteral("N"));
    const PackageUnitEntry& billing = first.packageInfoTable()->UnitInfo[2];
    billing.FInit(); // the last release
    EXPECT_EQ(variable(first, "stGrupTaxa"), QString());
    billing.Init(); // balanced again for the loader's own Finalize
}

TEST(PackageLoader, ReportsMissingLibrariesAndEntryPoints) {
    PackageLoader package;
    try {
        package.load(QStringLiteral("/nao/existe/Pkg_Zel00100.so"));
        FAIL() << "loaded a missing file";
    } catch (const Exception& error) {
        EXPECT_TRUE(error.message().startsWith(
            QStringLiteral("Não foi possível carregar o pacote /nao/existe/Pkg_Zel00100.so")));
    }
    EXPECT_FALSE(package.loaded());
    // A library that is not a package: the C library exports none of the entry points.
    try {
        package.load(QStringLiteral("libc.so.6"));
        FAIL() << "loaded a library without IniProc";
    } catch (const Exception& error) {
        EXPECT_EQ(error.message(), QStringLiteral("O pacote libc.so.6 não exporta IniProc."));
    }
    EXPECT_FALSE(package.loaded());
    EXPECT_THROW(package.iniProc(), Exception);
}
