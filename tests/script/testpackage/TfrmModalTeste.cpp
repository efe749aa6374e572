#include "tests/script/testpackage/TfrmModalTeste.h"

#include "platform/TEdit.h"
#include "platform/TSpeedButton.h"
#include "tests/script/testpackage/Cli_Teste.h"

TfrmModalTeste::TfrmModalTeste(TComponent* owner)
    : TForm(owner) {
    setCaption(QStringLiteral("Janela modal"));
    edtValor = new TEdit(this, this);
    edtValor->setName(QStringLiteral("edtValor"));
    edtValor->setTabStop(true);
    sbtOk = new TSpeedButton(this, this);
    sbtOk->setName(QStringLiteral("sbtOk"));
    sbtOk->setCaption(QStringLiteral("OK"));
    sbtOk->OnClick = [this](TComponent&) {
        Cli_Teste::stValor = edtValor->text();
        setModalResult(mrOk);
    };
}
