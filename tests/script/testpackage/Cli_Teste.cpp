#include "tests/script/testpackage/Cli_Teste.h"

#include "platform/TApplication.h"
#include "tests/script/testpackage/TfrmModalTeste.h"
#include "tests/script/testpackage/TfrmTeste.h"

namespace Cli_Teste {

TfrmTeste* frmTeste = nullptr;
bool boIdCriado = false;
QString stUltimo;
QString stValor;
int inicializacoes = 0;
int finalizacoes = 0;

void CriaTeste() {
    if (!boIdCriado) {
        Application().createForm(frmTeste);
        boIdCriado = true;
        frmTeste->OnClose = [](TComponent&, TCloseAction& action) {
            boIdCriado = false;
            action = caFree;
        };
    }
    frmTeste->show();
}

void CriaModal() {
    TfrmModalTeste* modal = nullptr;
    Application().createForm(modal);
    modal->OnClose = [](TComponent&, TCloseAction& action) { action = caFree; };
    modal->showModal();
}

void initialization() {
    ++inicializacoes;
    stUltimo = QStringLiteral("inicial");
}

void finalization() {
    ++finalizacoes;
}

} // namespace Cli_Teste
