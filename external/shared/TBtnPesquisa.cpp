#include "external/shared/TBtnPesquisa.h"

#include "core/Exception.h"
#include "platform/TApplication.h"
#include "platform/TCustomEdit.h"
#include "platform/TDataSource.h"
#include "platform/TField.h"
#include "platform/TPresenter.h"

TBtnPesquisa::TBtnPesquisa(TComponent* owner, TWinControl* parent)
    : TSpeedButton(owner, parent) {
    setHint(QStringLiteral("Pesquisar"));
    setGlyph(TButtonGlyph::bgLookup);
}

void TBtnPesquisa::click() {
    if (!enabled())
        return;
    bool proceed = true;
    if (OnBeforePesq)
        OnBeforePesq(*this, proceed);
    if (!proceed)
        return;
    TDataSet* data = m_dataSource ? m_dataSource->dataSet() : nullptr;
    if (!data)
        throw Exception(QStringLiteral("Pesquisa sem dados associados."));
    if (!data->active())
        data->open();
    if (data->isEmpty()) {
        Application().presenter().showInformation(m_emptyError);
        return;
    }
    data->first();
    if (m_pesqChave)
        positionOnKey();
    if (Application().presenter().chooseRow(*data, m_title) && OnAfterPesq)
        OnAfterPesq(*this);
}

void TBtnPesquisa::positionOnKey() {
    const auto* edit = dynamic_cast<const TCustomEdit*>(m_associate);
    TDataSet* data = m_dataSource->dataSet();
    if (!edit || edit->text().trimmed().isEmpty() || data->fields().empty())
        return;
    const QString key = data->fields().front()->name();
    if (!data->locate(key, edit->text().trimmed(), true))
        data->first();
}
