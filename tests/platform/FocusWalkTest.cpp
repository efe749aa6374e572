#include "core/EAbort.h"
#include "core/Exception.h"
#include "platform/TApplication.h"
#include "platform/TEdit.h"
#include "platform/TForm.h"
#include "platform/TLabel.h"
#include "platform/TNotebook.h"
#include "platform/TPage.h"
#include "platform/TPanel.h"
#include "platform/TScriptedPresenter.h"

#include <gtest/gtest.h>

#include <memory>
#include <QStringList>

namespace {

// A form with two nested areas:
//   form
//     panHead: edtA, panInner (edtB, edtC)
//     panBody: edtD, lblNote, edtE (disabled display field)
class FocusWalk : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm>();
        panHead = make<TPanel>("panHead", form.get());
        edtA = make<TEdit>("edtA", panHead);
        panInner = make<TPanel>("panInner", panHead);
        edtB = make<TEdit>("edtB", panInner);
        edtC = make<TEdit>("edtC", panInner);
        panBody = make<TPanel>("panBody", form.get());
        edtD = make<TEdit>("edtD", panBody);
        lblNote = make<TLabel>("lblNote", panBody);
        edtE = make<TEdit>("edtE", panBody);
        edtE->setEnabled(false);
        for (TControl* control : {static_cast<TControl*>(panHead), static_cast<TControl*>(edtA),
                                  static_cast<TControl*>(panInner), static_cast<TControl*>(edtB),
                                  static_cast<TControl*>(edtC), static_cast<TControl*>(panBody),
                                  static_cast<TControl*>(edtD), static_cast<TControl*>(edtE)})
            log(control);
    }

    template <class T>
    T* make(const char* name, TWinControl* parent) {
        auto* control = new T(form.get(), parent);
        control->setName(QString::fromLatin1(name));
        return control;
    }

    void log(TControl* control) {
        control->OnEnter = [this](TComponent& c) { events << "enter " + c.name(); };
        control->OnExit = [this](TComponent& c) { events << "exit " + c.name(); };
    }

    QString position() const { return form->focusPosition()->name(); }

    std::unique_ptr<TForm> form;
    TPanel* panHead = nullptr;
    TEdit* edtA = nullptr;
    TPanel* panInner = nullptr;
    TEdit* edtB = nullptr;
    TEdit* edtC = nullptr;
    TPanel* panBody = nullptr;
    TEdit* edtD = nullptr;
    TLabel* lblNote = nullptr;
    TEdit* edtE = nullptr;
    QStringList events;
};

TEST_F(FocusWalk, ExitsInnermostFirstAndEntersOutermostFirst) {
    edtB->setFocus();
    EXPECT_EQ(events, QStringList({"enter panHead", "enter panInner", "enter edtB"}));

    events.clear();
    edtD->setFocus();
    EXPECT_EQ(events, QStringList({"exit edtB", "exit panInner", "exit panHead", "enter panBody",
                                   "enter edtD"}));
    EXPECT_EQ(form->activeControl(), edtD);
    EXPECT_TRUE(edtD->focused());
    EXPECT_FALSE(edtB->focused());

    // Within one container the common ancestors see nothing.
    edtB->setFocus();
    events.clear();
    edtC->setFocus();
    EXPECT_EQ(events, QStringList({"exit edtB", "enter edtC"}));
    events.clear();
    edtA->setFocus();
    EXPECT_EQ(events, QStringList({"exit edtC", "exit panInner", "enter edtA"}));
}

TEST_F(FocusWalk, PositionMovesToTheParentBeforeEachExit) {
    edtB->setFocus();
    QStringList seen;
    edtB->OnExit = [&](TComponent&) { seen << position(); };
    panInner->OnExit = [&](TComponent&) { seen << position(); };
    panBody->OnEnter = [&](TComponent&) { seen << position(); };
    edtD->setFocus();
    EXPECT_EQ(seen, QStringList({"panInner", "panHead", "panBody"}));
}

TEST_F(FocusWalk, FocusMovedInsideExitHandlerSupersedesTheWalk) {
    edtB->setFocus();
    events.clear();
    // A validation failing on exit puts the focus back on its field.
    edtB->OnExit = [&](TComponent& c) {
        events << "exit " + c.name();
        edtB->setFocus();
    };
    edtD->setFocus();
    EXPECT_EQ(events, QStringList({"exit edtB", "enter edtB"}));
    EXPECT_EQ(form->activeControl(), edtB);

    // Focus moved elsewhere from an inner exit: the nested walk starts from the current
    // position (edtB is not exited twice) and the outer walk towards edtD stops.
    events.clear();
    edtB->OnExit = [&](TComponent& c) {
        events << "exit " + c.name();
        edtA->setFocus();
    };
    edtD->setFocus();
    EXPECT_EQ(events, QStringList({"exit edtB", "exit panInner", "enter edtA"}));
    EXPECT_EQ(form->activeControl(), edtA);
}

TEST_F(FocusWalk, ExceptionInExitStopsTheWalkAndRestoresTheStart) {
    edtB->setFocus();
    events.clear();
    panInner->OnExit = [&](TComponent& c) {
        events << "exit " + c.name();
        throw Exception("Filial não cadastrada.");
    };
    EXPECT_THROW(edtD->setFocus(), Exception);
    EXPECT_EQ(events, QStringList({"exit edtB", "exit panInner"}));
    EXPECT_EQ(form->activeControl(), edtB);

    // When the handler moved the focus before failing (the MensErro pattern), that stays.
    events.clear();
    panInner->OnExit = [&](TComponent& c) {
        events << "exit " + c.name();
        edtC->setFocus();
        Abort();
    };
    EXPECT_THROW(edtD->setFocus(), EAbort);
    EXPECT_EQ(events, QStringList({"exit edtB", "exit panInner", "enter panInner", "enter edtC"}));
    EXPECT_EQ(form->activeControl(), edtC);
}

TEST_F(FocusWalk, ExceptionInEnterReturnsToTheStart) {
    edtA->setFocus();
    events.clear();
    panBody->OnEnter = [&](TComponent&) { throw Exception("falhou"); };
    EXPECT_THROW(edtD->setFocus(), Exception);
    EXPECT_EQ(events, QStringList({"exit edtA", "exit panHead"}));
    EXPECT_EQ(form->activeControl(), edtA);
}

TEST_F(FocusWalk, DisabledOrHiddenTargetsAreIgnored) {
    edtA->setFocus();
    events.clear();
    edtE->setFocus(); // a disabled display field
    lblNote->setFocus();
    panInner->setVisible(false);
    edtB->setFocus(); // inside a hidden container
    panInner->setVisible(true);
    panBody->setEnabled(false);
    edtD->setFocus(); // inside a disabled container
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(form->activeControl(), edtA);
    EXPECT_FALSE(edtD->canFocus());
}

TEST_F(FocusWalk, DisablingTheFocusedControlMovesThePositionSilently) {
    edtB->setFocus();
    events.clear();
    edtB->setEnabled(false);
    EXPECT_EQ(form->focusPosition(), panInner);
    // The next walk starts from there: edtB is not exited again.
    edtD->setFocus();
    EXPECT_EQ(events,
              QStringList({"exit panInner", "exit panHead", "enter panBody", "enter edtD"}));
}

TEST_F(FocusWalk, TabWalksContainersInTabOrderAndWraps) {
    edtA->setFocus();
    QStringList order;
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(form->selectNext(true));
        order << form->activeControl()->name();
    }
    // Label and disabled field skipped; wraps back to the start.
    EXPECT_EQ(order, QStringList({"edtB", "edtC", "edtD", "edtA", "edtB"}));

    order.clear();
    for (int i = 0; i < 3; ++i) {
        int key = VK_TAB;
        form->keyDown(key, TShiftState{true, false, false});
        EXPECT_EQ(key, 0);
        order << form->activeControl()->name();
    }
    EXPECT_EQ(order, QStringList({"edtA", "edtD", "edtC"}));

    // Tab order, not creation order, decides.
    edtC->setTabOrder(0);
    edtA->setFocus();
    form->selectNext(true);
    EXPECT_EQ(form->activeControl(), edtC);
    form->selectNext(true);
    EXPECT_EQ(form->activeControl(), edtB);
}

TEST_F(FocusWalk, TabSkipsControlsWithoutTabStop) {
    edtA->setFocus();
    edtB->setTabStop(false);
    edtC->setTabStop(false);
    form->selectNext(true);
    EXPECT_EQ(form->activeControl(), edtD);
    // Still focusable directly.
    edtB->setFocus();
    EXPECT_EQ(form->activeControl(), edtB);
}

TEST_F(FocusWalk, NotebookShowsOnlyTheActivePage) {
    auto* book = make<TNotebook>("ntb", panBody);
    TPage* first = book->addPage("pgVoos");
    TPage* second = book->addPage("pgLocais");
    auto* edtFirst = make<TEdit>("edtFirst", first);
    auto* edtSecond = make<TEdit>("edtSecond", second);
    EXPECT_EQ(book->pageIndex(), 0);
    EXPECT_TRUE(edtFirst->canFocus());
    EXPECT_FALSE(edtSecond->canFocus());
    EXPECT_FALSE(edtSecond->showing());

    edtD->setFocus();
    form->selectNext(true);
    EXPECT_EQ(form->activeControl(), edtFirst);
    form->selectNext(true);
    EXPECT_EQ(form->activeControl(), edtA); // the hidden page is passed over

    edtFirst->setFocus();
    book->setActivePage("PGLOCAIS");
    EXPECT_EQ(book->pageIndex(), 1);
    EXPECT_FALSE(edtFirst->focused());
    EXPECT_EQ(form->focusPosition(), book);
    edtSecond->setFocus();
    EXPECT_EQ(form->activeControl(), edtSecond);
    book->setPageIndex(7);
    EXPECT_EQ(book->pageIndex(), 1);
}

TEST_F(FocusWalk, DeletingTheFocusedControlLeavesNoDanglingFocus) {
    edtB->setFocus();
    delete panInner; // its edits stay owned by the form, without a parent
    EXPECT_EQ(form->focusPosition(), panHead);
    EXPECT_EQ(edtB->form(), nullptr);
    EXPECT_FALSE(edtB->canFocus());
    edtD->setFocus();
    EXPECT_EQ(form->activeControl(), edtD);
}

} // namespace
