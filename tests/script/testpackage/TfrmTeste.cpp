#include "tests/script/testpackage/TfrmTeste.h"

#include "core/EAbort.h"
#include "external/appserver/TCallLog.h"
#include "external/shared/TBtnPesquisa.h"
#include "external/shared/TDateEditPlus.h"
#include "platform/TApplication.h"
#include "platform/TClientDataSet.h"
#include "platform/TComboBox.h"
#include "platform/TDataSource.h"
#include "platform/TDBGrid.h"
#include "platform/TEdit.h"
#include "platform/TLabel.h"
#include "platform/TMaskEdit.h"
#include "platform/TNotebook.h"
#include "platform/TPage.h"
#include "platform/TPanel.h"
#include "platform/TPresenter.h"
#include "platform/TSpeedButton.h"
#include "tests/script/testpackage/Cli_Teste.h"

TfrmTeste::TfrmTeste(TComponent* owner)
    : TForm(owner) {
    setCaption(QStringLiteral("Tela de teste"));
    panCab = create<TPanel>(QStringLiteral("panCab"), this);
    medCodigo = create<TMaskEdit>(QStringLiteral("medCodigo"), panCab);
    medCodigo->setEditMask(QStringLiteral(">aaaa;0; "));
    medCodigo->setTabStop(true);
    medCodigo->OnExit = [this](TComponent&) {
        if (medCodigo->text() == QLatin1String("ERRO"))
            throw Exception(QStringLiteral("Código inválido."));
    };
    btpCodigo = create<TBtnPesquisa>(QStringLiteral("btpCodigo"), panCab);
    edtNome = create<TEdit>(QStringLiteral("edtNome"), panCab);
    edtNome->setCharCase(ecUpperCase);
    edtNome->setTabStop(true);
    edtNome->OnChange = [this](TComponent&) {
        lblMudancas->setCaption(QString::number(++m_changes));
    };
    depData = create<TDateEditPlus>(QStringLiteral("depData"), this);
    depData->OnDateChange = [this](TComponent&) {
        lblDatas->setCaption(QString::number(++m_dateChanges));
    };
    cbbTipo = create<TComboBox>(QStringLiteral("cbbTipo"), this);
    cbbTipo->setItems(
        {QStringLiteral("Regular"), QStringLiteral("Extra"), QStringLiteral("Todos")});
    cbbTipo->setTabStop(true);
    ntbPaginas = create<TNotebook>(QStringLiteral("ntbPaginas"), this);
    ntbPaginas->setTabStop(false);
    ntbPaginas->addPage(QStringLiteral("pgVoos"));
    ntbPaginas->addPage(QStringLiteral("pgLocais"));
    cbbTipo->OnChange = [this](TComponent&) {
        ntbPaginas->setPageIndex(cbbTipo->itemIndex() == 1 ? 1 : 0);
    };

    cdsLista = new TClientDataSet(this);
    cdsLista->setName(QStringLiteral("cdsLista"));
    TDataPacket packet;
    packet.fields = {{QStringLiteral("CODIGO"), TFieldType::ftString, 4, QStringLiteral("Código")},
                     {QStringLiteral("NOME"), TFieldType::ftString, 20, QStringLiteral("Nome")},
                     {QStringLiteral("DATA"), TFieldType::ftDate, 0, QStringLiteral("Data")}};
    packet.rows = {{QStringLiteral("AB"), QStringLiteral("Alfa"), QDate(2024, 3, 15)},
                   {QStringLiteral("CD"), QStringLiteral("Charlie"), QDate(2024, 4, 1)},
                   {QStringLiteral("EF"), QStringLiteral("Eco"), QVariant()}};
    cdsLista->setData(std::move(packet));
    dtsLista = new TDataSource(cdsLista, this);
    dtsLista->setName(QStringLiteral("dtsLista"));
    dbgLista = create<TDBGrid>(QStringLiteral("dbgLista"), ntbPaginas->page(0));
    dbgLista->setDataSource(dtsLista);
    dbgLista->OnCellClick = [this](TColumn&) {
        Cli_Teste::stUltimo =
            QStringLiteral("clique:") + cdsLista->fieldByName(QStringLiteral("CODIGO")).asString();
    };
    dbgLista->OnKeyDown = [this](int& key, TShiftState shift) {
        if (key != VK_SPACE)
            return;
        Cli_Teste::stUltimo =
            (shift.ctrl ? QStringLiteral("ctrl+espaço:") : QStringLiteral("espaço:")) +
            cdsLista->fieldByName(QStringLiteral("CODIGO")).asString();
        key = 0;
    };
    btpCodigo->setDataSource(dtsLista);
    btpCodigo->setTitle(QStringLiteral("Códigos"));
    btpCodigo->OnAfterPesq = [this](TComponent&) {
        medCodigo->setText(cdsLista->fieldByName(QStringLiteral("CODIGO")).asString());
    };

    lblMudancas = create<TLabel>(QStringLiteral("lblMudancas"), this);
    lblDatas = create<TLabel>(QStringLiteral("lblDatas"), this);
    sbtConfirma = create<TSpeedButton>(QStringLiteral("sbtConfirma"), this);
    sbtConfirma->setCaption(QStringLiteral("Confirmar"));
    sbtConfirma->OnClick = [this](TComponent&) { sbtConfirmaClick(); };
    sbtDesab = create<TSpeedButton>(QStringLiteral("sbtDesab"), this);
    sbtDesab->setEnabled(false);
    sbtDesab->OnClick = [](TComponent&) {
        Cli_Teste::stUltimo = QStringLiteral("desabilitado clicado");
    };
    setActiveControl(medCodigo);
}

void TfrmTeste::sbtConfirmaClick() {
    if (!Application().presenter().askYesNo(QStringLiteral("Confirma o cálculo?"),
                                            QStringLiteral("Sim"), QStringLiteral("Não")))
        Abort();
    TCallLog::instance().record(QStringLiteral("Confirmar"),
                                {medCodigo->text(), depData->GetDate(), protocol::RemoteValue()});
    Cli_Teste::CriaModal();
    Application().presenter().showInformation(
        QStringLiteral("Concluído: %1").arg(Cli_Teste::stValor));
}
