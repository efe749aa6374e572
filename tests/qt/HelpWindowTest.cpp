// The help window on the shipped pages, offscreen: the page of a topic scrolled to its anchor,
// back and forward, the search in the page, and a topic without a page.
#include "GuiDriver.h"

#include "platform/HelpTopics.h"
#include "platform/qt/HelpWindow.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>

namespace {

class HelpWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(700, 500);
        ASSERT_FALSE(topics.helpFiles().isEmpty()) << topics.directory().toStdString();
    }
    void open(int context) {
        window.showTopic(topics.resolve(QStringLiteral("Vevivez.idi"), context));
        gui::settle();
    }
    QString shownPage() const { return window.browser()->source().fileName(); }
    QString shownAnchor() const { return window.browser()->source().fragment(); }
    int scrolled() const { return window.browser()->verticalScrollBar()->value(); }
    QString selected() const { return window.browser()->textCursor().selectedText(); }

    HelpTopics topics{HelpTopics::installedDirectory()};
    qtview::HelpWindow window;
};

} // namespace

TEST_F(HelpWindowTest, OpensThePageOfATopicScrolledToItsAnchor) {
    open(13200100);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(shownPage(), "faturamento.html");
    EXPECT_EQ(window.windowTitle(), "Ajuda - Cálculo da Apuração (ZEL00100)");
    const int heading = scrolled(); // the topic is the page's heading, under its links
    EXPECT_TRUE(window.notice().isEmpty());

    // The notice's topic is the explanation of its message, far down the same page.
    open(1);
    EXPECT_EQ(shownPage(), "faturamento.html");
    EXPECT_EQ(shownAnchor(), "ctx-1");
    EXPECT_GT(scrolled(), heading + 500);
    // Back at the heading: asking for the same page again still scrolls.
    open(13200100);
    EXPECT_EQ(scrolled(), heading);
}

TEST_F(HelpWindowTest, BackAndForwardWalkThePagesSeen) {
    open(13200100);
    EXPECT_FALSE(window.backButton()->isEnabled());
    open(13200200);
    EXPECT_EQ(window.windowTitle(), "Ajuda - Apuração de taxas (ZEL00102)");
    ASSERT_TRUE(window.backButton()->isEnabled());
    EXPECT_FALSE(window.forwardButton()->isEnabled());

    QTest::mouseClick(window.backButton(), Qt::LeftButton);
    gui::settle();
    EXPECT_EQ(shownPage(), "faturamento.html");
    EXPECT_EQ(window.windowTitle(), "Ajuda - Cálculo da Apuração (ZEL00100)");
    ASSERT_TRUE(window.forwardButton()->isEnabled());
    QTest::mouseClick(window.forwardButton(), Qt::LeftButton);
    gui::settle();
    EXPECT_EQ(shownPage(), "taxa.html");
    EXPECT_FALSE(window.forwardButton()->isEnabled());
}

TEST_F(HelpWindowTest, TheSearchFindsInThePageAndWrapsAround) {
    open(13200200);
    QLineEdit* search = window.searchField();
    search->setFocus();
    // Typed as a paste would: QTest only types ASCII keys.
    search->setText(QStringLiteral("Apuração não cadastrada"));
    QTest::keyClick(search, Qt::Key_Return);
    EXPECT_EQ(selected(), "Apuração não cadastrada");
    const int first = window.browser()->textCursor().position();
    // The text stands once in the page: the next search wraps back to the same place.
    QTest::keyClick(search, Qt::Key_Return);
    EXPECT_EQ(window.browser()->textCursor().position(), first);

    search->clear();
    QTest::keyClicks(search, QStringLiteral("palavra inexistente"));
    QTest::keyClick(search, Qt::Key_Return);
    // Not found: the selection stays where it was and the window says so.
    EXPECT_EQ(window.browser()->textCursor().position(), first);
    bool told = false;
    for (QLabel* label : window.findChildren<QLabel*>())
        told = told || label->text() == u"Não encontrado na página.";
    EXPECT_TRUE(told);

    // From the top: the first "Série N.F.", the second, and backwards the first again.
    window.browser()->moveCursor(QTextCursor::Start);
    EXPECT_TRUE(window.find(QStringLiteral("Série N.F.")));
    const int one = window.browser()->textCursor().position();
    EXPECT_TRUE(window.find(QStringLiteral("Série N.F.")));
    const int two = window.browser()->textCursor().position();
    EXPECT_GT(two, one);
    EXPECT_TRUE(window.find(QStringLiteral("Série N.F."), true));
    EXPECT_EQ(window.browser()->textCursor().position(), one);
}

TEST_F(HelpWindowTest, ATopicWithoutAPageShowsTheContentsAndWhy) {
    open(13299999);
    EXPECT_EQ(shownPage(), "index.html");
    EXPECT_EQ(window.notice(), "Não há página de ajuda para o contexto 13299999 de Vevivez.idi.");
    EXPECT_EQ(window.windowTitle(), "Ajuda - Apuração de faturamento - Conteúdo");
    // A topic found again clears the reason.
    open(13200400);
    EXPECT_EQ(shownPage(), "notas.html");
    EXPECT_TRUE(window.notice().isEmpty());

    // Without any pages there is only the reason.
    window.showTopic(HelpTopics(QDir::temp().filePath(QStringLiteral("sem-ajuda-zel")))
                         .resolve(QStringLiteral("Vevivez.idi"), 13200100));
    gui::settle();
    EXPECT_TRUE(window.notice().startsWith(QStringLiteral("As páginas de ajuda não foram")));
    EXPECT_TRUE(window.browser()->toPlainText().isEmpty());
    EXPECT_EQ(window.windowTitle(), "Ajuda");
}

TEST_F(HelpWindowTest, OverAModalWindowItIsModalToo) {
    QDialog dialog;
    Qt::WindowModality whileModal = Qt::NonModal;
    QTimer::singleShot(0, &dialog, [&] {
        open(13200200);
        whileModal = window.windowModality();
        window.close();
        dialog.accept();
    });
    dialog.exec();
    EXPECT_EQ(whileModal, Qt::ApplicationModal);
    // Without one it leaves the screens usable.
    open(13200100);
    EXPECT_EQ(window.windowModality(), Qt::NonModal);
}

// The picture for the documentation; runs only when ZEL_SCREENSHOTS names the folder.
TEST_F(HelpWindowTest, Picture) {
    const QString dir = qEnvironmentVariable("ZEL_SCREENSHOTS");
    if (dir.isEmpty())
        GTEST_SKIP() << "ZEL_SCREENSHOTS não definido";
    QDir().mkpath(dir);
    window.resize(760, 560);
    open(13200100);
    const QString path = QDir(dir).filePath(QStringLiteral("ajuda.png"));
    EXPECT_TRUE(window.grab().save(path)) << path.toStdString();
}
