// The repository against its own layer table: every include and every CMake link of the code
// folders must be one that docs/architecture.md allows.
#include "CMakeTargets.h"
#include "IncludeScanner.h"
#include "LayerRules.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

const QString tableFile = QStringLiteral("docs/architecture.md");

// The checkout to check: the one the test was built from, unless ZEL_SOURCE_DIR names another.
QString sourceRoot() {
    return qEnvironmentVariable("ZEL_SOURCE_DIR", QStringLiteral(ZEL_SOURCE_DIR));
}

// Folders under `dir` (relative to the root) that hold sources, except the tests and build
// trees, which the table does not govern.
void collectCodeFolders(const QDir& root, const QString& dir, QStringList& found) {
    const QDir here(root.filePath(dir));
    if (here.exists(QStringLiteral("CMakeCache.txt")))
        return;
    if (!here.entryList({QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files).isEmpty())
        found << dir;
    for (const QString& sub : here.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString path = dir.isEmpty() ? sub : dir + QLatin1Char('/') + sub;
        if (path == QLatin1String("tests"))
            continue;
        collectCodeFolders(root, path, found);
    }
}

class Layers : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        QFile file(QDir(sourceRoot()).filePath(tableFile));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            s_errors = QStringList{QStringLiteral("não abre %1").arg(file.fileName())};
            return;
        }
        s_rules = LayerRules::fromMarkdown(QString::fromUtf8(file.readAll()), s_errors);
    }

    void SetUp() override {
        ASSERT_TRUE(s_errors.isEmpty()) << s_errors.join(QLatin1Char('\n')).toStdString();
        ASSERT_FALSE(s_rules.folders().isEmpty()) << tableFile.toStdString() << " sem linhas";
    }

    static QString rule(const QString& from) {
        const QStringList row = s_rules.row(from);
        return QStringLiteral("%1 pode incluir: %2 (%3)")
            .arg(from,
                 row.isEmpty() ? QStringLiteral("só a si mesma") : row.join(QStringLiteral(", ")),
                 tableFile);
    }

    static LayerRules s_rules;
    static QStringList s_errors;
};

LayerRules Layers::s_rules;
QStringList Layers::s_errors;

// A folder without a row would escape every check below; a row without a folder is stale.
TEST_F(Layers, EveryCodeFolderHasARowAndEveryRowAFolder) {
    const QDir root(sourceRoot());
    QStringList found;
    collectCodeFolders(root, QString(), found);
    for (const QString& folder : found) {
        EXPECT_TRUE(s_rules.knows(folder))
            << folder.toStdString() << " tem código mas não tem linha em "
            << tableFile.toStdString();
    }
    for (const QString& folder : s_rules.folders()) {
        EXPECT_TRUE(found.contains(folder)) << tableFile.toStdString() << " tem uma linha para "
                                            << folder.toStdString() << ", que não tem código";
    }
}

TEST_F(Layers, IncludesFollowTheTable) {
    int scanned = 0;
    for (const QString& folder : s_rules.folders()) {
        for (const IncludeScanner::Include& include : IncludeScanner::scan(sourceRoot(), folder)) {
            ++scanned;
            if (s_rules.allows(folder, include.folder))
                continue;
            ADD_FAILURE_AT(qPrintable(include.file), include.line)
                << "#include \"" << include.target.toStdString() << "\": " << folder.toStdString()
                << " não pode incluir " << include.folder.toStdString() << "; "
                << rule(folder).toStdString();
        }
    }
    // An empty scan would pass anything: the root or the folder names are wrong.
    EXPECT_GT(scanned, 0) << "nenhum #include lido em " << sourceRoot().toStdString();
}

TEST_F(Layers, LibrariesLinkOnlyWhatTheirFolderMayInclude) {
    const CMakeTargets targets = CMakeTargets::read(sourceRoot(), s_rules.folders());
    ASSERT_FALSE(targets.folderOf(QStringLiteral("zel_core")).isEmpty())
        << "core/CMakeLists.txt não foi lido";
    for (const CMakeTargets::Use& use : targets.foreignUses()) {
        const QString from = use.file.section(QLatin1Char('/'), 0, -2);
        if (s_rules.allows(from, use.folder))
            continue;
        ADD_FAILURE_AT(qPrintable(use.file), use.line)
            << use.target.toStdString() << " é de " << use.folder.toStdString() << ": "
            << from.toStdString() << " não pode usá-lo; " << rule(from).toStdString();
    }
}

} // namespace
