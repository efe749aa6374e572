#pragma once

#include "protocol/RemoteValue.h"
#include "server/CarrierUpserts.h"
#include "server/ServerFailure.h"

#include <QDate>
#include <QList>
#include <QString>

// The seventeen arguments of CalculaApuracao, decoded once and by meaning. decode() refuses
// what no screen sends, always with the same text, before anything touches the database.
struct CalculaApuracaoRequest {
    QString filialTrabalho;
    QString filial;
    QString cliente;
    QDate start;
    QDate end;
    QDate billing;
    QString cdcia;
    QString flights; // "_A_B"
    bool allFlights = false;
    QString serie;
    QString carrierKind;
    QString carrierNumber;
    QString grupo; // without surrounding blanks; empty: every group
    CarrierUpserts carriers;
    QString locations; // "_A_B"; empty: every location
    QString pedido;    // without surrounding blanks
    // The flight list closed by a separator is not read: it repeats the flight list.

    // Raises invalidCall() for a wrong number or kind of arguments, a missing date or a
    // carrier change packet that is not one.
    static CalculaApuracaoRequest decode(const QList<protocol::RemoteValue>& args);

    // "Chamada inválida: CalculaApuracao".
    static ServerFailure invalidCall();
};
