#include "external/shared/TdtmDBGeral.h"

#include "core/Exception.h"

TdtmDBGeral* dtmDBGeral = nullptr;

TdtmDBGeral::TdtmDBGeral()
    : adcGeral(m_database)
    , dtbGeral(m_database)
    , ibtGeral(m_database) {
    if (dtmDBGeral)
        throw Exception(QStringLiteral("O módulo de dados dtmDBGeral já foi criado."));
    dtmDBGeral = this;
}

TdtmDBGeral::~TdtmDBGeral() {
    if (dtmDBGeral == this)
        dtmDBGeral = nullptr;
}

void TdtmDBGeral::connect(const QString& url) {
    m_database.open(url);
}

void TdtmDBGeral::disconnect() {
    m_database.close();
}
