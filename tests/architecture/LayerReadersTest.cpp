// The readers behind the layer check, on small made-up trees: a reader that misses an
// include or a row would let a crossing through unnoticed.
#include "CMakeTargets.h"
#include "IncludeScanner.h"
#include "LayerRules.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

void write(const QTemporaryDir& root, const QString& path, const QByteArray& text) {
    const QString full = root.filePath(path);
    QDir().mkpath(full.section(QLatin1Char('/'), 0, -2));
    QFile file(full);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << full.toStdString();
    file.write(text);
}

LayerRules parse(const QString& text, QStringList& errors) {
    return LayerRules::fromMarkdown(text, errors);
}

TEST(LayerRules, SelfRowsAndWildcards) {
    QStringList errors;
    const LayerRules rules = parse(QStringLiteral("# Camadas\n"
                                                  "texto | com barra\n\n"
                                                  "| Folder | May include |\n"
                                                  "|:---|---:|\n"
                                                  "| core | |\n"
                                                  "| db | core |\n"
                                                  "| x/y | db,core |\n"
                                                  "| pkg | x/*, core |\n"
                                                  "| bench | * |\n"
                                                  "\n"
                                                  "| late | core |\n"),
                                   errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(rules.folders(), (QStringList{"core", "db", "x/y", "pkg", "bench"}));
    EXPECT_TRUE(rules.allows("core", "core"));
    EXPECT_FALSE(rules.allows("core", "db"));
    EXPECT_TRUE(rules.allows("db", "core"));
    // Allowed lists are not transitive: x/y lists core itself.
    EXPECT_TRUE(rules.allows("x/y", "core"));
    EXPECT_FALSE(rules.allows("db", "x/y"));
    EXPECT_TRUE(rules.allows("pkg", "x/y"));
    EXPECT_FALSE(rules.allows("pkg", "xz")) << "x/* is the folders under x, not every x...";
    EXPECT_FALSE(rules.allows("pkg", "x"));
    EXPECT_TRUE(rules.allows("bench", "anything/at/all"));
    // A folder without a row may include only itself; the table ends at its first gap.
    EXPECT_FALSE(rules.knows("late"));
    EXPECT_TRUE(rules.allows("late", "late"));
    EXPECT_FALSE(rules.allows("late", "core"));
}

TEST(LayerRules, AMalformedTableIsReported) {
    QStringList errors;
    parse(QStringLiteral("| Folder | Other |\n|---|---|\n| core | |\n"), errors);
    EXPECT_EQ(errors.size(), 1) << "no table with the expected header";

    errors.clear();
    const LayerRules rules = parse(QStringLiteral("| Folder | May include |\n"
                                                  "|---|---|\n"
                                                  "| core | |\n"
                                                  "| db | core, cor |\n"
                                                  "| core | db |\n"
                                                  "| server | db | core |\n"),
                                   errors);
    ASSERT_EQ(errors.size(), 3) << errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(errors.filter("duas vezes").size() == 1);
    EXPECT_TRUE(errors.filter("duas colunas").size() == 1);
    EXPECT_TRUE(errors.filter("cor,").size() == 1);
    // The first row of a folder stands.
    EXPECT_FALSE(rules.allows("core", "db"));
}

TEST(IncludeScanner, QuotedIncludesOfOneFolderWithTheirLines) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    write(root, "a/b/One.cpp",
          "#include \"a/b/One.h\"\n"
          "#include <QString>\n"
          "\n"
          "  #  include \"core/Exception.h\"\n"
          "// #include \"server/Commented.h\"\n"
          "#include \"Local.h\"\n");
    write(root, "a/b/One.h", "#pragma once\n#include \"platform/qt/View.h\"\n");
    write(root, "a/b/notes.txt", "#include \"server/NotCode.h\"\n");
    write(root, "a/b/c/Deeper.h", "#include \"server/Deeper.h\"\n");

    const QList<IncludeScanner::Include> found = IncludeScanner::scan(root.path(), "a/b");
    ASSERT_EQ(found.size(), 4);
    EXPECT_EQ(found[0].file, "a/b/One.cpp");
    EXPECT_EQ(found[0].line, 1);
    EXPECT_EQ(found[0].folder, "a/b");
    EXPECT_EQ(found[1].line, 4);
    EXPECT_EQ(found[1].target, "core/Exception.h");
    EXPECT_EQ(found[1].folder, "core");
    EXPECT_EQ(found[2].line, 6);
    EXPECT_EQ(found[2].folder, "a/b") << "a bare name is found beside the includer";
    EXPECT_EQ(found[3].file, "a/b/One.h");
    EXPECT_EQ(found[3].folder, "platform/qt");
}

TEST(CMakeTargets, NamingAnotherFoldersTargetIsAUse) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    write(root, "core/CMakeLists.txt", "zel_library(zel_core SHARED LIBS Qt6::Core)\n");
    write(root, "server/CMakeLists.txt",
          "# zel_core in a comment is no use\n"
          "add_library(zel_server STATIC ${sources})\n"
          "target_link_libraries(zel_server PUBLIC zel_core_extra\n"
          "    zel_core)\n"
          "add_executable(zel-appserver main.cpp)\n"
          "target_link_libraries(zel-appserver PRIVATE zel_server)\n");
    write(root, "bench/CMakeLists.txt", "add_dependencies(bench zel-appserver)\n");

    const CMakeTargets targets =
        CMakeTargets::read(root.path(), {"core", "server", "bench", "missing"});
    EXPECT_EQ(targets.folderOf("zel_server"), "server");
    EXPECT_EQ(targets.folderOf("zel-appserver"), "server");
    EXPECT_TRUE(targets.folderOf("zel_core_extra").isEmpty());
    const QList<CMakeTargets::Use> uses = targets.foreignUses();
    ASSERT_EQ(uses.size(), 2);
    EXPECT_EQ(uses[0].file, "bench/CMakeLists.txt");
    EXPECT_EQ(uses[0].target, "zel-appserver");
    EXPECT_EQ(uses[0].folder, "server");
    EXPECT_EQ(uses[1].file, "server/CMakeLists.txt");
    EXPECT_EQ(uses[1].line, 4);
    EXPECT_EQ(uses[1].folder, "core");
}

} // namespace
