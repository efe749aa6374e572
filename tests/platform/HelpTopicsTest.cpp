// Finding the page of a help topic in a directory of pages.
#include "platform/HelpTopics.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

class HelpTopicsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        write("index.html", "<html><head><meta name=\"zel-help-file\" content=\"Vevivez.idi, "
                            "Outro.idi\"><title>Conteúdo</title></head><body></body></html>");
        write("b.html", "<h1><a id=\"ctx-200\"></a>B</h1><dt id=\"msg-X\">x</dt>");
        write("a.html", "<h1 id=\"ctx-100\">A</h1><p><a id=\"ctx-1\"></a></p>");
    }
    void write(const QString& name, const QByteArray& text) {
        QFile file(m_dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QString path(const QString& name) const { return QDir(m_dir.path()).absoluteFilePath(name); }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(HelpTopicsTest, ATopicIsThePageHoldingItsAnchor) {
    const HelpTopics topics(m_dir.path());
    const HelpTopics::Topic b = topics.resolve(QStringLiteral("Vevivez.idi"), 200);
    ASSERT_TRUE(b.found()) << b.error.toStdString();
    EXPECT_EQ(b.page, "b.html");
    EXPECT_EQ(b.path, path("b.html"));
    EXPECT_EQ(b.anchor, "ctx-200");
    EXPECT_EQ(b.reference(), "b.html#ctx-200");
    // One page may hold several topics; the file name is matched whatever its case.
    EXPECT_EQ(topics.resolve(QStringLiteral("VEVIVEZ.IDI"), 1).reference(), "a.html#ctx-1");
    EXPECT_EQ(topics.resolve(QStringLiteral("Outro.idi"), 100).reference(), "a.html#ctx-100");
}

TEST_F(HelpTopicsTest, TopicZeroIsTheContents) {
    const HelpTopics::Topic topic = HelpTopics(m_dir.path()).resolve("Vevivez.idi", 0);
    ASSERT_TRUE(topic.found());
    EXPECT_EQ(topic.reference(), "index.html");
    EXPECT_EQ(topic.path, path("index.html"));
}

TEST_F(HelpTopicsTest, WithoutAPageTheContentsComeWithTheReason) {
    const HelpTopics topics(m_dir.path());
    const HelpTopics::Topic unknown = topics.resolve(QStringLiteral("Vevivez.idi"), 300);
    EXPECT_FALSE(unknown.found());
    EXPECT_EQ(unknown.error, "Não há página de ajuda para o contexto 300 de Vevivez.idi.");
    EXPECT_EQ(unknown.path, path("index.html"));
    EXPECT_TRUE(unknown.anchor.isEmpty());

    // A help file the contents do not name is not this set's, whatever its topics.
    const HelpTopics::Topic other = topics.resolve(QStringLiteral("Outra.hlp"), 100);
    EXPECT_EQ(other.error, "O arquivo de ajuda Outra.hlp não faz parte desta instalação.");
    EXPECT_EQ(other.page, "index.html");
    EXPECT_EQ(topics.resolve(QString(), 100).error, "Esta janela não indica um arquivo de ajuda.");
    EXPECT_FALSE(topics.resolve(QStringLiteral("Vevivez.idi"), -1).found());
}

TEST_F(HelpTopicsTest, WithoutPagesThereIsOnlyTheReason) {
    const QString missing = m_dir.filePath(QStringLiteral("nada"));
    const HelpTopics::Topic topic = HelpTopics(missing).resolve("Vevivez.idi", 200);
    EXPECT_FALSE(topic.found());
    EXPECT_TRUE(topic.path.isEmpty());
    EXPECT_TRUE(
        topic.error.startsWith(QStringLiteral("As páginas de ajuda não foram encontradas em ")))
        << topic.error.toStdString();
    EXPECT_TRUE(topic.error.contains(QDir::toNativeSeparators(missing)));
}

TEST_F(HelpTopicsTest, APageIsReadOnlyUpToItsLimit) {
    QByteArray big(int(HelpTopics::kMaxPageBytes), ' ');
    big.prepend("<a id=\"ctx-400\"></a>");
    big.append("<a id=\"ctx-500\"></a>");
    write("c.html", big);
    const HelpTopics topics(m_dir.path());
    EXPECT_TRUE(topics.resolve("Vevivez.idi", 400).found());
    EXPECT_FALSE(topics.resolve("Vevivez.idi", 500).found());
}

TEST_F(HelpTopicsTest, TheFirstPageInNameOrderKeepsARepeatedTopic) {
    write("0.html", "<a id=\"ctx-200\"></a>");
    EXPECT_EQ(HelpTopics(m_dir.path()).resolve("Vevivez.idi", 200).page, "0.html");
}

TEST(HelpTopicsDirectory, IsBesideTheProgramsUnlessTheEnvironmentSaysOtherwise) {
    qunsetenv("ZEL_HELP_DIR");
    EXPECT_TRUE(HelpTopics::installedDirectory().endsWith(QStringLiteral("/share/zel/help")));
    EXPECT_EQ(QDir::cleanPath(HelpTopics::installedDirectory() + QStringLiteral("/../../..")),
              QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/..")));
    qputenv("ZEL_HELP_DIR", "/tmp/ajuda-zel");
    EXPECT_EQ(HelpTopics::installedDirectory(), "/tmp/ajuda-zel");
    qunsetenv("ZEL_HELP_DIR");
}
