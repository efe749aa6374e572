#pragma once

#include <QDate>
#include <QString>

class TADOIBQuery;
class TClientDataSet;
class TEdit;
class TForm;
class TMaskEdit;
class TMessages;
class TNetConnection;
class TSerieTranspBlock;

// What the fee screen and the viewer take from the billing screen they open over: its header
// fields, its company row and closing data, its connection, its message table and its series
// and carrier block. The billing screen fills one and publishes it while it exists, so the
// screens it opens never see the rest of it.
class TBillingScreen {
public:
    TForm* form = nullptr;
    TMaskEdit* medCdFilial = nullptr;
    TEdit* edtNmFilial = nullptr;
    TMaskEdit* medSgCia = nullptr;
    TMaskEdit* medNmCia = nullptr;
    TMaskEdit* medSerie = nullptr;
    TMaskEdit* medCdGrupo = nullptr;
    TADOIBQuery* qryCompanhia = nullptr;
    TClientDataSet* cdsPerFecham = nullptr;
    TMessages* msgPadrao = nullptr;
    TNetConnection* netApuracao = nullptr;
    TSerieTranspBlock* serieTransp = nullptr;

    // The billing screen while it exists; null otherwise.
    static TBillingScreen* current();
    // Called by the billing screen when it is built and when it goes.
    static void publish(TBillingScreen* screen);
    static void withdraw(const TBillingScreen* screen);

    // A field of the current company row; empty when the lookup has none.
    QString companyField(const QString& name) const;

    // The next closing date worked out from the last closing and the closing day the server
    // gave (empty: none); null when the company has no last closing.
    static QDate nextClosing(const QDate& lastClosing, const QString& closingDay);
};
