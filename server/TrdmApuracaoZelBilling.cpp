// The billing computation (CalculaApuracao): checks, registration, and the one
// transaction that creates the invoices and marks the deliveries.
#include "server/DeliverySelection.h"
#include "server/Numerador.h"
#include "server/ServerFailure.h"
#include "server/ServerSql.h"
#include "server/SqlTransaction.h"
#include "server/TrdmApuracaoZel.h"

#include "core/Exception.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

using protocol::RemoteValue;

namespace {

const QChar kMark(0x00BF); // "¿": the screens take the 10 characters after it as a key
const QString kBlank20(20, QLatin1Char(' '));
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

// One invoice: the values of the selection's key columns and its totals.
struct Invoice {
    QStringList key;
    QString number;
    qint64 value = 0;
    qint64 foreign = 0;
};

// What the computation takes, summed in the database: the invoices in key order and how
// many deliveries fall on each day (the steps of the marking).
struct Totals {
    std::vector<Invoice> invoices;
    std::map<QDate, qint64> perDay;
    qint64 deliveries = 0;
    qint64 withoutFaturamento = 0;
};

QVariant textOrNull(const QString& text) {
    return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
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

DeliverySelection selectionOf(const Request& r, const QString& type) {
    DeliverySelection selection(
        {r.filial, r.cdcia, r.start, r.end, r.grupo, type, r.flights, r.allFlights, r.locations});
    if (selection.listTooLong())
        invalidCall();
    return selection;
}

bool anyWithoutFaturamento(const ServerSql& sql, const DeliverySelection& selection) {
    QSqlQuery query =
        sql.exec(QStringLiteral("SELECT 1 FROM DELIVERY WHERE %1 AND (NRFATURAMENTO IS NULL OR "
                                "TRIM(NRFATURAMENTO) = '') LIMIT 1")
                     .arg(selection.where()),
                 selection.binds());
    return query.next();
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

constexpr int kExportPage = 5000;

// One page of the computed deliveries after `after`, in number order, as CSV lines.
// Returns the last number written, empty when there were none.
QString exportPage(const ServerSql& sql, const QString& nr, const QString& after, QByteArray* out) {
    QSqlQuery query = sql.exec(
        QStringLiteral("SELECT NRDELIVERY, DTDELIVERY, NRVOO, SGBASEORI, SGBASEDES, "
                       "CDLOCAFATCIA, CDGRUPPROD, VRSERVICO, VRMOEDESTR, NRFATURAMENTO, "
                       "NRLANCTONF FROM DELIVERY WHERE NRAPURACFAT = :nr AND NRDELIVERY > :after "
                       "ORDER BY NRDELIVERY LIMIT %1")
            .arg(kExportPage),
        {{"nr", nr}, {"after", after}});
    QString last;
    while (query.next()) {
        last = query.value(0).toString();
        const QStringList fields = {nr,
                                    last,
                                    ServerSql::toDate(query.value(1)).toString(Qt::ISODate),
                                    query.value(2).toString(),
                                    query.value(3).toString(),
                                    query.value(4).toString(),
                                    query.value(5).toString(),
                                    query.value(6).toString(),
                                    csvMoney(query.value(7).toLongLong()),
                                    csvMoney(query.value(8).toLongLong()),
                                    query.value(9).toString().trimmed(),
                                    query.value(10).toString()};
        QStringList quoted;
        for (const QString& f : fields)
            quoted.append(csvField(f));
        *out += quoted.join(QLatin1Char(';')).toUtf8() + '\n';
    }
    return last;
}

// The computed deliveries as NRAPURACFAT.csv (";" separated, decimal comma, UTF-8),
// written page by page. Returns the path written; raises when it cannot be written.
QString writeExport(const ServerSql& sql, const QString& directory, const QString& nr) {
    const QString path = QDir(directory).filePath(nr + QStringLiteral(".csv"));
    QSaveFile file(path);
    const auto failed = [&] {
        return Exception(
            QStringLiteral("não foi possível gravar %1: %2").arg(path, file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly))
        throw failed();
    QByteArray out = "NRAPURACFAT;NRDELIVERY;DTDELIVERY;NRVOO;SGBASEORI;SGBASEDES;CDLOCAFATCIA;"
                     "CDGRUPPROD;VRSERVICO;VRMOEDESTR;NRFATURAMENTO;NRLANCTONF\n";
    QString after = QStringLiteral(""); // before every number; a null would bind as NULL
    for (;;) {
        const QString last = exportPage(sql, nr, after, &out);
        if (file.write(out) != out.size())
            throw failed();
        if (last.isEmpty())
            break;
        after = last;
        out.clear();
    }
    if (!file.commit())
        throw failed();
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

// The steps of the marking: each takes about this share of the deliveries, so progress
// moves while one large computation runs. Few: every statement more costs SQLite time.
constexpr qint64 kProgressSteps = 5;
constexpr qint64 kMinStep = 2000;

class Computation {
public:
    Computation(const ServerSql& sql, const Request& request, const DeliverySelection& selection,
                const QString& nr, const TrdmApuracaoZel::Progress& progress)
        : m_sql(sql)
        , m_r(request)
        , m_selection(selection)
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
        // Summed again inside the transaction: what changed since the checks counts.
        Totals totals = sum();
        if (totals.withoutFaturamento > 0)
            throw Exception(QStringLiteral("delivery sem número de faturamento no período"));
        m_total = totals.deliveries;
        report(0);
        if (!totals.invoices.empty()) {
            const qint64 first =
                Numerador(m_sql).reserveNotasFiscais(qint64(totals.invoices.size()));
            for (std::size_t i = 0; i < totals.invoices.size(); ++i)
                totals.invoices[i].number = Numerador::format(first + qint64(i));
            clearInvoiceKeys();
            for (const Invoice& invoice : totals.invoices)
                insertInvoice(invoice);
            markDeliveries(totals.perDay);
        }
        const qint64 pedido = orderNumber(m_r.pedido);
        if (pedido > 0)
            Numerador(m_sql).advancePedido(m_r.filial, m_r.cdcia, pedido);
        m_sql.change(QStringLiteral("UPDATE CTRLAPURFAT SET IDSTATUS = 'F' "
                                    "WHERE NRAPURACFAT = :nr AND IDSTATUS = 'P'"),
                     {{"nr", m_nr}});
        QString written;
        if (!exportDir.isEmpty())
            written = writeExport(m_sql, exportDir, m_nr);
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

    // One pass over the selection, grouped by day and invoice key: as many rows as days
    // times invoices, however many deliveries there are.
    Totals sum() const {
        const QStringList& keys = m_selection.keyColumns();
        const QString keyList = keys.isEmpty() ? QString() : QLatin1String(", ") + keys.join(", ");
        QSqlQuery query = m_sql.exec(
            QStringLiteral("SELECT DTDELIVERY%1, COUNT(*), SUM(VRSERVICO), SUM(VRMOEDESTR), "
                           "SUM(CASE WHEN NRFATURAMENTO IS NULL OR TRIM(NRFATURAMENTO) = '' "
                           "THEN 1 ELSE 0 END) FROM DELIVERY WHERE %2 GROUP BY DTDELIVERY%1")
                .arg(keyList, m_selection.where()),
            m_selection.binds());
        const int at = 1 + int(keys.size());
        std::map<QStringList, Invoice> invoices; // key order numbers the invoices
        Totals totals;
        while (query.next()) {
            QStringList key;
            for (int k = 1; k < at; ++k)
                key.append(query.value(k).toString());
            const qint64 count = query.value(at).toLongLong();
            Invoice& invoice = invoices[key];
            invoice.key = key;
            invoice.value += query.value(at + 1).toLongLong();
            invoice.foreign += query.value(at + 2).toLongLong();
            totals.perDay[ServerSql::toDate(query.value(0))] += count;
            totals.deliveries += count;
            totals.withoutFaturamento += query.value(at + 3).toLongLong();
        }
        for (auto& entry : invoices)
            totals.invoices.push_back(std::move(entry.second));
        return totals;
    }

    // The invoice of each key, for the marking to look up. A temporary table is private
    // to this connection.
    void clearInvoiceKeys() {
        m_sql.exec(QStringLiteral(
            "CREATE TEMP TABLE IF NOT EXISTS ZEL_NOTA_CHAVE (K1 VARCHAR(20) NOT NULL, "
            "K2 VARCHAR(20) NOT NULL, K3 VARCHAR(20) NOT NULL, NRLANCTONF VARCHAR(10) NOT NULL, "
            "PRIMARY KEY (K1, K2, K3))"));
        m_sql.exec(QStringLiteral("DELETE FROM ZEL_NOTA_CHAVE"));
    }

    QString keyPart(const Invoice& invoice, int i) const {
        return i < invoice.key.size() ? invoice.key[i] : QStringLiteral("");
    }

    void insertInvoice(const Invoice& invoice) {
        const QStringList& keys = m_selection.keyColumns();
        const auto column = [&](const char* name) {
            const qsizetype i = keys.indexOf(QLatin1String(name));
            return i < 0 ? QString() : invoice.key[i];
        };
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
             {"voo", textOrNull(column("NRVOO"))},
             {"local", textOrNull(column("CDLOCAFATCIA"))}});
        m_sql.change(QStringLiteral("INSERT INTO ZEL_NOTA_CHAVE (K1, K2, K3, NRLANCTONF) "
                                    "VALUES (:k1, :k2, :k3, :nf)"),
                     {{"k1", keyPart(invoice, 0)},
                      {"k2", keyPart(invoice, 1)},
                      {"k3", keyPart(invoice, 2)},
                      {"nf", invoice.number}});
    }

    // Day ranges of about one step each, marked by one statement apiece. A range that
    // changes another count than summed means another computation took or added
    // deliveries meanwhile: the whole computation fails.
    void markDeliveries(const std::map<QDate, qint64>& perDay) {
        const QStringList& keys = m_selection.keyColumns();
        QStringList match;
        for (int i = 0; i < 3; ++i)
            match.append(QStringLiteral("K.K%1 = %2")
                             .arg(i + 1)
                             .arg(i < keys.size() ? QStringLiteral("DELIVERY.") + keys[i]
                                                  : QStringLiteral("''")));
        const QString sql =
            QStringLiteral("UPDATE DELIVERY SET NRAPURACFAT = :nr, NRLANCTONF = (SELECT "
                           "K.NRLANCTONF FROM ZEL_NOTA_CHAVE K WHERE %1) WHERE %2")
                .arg(match.join(QStringLiteral(" AND ")), m_selection.where());
        const qint64 step = std::max(m_total / kProgressSteps, kMinStep);
        auto from = perDay.begin();
        qint64 expected = 0;
        for (auto day = perDay.begin(); day != perDay.end(); ++day) {
            expected += day->second;
            if (expected < step && std::next(day) != perDay.end())
                continue;
            DeliverySelection::Binds binds = m_selection.bindsFor(from->first, day->first);
            binds.append({QStringLiteral("nr"), m_nr});
            const int changed = m_sql.exec(sql, binds).numRowsAffected();
            if (changed != expected)
                throw Exception(
                    QStringLiteral("deliveries tomadas por outra apuração durante o cálculo"));
            m_done += expected;
            report(m_done);
            from = std::next(day);
            expected = 0;
        }
    }

    const ServerSql& m_sql;
    const Request& m_r;
    const DeliverySelection& m_selection;
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

    const DeliverySelection selection = selectionOf(r, type);
    if (anyWithoutFaturamento(sql, selection))
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
        Computation(sql, r, selection, nr, progress).run(exportDir);
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
