#include "tests/screens/FeeHarness.h"

#include "external/appserver/TCallLog.h"
#include "external/shared/TDateEditPlus.h"
#include "platform/TButtonFlat.h"
#include "platform/TClientDataSet.h"
#include "platform/TComboBox.h"
#include "platform/TDBGrid.h"
#include "platform/TEdit.h"
#include "platform/TMaskEdit.h"
#include "screens/billing/TfrmApuracao.h"
#include "screens/fee/Cli_Zel00102.h"
#include "screens/fee/TfrmApurac.h"

void FeeHarness::SetUp() {
    ScreenHarness::SetUp();
    exec(QStringLiteral(
        "INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, CDCIA, "
        "CDCLIENTE, DTINIAPURAC, DTFIMAPURAC, DTFATURA, CDSERIE, CDGRUPPROD, IDSTATUS, "
        "DTHRINICIO) VALUES ('0000000050', 'F', '0001', '0001', '0005', 'CLI000000005', "
        "'2024-01-01', '2024-01-31', '2024-02-05', '1', 'CARGA', 'F', '2024-02-05 09:00:00')"));
    addInvoice(QStringLiteral("0000000051"), 123456);
    addInvoice(QStringLiteral("0000000052"), 80000);
    addInvoice(QStringLiteral("0000000053"), 1999, QStringLiteral("2024-02-06"));
}

void FeeHarness::addInvoice(const QString& number, qint64 cents, const QString& date) {
    exec(QStringLiteral("INSERT INTO NOTAFISCAL (NRLANCTONF, CDFILIAL, NRAPURACFAT, CDCLIENTE, "
                        "CDCIA, CDSERIE, DTENTRSAID, VRNOTAFISC, VRTTMOEDESTR, IDEMITIDA) VALUES "
                        "('%1', '0001', '0000000050', 'CLI000000005', '0005', '1', '%2', %3, %4, "
                        "'N')")
             .arg(number, date)
             .arg(cents)
             .arg(cents / 5));
}

bool FeeHarness::withFee(std::function<void(TfrmApurac& fee)> body) {
    open();
    if (!type(*form->medSgCia, QStringLiteral("GRP")) || !focus(*form->cbbTipoVoo) ||
        !type(*form->medCdGrupo, QStringLiteral("TAXAAERO")))
        return false;
    presenter.answerYes();
    if (!focus(*form->edtNrPedido))
        return false;
    bool shown = false;
    presenter.pushModal([&](TForm& modal) {
        shown = true;
        body(static_cast<TfrmApurac&>(modal));
        if (modal.isShowing())
            modal.close();
    });
    focus(*form->depDataIniDeliv);
    return shown;
}

bool FeeHarness::chooseComputation(TfrmApurac& fee, const QString& number) {
    return type(*fee.medNrApuracao, number) && focus(*fee.depDataIni) &&
           fee.activeControl() == fee.dbgNotas;
}

void FeeHarness::check(TfrmApurac& fee, std::initializer_list<int> rows) {
    for (int row : rows)
        ASSERT_TRUE(fee.dbgNotas->userClickCell(row, 0));
}

bool FeeHarness::confirm(TfrmApurac& fee) {
    return click(*fee.sbtConfirma);
}

QString FeeHarness::marks(TfrmApurac& fee) {
    QString result;
    TClientDataSet& rows = *fee.cdsNotasApuradas;
    const int current = rows.recNo();
    for (rows.first(); !rows.eof(); rows.next())
        result += rows.fieldByName(QStringLiteral("IDCHECK")).asString().isEmpty()
                      ? QStringLiteral(".")
                      : rows.fieldByName(QStringLiteral("IDCHECK")).asString();
    rows.setRecNo(current);
    return result;
}

QList<protocol::RemoteValue> FeeHarness::sent() const {
    return TCallLog::instance().lastArgs(QStringLiteral("CalcApuracTaxa"));
}
