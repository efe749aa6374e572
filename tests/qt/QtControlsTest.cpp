#include "ViewFixture.h"

#include "core/Exception.h"
#include "platform/qt/FormView.h"
#include "platform/qt/Glyphs.h"
#include "platform/TButtonFlat.h"
#include "platform/TCheckBox.h"
#include "platform/TComboBox.h"
#include "platform/TEdit.h"
#include "platform/TLabel.h"
#include "platform/TMaskEdit.h"
#include "platform/TNotebook.h"
#include "platform/TPage.h"
#include "platform/TPanel.h"
#include "platform/TSpeedButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QToolButton>

namespace {

// panHead: medSigla (upper case, refuses "XX" on exit), medFilial (">aaaa;0; "), sbtKind
// panBody: edtA, chkAgrupa, cbbTipo, edtDisplay (display field)
// ntbPages: pgA (edtPageA), pgB (edtPageB)
class QtControls : public ViewFixture {
protected:
    void SetUp() override {
        ViewFixture::SetUp();
        panHead = make<TPanel>("panHead", form.get());
        panHead->setBounds(0, 0, 420, 60);
        lblSigla = make<TLabel>("lblSigla", panHead);
        lblSigla->setCaption(QStringLiteral("Companhia"));
        lblSigla->setBounds(8, 4, 20, 13);
        medSigla = make<TMaskEdit>("medSigla", panHead);
        medSigla->setBounds(8, 20, 60, 21);
        medSigla->setCharCase(ecUpperCase);
        medSigla->setMaxLength(5);
        medSigla->setColor(clInfoBk);
        medSigla->setTabStop(true);
        medSigla->OnChange = [this](TComponent&) { ++changes; };
        medSigla->OnExit = [this](TComponent&) {
            ++exits;
            if (medSigla->text() == QLatin1String("XX"))
                throw Exception(QStringLiteral("Companhia não cadastrada."));
        };
        medFilial = make<TMaskEdit>("medFilial", panHead);
        medFilial->setBounds(80, 20, 50, 21);
        medFilial->setEditMask(QStringLiteral(">aaaa;0; "));
        medFilial->setTabStop(true);
        sbtKind = make<TSpeedButton>("sbtKind", panHead);
        sbtKind->setCaption(QStringLiteral("&Transp. (C.G.C.)"));
        sbtKind->setBounds(150, 20, 120, 22);
        sbtKind->OnClick = [this](TComponent&) { ++kindClicks; };

        panBody = make<TPanel>("panBody", form.get());
        panBody->setBounds(0, 60, 420, 100);
        edtA = make<TEdit>("edtA", panBody);
        edtA->setBounds(8, 8, 80, 21);
        edtA->setTabStop(true);
        chkAgrupa = make<TCheckBox>("chkAgrupa", panBody);
        chkAgrupa->setCaption(QStringLiteral("Agrupar Serviços"));
        chkAgrupa->setBounds(100, 8, 130, 17);
        chkAgrupa->setTabStop(true);
        cbbTipo = make<TComboBox>("cbbTipo", panBody);
        cbbTipo->setItems(
            {QStringLiteral("Regular"), QStringLiteral("Extra"), QStringLiteral("Todos")});
        cbbTipo->setItemIndex(2);
        cbbTipo->setBounds(240, 8, 100, 21);
        cbbTipo->setTabStop(true);
        cbbTipo->OnChange = [this](TComponent&) { ++comboChanges; };
        edtDisplay = make<TEdit>("edtDisplay", panBody);
        edtDisplay->setBounds(8, 40, 200, 21);
        edtDisplay->setEnabled(false);
        edtDisplay->setColor(clBtnFace);
        edtDisplay->setText(QStringLiteral("Companhia de teste"));

        ntbPages = make<TNotebook>("ntbPages", form.get());
        ntbPages->setBounds(0, 170, 420, 100);
        pgA = ntbPages->addPage(QStringLiteral("pgA"));
        pgB = ntbPages->addPage(QStringLiteral("pgB"));
        edtPageA = make<TEdit>("edtPageA", pgA);
        edtPageA->setBounds(8, 8, 80, 21);
        edtPageB = make<TEdit>("edtPageB", pgB);
        edtPageB->setBounds(8, 8, 80, 21);
        form->setActiveControl(medSigla);
    }

    QLineEdit* line(const TControl* control) const { return widget<QLineEdit>(control); }

    TPanel* panHead = nullptr;
    TLabel* lblSigla = nullptr;
    TMaskEdit* medSigla = nullptr;
    TMaskEdit* medFilial = nullptr;
    TSpeedButton* sbtKind = nullptr;
    TPanel* panBody = nullptr;
    TEdit* edtA = nullptr;
    TCheckBox* chkAgrupa = nullptr;
    TComboBox* cbbTipo = nullptr;
    TEdit* edtDisplay = nullptr;
    TNotebook* ntbPages = nullptr;
    TPage* pgA = nullptr;
    TPage* pgB = nullptr;
    TEdit* edtPageA = nullptr;
    TEdit* edtPageB = nullptr;
    int changes = 0;
    int exits = 0;
    int kindClicks = 0;
    int comboChanges = 0;
};

TEST_F(QtControls, TypedKeysGoThroughTheModelAndComeBackConverted) {
    show();
    ASSERT_EQ(gui::focused(), line(medSigla));
    gui::typeText(line(medSigla), QStringLiteral("abc"));
    EXPECT_EQ(medSigla->text(), QStringLiteral("ABC"));
    EXPECT_EQ(line(medSigla)->text(), QStringLiteral("ABC"));
    EXPECT_EQ(changes, 3);

    // The length limit is the model's: a sixth character is refused.
    gui::typeText(line(medSigla), QStringLiteral("def"));
    EXPECT_EQ(line(medSigla)->text(), QStringLiteral("ABCDE"));

    // Backspace and caret keys: the caret the user moved is where the next key lands.
    gui::pressKey(line(medSigla), Qt::Key_Home);
    gui::pressKey(line(medSigla), Qt::Key_Right);
    gui::pressKey(line(medSigla), Qt::Key_Delete);
    EXPECT_EQ(medSigla->text(), QStringLiteral("ACDE"));
    gui::pressKey(line(medSigla), Qt::Key_Backspace);
    EXPECT_EQ(line(medSigla)->text(), QStringLiteral("CDE"));

    // A masked edit shows the mask's blanks; the model stores what was typed.
    gui::click(line(medFilial));
    ASSERT_TRUE(medFilial->focused());
    gui::pressKey(line(medFilial), Qt::Key_Home);
    gui::typeText(line(medFilial), QStringLiteral("ab1"));
    EXPECT_EQ(line(medFilial)->text(), QStringLiteral("AB1 "));
    EXPECT_EQ(medFilial->text(), QStringLiteral("AB1"));
}

TEST_F(QtControls, ARefusedExitKeepsTheFocusWhereTheModelLeftIt) {
    gui::DialogAnswerer dialogs;
    show();
    gui::typeText(line(medSigla), QStringLiteral("xx"));

    gui::pressKey(line(medSigla), Qt::Key_Tab);
    EXPECT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.texts().value(0).endsWith(QStringLiteral("Companhia não cadastrada.")));
    EXPECT_EQ(form->activeControl(), medSigla);
    EXPECT_EQ(gui::focused(), line(medSigla));

    // A click elsewhere asks the model, which refuses again.
    gui::click(line(edtA));
    EXPECT_EQ(dialogs.texts().size(), 2);
    EXPECT_EQ(form->activeControl(), medSigla);
    EXPECT_EQ(gui::focused(), line(medSigla));

    // Once the value is valid the click goes through, and the focus follows the model.
    gui::pressKey(line(medSigla), Qt::Key_Backspace);
    gui::click(line(edtA));
    EXPECT_EQ(form->activeControl(), edtA);
    EXPECT_EQ(gui::focused(), line(edtA));
    EXPECT_EQ(exits, 3);
}

TEST_F(QtControls, TabFollowsTheModelsTabOrderAndSkipsDisplayFields) {
    medFilial->setTabOrder(0); // before medSigla, although created after it
    show();
    gui::pressKey(line(medSigla), Qt::Key_Tab);
    EXPECT_EQ(form->activeControl(), edtA);
    EXPECT_EQ(gui::focused(), line(edtA));
    gui::pressKey(line(edtA), Qt::Key_Backtab);
    EXPECT_EQ(form->activeControl(), medSigla);
    gui::pressKey(line(medSigla), Qt::Key_Backtab);
    EXPECT_EQ(form->activeControl(), medFilial);
    EXPECT_EQ(gui::focused(), line(medFilial));

    gui::pressKey(line(medFilial), Qt::Key_Tab);
    gui::pressKey(line(medSigla), Qt::Key_Tab);
    gui::pressKey(line(edtA), Qt::Key_Tab);
    gui::pressKey(widgetOf(chkAgrupa), Qt::Key_Tab);
    // cbbTipo, then past the display field onto the visible notebook page.
    gui::pressKey(widgetOf(cbbTipo), Qt::Key_Tab);
    EXPECT_EQ(form->activeControl(), edtPageA);
    EXPECT_EQ(gui::focused(), line(edtPageA));
}

TEST_F(QtControls, SpeedButtonsRunTheirClickWithoutTakingTheFocus) {
    show();
    gui::typeText(line(medSigla), QStringLiteral("ab"));
    gui::click(widget<QToolButton>(sbtKind));
    EXPECT_EQ(kindClicks, 1);
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(form->activeControl(), medSigla);
    EXPECT_EQ(gui::focused(), line(medSigla));
    // The caption keeps its accelerator: Alt+T clicks it too.
    EXPECT_EQ(widget<QToolButton>(sbtKind)->text(), QStringLiteral("&Transp. (C.G.C.)"));

    sbtKind->setEnabled(false);
    gui::click(widget<QToolButton>(sbtKind));
    EXPECT_EQ(kindClicks, 1);
}

// The view draws the picture the model names and guesses none from a class or a name.
TEST_F(QtControls, ButtonsShowThePictureTheModelNames) {
    auto* sbtConfirma = make<TButtonFlat>("sbtConfirma", panHead);
    sbtConfirma->setCaption(QStringLiteral("Confirmar"));
    sbtConfirma->setBounds(280, 2, 90, 48);
    show();
    auto* confirm = widget<QToolButton>(sbtConfirma);
    EXPECT_TRUE(confirm->icon().isNull());
    EXPECT_EQ(confirm->toolButtonStyle(), Qt::ToolButtonTextOnly);

    sbtConfirma->setGlyph(TButtonGlyph::bgConfirm);
    EXPECT_EQ(confirm->icon().cacheKey(), qtview::Glyphs::icon(TButtonGlyph::bgConfirm).cacheKey());
    EXPECT_EQ(confirm->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_EQ(confirm->text(), QStringLiteral("Confirmar"));

    // Too narrow for its caption: the picture alone, the caption as its tip.
    auto* kind = widget<QToolButton>(sbtKind);
    sbtKind->setWidth(24);
    sbtKind->setGlyph(TButtonGlyph::bgLookup);
    EXPECT_EQ(kind->icon().cacheKey(), qtview::Glyphs::icon(TButtonGlyph::bgLookup).cacheKey());
    EXPECT_NE(kind->icon().cacheKey(), confirm->icon().cacheKey());
    EXPECT_EQ(kind->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_EQ(kind->toolTip(), QStringLiteral("Transp. (C.G.C.)"));

    sbtKind->setGlyph(TButtonGlyph::bgNone);
    EXPECT_TRUE(kind->icon().isNull());
    EXPECT_EQ(kind->toolButtonStyle(), Qt::ToolButtonTextOnly);
}

TEST_F(QtControls, CheckBoxesAndListsChangeOnlyThroughTheModel) {
    show();
    auto* box = widget<QCheckBox>(chkAgrupa);
    gui::click(box);
    EXPECT_TRUE(chkAgrupa->checked());
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(form->activeControl(), chkAgrupa);
    gui::pressKey(box, Qt::Key_Space);
    EXPECT_FALSE(chkAgrupa->checked());
    EXPECT_FALSE(box->isChecked());

    auto* combo = widget<QComboBox>(cbbTipo);
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->currentIndex(), 2);
    gui::click(combo); // focuses it (and opens the list)
    combo->hidePopup();
    EXPECT_EQ(form->activeControl(), cbbTipo);
    gui::pressKey(combo, Qt::Key_Up);
    EXPECT_EQ(cbbTipo->itemIndex(), 1);
    EXPECT_EQ(combo->currentIndex(), 1);
    emit combo->activated(0); // a pick from the open list
    gui::settle();
    EXPECT_EQ(cbbTipo->itemIndex(), 0);
    EXPECT_EQ(comboChanges, 2);
}

TEST_F(QtControls, WidgetsMirrorTheModelsStateAndLook) {
    show();
    auto* label = widget<QLabel>(lblSigla);
    EXPECT_EQ(label->text(), QStringLiteral("Companhia"));
    // The label grows to its text rather than cutting it.
    EXPECT_GE(label->width(), label->sizeHint().width());

    EXPECT_FALSE(line(edtDisplay)->isEnabled());
    EXPECT_EQ(line(edtDisplay)->text(), QStringLiteral("Companhia de teste"));
    EXPECT_EQ(line(edtDisplay)->palette().color(QPalette::Disabled, QPalette::Base),
              QColor(240, 240, 240));
    EXPECT_EQ(line(medSigla)->palette().color(QPalette::Active, QPalette::Base),
              QColor(255, 255, 225));
    EXPECT_EQ(line(medSigla)->geometry(), QRect(8, 20, 60, 21));

    // Program changes show at once.
    lblSigla->setVisible(false);
    edtDisplay->setText(QStringLiteral("Outra"));
    sbtKind->setCaption(QStringLiteral("&Transp. (C.P.F.)"));
    EXPECT_FALSE(label->isVisible());
    EXPECT_EQ(line(edtDisplay)->text(), QStringLiteral("Outra"));
    EXPECT_EQ(widget<QToolButton>(sbtKind)->text(), QStringLiteral("&Transp. (C.P.F.)"));

    auto* stack = widget<QStackedWidget>(ntbPages);
    EXPECT_EQ(stack->currentWidget(), widgetOf(pgA));
    ntbPages->setPageIndex(1);
    EXPECT_EQ(stack->currentWidget(), widgetOf(pgB));

    // Disabling the focused control takes the Qt focus off it too.
    medSigla->setEnabled(false);
    gui::settle();
    EXPECT_NE(gui::focused(), line(medSigla));
}

} // namespace
