// The list leaves the screen: a CSV file for a spreadsheet, a report the view prints to PDF.
#include "host/computations/TfrmConsApur.h"

#include "external/shared/Consiste.h"
#include "external/shared/TDateEditPlus.h"
#include "external/shared/TMessages.h"
#include "platform/DisplayFormat.h"
#include "platform/TApplication.h"
#include "platform/TClientDataSet.h"
#include "platform/TColumn.h"
#include "platform/TComboBox.h"
#include "platform/TDBGrid.h"
#include "platform/TEdit.h"
#include "platform/TField.h"
#include "platform/TMaskEdit.h"
#include "platform/TPresenter.h"
#include "platform/TReport.h"

#include <QSaveFile>

namespace {

bool isAmount(const TField& field) {
    return field.def().type == TFieldType::ftFloat;
}

bool isNumber(const TField& field) {
    return isAmount(field) || field.def().type == TFieldType::ftInteger;
}

// A spreadsheet reads amounts with a decimal comma and no grouping.
QString csvValue(const TField& field) {
    if (isAmount(field))
        return field.isNull() ? QString()
                              : DisplayFormat::formatFloat(QStringLiteral("0.00"), field.asFloat());
    return field.displayText();
}

QString csvCell(QString text) {
    // A text a spreadsheet would take for a formula is kept as text.
    if (!text.isEmpty() && QStringLiteral("=+@").contains(text.front()))
        text.prepend(u'\'');
    if (text.contains(u';') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r'))
        return u'"' + text.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
    return text;
}

QString plural(qint64 count, const QString& one, const QString& many) {
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? one : many);
}

} // namespace

QString TfrmConsApur::csvText() const {
    QStringList lines;
    QStringList titles;
    for (const TColumn* column : dbgApuracoes->columns())
        titles << csvCell(column->titleCaption());
    lines << titles.join(u';');
    for (int row = 0; row < cdsApuracoes->recordCount(); ++row) {
        TDataSet::DisplayRow at(*cdsApuracoes, row);
        QStringList cells;
        for (const TColumn* column : dbgApuracoes->columns())
            cells << csvCell(csvValue(*column->field()));
        lines << cells.join(u';');
    }
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

QString TfrmConsApur::summaryText() const {
    if (!cdsApuracoes->active() || cdsApuracoes->isEmpty())
        return QStringLiteral("Nenhuma apuração encontrada.");
    qint64 invoices = 0;
    double total = 0;
    double foreign = 0;
    for (int row = 0; row < cdsApuracoes->recordCount(); ++row) {
        TDataSet::DisplayRow at(*cdsApuracoes, row);
        invoices += cdsApuracoes->fieldByName(QStringLiteral("QTNOTAS")).asInteger();
        total += cdsApuracoes->fieldByName(QStringLiteral("VRTOTAL")).asFloat();
        foreign += cdsApuracoes->fieldByName(QStringLiteral("VRTOTALESTR")).asFloat();
    }
    const QString money = QStringLiteral("#,##0.00");
    return QStringLiteral("%1, %2; total %3; moeda estrangeira %4")
        .arg(plural(cdsApuracoes->recordCount(), QStringLiteral("apuração"),
                    QStringLiteral("apurações")),
             plural(invoices, QStringLiteral("nota fiscal"), QStringLiteral("notas fiscais")),
             DisplayFormat::formatFloat(money, total), DisplayFormat::formatFloat(money, foreign));
}

QStringList TfrmConsApur::filterTexts() const {
    const QString start = depDataIni->IsDateValid() ? depDataIni->text() : QString();
    const QString end = depDataFim->IsDateValid() ? depDataFim->text() : QString();
    QString period = QStringLiteral("todos");
    if (!start.isEmpty() && !end.isEmpty())
        period = QStringLiteral("%1 a %2").arg(start, end);
    else if (!start.isEmpty())
        period = QStringLiteral("a partir de %1").arg(start);
    else if (!end.isEmpty())
        period = QStringLiteral("até %1").arg(end);
    const QString company = m_cdCia.isEmpty()
                                ? QStringLiteral("todas")
                                : QStringLiteral("%1 - %2").arg(medSgCia->text(), medNmCia->text());
    return {QStringLiteral("Filial: %1 - %2").arg(medCdFilial->text(), edtNmFilial->text()),
            QStringLiteral("Companhia: ") + company, QStringLiteral("Período: ") + period,
            QStringLiteral("Situação: ") + cbbSituacao->text(),
            QStringLiteral("Tipo: ") + cbbTipo->text()};
}

TReport TfrmConsApur::report() const {
    TReport report;
    report.title = caption();
    report.filters = filterTexts();
    for (const TColumn* column : dbgApuracoes->columns())
        report.columns.append({column->titleCaption(), isNumber(*column->field())});
    for (int row = 0; row < cdsApuracoes->recordCount(); ++row) {
        TDataSet::DisplayRow at(*cdsApuracoes, row);
        QStringList cells;
        for (const TColumn* column : dbgApuracoes->columns())
            cells << column->field()->displayText();
        report.rows.append(cells);
    }
    report.totals = {summaryText()};
    return report;
}

QString TfrmConsApur::saveFileName(const QString& title, const QString& suggested,
                                   const QString& filter) {
    requireCurrent();
    return Application().presenter().chooseSaveFile(title, suggested, filter);
}

void TfrmConsApur::sbtExportaClick() {
    const QString path =
        saveFileName(QStringLiteral("Exportar apurações"), QStringLiteral("apuracoes.csv"),
                     QStringLiteral("Arquivos CSV (*.csv)"));
    if (path.isEmpty())
        return;
    // Written whole or not at all: a failed write leaves an earlier file as it was.
    QSaveFile file(path);
    const QByteArray bytes = csvText().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        Consiste::MensErro(
            msgPadrao->Msg(QStringLiteral("Arq_Erro")).replace(QStringLiteral("%s"), path) +
                QStringLiteral(": ") + file.errorString(),
            true);
    Application().presenter().showInformation(
        msgPadrao->Msg(QStringLiteral("Arq_Grav")).replace(QStringLiteral("%s"), path));
}

void TfrmConsApur::sbtImprimeClick() {
    const QString path =
        saveFileName(QStringLiteral("Imprimir apurações"), QStringLiteral("apuracoes.pdf"),
                     QStringLiteral("Arquivos PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    const QString error = Application().presenter().printReport(report(), path);
    if (!error.isEmpty())
        Consiste::MensErro(error, true);
    Application().presenter().showInformation(
        msgPadrao->Msg(QStringLiteral("Rel_Grav")).replace(QStringLiteral("%s"), path));
}
