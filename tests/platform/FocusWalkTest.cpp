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
#include <utility>

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

TEST_F(FocusWalk, PositionStaysOnWhatIsLeftWhileItsExitRuns) {
    edtB->setFocus();
    QStringList seen;
    edtB->OnExit = [&](TComponent&) { seen << position(); };
    panInner->OnExit = [&](TComponent&) { seen << position(); };
    panBody->OnEnter = [&](TComponent&) { seen << position(); };
    edtD->setFocus();
    EXPECT_EQ(seen, QStringList({"edtB", "panInner", "panBody"}));
}

TEST_F(FocusWalk, FocusMovedInsideExitHandlerSupersedesTheWalk) {
    edtB->setFocus();
    events.clear();
    // A validation failing on exit puts the focus back on its field, which it never left.
    edtB->OnExit = [&](TComponent& c) {
        events << "exit " + c.name();
        edtB->setFocus();
    };
    edtD->setFocus();
    EXPECT_EQ(events, QStringList({"exit edtB"}));
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

    // When the handler moved the focus before failing (the MensErro pattern), that stays; the
    // container it never left is not entered again.
    events.clear();
    panInner->OnExit = [&](TComponent& c) {
        events << "exit " + c.name();
        edtC->setFocus();
        Abort();
    };
    EXPECT_THROW(edtD->setFocus(), EAbort);
    EXPECT_EQ(events, QStringList({"exit edtB", "exit panInner", "enter edtC"}));
    EXPECT_EQ(form->activeControl(), edtC);
}

TEST_F(FocusWalk, MoveFromAContainersExitIntoItEntersOnlyWhatLiesBelow) {
    edtB->setFocus();
    events.clear();
    // The failure of a header's exit step focuses a field of the header.
    bool once = true;
    panInner->OnExit = [&](TComponent& c) {
        events << "exit " + c.name();
        if (std::exchange(once, false))
            edtC->setFocus();
    };
    edtD->setFocus();
    // No "enter panInner", and the walk towards edtD stops: panHead is not left.
    EXPECT_EQ(events, QStringList({"exit edtB", "exit panInner", "enter edtC"}));
    EXPECT_EQ(form->activeControl(), edtC);

    // The focus is inside again: the next walk out exits it as usual.
    events.clear();
    edtD->setFocus();
    EXPECT_EQ(events, QStringList({"exit edtC", "exit panInner", "exit panHead", "enter panBody",
                                   "enter edtD"}));
}

TEST_F(FocusWalk, MoveFromAContainersExitOutOfItNeverExitsItAgain) {
    edtB->setFocus();
    events.clear();
    panInner->OnExit = [&](TComponent& c) {
        events << "exit " + c.name();
        edtD->setFocus();
    };
    // Towards edtA, inside panHead; the handler sends the focus out of panHead instead.
    edtA->setFocus();
    EXPECT_EQ(events, QStringList({"exit edtB", "exit panInner", "exit panHead", "enter panBody",
                                   "enter edtD"}));
    EXPECT_EQ(form->activeControl(), edtD);

    // Into the container and out again from the same handler: each move is a walk of its own,
    // the container's exit runs once.
    edtB->setFocus();
    events.clear();
    panInner->OnExit = [&](TComponent& c) {
        events << "exit " + c.name();
        edtC->setFocus();
        edtD->setFocus();
    };
    edtA->setFocus();
    EXPECT_EQ(events, QStringList({"exit edtB", "exit panInner", "enter edtC", "exit edtC",
                                   "exit panHead", "enter panBody", "enter edtD"}));
    EXPECT_EQ(form->activeControl(), edtD);

    // To a sibling inside the common container: nothing more is left or entered.
    edtB->setFocus();
    events.clear();
    panInner->OnExit = [&](TComponent& c) {
        events << "exit " + c.name();
        edtA->setFocus();
    };
    edtD->setFocus();
    EXPECT_EQ(events, QStringList({"exit edtB", "exit panInner", "enter edtA"}));
    EXPECT_EQ(form->activeControl(), edtA);
}

TEST_F(FocusWalk, MoveFromAControlsExitIntoAContainerEntersIt) {
    edtA->setFocus();
    events.clear();
    edtA->OnExit = [&](TComponent& c) {
        events << "exit " + c.name();
        edtC->setFocus();
    };
    edtD->setFocus();
    // edtA is left without a second exit; the outer walk stops before leaving panHead.
    EXPECT_EQ(events, QStringList({"exit edtA", "enter panInner", "enter edtC"}));
    EXPECT_EQ(form->activeControl(), edtC);

    // From a control's exit out of its containers: each is left once.
    events.clear();
    edtC->OnExit = [&](TComponent& c) {
        events << "exit " + c.name();
        edtD->setFocus();
    };
    edtB->setFocus(); // a sibling was the target
    EXPECT_EQ(events, QStringList({"exit edtC", "exit panInner", "exit panHead", "enter panBody",
                                   "enter edtD"}));
}

TEST_F(FocusWalk, HidingTheContainerWhoseExitRunsMovesOnFromWhereThePositionWent) {
    edtB->setFocus();
    events.clear();
    panInner->OnExit = [&](TComponent& c) {
        events << "exit " + c.name();
        panHead->setVisible(false);
    };
    edtD->setFocus();
    // panHead, hidden with the position inside it, is not exited as if still shown.
    EXPECT_EQ(events, QStringList({"exit edtB", "exit panInner", "enter panBody", "enter edtD"}));
    EXPECT_EQ(form->activeControl(), edtD);
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
