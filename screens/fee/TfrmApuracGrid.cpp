// The invoice grid: loading on entry, the check column's toggles and its drawing.
#include "screens/fee/TfrmApurac.h"

#include "external/shared/Consiste.h"
#include "external/shared/TADOIBQuery.h"
#include "external/shared/TDateEditPlus.h"
#include "platform/TBitmap.h"
#include "platform/TClientDataSet.h"
#include "platform/TImage.h"
#include "platform/TMaskEdit.h"
#include "screens/common/TRemoteCall.h"
#include "screens/common/WaitAnimation.h"

namespace {

const QString kCheck = QStringLiteral("IDCHECK");

bool isCheckColumn(const TColumn& column) {
    return column.fieldName().compare(kCheck, Qt::CaseInsensitive) == 0;
}

bool hasRows(const TDataSet& data) {
    return data.active() && !data.isEmpty();
}

} // namespace

void TfrmApurac::dbgNotasEnter() {
    Vd_Filial(true);
    Vd_SgCia(false);
    Vd_NrApuracao();
    loadNotasApuradas();
}

void TfrmApurac::loadNotasApuradas() {
    const QString number = medNrApuracao->text();
    const bool byNumber = !Consiste::EmptyString(number);
    WaitAnimation wait(6);
    TRemoteCall::load(*cdsNotasApuradas, netApurac, QStringLiteral("GetNotasApuradas"),
                      {TRemoteArg::S(companyField(QStringLiteral("CDCLIENTE"))),
                       TRemoteArg::D(depDataIni->GetDate()), TRemoteArg::D(depDataFim->GetDate()),
                       TRemoteArg::S(byNumber ? number : QString()),
                       TRemoteArg::S(byNumber ? QStringLiteral("N") : QStringLiteral("T"))});
    cdsNotasApuradas->first();
}

void TfrmApurac::AlteraCheck() {
    if (cdsNotasApuradas->state() != TDataSetState::dsBrowse || cdsNotasApuradas->isEmpty())
        return;
    TField& mark = cdsNotasApuradas->fieldByName(kCheck);
    cdsNotasApuradas->edit();
    mark.setAsString(mark.asString() == u"S" ? QStringLiteral("N") : QStringLiteral("S"));
    cdsNotasApuradas->post();
}

void TfrmApurac::dbgNotasCellClick(TColumn& column) {
    if (!hasRows(*cdsNotasApuradas) || !isCheckColumn(column))
        return;
    {
        TDataSet::ControlsGuard guard(*cdsNotasApuradas);
        AlteraCheck();
    }
    dbgNotas->refresh();
}

void TfrmApurac::dbgNotasKeyDown(int& key, TShiftState shift) {
    if (key != VK_SPACE || !hasRows(*cdsNotasApuradas))
        return;
    TDataSet::ControlsGuard guard(*cdsNotasApuradas);
    if (shift.ctrl)
        dbgNotasTitleClick(dbgNotas->column(Consiste::IndiceCol(*dbgNotas, kCheck)));
    else
        AlteraCheck();
}

void TfrmApurac::dbgNotasTitleClick(TColumn& column) {
    if (!isCheckColumn(column) || !hasRows(*cdsNotasApuradas))
        return;
    TDataSet::ControlsGuard guard(*cdsNotasApuradas);
    for (cdsNotasApuradas->first(); !cdsNotasApuradas->eof(); cdsNotasApuradas->next())
        AlteraCheck();
    cdsNotasApuradas->first();
}

void TfrmApurac::dbgNotasDrawColumnCell(const QRect& rect, int dataCol, TColumn& column,
                                        TGridDrawState state) {
    if (!isCheckColumn(column) || !hasRows(*cdsNotasApuradas)) {
        dbgNotas->defaultDrawColumnCell(rect, dataCol, column, state);
        return;
    }
    const QString mark = cdsNotasApuradas->fieldByName(kCheck).asString();
    TCanvas& canvas = dbgNotas->canvas();
    canvas.fillRect(rect);
    // Any value but "S" or "N" is shown as an empty cell.
    const TImage* source = mark == u"S" ? imgCheck : mark == u"N" ? imgUncheck : nullptr;
    if (!source)
        return;
    const TBitmap& bitmap = *source->picture();
    const QRect dest(rect.left() + 2, rect.top(), bitmap.width(), rect.height());
    canvas.brushCopy(dest, bitmap, QRect(0, 0, bitmap.width(), rect.height()), clOlive);
}
