// The pages against the screens: every help topic a form or a dialog names resolves to its
// page and anchor, and every key of a screen's message table is explained on its page.
#include "tests/help/HelpPages.h"
#include "tests/screens/ScreenHarness.h"

#include "external/shared/TMessages.h"
#include "host/computations/TfrmConsApur.h"
#include "platform/HelpTopics.h"
#include "platform/TApplication.h"
#include "platform/TForm.h"
#include "platform/TShiftState.h"
#include "screens/billing/TfrmApuracao.h"
#include "screens/fee/TfrmApurac.h"
#include "screens/viewer/TfrmNotasApur.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Keys the fee screen shows from the billing screen's table.
const QStringList kFeeBorrowsFromBilling = {
    "DTFATU_ni", "DtFim>DtFatu", "Data_Inicial", "Data_Faturamento", "DELVALO_nf", "dir_n_exists",
    "Serie_Inf", "Serie_N_Cad",  "Trans_N_Cad",  "Deliv_Bloq",       "Apur_Irreg"};

QStringList keysOf(const TMessages& messages) {
    QStringList keys;
    for (const QString& line : messages.messages())
        keys << line.section(u'|', 0, 0).trimmed();
    return keys;
}

// Fails unless (file, context) names a page and an anchor that page really has.
void expectTopic(const QString& who, const QString& file, int context) {
    const HelpTopics topics(HelpTopics::installedDirectory());
    const HelpTopics::Topic topic = topics.resolve(file, context);
    ASSERT_TRUE(topic.found()) << who.toStdString() << ": " << topic.error.toStdString();
    EXPECT_TRUE(HelpPages::idSet(topic.page).contains(topic.anchor))
        << who.toStdString() << ": " << topic.reference().toStdString();
}

QString pageOf(const TForm& form) {
    return HelpTopics(HelpTopics::installedDirectory())
        .resolve(form.helpFile(), form.helpContext())
        .page;
}

// The screens built as their hosts build them, without their creation steps.
class HelpCoverage : public ::testing::Test {
protected:
    void SetUp() override {
        Application().setPresenter(&presenter);
        billing = std::make_unique<TfrmApuracao>();
        // The fee screen works on the billing screen, which must exist first.
        fee = std::make_unique<TfrmApurac>();
        viewer = std::make_unique<TfrmNotasApur>();
        computations = std::make_unique<TfrmConsApur>();
    }
    void TearDown() override {
        computations.reset();
        viewer.reset();
        fee.reset();
        billing.reset();
        Application().setPresenter(nullptr);
    }
    std::vector<TfrmRotiGeral*> forms() const {
        return {billing.get(), fee.get(), viewer.get(), computations.get()};
    }

    TScriptedPresenter presenter;
    std::unique_ptr<TfrmApuracao> billing;
    std::unique_ptr<TfrmApurac> fee;
    std::unique_ptr<TfrmNotasApur> viewer;
    std::unique_ptr<TfrmConsApur> computations;
};

} // namespace

TEST_F(HelpCoverage, EveryScreenHasATopicOfItsOwnOnItsOwnPage) {
    QSet<QString> pages;
    for (TfrmRotiGeral* form : forms()) {
        SCOPED_TRACE(form->name().toStdString());
        EXPECT_NE(form->helpContext(), 0) << "F1 abriria só o conteúdo";
        expectTopic(form->name(), form->helpFile(), form->helpContext());
        pages.insert(pageOf(*form));
    }
    EXPECT_EQ(pages.size(), 4);
}

TEST_F(HelpCoverage, EveryMessageKeyOfAScreenIsExplainedOnItsPage) {
    int explained = 0;
    for (TfrmRotiGeral* form : forms()) {
        const QString page = pageOf(*form);
        const QSet<QString> ids = HelpPages::idSet(page);
        const QStringList keys = keysOf(*form->msgPadrao);
        EXPECT_FALSE(keys.isEmpty()) << form->name().toStdString();
        for (const QString& key : keys) {
            EXPECT_TRUE(ids.contains(QStringLiteral("msg-") + key))
                << page.toStdString() << " não explica a mensagem " << key.toStdString() << " de "
                << form->name().toStdString();
            ++explained;
        }
    }
    EXPECT_GE(explained, 42 + 19 + 1 + 10);
}

TEST_F(HelpCoverage, TheBillingMessagesTheFeeScreenShowsAreExplainedOnTheFeePage) {
    const QSet<QString> ids = HelpPages::idSet(pageOf(*fee));
    for (const QString& key : kFeeBorrowsFromBilling) {
        // A key the billing table lacks would make this list wrong, not the page.
        EXPECT_TRUE(billing->msgPadrao->contains(key)) << key.toStdString();
        EXPECT_TRUE(ids.contains(QStringLiteral("msg-") + key))
            << pageOf(*fee).toStdString() << " não explica " << key.toStdString();
    }
}

TEST_F(HelpCoverage, F1OnAScreenAsksForItsOwnTopic) {
    for (TfrmRotiGeral* form : forms()) {
        presenter.clear();
        // Straight to the form's keys: showing the fee screen would load it from the server.
        int key = VK_F1;
        form->keyDown(key, TShiftState{});
        EXPECT_EQ(key, 0);
        const auto help = presenter.records(TScriptedPresenter::Kind::Help);
        ASSERT_EQ(help.size(), 1u) << form->name().toStdString();
        expectTopic(form->name(), help[0].title, help[0].helpContext);
        EXPECT_EQ(help[0].helpContext, form->helpContext());
    }
}

// The dialogs that name a topic of their own, reached as the user reaches them.
using HelpDialogCoverage = ScreenHarness;

TEST_F(HelpDialogCoverage, TheInterruptedComputationNoticeHasItsTopic) {
    open();
    // UNI's last computation ended by an error: the notice with help topic 1.
    ASSERT_TRUE(chooseCompany(QStringLiteral("UNI")));
    int named = 0;
    for (const auto& record : presenter.records(TScriptedPresenter::Kind::Information)) {
        if (record.helpContext == 0)
            continue; // F1 then opens the screen's topic, covered above
        expectTopic(record.text, form->helpFile(), record.helpContext);
        // It is the message's own explanation.
        const HelpTopics::Topic topic = HelpTopics(HelpTopics::installedDirectory())
                                            .resolve(form->helpFile(), record.helpContext);
        EXPECT_EQ(topic.page, pageOf(*form));
        EXPECT_TRUE(HelpPages::text(topic.page)
                        .contains(QStringLiteral("<dt id=\"msg-Apur_Irreg\"><a id=\"ctx-%1\">")
                                      .arg(record.helpContext)));
        ++named;
    }
    EXPECT_EQ(named, 1);
}
