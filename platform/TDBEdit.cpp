#include "platform/TDBEdit.h"

#include "platform/TDataSet.h"
#include "platform/TDataSource.h"

TDBEdit::TDBEdit(TComponent* owner, TWinControl* parent)
    : TControl(owner, parent) {
    setColor(clWindow);
    setTabStop(true);
}

TDBEdit::~TDBEdit() {
    detachSource();
}

void TDBEdit::setDataSource(TDataSource* source) {
    if (source == m_dataSource)
        return;
    detachSource();
    m_dataSource = source;
    if (source) {
        m_sourceObserver = source->addObserver([this](TDataEvent event) {
            if (event == TDataEvent::Destroying) {
                m_dataSource = nullptr;
                m_sourceObserver = 0;
            }
            changed();
        });
    }
    changed();
}

void TDBEdit::detachSource() {
    if (m_dataSource)
        m_dataSource->removeObserver(m_sourceObserver);
    m_dataSource = nullptr;
    m_sourceObserver = 0;
}

void TDBEdit::setDataField(const QString& fieldName) {
    m_dataField = fieldName;
    changed();
}

TField* TDBEdit::field() const {
    TDataSet* ds = m_dataSource ? m_dataSource->dataSet() : nullptr;
    return ds && ds->active() ? ds->findField(m_dataField) : nullptr;
}

QString TDBEdit::text() const {
    const TField* f = field();
    if (!f || f->dataSet().isEmpty())
        return QString();
    return f->displayText();
}
