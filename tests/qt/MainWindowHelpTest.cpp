// The desktop's help: one help window for every topic, and the contents from the menu.
#include "GuiDriver.h"

#include "host/gui/MainWindow.h"
#include "host/HostConfig.h"
#include "platform/qt/HelpWindow.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QTextBrowser>

TEST(MainWindowHelp, EveryTopicOpensInTheOneHelpWindow) {
    HostConfig config;
    MainWindow window(config);
    EXPECT_EQ(window.helpWindow(), nullptr); // made on first use
    window.showHelp(QStringLiteral("Vevivez.idi"), 13200100);
    qtview::HelpWindow* help = window.helpWindow();
    ASSERT_NE(help, nullptr);
    gui::settle();
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->browser()->source().fileName(), "faturamento.html");

    window.showHelp(QStringLiteral("Vevivez.idi"), 13200200);
    EXPECT_EQ(window.helpWindow(), help);
    EXPECT_EQ(help->browser()->source().fileName(), "taxa.html");
    EXPECT_EQ(help->windowTitle(), "Ajuda - Apuração de taxas (ZEL00102)");

    // Ajuda -> Conteúdo: the contents page of the installed help file.
    auto* contents = window.findChild<QAction*>(QStringLiteral("actAjudaConteudo"));
    ASSERT_NE(contents, nullptr);
    contents->trigger();
    EXPECT_EQ(help->browser()->source().fileName(), "index.html");
    EXPECT_TRUE(help->notice().isEmpty());
}
