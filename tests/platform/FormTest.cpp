#include "core/EAbort.h"
#include "core/Exception.h"
#include "platform/EUnexpectedDialog.h"
#include "platform/TApplication.h"
#include "platform/TButtonFlat.h"
#include "platform/TCheckBox.h"
#include "platform/TComboBox.h"
#include "platform/TEdit.h"
#include "platform/TForm.h"
#include "platform/TPanel.h"
#include "platform/TScriptedPresenter.h"
#include "platform/TSpeedButton.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

// Every test gets its own scripted presenter and leaves no form behind.
class FormTest : public ::testing::Test {
protected:
    void SetUp() override { Application().setPresenter(&presenter); }
    void TearDown() override {
        for (TForm* form : Application().forms())
            delete form;
        Application().setPresenter(nullptr);
    }

    TScriptedPresenter presenter;
};

// A small screen: two fields in a panel and a flat confirm button outside it.
class Screen1 : public TForm {
public:
    explicit Screen1(TComponent* owner)
        : TForm(owner) {
        setCaption("Tela");
        panData = new TPanel(this, this);
        edtA = new TEdit(this, panData);
        edtB = new TEdit(this, panData);
        sbtConfirma = new TButtonFlat(this, this);
    }

    TPanel* panData;
    TEdit* edtA;
    TEdit* edtB;
    TButtonFlat* sbtConfirma;
};

// A screen whose creation step reads its own unit variable, as the screens' steps do.
struct Watching;
Watching* frmWatching = nullptr;
struct Watching : Screen1 {
    static inline bool referenceSet = false;
    explicit Watching(TComponent* owner)
        : Screen1(owner) {
        OnCreate = [this](TComponent&) { referenceSet = frmWatching == this; };
    }
};

struct Failing : Screen1 {
    explicit Failing(TComponent* owner)
        : Screen1(owner) {
        OnCreate = [](TComponent&) { throw Exception("Sem conexão."); };
    }
};

TEST_F(FormTest, CreateFormSetsTheReferenceOnlyWhileCreationSucceeds) {
    Failing* failing = nullptr;
    EXPECT_THROW(Application().createForm(failing), Exception);
    EXPECT_EQ(failing, nullptr);
    EXPECT_TRUE(Application().forms().empty());

    Application().createForm(frmWatching);
    ASSERT_NE(frmWatching, nullptr);
    EXPECT_TRUE(Watching::referenceSet);
    EXPECT_EQ(frmWatching->owner(), &Application());
    EXPECT_EQ(Application().forms().size(), 1u);
}

TEST_F(FormTest, ShowFocusesTheInitialControlAfterOnShowAndOnActivate) {
    Screen1* screen = nullptr;
    Application().createForm(screen);
    QStringList events;
    screen->OnShow = [&](TComponent&) { events << "show"; };
    screen->OnActivate = [&](TComponent&) { events << "activate"; };
    screen->panData->OnEnter = [&](TComponent&) { events << "enter panData"; };
    screen->edtB->OnEnter = [&](TComponent&) { events << "enter edtB"; };
    screen->setActiveControl(screen->edtB);
    screen->show();
    EXPECT_EQ(events, QStringList({"show", "activate", "enter panData", "enter edtB"}));
    EXPECT_EQ(Application().activeForm(), screen);

    // Showing again brings it forward without a second OnShow or focus walk.
    events.clear();
    screen->setWindowState(wsMinimized);
    screen->setWindowState(wsNormal);
    screen->show();
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(presenter.formEvents(), QStringList({"show Tela", "show Tela"}));
}

TEST_F(FormTest, ShowModalReturnsAfterCloseAndReactivatesTheFormBelow) {
    Screen1* owner = nullptr;
    Application().createForm(owner);
    owner->show();
    owner->edtA->setFocus();
    int ownerActivations = 0;
    owner->OnActivate = [&](TComponent&) { ++ownerActivations; };

    Screen1* modal = nullptr;
    Application().createForm(modal);
    modal->setCaption("Modal");
    bool ranInside = false;
    presenter.onModal = [&](TForm& form) {
        ranInside = true;
        EXPECT_TRUE(form.isModal());
        EXPECT_EQ(Application().activeForm(), &form);
        form.setModalResult(mrOk);
    };
    QStringList exits;
    owner->edtA->OnExit = [&](TComponent&) { exits << "edtA"; };
    EXPECT_EQ(modal->showModal(), mrOk);
    EXPECT_TRUE(ranInside);
    EXPECT_FALSE(modal->isShowing());
    EXPECT_TRUE(exits.isEmpty()); // moving between forms fires no control events
    EXPECT_EQ(owner->activeControl(), owner->edtA);
    EXPECT_EQ(ownerActivations, 1);
    EXPECT_EQ(Application().activeForm(), owner);

    // A plain close gives mrCancel; a modal with no script is an unexpected dialog.
    presenter.onModal = [](TForm& form) { form.close(); };
    EXPECT_EQ(modal->showModal(), mrCancel);
    presenter.onModal = nullptr;
    EXPECT_THROW(modal->showModal(), EUnexpectedDialog);
    EXPECT_TRUE(presenter.hasUnexpected());
    EXPECT_TRUE(Application().modalForms().empty());
}

TEST_F(FormTest, CloseActionsAndDeferredRelease) {
    Screen1* screen = nullptr;
    Application().createForm(screen);
    screen->show();
    TCloseAction chosen = caNone;
    screen->OnClose = [&](TComponent&, TCloseAction& action) { action = chosen; };

    screen->close();
    EXPECT_TRUE(screen->isShowing());
    chosen = caHide;
    screen->close();
    EXPECT_FALSE(screen->isShowing());
    EXPECT_EQ(Application().forms().size(), 1u);

    // caFree: the form outlives the handler that closed it and goes once nothing runs.
    screen->show();
    chosen = caFree;
    bool destroyedInHandler = false;
    screen->sbtConfirma->OnClick = [&](TComponent&) {
        screen->close();
        Application().processMessages(); // still inside a user action: nothing is deleted
        destroyedInHandler = Application().forms().empty();
        EXPECT_FALSE(screen->isShowing());
    };
    EXPECT_TRUE(screen->userClick(*screen->sbtConfirma));
    EXPECT_FALSE(destroyedInHandler);
    EXPECT_TRUE(Application().forms().empty());
    EXPECT_EQ(Application().pendingReleases(), 0);
}

TEST_F(FormTest, ModalFormFreedOnCloseStaysReadableUntilMessagesRun) {
    Screen1* viewer = nullptr;
    Application().createForm(viewer);
    viewer->OnClose = [](TComponent&, TCloseAction& action) { action = caFree; };
    presenter.onModal = [](TForm& form) { form.setModalResult(mrOk); };
    EXPECT_EQ(viewer->showModal(), mrOk);
    EXPECT_EQ(viewer->modalResult(), mrOk); // still alive
    EXPECT_EQ(Application().pendingReleases(), 1);
    Application().processMessages();
    EXPECT_TRUE(Application().forms().empty());
}

TEST_F(FormTest, MdiChildMinimisesOnCloseByDefault) {
    Screen1* screen = nullptr;
    Application().createForm(screen);
    screen->setFormStyle(fsMDIChild);
    screen->show();
    screen->close();
    EXPECT_TRUE(screen->isShowing());
    EXPECT_EQ(screen->windowState(), wsMinimized);
}

TEST_F(FormTest, SpeedButtonsNeverTakeTheFocus) {
    Screen1* screen = nullptr;
    Application().createForm(screen);
    screen->show();
    screen->edtB->setFocus();
    TControl* activeWhenClicked = nullptr;
    int clicks = 0;
    screen->sbtConfirma->OnClick = [&](TComponent&) {
        ++clicks;
        activeWhenClicked = screen->activeControl();
    };
    screen->sbtConfirma->setFocus();
    EXPECT_EQ(screen->activeControl(), screen->edtB);
    screen->userClick(*screen->sbtConfirma);
    EXPECT_EQ(activeWhenClicked, screen->edtB);

    screen->sbtConfirma->setEnabled(false);
    screen->userClick(*screen->sbtConfirma);
    screen->sbtConfirma->click();
    EXPECT_EQ(clicks, 1);

    auto* plain = new TSpeedButton(screen, screen);
    EXPECT_FALSE(plain->canFocus());
}

TEST_F(FormTest, ClickingAFieldFocusesItFirstAndStopsWhenFocusIsRefused) {
    Screen1* screen = nullptr;
    Application().createForm(screen);
    auto* check = new TCheckBox(screen, screen);
    int clicks = 0;
    check->OnClick = [&](TComponent&) { ++clicks; };
    screen->show();
    screen->edtA->setFocus();
    screen->edtA->OnExit = [&](TComponent&) {
        screen->edtA->setFocus();
        Abort();
    };
    screen->userClick(*check);
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(check->checked());
    screen->edtA->OnExit = nullptr;
    screen->userClick(*check);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(check->checked());
    EXPECT_TRUE(check->focused());
}

TEST_F(FormTest, ComboBoxFiresOnChangeOnlyForTheUsersChoice) {
    Screen1* screen = nullptr;
    Application().createForm(screen);
    auto* combo = new TComboBox(screen, screen);
    combo->setItems({"Regular", "Extra", "Todos"});
    int changes = 0;
    combo->OnChange = [&](TComponent&) { ++changes; };
    combo->setItemIndex(2);
    EXPECT_EQ(combo->text(), "Todos");
    EXPECT_EQ(changes, 0);
    combo->selectItem(2);
    combo->selectItem(0);
    EXPECT_EQ(changes, 1);
    screen->show();
    combo->setFocus();
    screen->userKeyDown(VK_DOWN);
    EXPECT_EQ(combo->itemIndex(), 1);
    EXPECT_EQ(changes, 2);
}

TEST_F(FormTest, KeyDispatchSwallowsAbortAndShowsOtherErrors) {
    Screen1* screen = nullptr;
    Application().createForm(screen);
    screen->show();
    screen->edtA->setFocus();

    screen->edtA->OnExit = [](TComponent&) { Abort(); };
    EXPECT_FALSE(screen->userKeyDown(VK_TAB));
    EXPECT_TRUE(presenter.records().empty());
    EXPECT_EQ(screen->activeControl(), screen->edtA);

    screen->edtA->OnExit = [](TComponent&) { throw Exception("Filial não cadastrada."); };
    presenter.expectError("Filial não cadastrada.");
    EXPECT_FALSE(screen->userKeyDown(VK_TAB));
    EXPECT_EQ(presenter.errors(), QStringList({"Filial não cadastrada."}));

    // A foreign exception is shown by its UTF-8 text.
    screen->edtA->OnKeyPress = [](TComponent&, QChar&) {
        throw std::runtime_error("Ação inválida");
    };
    EXPECT_FALSE(screen->userTypeKey('x'));
    EXPECT_EQ(presenter.errors().last(), "Ação inválida");
    EXPECT_FALSE(presenter.hasUnexpected());

    // Tab without handlers moves on.
    screen->edtA->OnExit = nullptr;
    EXPECT_TRUE(screen->userKeyDown(VK_TAB));
    EXPECT_EQ(screen->activeControl(), screen->edtB);
}

TEST_F(FormTest, ExceptionMessagesCarryUtf8) {
    const Exception error("Série N.F. deve ser informada.");
    EXPECT_STREQ(error.what(), "Série N.F. deve ser informada.");
    EXPECT_THROW(Abort(), EAbort);
}

TEST_F(FormTest, F1AsksThePresenterForTheFormsHelpTopic) {
    Screen1* screen = nullptr;
    Application().createForm(screen);
    screen->setHelpFile(QStringLiteral("Vevivez.idi"));
    screen->setHelpContext(13200100);
    screen->setActiveControl(screen->edtB);
    screen->show();
    EXPECT_TRUE(screen->userKeyDown(VK_F1));
    // With a modifier it is some other command, not help.
    EXPECT_TRUE(screen->userKeyDown(VK_F1, TShiftState{true, false, false}));
    EXPECT_TRUE(screen->userKeyDown(VK_F1, TShiftState{false, true, false}));
    const auto help = presenter.records(TScriptedPresenter::Kind::Help);
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].title, "Vevivez.idi");
    EXPECT_EQ(help[0].helpContext, 13200100);
    EXPECT_EQ(screen->activeControl(), screen->edtB);
}

} // namespace
