#include "ViewFixture.h"

#include "platform/qt/FormView.h"
#include "platform/TClientDataSet.h"
#include "platform/TDataSource.h"
#include "platform/TDBEdit.h"
#include "platform/TEdit.h"
#include "platform/TSpeedButton.h"

#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>
#include <QToolButton>

namespace {

class QtWindows : public ViewFixture {
protected:
    void SetUp() override {
        ViewFixture::SetUp();
        edtMain = make<TEdit>("edtMain", form.get());
        edtMain->setBounds(8, 8, 80, 21);
        edtMain->setTabStop(true);
        sbtOpen = make<TSpeedButton>("sbtOpen", form.get());
        sbtOpen->setCaption(QStringLiteral("Abrir"));
        sbtOpen->setBounds(100, 8, 60, 22);
        form->setActiveControl(edtMain);

        dialog = std::make_unique<TForm>();
        dialog->setName(QStringLiteral("frmModal"));
        dialog->setCaption(QStringLiteral("Visualização"));
        dialog->setClientSize(396, 272);
        edtModal = new TEdit(dialog.get(), dialog.get());
        edtModal->setName(QStringLiteral("edtModal"));
        edtModal->setBounds(8, 8, 80, 21);
        edtModal->setTabStop(true);
        sbtClose = new TSpeedButton(dialog.get(), dialog.get());
        sbtClose->setName(QStringLiteral("sbtClose"));
        sbtClose->setCaption(QStringLiteral("Fechar"));
        sbtClose->setBounds(100, 8, 60, 22);
        sbtClose->OnClick = [this](TComponent&) { dialog->close(); };
        sbtOpen->OnClick = [this](TComponent&) {
            events << QStringLiteral("abre");
            dialog->showModal();
            events << QStringLiteral("voltou");
        };
    }

    void TearDown() override {
        dialog.reset();
        ViewFixture::TearDown();
    }

    TEdit* edtMain = nullptr;
    TSpeedButton* sbtOpen = nullptr;
    std::unique_ptr<TForm> dialog;
    TEdit* edtModal = nullptr;
    TSpeedButton* sbtClose = nullptr;
    QStringList events;
};

TEST_F(QtWindows, AModalFormRunsItsOwnLoopUntilItCloses) {
    show();
    bool sawModal = false;
    QTimer::singleShot(50, [&] {
        qtview::FormView* modal = presenter->viewOf(*dialog);
        ASSERT_NE(modal, nullptr);
        sawModal = modal->isVisible() && modal->isWindow() &&
                   modal->windowModality() == Qt::ApplicationModal &&
                   modal->windowTitle() == QStringLiteral("Visualização") &&
                   modal->size() == QSize(396, 272);
        events << QStringLiteral("modal aberto");
        // Keys reach the modal form while its caller waits.
        QWidget* line = modal->widgetOf(QStringLiteral("edtModal"));
        EXPECT_EQ(QApplication::focusWidget(), line);
        gui::typeText(line, QStringLiteral("ok"));
        gui::click(modal->widgetOf(QStringLiteral("sbtClose")));
    });
    gui::click(widget<QToolButton>(sbtOpen));
    EXPECT_TRUE(sawModal);
    EXPECT_EQ(events, QStringList({"abre", "modal aberto", "voltou"}));
    EXPECT_EQ(edtModal->text(), QStringLiteral("ok"));
    EXPECT_FALSE(presenter->viewOf(*dialog)->isVisible());
    // The form below has its focus back.
    EXPECT_EQ(gui::focused(), widget<QLineEdit>(edtMain));
}

TEST_F(QtWindows, TheWindowCloseButtonClosesThroughTheModel) {
    TCloseAction answer = caNone;
    int asked = 0;
    form->OnClose = [&](TComponent&, TCloseAction& action) {
        ++asked;
        action = answer;
    };
    show();
    view()->frame()->close();
    gui::settle();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(form->isShowing());
    EXPECT_TRUE(view()->isVisible());

    answer = caHide;
    view()->frame()->close();
    gui::settle();
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(form->isShowing());
    EXPECT_FALSE(view()->isVisible());
}

TEST_F(QtWindows, MdiChildrenKeepTheirClientSizeAndFollowTheWindowState) {
    QMdiArea area;
    area.resize(900, 600);
    area.show();
    presenter->setMdiArea(&area);
    form->setFormStyle(fsMDIChild);
    form->setClientSize(698, 396);
    show();
    QMdiSubWindow* sub = view()->subWindow();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->mdiArea(), &area);
    EXPECT_EQ(sub->windowTitle(), QStringLiteral("Teste"));
    EXPECT_EQ(view()->size(), QSize(698, 396));
    EXPECT_EQ(sub->minimumSize(), sub->maximumSize()); // not resizable

    form->setWindowState(wsMinimized);
    EXPECT_TRUE(sub->isMinimized());
    form->setWindowState(wsNormal);
    form->show();
    gui::settle();
    EXPECT_FALSE(sub->isMinimized());
    EXPECT_EQ(area.activeSubWindow(), sub);

    // A form that goes away takes its window with it.
    QPointer<QMdiSubWindow> gone(sub);
    form.reset();
    gui::settle();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());
}

TEST_F(QtWindows, ValuesShowInBrazilianPortugueseWhateverTheSystemLocale) {
    EXPECT_EQ(QLocale().toString(1234.5, 'f', 2), QStringLiteral("1.234,50"));
    auto* data = new TClientDataSet(form.get());
    auto* source = new TDataSource(data, form.get());
    auto* total = make<TDBEdit>("dbeVrTotal", form.get());
    total->setBounds(8, 40, 120, 21);
    total->setDataSource(source);
    total->setDataField(QStringLiteral("VRTOTAAPUR"));
    TFieldDef value;
    value.name = QStringLiteral("VRTOTAAPUR");
    value.type = TFieldType::ftFloat;
    value.displayFormat = QStringLiteral("#,##0.00");
    TDataPacket packet;
    packet.fields = {value};
    packet.rows = {{1234.5}};
    data->setData(std::move(packet));
    show();
    auto* line = widget<QLineEdit>(total);
    EXPECT_EQ(line->text(), QStringLiteral("1.234,50"));
    EXPECT_TRUE(line->alignment().testFlag(Qt::AlignRight));
}

} // namespace
