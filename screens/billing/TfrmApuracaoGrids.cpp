// The flight-leg and billing-location grids: check marks, toggles and their drawing.
#include "screens/billing/TfrmApuracao.h"

#include "external/shared/Consiste.h"
#include "external/shared/TDateEditPlus.h"
#include "external/shared/TMessages.h"
#include "platform/TBitmap.h"
#include "platform/TClientDataSet.h"
#include "platform/TImage.h"
#include "platform/TMaskEdit.h"
#include "screens/billing/Cli_Zel00100.h"

using namespace Cli_Zel00100;

namespace {

const QString kFlightMark = QStringLiteral("IDMARCVOO");
const QString kLocationMark = QStringLiteral("IDMARCADO");

bool isColumn(const TColumn& column, const QString& fieldName) {
    return column.fieldName().compare(fieldName, Qt::CaseInsensitive) == 0;
}

bool hasRows(const TDataSet& data) {
    return data.active() && !data.isEmpty();
}

// Repaints the grid when the scope ends, however it ends.
struct RepaintAtEnd {
    TDBGrid* grid;
    ~RepaintAtEnd() { grid->refresh(); }
};

} // namespace

bool TfrmApuracao::isSelected(const QString& selection, const QString& key) {
    // Whole entries only: flight 10 is not checked by flight 100.
    return (selection + u'_').contains(u'_' + key + u'_');
}

void TfrmApuracao::cdsVooTrechoIDTIPVOOGetText(TField& sender, QString& text, bool) {
    if (cdsVooTrecho->isEmpty())
        return;
    text = msgPadrao->Msg(sender.asString() == u"1" ? QStringLiteral("Regular")
                                                    : QStringLiteral("Extra"));
}

namespace {
// Paints a check mark in the cell: the whole cell in the current brush, then the 16x16 mark
// `offset` pixels from the left with its olive pixels in the brush colour.
void paintCheck(TCanvas& canvas, const QRect& rect, const TImage& image, int offset) {
    const TBitmap bitmap = *image.picture();
    canvas.fillRect(rect);
    const QRect dest(rect.left() + offset, rect.top(), bitmap.width(), rect.height());
    canvas.brushCopy(dest, bitmap, QRect(0, 0, bitmap.width(), rect.height()), clOlive);
}
} // namespace

void TfrmApuracao::dbgVooTrechoDrawColumnCell(const QRect& rect, int dataCol, TColumn& column,
                                              TGridDrawState state) {
    if (!hasRows(*cdsVooTrecho)) {
        dbgVooTrecho->defaultDrawColumnCell(rect, dataCol, column, state);
        return;
    }
    TCanvas& canvas = dbgVooTrecho->canvas();
    if (isColumn(column, kFlightMark)) {
        const QString flight = cdsVooTrecho->fieldByName(QStringLiteral("NRVOO")).asString();
        paintCheck(canvas, rect, isSelected(stVooTrecho, flight) ? *imgCheck : *imgUncheck, 4);
        return;
    }
    canvas.fillRect(rect);
    // Legs with nothing to compute stand out in red.
    const bool hasServices =
        cdsVooTrecho->fieldByName(QStringLiteral("QTDE_SERVICO")).asFloat() > 0;
    canvas.font().color = hasServices ? clWindowText : clRed;
    if (state.selected)
        canvas.font().color = clWhite;
    const TField* field = column.field();
    canvas.textOut(rect.left() + 4, rect.top() + 3, field ? field->displayText() : QString());
}

void TfrmApuracao::dbgLocalDrawColumnCell(const QRect& rect, int dataCol, TColumn& column,
                                          TGridDrawState state) {
    if (!hasRows(*cdsLocalFatu) || !isColumn(column, kLocationMark)) {
        dbgLocal->defaultDrawColumnCell(rect, dataCol, column, state);
        return;
    }
    const QString code = cdsLocalFatu->fieldByName(QStringLiteral("CDLOCAFATCIA")).asString();
    paintCheck(dbgLocal->canvas(), rect, isSelected(stLocalFat, code) ? *imgCheck : *imgUncheck, 4);
}

void TfrmApuracao::toggleVoo() {
    if (!hasRows(*cdsVooTrecho))
        return;
    // Legs without data can be neither checked nor unchecked by hand.
    if (cdsVooTrecho->fieldByName(QStringLiteral("QTDE_SERVICO")).asFloat() <= 0)
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("VOO_SEM_DADOS_APURAC")), true);
    const QString flight = cdsVooTrecho->fieldByName(QStringLiteral("NRVOO")).asString();
    if (!isSelected(stVooTrecho, flight)) {
        stVooTrecho += u'_' + flight;
        return;
    }
    stVooTrecho =
        Consiste::Replace(u'_' + flight + u'_', stVooTrecho + u'_', QStringLiteral("_"), 1);
    stVooTrecho.chop(1);
}

void TfrmApuracao::checkAllVoos() {
    if (!stVooTrecho.isEmpty()) {
        stVooTrecho.clear();
        return;
    }
    if (!cdsVooTrecho->active())
        return;
    TDataSet::ControlsGuard guard(*cdsVooTrecho);
    for (cdsVooTrecho->first(); !cdsVooTrecho->eof(); cdsVooTrecho->next()) {
        if (cdsVooTrecho->fieldByName(QStringLiteral("QTDE_SERVICO")).asFloat() > 0)
            stVooTrecho += u'_' + cdsVooTrecho->fieldByName(QStringLiteral("NRVOO")).asString();
    }
    cdsVooTrecho->first();
}

void TfrmApuracao::toggleLocal() {
    // An empty grid has no location to toggle.
    if (!hasRows(*cdsLocalFatu))
        return;
    const QString code = cdsLocalFatu->fieldByName(QStringLiteral("CDLOCAFATCIA")).asString();
    if (!isSelected(stLocalFat, code)) {
        stLocalFat += u'_' + code;
        return;
    }
    stLocalFat = Consiste::Replace(u'_' + code + u'_', stLocalFat + u'_', QStringLiteral("_"), 1);
    stLocalFat.chop(1);
}

void TfrmApuracao::checkAllLocais() {
    if (!stLocalFat.isEmpty()) {
        stLocalFat.clear();
        return;
    }
    if (!cdsLocalFatu->active())
        return;
    TDataSet::ControlsGuard guard(*cdsLocalFatu);
    for (cdsLocalFatu->first(); !cdsLocalFatu->eof(); cdsLocalFatu->next())
        stLocalFat += u'_' + cdsLocalFatu->fieldByName(QStringLiteral("CDLOCAFATCIA")).asString();
    cdsLocalFatu->first();
}

void TfrmApuracao::dbgVooTrechoCellClick(TColumn& column) {
    RepaintAtEnd repaint{dbgVooTrecho};
    if (isColumn(column, kFlightMark))
        toggleVoo();
}

void TfrmApuracao::dbgVooTrechoTitleClick(TColumn& column) {
    RepaintAtEnd repaint{dbgVooTrecho};
    if (isColumn(column, kFlightMark))
        checkAllVoos();
}

void TfrmApuracao::dbgVooTrechoKeyDown(int& key, TShiftState shift) {
    {
        RepaintAtEnd repaint{dbgVooTrecho};
        if (key == VK_SPACE) {
            if (shift.ctrl)
                checkAllVoos();
            else
                toggleVoo();
        }
    }
    if (key == VK_TAB) {
        key = 0;
        if (shift.shift)
            medSgCia->setFocus();
        else
            depDataFimDeliv->setFocus();
    }
}

void TfrmApuracao::dbgLocalCellClick(TColumn& column) {
    RepaintAtEnd repaint{dbgLocal};
    if (isColumn(column, kLocationMark))
        toggleLocal();
}

void TfrmApuracao::dbgLocalTitleClick(TColumn& column) {
    RepaintAtEnd repaint{dbgLocal};
    if (isColumn(column, kLocationMark))
        checkAllLocais();
}

void TfrmApuracao::dbgLocalKeyDown(int& key, TShiftState shift) {
    RepaintAtEnd repaint{dbgLocal};
    if (key != VK_SPACE)
        return;
    if (shift.ctrl)
        checkAllLocais();
    else
        toggleLocal();
}
