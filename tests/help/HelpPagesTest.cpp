// The pages among themselves: every link reaches a page and an anchor that exist, the contents
// page reaches every page, ids are unique, and each topic belongs to one page only.
#include "tests/help/HelpPages.h"

#include "platform/HelpTopics.h"

#include <gtest/gtest.h>

#include <QHash>
#include <QRegularExpression>

TEST(HelpPages, AreInstalledBesideThePrograms) {
    const QStringList pages = HelpPages::pages();
    EXPECT_TRUE(pages.contains(QString::fromLatin1(HelpTopics::kContentsPage)))
        << HelpPages::directory().toStdString();
    for (const char* page : {"faturamento.html", "taxa.html", "notas.html", "apuracoes.html"})
        EXPECT_TRUE(pages.contains(QString::fromLatin1(page))) << page;
}

TEST(HelpPages, EveryLinkReachesAnExistingPageAndAnchor) {
    const QStringList pages = HelpPages::pages();
    ASSERT_FALSE(pages.isEmpty());
    int checked = 0;
    for (const QString& page : pages) {
        for (const QString& link : HelpPages::links(page)) {
            // The pages never leave the help directory.
            EXPECT_FALSE(link.contains(u':')) << page.toStdString() << ": " << link.toStdString();
            const qsizetype hash = link.indexOf(u'#');
            const QString target = hash < 0 ? link : link.left(hash);
            const QString anchor = hash < 0 ? QString() : link.mid(hash + 1);
            const QString targetPage = target.isEmpty() ? page : target;
            ASSERT_TRUE(pages.contains(targetPage))
                << page.toStdString() << " liga a " << link.toStdString();
            if (!anchor.isEmpty()) {
                EXPECT_TRUE(HelpPages::idSet(targetPage).contains(anchor))
                    << page.toStdString() << " liga a " << link.toStdString()
                    << ", âncora que não existe";
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 10);
}

TEST(HelpPages, TheContentsReachEveryPage) {
    const QString contents = QString::fromLatin1(HelpTopics::kContentsPage);
    QStringList linked;
    for (const QString& link : HelpPages::links(contents))
        linked << link.section(u'#', 0, 0);
    for (const QString& page : HelpPages::pages()) {
        if (page != contents) {
            EXPECT_TRUE(linked.contains(page))
                << contents.toStdString() << " não lista " << page.toStdString();
        }
    }
}

TEST(HelpPages, IdsAreUniqueInAPageAndTopicsInTheSet) {
    QHash<QString, QString> topicPage;
    for (const QString& page : HelpPages::pages()) {
        QSet<QString> seen;
        for (const QString& id : HelpPages::ids(page)) {
            EXPECT_FALSE(seen.contains(id))
                << page.toStdString() << ": id repetido " << id.toStdString();
            seen.insert(id);
            if (!id.startsWith(QStringLiteral("ctx-")))
                continue;
            EXPECT_FALSE(topicPage.contains(id))
                << id.toStdString() << " em " << topicPage.value(id).toStdString() << " e em "
                << page.toStdString();
            topicPage.insert(id, page);
        }
        // Every page has a title: the help window's caption is made of it.
        static const QRegularExpression title(QStringLiteral("<title>[^<]+</title>"));
        EXPECT_TRUE(title.match(HelpPages::text(page)).hasMatch()) << page.toStdString();
    }
}
