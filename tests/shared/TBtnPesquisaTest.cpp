#include "external/shared/TBtnPesquisa.h"

#include "platform/TApplication.h"
#include "platform/TClientDataSet.h"
#include "platform/TDataSource.h"
#include "platform/TField.h"
#include "platform/TForm.h"
#include "platform/TMaskEdit.h"
#include "platform/TScriptedPresenter.h"

#include <gtest/gtest.h>

namespace {
TDataPacket series(int rows) {
    TDataPacket packet;
    packet.fields = {
        {QStringLiteral("CDSERIE"), TFieldType::ftString, 5, QStringLiteral("Código")},
        {QStringLiteral("DSSERIE"), TFieldType::ftString, 20, QStringLiteral("Série")}};
    for (int i = 1; i <= rows; ++i)
        packet.rows.push_back({QStringLiteral("S%1").arg(i), QStringLiteral("Série %1").arg(i)});
    return packet;
}
} // namespace

class TBtnPesquisaTest : public ::testing::Test {
protected:
    TBtnPesquisaTest() {
        Application().setPresenter(&presenter);
        edit = new TMaskEdit(&form, &form);
        other = new TMaskEdit(&form, &form);
        button = new TBtnPesquisa(&form, &form);
        button->setAssociate(edit);
        button->setDataSource(&source);
        button->setTitle(QStringLiteral("Séries de Documentos de Saída"));
        button->setEmptyError(QStringLiteral("Não há séries de notas fiscais cadastradas."));
        button->OnAfterPesq = [this](TComponent&) {
            picked = data.fieldByName(QStringLiteral("CDSERIE")).asString();
        };
    }
    ~TBtnPesquisaTest() override { Application().setPresenter(nullptr); }

    TScriptedPresenter presenter;
    TForm form;
    TClientDataSet data;
    TDataSource source{&data};
    TMaskEdit* edit = nullptr;
    TMaskEdit* other = nullptr;
    TBtnPesquisa* button = nullptr;
    QString picked;
};

TEST_F(TBtnPesquisaTest, PickedRowIsCurrentInAfterPesqAndFocusStays) {
    button->OnBeforePesq = [this](TComponent&, bool&) { data.setData(series(3)); };
    other->setFocus();
    presenter.chooseRowIndex(1);
    EXPECT_TRUE(form.userClick(*button));
    EXPECT_EQ(picked, "S2");
    EXPECT_EQ(form.activeControl(), other);
    const auto lookups = presenter.records(TScriptedPresenter::Kind::Lookup);
    ASSERT_EQ(lookups.size(), 1u);
    EXPECT_EQ(lookups[0].title, "Séries de Documentos de Saída");
}

TEST_F(TBtnPesquisaTest, EmptyListShowsEmptyErrorAndCancelledLookupDoesNothing) {
    button->OnBeforePesq = [this](TComponent&, bool&) { data.setData(series(0)); };
    button->click();
    EXPECT_EQ(presenter.informations(), QStringList{"Não há séries de notas fiscais cadastradas."});
    EXPECT_TRUE(picked.isEmpty());

    button->OnBeforePesq = [this](TComponent&, bool&) { data.setData(series(2)); };
    presenter.cancelLookup();
    button->click();
    EXPECT_TRUE(picked.isEmpty());
}

TEST_F(TBtnPesquisaTest, BeforePesqCanCancelAndDisabledButtonIgnoresClick) {
    int before = 0;
    button->OnBeforePesq = [&](TComponent&, bool& proceed) {
        ++before;
        proceed = false;
    };
    button->click();
    EXPECT_EQ(before, 1);
    button->setEnabled(false);
    button->click();
    EXPECT_EQ(before, 1);
    EXPECT_TRUE(presenter.records().empty());
}

TEST_F(TBtnPesquisaTest, PesqChaveOpensOnTheTypedKey) {
    // Records where the list opens before the scripted choice moves the cursor.
    struct Recorder : TScriptedPresenter {
        int openedOn = 0;
        bool chooseRow(TDataSet& rows, const QString& title) override {
            openedOn = rows.recNo();
            return TScriptedPresenter::chooseRow(rows, title);
        }
    } recorder;
    Application().setPresenter(&recorder);
    button->OnBeforePesq = [this](TComponent&, bool&) { data.setData(series(3)); };
    edit->setText(QStringLiteral("s3"));

    recorder.chooseRowIndex(0);
    button->click();
    EXPECT_EQ(recorder.openedOn, 1) << "without PesqChave the list opens on the first row";

    button->setPesqChave(true);
    recorder.chooseRowIndex(0);
    button->click();
    EXPECT_EQ(recorder.openedOn, 3);
    EXPECT_EQ(picked, "S1");
    Application().setPresenter(&presenter);
}
