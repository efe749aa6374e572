// What the transcript says for F1: the page the desktop would open, or why there is none.
#include "host/ScriptPresenter.h"

#include <gtest/gtest.h>

#include <QString>
#include <QTextStream>

TEST(ScriptPresenterHelp, NamesThePageOfTheTopicOrTheReason) {
    QString text;
    QTextStream out(&text);
    ScriptPresenter presenter(out);
    presenter.showHelp(QStringLiteral("Vevivez.idi"), 13200200);
    presenter.showHelp(QStringLiteral("Vevivez.idi"), 0);
    presenter.showHelp(QStringLiteral("Vevivez.idi"), 5);
    out.flush();
    EXPECT_TRUE(text.contains(
        QStringLiteral("[ajuda] Vevivez.idi, contexto 13200200: taxa.html#ctx-13200200\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("[ajuda] Vevivez.idi, contexto 0: index.html\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("[ajuda] Vevivez.idi, contexto 5: Não há página de "
                                             "ajuda para o contexto 5 de Vevivez.idi.\n")));
    // Recorded for the script's expectations as before.
    EXPECT_EQ(presenter.records(TScriptedPresenter::Kind::Help).size(), 3u);
}
