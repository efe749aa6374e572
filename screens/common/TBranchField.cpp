#include "screens/common/TBranchField.h"

#include "external/shared/Consiste.h"
#include "external/shared/Ostrana.h"
#include "external/shared/TADOIBQuery.h"
#include "external/shared/TMessages.h"
#include "platform/TEdit.h"
#include "platform/TMaskEdit.h"
#include "screens/common/FormParts.h"

TBranchField::TBranchField(TMaskEdit* code, TEdit* name, TADOIBQuery* query,
                           const TMessages* messages)
    : m_code(code)
    , m_name(name)
    , m_query(query)
    , m_messages(messages) {}

void TBranchField::Vd_Filial(bool reportEmpty) {
    FormParts::focusOnFailure(m_code, [&] {
        if (Consiste::EmptyString(m_code->text())) {
            if (reportEmpty)
                FormParts::refuse(m_code, m_messages->Msg(QStringLiteral("Filial_Inf")));
            return;
        }
        m_code->setText(Consiste::Ajusta(m_code->text(), 4));
        m_query->close();
        m_query->paramByName(QStringLiteral("P_CDFILIAL")).setAsString(m_code->text());
        m_query->open();
        if (m_query->isEmpty())
            FormParts::refuse(m_code, m_messages->Msg(QStringLiteral("Filial_Cad")));
        m_name->setText(m_query->fieldByName(QStringLiteral("NMFILIAL")).asString());
    });
}

void TBranchField::applyHostMode(std::initializer_list<TControl*> companions) {
    const bool singleBranch = Ostrana::ModuFili();
    m_code->setEnabled(!singleBranch);
    for (TControl* control : companions)
        control->setEnabled(!singleBranch);
    if (singleBranch)
        m_code->setColor(clBtnFace);
}

void TBranchField::beforeLookup() {
    m_query->close();
    m_query->paramByName(QStringLiteral("P_CDFILIAL")).clear();
}

void TBranchField::afterLookup() {
    m_code->setText(m_query->fieldByName(QStringLiteral("CDFILIAL")).asString());
    m_name->setText(m_query->fieldByName(QStringLiteral("NMFILIAL")).asString());
}
