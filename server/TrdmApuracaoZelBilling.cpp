// The billing computation (CalculaApuracao): checks, registration, and the one
// transaction that creates the invoices and marks the deliveries.
#include "server/Numerador.h"
#include "server/ServerFailure.h"
#include "server/ServerSql.h"
#include "server/SqlTransaction.h"
#include "server/TrdmApuracaoZel.h"

#include "platform/Exception.h"

#include <map>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryFile>
#include <tuple>

using protocol::RemoteValue;

namespace {

const QChar kMark(0x00BF); // "¿": the screens take the 10 characters after it as a key
const QString kBlank20(20, QLatin1Char(' '));
constexpr int kDeliveriesPerStatement = 200;
constexpr int kErrorWidth = 500;

// The seventeen arguments, by meaning.
struct Request {
    QString filialTrabalho;
    QString filial;
    QString cliente;
    QDate start;
    QDate end;
    QDate billing;
    QString cdcia;
    QString flights;
    bool allFlights = false;
    QString serie;
    QString carrierKind;
    QString carrierNumber;
    QString grupo;
    QString locations;
    QString pedido;

    explicit Request(const QList<RemoteValue>& a)
        : filialTrabalho(a[0].toString())
        , filial(a[1].toString())
        , cliente(a[2].toString())
        , start(a[3].toDate())
        , end(a[4].toDate())
        , billing(a[5].toDate())
        , cdcia(a[6].toString())
        , flights(a[7].toString())
        , allFlights(a[8].toString() == QLatin1String("T"))
        , serie(a[9].toString())
        , carrierKind(a[10].toString())
        , carrierNumber(a[11].toString())
        , grupo(a[12].toString().trimmed())
        , locations(a[14].toString())
        , pedido(a[16].toString().trimmed()) {}
};

struct Delivery {
    QString number;
    QDate date;
    QString flight;
    QString origin;
    QString destination;
    QString location;
    QString grupo;
    qint64 value = 0;
    qint64 foreign = 0;
    QString faturamento;
    QString invoice; // set while computing
};

// What an invoice gathers: flight, leg or location, by issue-form type.
using GroupKey = std::tuple<QString, QString, QString, QString>; // flight, origin, dest, location

struct Invoice {
    GroupKey key;
    QString number;
    qint64 value = 0;
    qint64 foreign = 0;
    QList<Delivery*> deliveries;
};

QVariant textOrNull(const QString& text) {
    return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

// "_A_B" or "_A_B_" → {A, B}.
QSet<QString> entries(const QString& list) {
    QSet<QString> result;
    for (const QString& entry : list.split(QLatin1Char('_'), Qt::SkipEmptyParts))
        result.insert(entry);
    return result;
}

[[noreturn]] void invalidCall() {
    throw ServerFailure(QStringLiteral("Chamada inválida: CalculaApuracao"));
}

[[noreturn]] void blocked(const QString& key, const QString& value) {
    throw ServerFailure(kMark + key + value + QLatin1Char('*'));
}

// The carrier rows the screen edited, as upserts keyed by CDPROGRAMA; a row edited
// from one key to another never renames or removes the first key's row.
void applyDiretorios(const ServerSql& sql, const RemoteValue& value) {
    if (value.isNull())
        return;
    if (value.type() != RemoteValue::Type::ChangePacket)
        invalidCall();
    const TChangePacket& packet = value.changePacket();
    int keyIndex = -1;
    int valueIndex = -1;
    for (qsizetype i = 0; i < packet.fields.size(); ++i) {
        if (packet.fields[i].name.compare(QLatin1String("CDPROGRAMA"), Qt::CaseInsensitive) == 0)
            keyIndex = int(i);
        else if (packet.fields[i].name.compare(QLatin1String("DSDIRETORIO"), Qt::CaseInsensitive) ==
                 0)
            valueIndex = int(i);
    }
    if (keyIndex < 0)
        invalidCall();
    struct Step {
        bool remove;
        QString key;
        QVariant value;
    };
    QList<Step> steps;
    for (const TChangePacket::Change& change : packet.changes) {
        const bool remove = change.kind == TChangePacket::Kind::Delete;
        const std::optional<TRow>& row = remove ? change.oldValues : change.newValues;
        if (!row || row->size() <= keyIndex)
            invalidCall();
        QVariant key = row->at(keyIndex);
        if (key.isNull() && change.oldValues && change.oldValues->size() > keyIndex)
            key = change.oldValues->at(keyIndex);
        const QVariant newValue =
            valueIndex >= 0 && valueIndex < row->size() ? row->at(valueIndex) : QVariant();
        const QString keyText = key.toString();
        if (keyText.isEmpty() || keyText.size() > 8 || newValue.toString().size() > 100)
            invalidCall();
        steps.append({remove, keyText,
                      newValue.isNull() ? QVariant(QMetaType::fromType<QString>())
                                        : QVariant(newValue.toString())});
    }
    SqlTransaction transaction(sql);
    for (const Step& step : steps) {
        if (step.remove)
            sql.change(QStringLiteral("DELETE FROM DIRETORIOS WHERE CDPROGRAMA = :key"),
                       {{"key", step.key}});
        else
            sql.change(QStringLiteral("INSERT INTO DIRETORIOS (CDPROGRAMA, DSDIRETORIO) "
                                      "VALUES (:key, :value) ON CONFLICT (CDPROGRAMA) "
                                      "DO UPDATE SET DSDIRETORIO = excluded.DSDIRETORIO"),
                       {{"key", step.key}, {"value", step.value}});
    }
    transaction.commit();
}

QString issueFormType(const ServerSql& sql, const Request& r) {
    return sql
        .scalar(QStringLiteral("SELECT F.IDTIPEMNF FROM CIAFILI C JOIN FORMEMISNF F "
                               "ON F.CDTIPEMNF = C.CDTIPEMNF "
                               "WHERE C.CDFILIAL = :filial AND C.CDCIA = :cdcia"),
                {{"filial", r.filial}, {"cdcia", r.cdcia}})
        .toString()
        .trimmed();
}

bool byFlights(const QString& type) {
    return type == QLatin1String("02") || type == QLatin1String("03") ||
           type == QLatin1String("12");
}

// The deliveries the computation takes, in number order.
std::vector<Delivery> selectDeliveries(const ServerSql& sql, const Request& r,
                                       const QString& type) {
    QSqlQuery query = sql.exec(
        QStringLiteral("SELECT NRDELIVERY, DTDELIVERY, NRVOO, SGBASEORI, SGBASEDES, CDLOCAFATCIA, "
                       "CDGRUPPROD, VRSERVICO, VRMOEDESTR, NRFATURAMENTO FROM DELIVERY "
                       "WHERE CDFILIAL = :filial AND CDCIA = :cdcia AND DTDELIVERY >= :start "
                       "AND DTDELIVERY <= :end AND NRAPURACFAT IS NULL "
                       "AND (CDGRUPPROD = :grupo OR :todos = 'T') ORDER BY NRDELIVERY"),
        {{"filial", r.filial},
         {"cdcia", r.cdcia},
         {"start", ServerSql::bindDate(r.start)},
         {"end", ServerSql::bindDate(r.end)},
         {"grupo", r.grupo},
         {"todos", r.grupo.isEmpty() ? QStringLiteral("T") : QStringLiteral("N")}});
    const bool filterFlights = byFlights(type) && !r.allFlights;
    const bool filterLocations = type == QLatin1String("10") && !entries(r.locations).isEmpty();
    const QSet<QString> flights = entries(r.flights);
    const QSet<QString> locations = entries(r.locations);
    std::vector<Delivery> result;
    while (query.next()) {
        Delivery d;
        d.number = query.value(0).toString();
        d.date = ServerSql::toDate(query.value(1));
        d.flight = query.value(2).toString();
        d.origin = query.value(3).toString();
        d.destination = query.value(4).toString();
        d.location = query.value(5).toString();
        d.grupo = query.value(6).toString();
        d.value = query.value(7).toLongLong();
        d.foreign = query.value(8).toLongLong();
        d.faturamento = query.value(9).toString().trimmed();
        if (filterFlights && !flights.contains(d.flight))
            continue;
        if (filterLocations && !locations.contains(d.location))
            continue;
        result.push_back(std::move(d));
    }
    return result;
}

bool lacksFaturamento(const std::vector<Delivery>& deliveries) {
    for (const Delivery& d : deliveries) {
        if (d.faturamento.isEmpty())
            return true;
    }
    return false;
}

// The export directory, empty when none is set.
QString exportDirectory(const ServerSql& sql) {
    return sql
        .scalar(QStringLiteral("SELECT DSDIRETORIO FROM DIRETORIOS WHERE CDPROGRAMA = 'EXPDELIV'"))
        .toString()
        .trimmed();
}

// Writing a probe file is the only test that also holds for root and read-only mounts.
bool isWritableDirectory(const QString& path) {
    if (!QFileInfo(path).isDir())
        return false;
    QTemporaryFile probe(QDir(path).filePath(QStringLiteral(".zel-probe-XXXXXX")));
    return probe.open();
}

GroupKey groupKey(const QString& type, const Delivery& d) {
    if (type == QLatin1String("02"))
        return {d.flight, {}, {}, {}};
    if (type == QLatin1String("03"))
        return {d.flight, d.origin, d.destination, {}};
    if (type == QLatin1String("10"))
        return {{}, {}, {}, d.location};
    return {};
}

std::vector<Invoice> groupInvoices(const QString& type, std::vector<Delivery>& deliveries) {
    std::map<GroupKey, Invoice> groups;
    for (Delivery& d : deliveries) {
        Invoice& invoice = groups[groupKey(type, d)];
        invoice.key = groupKey(type, d);
        invoice.value += d.value;
        invoice.foreign += d.foreign;
        invoice.deliveries.append(&d);
    }
    std::vector<Invoice> result;
    for (auto& entry : groups)
        result.push_back(std::move(entry.second));
    return result;
}

QString csvMoney(qint64 cents) {
    const QString sign = cents < 0 ? QStringLiteral("-") : QString();
    const qint64 magnitude = cents < 0 ? -cents : cents;
    return sign + QString::number(magnitude / 100) + QLatin1Char(',') +
           QStringLiteral("%1").arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

QString csvField(const QString& text) {
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

// The computed deliveries as NRAPURACFAT.csv (";" separated, decimal comma, UTF-8).
// Returns the path written; raises when the file cannot be written.
QString writeExport(const QString& directory, const QString& nr,
                    const std::vector<Delivery>& deliveries) {
    const QString path = QDir(directory).filePath(nr + QStringLiteral(".csv"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Exception(
            QStringLiteral("não foi possível gravar %1: %2").arg(path, file.errorString()));
    QByteArray out = "NRAPURACFAT;NRDELIVERY;DTDELIVERY;NRVOO;SGBASEORI;SGBASEDES;CDLOCAFATCIA;"
                     "CDGRUPPROD;VRSERVICO;VRMOEDESTR;NRFATURAMENTO;NRLANCTONF\n";
    for (const Delivery& d : deliveries) {
        const QStringList fields = {nr,
                                    d.number,
                                    d.date.toString(Qt::ISODate),
                                    d.flight,
                                    d.origin,
                                    d.destination,
                                    d.location,
                                    d.grupo,
                                    csvMoney(d.value),
                                    csvMoney(d.foreign),
                                    d.faturamento,
                                    d.invoice};
        QStringList quoted;
        for (const QString& f : fields)
            quoted.append(csvField(f));
        out += quoted.join(QLatin1Char(';')).toUtf8() + '\n';
    }
    file.write(out);
    if (!file.commit())
        throw Exception(
            QStringLiteral("não foi possível gravar %1: %2").arg(path, file.errorString()));
    return path;
}

// "0000000042" → 42; anything but digits → -1.
qint64 orderNumber(const QString& text) {
    if (text.isEmpty())
        return -1;
    for (QChar c : text) {
        if (!c.isDigit())
            return -1;
    }
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    return ok ? number : -1;
}

class Computation {
public:
    Computation(const ServerSql& sql, const Request& request, const QString& type,
                const QString& nr, const TrdmApuracaoZel::Progress& progress)
        : m_sql(sql)
        , m_r(request)
        , m_type(type)
        , m_nr(nr)
        , m_progress(progress) {}

    // All or nothing.
    void run(const QString& exportDir) {
        SqlTransaction transaction(m_sql);
        // Locks the computation's row: a cancel waits for us, or we see that it won.
        if (m_sql.change(QStringLiteral("UPDATE CTRLAPURFAT SET IDSTATUS = 'P' "
                                        "WHERE NRAPURACFAT = :nr AND IDSTATUS = 'P'"),
                         {{"nr", m_nr}}) != 1)
            throw Exception(QStringLiteral("a apuração foi cancelada durante o cálculo"));
        // Selected again inside the transaction: what changed since the checks counts.
        std::vector<Delivery> deliveries = selectDeliveries(m_sql, m_r, m_type);
        if (lacksFaturamento(deliveries))
            throw Exception(QStringLiteral("delivery sem número de faturamento no período"));
        std::vector<Invoice> invoices = groupInvoices(m_type, deliveries);
        m_total = qint64(deliveries.size());
        report(0);
        if (!invoices.empty()) {
            const qint64 first = Numerador(m_sql).reserveNotasFiscais(qint64(invoices.size()));
            for (std::size_t i = 0; i < invoices.size(); ++i)
                invoices[i].number = Numerador::format(first + qint64(i));
        }
        for (Invoice& invoice : invoices) {
            insertInvoice(invoice);
            markDeliveries(invoice);
        }
        const qint64 pedido = orderNumber(m_r.pedido);
        if (pedido > 0)
            Numerador(m_sql).advancePedido(m_r.filial, m_r.cdcia, pedido);
        m_sql.change(QStringLiteral("UPDATE CTRLAPURFAT SET IDSTATUS = 'F' "
                                    "WHERE NRAPURACFAT = :nr AND IDSTATUS = 'P'"),
                     {{"nr", m_nr}});
        QString written;
        if (!exportDir.isEmpty())
            written = writeExport(exportDir, m_nr, deliveries);
        try {
            transaction.commit();
        } catch (...) {
            if (!written.isEmpty())
                QFile::remove(written);
            throw;
        }
        report(m_total);
    }

private:
    void report(qint64 done) {
        if (m_progress)
            m_progress(done, m_total,
                       QStringLiteral("Apuração %1: %2 de %3 deliveries")
                           .arg(m_nr)
                           .arg(done)
                           .arg(m_total));
    }

    void insertInvoice(const Invoice& invoice) {
        const auto& [flight, origin, destination, location] = invoice.key;
        Q_UNUSED(origin);
        Q_UNUSED(destination);
        m_sql.change(
            QStringLiteral(
                "INSERT INTO NOTAFISCAL (NRLANCTONF, CDFILIAL, NRAPURACFAT, CDCLIENTE, CDCIA, "
                "CDSERIE, DTENTRSAID, VRNOTAFISC, VRTTMOEDESTR, NRVOO, CDLOCAFATCIA, IDEMITIDA) "
                "VALUES (:nf, :filial, :nr, :cliente, :cdcia, :serie, :data, :valor, :estr, "
                ":voo, :local, 'N')"),
            {{"nf", invoice.number},
             {"filial", m_r.filial},
             {"nr", m_nr},
             {"cliente", m_r.cliente},
             {"cdcia", m_r.cdcia},
             {"serie", textOrNull(m_r.serie)},
             {"data", ServerSql::bindDate(m_r.billing)},
             {"valor", invoice.value},
             {"estr", invoice.foreign},
             {"voo", textOrNull(flight)},
             {"local", textOrNull(location)}});
    }

    // In batches; a delivery that another computation took in the meantime fails the whole.
    void markDeliveries(Invoice& invoice) {
        for (qsizetype at = 0; at < invoice.deliveries.size(); at += kDeliveriesPerStatement) {
            const qsizetype count =
                qMin<qsizetype>(kDeliveriesPerStatement, invoice.deliveries.size() - at);
            QStringList names;
            QList<std::pair<QString, QVariant>> binds = {{QStringLiteral("nr"), m_nr},
                                                         {QStringLiteral("nf"), invoice.number}};
            for (qsizetype i = 0; i < count; ++i) {
                Delivery* d = invoice.deliveries[at + i];
                d->invoice = invoice.number;
                names.append(QStringLiteral(":d%1").arg(i));
                binds.append({QStringLiteral("d%1").arg(i), d->number});
            }
            const int changed =
                m_sql
                    .exec(QStringLiteral("UPDATE DELIVERY SET NRAPURACFAT = :nr, NRLANCTONF = :nf "
                                         "WHERE NRAPURACFAT IS NULL AND NRDELIVERY IN (%1)")
                              .arg(names.join(QStringLiteral(", "))),
                          binds)
                    .numRowsAffected();
            if (changed != count)
                throw Exception(
                    QStringLiteral("deliveries tomadas por outra apuração durante o cálculo"));
            m_done += count;
            report(m_done);
        }
    }

    const ServerSql& m_sql;
    const Request& m_r;
    QString m_type;
    QString m_nr;
    const TrdmApuracaoZel::Progress& m_progress;
    qint64 m_total = 0;
    qint64 m_done = 0;
};

} // namespace

RemoteValue TrdmApuracaoZel::calculaApuracao(Args& args, const Progress& progress) {
    const Request r(args);
    if (!r.start.isValid() || !r.end.isValid() || !r.billing.isValid())
        invalidCall();
    const RemoteValue& changes = args[13];
    if (!changes.isNull() && changes.type() != RemoteValue::Type::ChangePacket)
        invalidCall();
    ServerSql sql(m_db);

    applyDiretorios(sql, changes);

    const QString type = issueFormType(sql, r);
    if (type.isEmpty())
        blocked(QStringLiteral("TpFt_N_Cad"), kBlank20);

    const auto refuseIfRunning = [&] {
        QSqlQuery running = sql.exec(
            QStringLiteral("SELECT NRAPURACFAT, DTHRINICIO FROM CTRLAPURFAT "
                           "WHERE CDFILIAL = :filial AND CDCIA = :cdcia AND IDSTATUS = 'P'"),
            {{"filial", r.filial}, {"cdcia", r.cdcia}});
        if (!running.next())
            return;
        const QString nr = running.value(0).toString();
        if (ServerSql::toDateTime(running.value(1)) <= leaseLimit())
            blocked(QStringLiteral("Apur_Irreg"), nr.leftJustified(20, QLatin1Char(' ')));
        blocked(QStringLiteral("Deliv_Bloq"), kBlank20);
    };
    refuseIfRunning();

    const std::vector<Delivery> selected = selectDeliveries(sql, r, type);
    if (lacksFaturamento(selected))
        throw ServerFailure(QStringLiteral("DELVALO_nf"));

    const QString exportDir = exportDirectory(sql);
    if (!exportDir.isEmpty() && !isWritableDirectory(exportDir))
        throw ServerFailure(QStringLiteral("dir_n_exists"));

    // Registration: the unique index on running computations settles a race with another
    // session or process; the loser is told as if it had seen the winner's row.
    QString nr;
    try {
        SqlTransaction transaction(sql);
        nr = Numerador::format(Numerador(sql).nextApuracao());
        sql.change(
            QStringLiteral(
                "INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, CDCIA, "
                "CDCLIENTE, DTINIAPURAC, DTFIMAPURAC, DTFATURA, CDSERIE, IDTPIJURTRAN, "
                "NRINSJURTRAN, CDGRUPPROD, NRPEDIDO, IDSTATUS, DTHRINICIO) VALUES (:nr, 'F', "
                ":trab, :filial, :cdcia, :cliente, :start, :end, :billing, :serie, :kind, "
                ":carrier, :grupo, :pedido, 'P', :now)"),
            {{"nr", nr},
             {"trab", r.filialTrabalho},
             {"filial", r.filial},
             {"cdcia", r.cdcia},
             {"cliente", r.cliente},
             {"start", ServerSql::bindDate(r.start)},
             {"end", ServerSql::bindDate(r.end)},
             {"billing", ServerSql::bindDate(r.billing)},
             {"serie", textOrNull(r.serie)},
             {"kind", textOrNull(r.carrierKind)},
             {"carrier", textOrNull(r.carrierNumber)},
             {"grupo", textOrNull(r.grupo)},
             {"pedido", textOrNull(r.pedido)},
             {"now", ServerSql::bindDateTime(QDateTime::currentDateTime())}});
        transaction.commit();
    } catch (const Exception& e) {
        if (ServerSql::isUniqueViolation(e.message()))
            refuseIfRunning();
        throw;
    }

    // Nothing of a failed computation is kept but its status and reason.
    try {
        Computation(sql, r, type, nr, progress).run(exportDir);
    } catch (const std::exception& e) {
        QString reason;
        if (const auto* failure = dynamic_cast<const ServerFailure*>(&e))
            reason = failure->text();
        else if (const auto* exception = dynamic_cast<const Exception*>(&e))
            reason = exception->message();
        else
            reason = QString::fromUtf8(e.what());
        try {
            sql.change(QStringLiteral("UPDATE CTRLAPURFAT SET IDSTATUS = 'E', DSERRO = :reason "
                                      "WHERE NRAPURACFAT = :nr AND IDSTATUS = 'P'"),
                       {{"reason", reason.left(kErrorWidth)}, {"nr", nr}});
        } catch (const std::exception&) {
            // The connection is gone: the row stays "P" and reads as interrupted later.
        }
        throw ServerFailure(QStringLiteral("Falha na apuração %1: %2").arg(nr, reason));
    }
    m_lastComputation = nr;
    return nr;
}
