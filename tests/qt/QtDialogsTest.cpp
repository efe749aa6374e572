#include "ViewFixture.h"

#include "external/shared/TBtnPesquisa.h"
#include "platform/qt/ActionQueue.h"
#include "platform/qt/LookupDialog.h"
#include "platform/qt/WaitWindow.h"
#include "platform/TApplication.h"
#include "platform/TClientDataSet.h"
#include "platform/TDataSource.h"
#include "platform/TEdit.h"

#include <QEventLoop>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

using qtview::LookupDialog;

TFieldDef def(const QString& name, const QString& label, bool visible = true) {
    TFieldDef d;
    d.name = name;
    d.size = 30;
    d.displayLabel = label;
    d.visible = visible;
    return d;
}

class QtDialogs : public ViewFixture {
protected:
    void SetUp() override {
        ViewFixture::SetUp();
        medFilial = make<TEdit>("medFilial", form.get());
        medFilial->setBounds(8, 8, 60, 21);
        medFilial->setTabStop(true);
        data = new TClientDataSet(form.get());
        source = new TDataSource(data, form.get());
        btpFilial = make<TBtnPesquisa>("btpFilial", form.get());
        btpFilial->setBounds(70, 8, 21, 21);
        btpFilial->setTitle(QStringLiteral("Filial"));
        btpFilial->setDataSource(source);
        btpFilial->setEmptyError(QStringLiteral("Não há filial cadastrada."));
        btpFilial->OnAfterPesq = [this](TComponent&) {
            medFilial->setText(data->fieldByName(QStringLiteral("CDFILIAL")).asString());
        };
        form->setActiveControl(medFilial);
    }

    void load(int rows) {
        TDataPacket packet;
        packet.fields = {def("CDFILIAL", "Código"), def("NMFILIAL", "Nome"),
                         def("CDEMPRESA", "Empresa", false)};
        for (int i = 1; i <= rows; ++i)
            packet.rows.push_back({QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0')),
                                   QStringLiteral("Filial %1").arg(i), QStringLiteral("E")});
        data->setData(std::move(packet));
    }

    QToolButton* lookupButton() const { return widget<QToolButton>(btpFilial); }

    TEdit* medFilial = nullptr;
    TClientDataSet* data = nullptr;
    TDataSource* source = nullptr;
    TBtnPesquisa* btpFilial = nullptr;
};

TEST_F(QtDialogs, QuestionsUseTheScreensCaptionsAndErrorsShowTheirText) {
    gui::DialogAnswerer dialogs;
    dialogs.answer(QStringLiteral("Não"));
    EXPECT_FALSE(presenter->askYesNo(QStringLiteral("Confirma?"), QStringLiteral("Sim"),
                                     QStringLiteral("Não")));
    dialogs.answer(QStringLiteral("Sim"));
    EXPECT_TRUE(presenter->askYesNo(QStringLiteral("Confirma?"), QStringLiteral("Sim"),
                                    QStringLiteral("Não")));
    presenter->showError(QStringLiteral("Companhia não cadastrada."));
    presenter->showInformation(QStringLiteral("Apuração concluída."));
    ASSERT_EQ(dialogs.texts().size(), 4);
    EXPECT_EQ(dialogs.buttons().value(0), QStringLiteral("Sim|Não"));
    EXPECT_TRUE(dialogs.texts().value(2).endsWith(QStringLiteral(": Companhia não cadastrada.")));
    EXPECT_EQ(dialogs.buttons().value(2), QStringLiteral("OK"));
}

TEST_F(QtDialogs, TheLookupListsVisibleFieldsAndEnterChoosesTheRowReachedByKeys) {
    load(5);
    show();
    gui::DialogAnswerer dialogs;
    QString title;
    QStringList headers;
    int startRow = -1;
    dialogs.onDialog([&](QWidget* dialog) {
        auto* lookup = qobject_cast<LookupDialog*>(dialog);
        ASSERT_NE(lookup, nullptr);
        title = lookup->windowTitle();
        for (int c = 0; c < lookup->table()->model()->columnCount(); ++c)
            headers << lookup->table()->model()->headerData(c, Qt::Horizontal).toString();
        startRow = lookup->selectedRow();
        QTest::keyClick(lookup->table(), Qt::Key_Down);
        QTest::keyClick(lookup->table(), Qt::Key_Down);
        QTest::keyClick(lookup->table(), Qt::Key_Return);
    });
    gui::click(lookupButton());
    EXPECT_EQ(title, QStringLiteral("Filial"));
    EXPECT_EQ(headers, QStringList({QStringLiteral("Código"), QStringLiteral("Nome")}));
    EXPECT_EQ(startRow, 0);
    EXPECT_EQ(medFilial->text(), QStringLiteral("0003"));
    EXPECT_EQ(widget<QLineEdit>(medFilial)->text(), QStringLiteral("0003"));
    // The lookup button took no focus.
    EXPECT_EQ(form->activeControl(), medFilial);
    EXPECT_EQ(gui::focused(), widget<QLineEdit>(medFilial));

    // Esc cancels: nothing is filled in.
    medFilial->clear();
    dialogs.onDialog([](QWidget* dialog) {
        QTest::keyClick(qobject_cast<LookupDialog*>(dialog)->table(), Qt::Key_Down);
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    gui::click(lookupButton());
    EXPECT_EQ(medFilial->text(), QString());
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(QtDialogs, AnEmptyLookupShowsItsMessageInsteadOfAList) {
    load(0);
    show();
    gui::DialogAnswerer dialogs;
    bool listed = false;
    dialogs.onDialog([&](QWidget* dialog) {
        listed = true;
        dialog->close();
    });
    gui::click(lookupButton());
    EXPECT_FALSE(listed);
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.texts().value(0).endsWith(QStringLiteral("Não há filial cadastrada.")));
}

TEST_F(QtDialogs, TheWaitWindowShowsProgressAndHoldsInputUntilTheCallEnds) {
    show();
    qtview::WaitWindow& wait = presenter->waitWindow();
    presenter->waitBegin(1);
    EXPECT_TRUE(wait.isVisible());
    EXPECT_TRUE(wait.isModal());
    EXPECT_EQ(wait.bar()->maximum(), 0); // busy until the server reports progress

    bool ran = false;
    qtview::ActionQueue::instance().post([&] { ran = true; });
    // The remote call waits in a local loop; the window goes on painting meanwhile.
    QEventLoop call;
    QTimer::singleShot(40, &call, [&] {
        presenter->waitProgress(3, 10, QStringLiteral("Gerando notas fiscais"));
    });
    QTimer::singleShot(80, &call, &QEventLoop::quit);
    call.exec();
    EXPECT_FALSE(ran);
    EXPECT_EQ(wait.bar()->maximum(), 10);
    EXPECT_EQ(wait.bar()->value(), 3);
    EXPECT_EQ(wait.label()->text(), QStringLiteral("Gerando notas fiscais"));
    EXPECT_EQ(wait.elapsedLabel()->text(), QStringLiteral("Tempo decorrido: 0:00"));

    presenter->waitEnd();
    EXPECT_FALSE(wait.isVisible());
    gui::settle();
    EXPECT_TRUE(ran);
}

TEST_F(QtDialogs, TheWaitWindowOffersToStopWaitingOnlyForACallAndAfterAWhile) {
    show();
    qtview::WaitWindow& wait = presenter->waitWindow();
    wait.setCancelDelay(0);
    auto waitFor = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    // Connecting: nothing can stop waiting, so nothing is offered.
    presenter->waitBegin(0);
    waitFor(1200);
    EXPECT_FALSE(wait.cancelButton()->isVisible());
    presenter->waitEnd();

    int cancelled = 0;
    Application().OnCancelWait = [&] { ++cancelled; };
    presenter->waitBegin(1);
    EXPECT_FALSE(wait.cancelButton()->isVisible()) << "not at once";
    waitFor(1200);
    ASSERT_TRUE(wait.cancelButton()->isVisible());
    EXPECT_EQ(wait.cancelButton()->text(), QStringLiteral("Cancelar espera"));
    QTest::mouseClick(wait.cancelButton(), Qt::LeftButton);
    EXPECT_EQ(cancelled, 1);
    EXPECT_FALSE(wait.cancelButton()->isEnabled()) << "one click is enough";
    presenter->waitEnd();
    Application().OnCancelWait = nullptr;

    // The next wait starts over, with the default delay of ten seconds.
    wait.setCancelDelay(10000);
    presenter->waitBegin(1);
    EXPECT_FALSE(wait.cancelButton()->isVisible());
    EXPECT_TRUE(wait.cancelButton()->isEnabled());
    presenter->waitEnd();
}

TEST_F(QtDialogs, TheWaitWindowCountsMinutesAndSeconds) {
    EXPECT_EQ(qtview::WaitWindow::elapsedText(0), QStringLiteral("Tempo decorrido: 0:00"));
    EXPECT_EQ(qtview::WaitWindow::elapsedText(65), QStringLiteral("Tempo decorrido: 1:05"));
    EXPECT_EQ(qtview::WaitWindow::elapsedText(3600), QStringLiteral("Tempo decorrido: 60:00"));
}

} // namespace

namespace {

TEST_F(QtDialogs, EachKindHasItsIconAndTheDefaultButtonTheStepNamed) {
    show();
    gui::DialogAnswerer dialogs;
    TMessageDialog question;
    question.type = TMsgDlgType::mtInformation;
    question.text = QStringLiteral("Agrupamento de taxa?");
    question.yesCaption = QStringLiteral("Sim");
    question.noCaption = QStringLiteral("Não");
    question.defaultButton = 1;
    // Unanswered, the default button answers: "Não".
    EXPECT_FALSE(presenter->askQuestion(question));
    EXPECT_TRUE(presenter->askYesNo(QStringLiteral("Confirma?"), QStringLiteral("Sim"),
                                    QStringLiteral("Não")));
    presenter->showError(QStringLiteral("Companhia não cadastrada."));
    presenter->showInformation(QStringLiteral("Última apuração interrompida."), 1);
    ASSERT_EQ(dialogs.icons().size(), 4);
    EXPECT_EQ(dialogs.icons()[0], QMessageBox::Information);
    EXPECT_EQ(dialogs.defaults()[0], QStringLiteral("Não"));
    EXPECT_EQ(dialogs.icons()[1], QMessageBox::Question);
    EXPECT_EQ(dialogs.defaults()[1], QStringLiteral("Sim"));
    EXPECT_EQ(dialogs.icons()[2], QMessageBox::Critical);
    EXPECT_EQ(dialogs.icons()[3], QMessageBox::Information);
    EXPECT_EQ(dialogs.defaults()[3], QStringLiteral("OK"));
}

TEST_F(QtDialogs, F1InADialogAsksForItsTopicElseTheScreens) {
    form->setHelpFile(QStringLiteral("Vevivez.idi"));
    form->setHelpContext(13200100);
    show();
    QList<std::pair<QString, int>> asked;
    QObject::connect(presenter.get(), &qtview::QtPresenter::helpRequested,
                     [&](const QString& file, int context) {
                         asked.append({file, context});
                     });
    gui::DialogAnswerer dialogs;
    // The key reaches the focused button first; unhandled there, the box takes it.
    dialogs.onMessageBox([](QMessageBox* box) {
        QTest::keyClick(static_cast<QWidget*>(box->defaultButton()), Qt::Key_F1);
    });
    presenter->showInformation(QStringLiteral("Última apuração interrompida."), 1);
    dialogs.onMessageBox([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_F1); });
    presenter->showError(QStringLiteral("Companhia não cadastrada."));
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[0], std::make_pair(QStringLiteral("Vevivez.idi"), 1));
    EXPECT_EQ(asked[1], std::make_pair(QStringLiteral("Vevivez.idi"), 13200100));
    // F1 answered nothing: each box was still answered by its default button.
    EXPECT_EQ(dialogs.texts().size(), 2);
}

TEST_F(QtDialogs, F1InTheLookupAsksForTheScreensTopicAndKeepsTheList) {
    form->setHelpFile(QStringLiteral("Vevivez.idi"));
    form->setHelpContext(13200100);
    load(3);
    show();
    QList<int> asked;
    QObject::connect(presenter.get(), &qtview::QtPresenter::helpRequested,
                     [&](const QString&, int context) { asked << context; });
    gui::DialogAnswerer dialogs;
    bool stillOpen = false;
    dialogs.onDialog([&](QWidget* dialog) {
        auto* lookup = qobject_cast<LookupDialog*>(dialog);
        QTest::keyClick(lookup->table(), Qt::Key_F1);
        stillOpen = lookup->isVisible();
        QTest::keyClick(lookup->table(), Qt::Key_Return);
    });
    gui::click(lookupButton());
    EXPECT_EQ(asked, QList<int>{13200100});
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(medFilial->text(), QStringLiteral("0001"));
}

TEST_F(QtDialogs, F1OnAScreenAsksForTheScreensTopic) {
    form->setHelpFile(QStringLiteral("Vevivez.idi"));
    form->setHelpContext(13200200);
    show();
    QList<int> asked;
    QObject::connect(presenter.get(), &qtview::QtPresenter::helpRequested,
                     [&](const QString&, int context) { asked << context; });
    gui::pressKey(widget<QLineEdit>(medFilial), Qt::Key_F1);
    EXPECT_EQ(asked, QList<int>{13200200});
    // The field kept the focus and its text.
    EXPECT_EQ(form->activeControl(), medFilial);
    EXPECT_TRUE(medFilial->text().isEmpty());
}

} // namespace
