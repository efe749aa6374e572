// The billing computation: its rules in order, the invoices by issue-form type, and what
// it leaves in the tables.
#include "MethodsFixture.h"

#include "server/CancelCommand.h"
#include "server/SeedData.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>

namespace {

const QString kBlank20(20, QLatin1Char(' '));

QString refusal(const char* key, const QString& value) {
    return QChar(0x00BF) + QString::fromLatin1(key) + value + QLatin1Char('*');
}

} // namespace

class Billing : public MethodsTest {
protected:
    // "flight or location: value/foreign" of each invoice of a computation, by number.
    QStringList invoices(const QString& nr) {
        QSqlQuery query(db());
        query.prepare("SELECT NRVOO, CDLOCAFATCIA, VRNOTAFISC, VRTTMOEDESTR FROM NOTAFISCAL "
                      "WHERE NRAPURACFAT = :nr ORDER BY NRLANCTONF");
        query.bindValue(":nr", nr);
        EXPECT_TRUE(query.exec()) << query.lastError().text().toStdString();
        QStringList result;
        while (query.next())
            result.append(QStringLiteral("%1%2: %3/%4")
                              .arg(query.value(0).toString(), query.value(1).toString())
                              .arg(query.value(2).toLongLong())
                              .arg(query.value(3).toLongLong()));
        return result;
    }

    QString status(const QString& nr) {
        return scalar("SELECT IDSTATUS FROM CTRLAPURFAT WHERE NRAPURACFAT = '" + nr + "'")
            .toString();
    }

    void setExportDir(const QString& dir) {
        exec("INSERT INTO DIRETORIOS (CDPROGRAMA, DSDIRETORIO) VALUES ('EXPDELIV', '" + dir + "')");
    }

    void insertRunning(const QString& nr, const QDateTime& started) {
        exec("INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, CDCIA, "
             "CDCLIENTE, IDSTATUS, DTHRINICIO) VALUES ('" +
             nr + "', 'F', '0001', '0001', '0001', 'CLI000000001', 'P', '" +
             started.toString("yyyy-MM-dd HH:mm:ss") + "')");
    }
};

TEST_P(Billing, InvoicesFollowTheIssueFormType) {
    // "02", all flights: one invoice per flight number; D4 (March) is outside the period.
    auto args = billing("0001", "0001", "CLI000000001");
    EXPECT_EQ(call("CalculaApuracao", args).toString(), "0000000003");
    EXPECT_EQ(invoices("0000000003"), QStringList({"1010: 230050/46010", "2020: 42000/8400"}));
    EXPECT_EQ(scalar("SELECT MIN(NRLANCTONF) FROM NOTAFISCAL WHERE NRAPURACFAT = '0000000003'")
                  .toString(),
              "0000000003");
    EXPECT_EQ(status("0000000003"), "F");

    // "03", the flights listed: one per leg.
    args = billing("0001", "0002", "CLI000000002");
    args[Args::FlightList] = "_4040_4041";
    args[Args::AllFlightsFlag] = "N";
    EXPECT_EQ(call("CalculaApuracao", args).toString(), "0000000004");
    EXPECT_EQ(invoices("0000000004"), QStringList({"4040: 99900/19980", "4041: 12345/2469"}));

    // "12": one for all.
    args = billing("0001", "0003", "CLI000000003");
    args[Args::DeliveryPeriodStart] = QDate(2024, 1, 1);
    args[Args::DeliveryPeriodEnd] = QDate(2024, 1, 31);
    EXPECT_EQ(call("CalculaApuracao", args).toString(), "0000000005");
    EXPECT_EQ(invoices("0000000005"), QStringList({": 50000/10000"}));

    // "10", only the listed location, then the rest when none is listed.
    args = billing("0001", "0004", "CLI000000004");
    args[Args::LocationList] = "_VCP-TECA";
    call("CalculaApuracao", args);
    EXPECT_EQ(invoices("0000000006"), QStringList({"VCP-TECA: 30000/6000"}));
    args[Args::LocationList] = "";
    call("CalculaApuracao", args);
    EXPECT_EQ(invoices("0000000007"), QStringList({"GRU-TECA: 70000/14000"}));

    // Any other type: one for all, of the product group when one is given.
    args = billing("0001", "0005", "CLI000000005");
    args[Args::ProductGroup] = "TAXAAERO";
    call("CalculaApuracao", args);
    EXPECT_EQ(invoices("0000000008"), QStringList({": 100000/20000"}));
    args[Args::ProductGroup] = "";
    call("CalculaApuracao", args);
    EXPECT_EQ(invoices("0000000009"), QStringList({": 20000/4000"}));

    EXPECT_EQ(billingFaults(), 0);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM DELIVERY WHERE NRAPURACFAT IS NULL").toLongLong(), 3);
}

TEST_P(Billing, SessionSeesItsLastComputationWithTotalsAndProgress) {
    qint64 lastDone = -1;
    qint64 lastTotal = -1;
    const auto progress = [&](qint64 done, qint64 total, const QString&) {
        lastDone = done;
        lastTotal = total;
    };
    call("CalculaApuracao", billing("0001", "0001", "CLI000000001"), progress);
    EXPECT_EQ(lastTotal, 3);
    EXPECT_EQ(lastDone, 3);
    EXPECT_EQ(session().lastComputation(), "0000000003");
    const TDataPacket p = packet(call("GetNotaFiscal", {"0002", ""}));
    ASSERT_EQ(p.rows.size(), 2u);
    EXPECT_EQ(cell(p, 0, "VRNOTAFISC").toDouble(), 2300.50);
    EXPECT_EQ(cell(p, 1, "VRTOTAAPUR").toDouble(), 2720.50);
    EXPECT_EQ(cell(p, 1, "VRTOTAAPURESTR").toDouble(), 544.10);
    EXPECT_EQ(packet(call("GetNotaFiscal", {"0001", "0000000003"})).rows.size(), 2u);

    // Nothing left to compute is no failure: a finished computation without invoices.
    EXPECT_EQ(call("CalculaApuracao", billing("0001", "0001", "CLI000000001")).toString(),
              "0000000004");
    EXPECT_EQ(status("0000000004"), "F");
    EXPECT_TRUE(packet(call("GetNotaFiscal", {"0001", ""})).rows.empty());
}

TEST_P(Billing, RefusalsBeforeAnythingIsRegistered) {
    EXPECT_EQ(failure("CalculaApuracao", billing("0001", "0006", "CLI000000006")),
              refusal("TpFt_N_Cad", kBlank20));

    auto march = billing("0001", "0001", "CLI000000001");
    march[Args::DeliveryPeriodStart] = QDate(2024, 3, 1);
    march[Args::DeliveryPeriodEnd] = QDate(2024, 3, 31);
    EXPECT_EQ(failure("CalculaApuracao", march), "DELVALO_nf");

    setExportDir("/nao/existe");
    EXPECT_EQ(failure("CalculaApuracao", billing("0001", "0001", "CLI000000001")), "dir_n_exists");
    // Even root cannot create files there.
    exec("UPDATE DIRETORIOS SET DSDIRETORIO = '/proc' WHERE CDPROGRAMA = 'EXPDELIV'");
    EXPECT_EQ(failure("CalculaApuracao", billing("0001", "0001", "CLI000000001")), "dir_n_exists");

    auto noDate = billing("0001", "0001", "CLI000000001");
    noDate[Args::BillingDate] = RemoteValue();
    EXPECT_EQ(failure("CalculaApuracao", noDate), "Chamada inválida: CalculaApuracao");
    auto manyFlights = billing("0001", "0001", "CLI000000001");
    manyFlights[Args::AllFlightsFlag] = "N";
    for (int i = 0; i <= 5000; ++i)
        manyFlights[Args::FlightList] =
            manyFlights[Args::FlightList].toString() + "_" + QString::number(i);
    EXPECT_EQ(failure("CalculaApuracao", manyFlights), "Chamada inválida: CalculaApuracao");
    auto badPacket = billing("0001", "0001", "CLI000000001");
    badPacket[Args::CarrierChangePacket] = "texto";
    EXPECT_EQ(failure("CalculaApuracao", badPacket), "Chamada inválida: CalculaApuracao");

    EXPECT_EQ(scalar("SELECT COUNT(*) FROM CTRLAPURFAT").toLongLong(), 2);
}

TEST_P(Billing, RunningAndInterruptedComputationsBlockTheCompany) {
    insertRunning("0000000007", QDateTime::currentDateTime());
    EXPECT_EQ(failure("CalculaApuracao", billing("0001", "0001", "CLI000000001")),
              refusal("Deliv_Bloq", kBlank20));
    exec("UPDATE CTRLAPURFAT SET DTHRINICIO = '2024-01-01 00:00:00' "
         "WHERE NRAPURACFAT = '0000000007'");
    EXPECT_EQ(failure("CalculaApuracao", billing("0001", "0001", "CLI000000001")),
              refusal("Apur_Irreg", "0000000007          "));
    // Another company of the branch is free.
    auto other = billing("0001", "0002", "CLI000000002");
    EXPECT_EQ(failure("CalculaApuracao", other), "");
}

TEST_P(Billing, FailureInsideTheComputationKeepsNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The file cannot be written where a directory of its name stands.
    ASSERT_TRUE(QDir(dir.path()).mkdir("0000000003.csv"));
    setExportDir(dir.path());
    const QString text = failure("CalculaApuracao", billing("0001", "0001", "CLI000000001"));
    EXPECT_TRUE(text.startsWith("Falha na apuração 0000000003: ")) << text.toStdString();
    EXPECT_EQ(status("0000000003"), "E");
    EXPECT_FALSE(scalar("SELECT DSERRO FROM CTRLAPURFAT WHERE NRAPURACFAT = '0000000003'")
                     .toString()
                     .isEmpty());
    EXPECT_TRUE(invoices("0000000003").isEmpty());
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM DELIVERY WHERE NRAPURACFAT = '0000000003'").toLongLong(),
              0);
    EXPECT_EQ(packet(call("GetCtrlApurFat", {"CLI000000001"})).rows.size(), 1u);
    // A failed computation does not block the next one.
    exec("DELETE FROM DIRETORIOS WHERE CDPROGRAMA = 'EXPDELIV'");
    EXPECT_EQ(call("CalculaApuracao", billing("0001", "0001", "CLI000000001")).toString(),
              "0000000004");
    EXPECT_EQ(CancelCommand::cancel(db(), "3", 900).left(25), "Apuração 0000000003 cance");
    EXPECT_EQ(status("0000000003"), "C");
}

// A server told to stop gives up the computation at its next progress step: rolled back
// and marked failed, never left running.
TEST_P(Billing, AStoppingServerRollsTheComputationBack) {
    auto stopping = std::make_shared<std::atomic<bool>>(false);
    ServerOptions options;
    options.stopping = stopping;
    TrdmApuracaoZel module(db(), options);
    QList<RemoteValue> args = billing("0001", "0001", "CLI000000001");
    int reports = 0;
    QString text;
    try {
        module.call("CalculaApuracao", args, [&](qint64, qint64, const QString&) {
            ++reports;
            *stopping = true; // the signal arrives while the first step runs
        });
    } catch (const ServerFailure& f) {
        text = f.text();
    }
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(text, "Falha na apuração 0000000003: servidor encerrado antes do fim do cálculo");
    EXPECT_EQ(status("0000000003"), "E");
    EXPECT_TRUE(invoices("0000000003").isEmpty());
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM DELIVERY WHERE NRAPURACFAT = '0000000003'").toLongLong(),
              0);
    EXPECT_EQ(billingFaults(), 0);
    // Without the flag the same session computes as always.
    *stopping = false;
    EXPECT_EQ(module.call("CalculaApuracao", args).toString(), "0000000004");
    EXPECT_EQ(status("0000000004"), "F");
}

// Beyond the process's places a computation waits, registering nothing, and the desktop is
// told how many are ahead; a server stopping meanwhile ends the wait with nothing to undo.
TEST_P(Billing, AComputationBeyondThePlacesWaitsItsTurnAndSaysSo) {
    auto stopping = std::make_shared<std::atomic<bool>>(false);
    ServerOptions options;
    options.stopping = stopping;
    options.computations = std::make_shared<TurnQueue>(1);
    TrdmApuracaoZel module(db(), options);
    TurnQueue::Turn busy = TurnQueue::wait(options.computations, 0);
    ASSERT_TRUE(busy.holds());
    QList<RemoteValue> args = billing("0001", "0001", "CLI000000001");
    QStringList texts;
    const qint64 registered = scalar("SELECT COUNT(*) FROM CTRLAPURFAT").toLongLong();
    qint64 registeredWhileWaiting = -1;
    EXPECT_EQ(module
                  .call("CalculaApuracao", args,
                        [&](qint64, qint64, const QString& text) {
                            texts << text;
                            if (!busy.holds())
                                return;
                            registeredWhileWaiting =
                                scalar("SELECT COUNT(*) FROM CTRLAPURFAT").toLongLong() -
                                registered;
                            busy.leave();
                        })
                  .toString(),
              "0000000003");
    ASSERT_FALSE(texts.isEmpty());
    EXPECT_EQ(texts.first(), "Aguardando a vez: 1 apuração à frente neste servidor.");
    EXPECT_EQ(registeredWhileWaiting, 0);
    EXPECT_EQ(status("0000000003"), "F");

    busy = TurnQueue::wait(options.computations, 0);
    const qint64 before = scalar("SELECT COUNT(*) FROM CTRLAPURFAT").toLongLong();
    QString text;
    try {
        module.call("CalculaApuracao", args,
                    [&](qint64, qint64, const QString&) { *stopping = true; });
    } catch (const ServerFailure& f) {
        text = f.text();
    }
    EXPECT_EQ(text, "Servidor encerrando: a apuração não foi iniciada; tente novamente.");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM CTRLAPURFAT").toLongLong(), before);
    EXPECT_EQ(options.computations->length(), 1) << "the wait left no place behind";
}

TEST_P(Billing, ExportsTheComputedDeliveries) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    setExportDir(dir.path());
    call("CalculaApuracao", billing("0001", "0001", "CLI000000001"));
    QFile file(QDir(dir.path()).filePath("0000000003.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith("NRAPURACFAT;NRDELIVERY;"));
    EXPECT_EQ(lines[2], "0000000003;D00000000002;2024-02-06;1010;REC;FOR;GRU-TECA;;800,50;160,10;"
                        "FT0000000002;0000000003");
}

// Thousands of deliveries: marked in several steps with progress after each, every one
// in its leg's invoice, and exported page by page in number order without a gap.
TEST_P(Billing, ALargeComputationIsMarkedInStepsAndExportedWhole) {
    const qint64 count = 12000;
    ASSERT_EQ(SeedData(db()).deliveries(count, QStringLiteral("0001/0002")), count);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    setExportDir(dir.path());
    auto args = billing("0001", "0002", "CLI000000002"); // "03": one invoice per leg
    args[Args::DeliveryPeriodStart] = QDate(2024, 6, 1);
    args[Args::DeliveryPeriodEnd] = QDate(2026, 12, 31);
    QList<qint64> steps;
    call("CalculaApuracao", args, [&](qint64 done, qint64 total, const QString&) {
        EXPECT_EQ(total, count);
        steps.append(done);
    });
    ASSERT_GT(steps.size(), 4);
    EXPECT_EQ(steps.first(), 0);
    EXPECT_EQ(steps.last(), count);
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));

    EXPECT_EQ(scalar("SELECT COUNT(*) FROM DELIVERY WHERE NRAPURACFAT = '0000000003'").toLongLong(),
              count);
    EXPECT_EQ(invoices("0000000003").size(), 2) << "two legs";
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM DELIVERY D JOIN NOTAFISCAL N ON N.NRLANCTONF = "
                     "D.NRLANCTONF WHERE N.NRAPURACFAT = '0000000003' AND (N.NRVOO <> D.NRVOO)")
                  .toLongLong(),
              0);
    EXPECT_EQ(billingFaults(), 0);

    QFile file(QDir(dir.path()).filePath("0000000003.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), count + 1);
    QString previous;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString number = lines[i].section(';', 1, 1);
        ASSERT_LT(previous, number) << "line " << i;
        previous = number;
    }
}

TEST_P(Billing, OrderCounterOnlyMovesForward) {
    auto args = billing("0001", "0001", "CLI000000001");
    args[Args::OrderNumber] = "0000000005";
    call("CalculaApuracao", args);
    EXPECT_EQ(call("GetUltimoNrPedido", {"0001", "0001"}).toArray().at(0).toString(), "6");
    args[Args::OrderNumber] = "3";
    call("CalculaApuracao", args);
    args[Args::OrderNumber] = "ABC";
    call("CalculaApuracao", args);
    EXPECT_EQ(call("GetUltimoNrPedido", {"0001", "0001"}).toArray().at(0).toString(), "6");
    EXPECT_EQ(
        scalar("SELECT NRPEDIDO FROM CTRLAPURFAT WHERE NRAPURACFAT = '0000000003'").toString(),
        "0000000005");
}

TEST_P(Billing, CarrierChangesAreUpsertsKeptWhateverFollows) {
    TChangePacket changes;
    TFieldDef key;
    key.name = "CDPROGRAMA";
    key.size = 8;
    TFieldDef value;
    value.name = "DSDIRETORIO";
    value.size = 100;
    changes.fields = {key, value};
    // The screen's row moved from ABC's key to SFN's: ABC's row must stay as it was.
    changes.changes.append({TChangePacket::Kind::Update, TRow{"ZELABC", "J11222333000181"},
                            TRow{"ZELSFN", "F52998224725"}});
    changes.changes.append({TChangePacket::Kind::Insert, std::nullopt, TRow{"ZELTRC", "O000123"}});
    auto args = billing("0001", "0006", "CLI000000006");
    args[Args::CarrierChangePacket] = RemoteValue(changes);
    // SFN has no issue form: the computation is refused, the carriers are kept.
    EXPECT_EQ(failure("CalculaApuracao", args), refusal("TpFt_N_Cad", kBlank20));
    EXPECT_EQ(cell(packet(call("GetDiretorios", {"ZELABC"})), 0, "DSDIRETORIO").toString(),
              "J11222333000181");
    EXPECT_EQ(cell(packet(call("GetDiretorios", {"ZELSFN"})), 0, "DSDIRETORIO").toString(),
              "F52998224725");

    changes.changes = {
        {TChangePacket::Kind::Insert, std::nullopt, TRow{"ZELTRC", "I987654321"}},
        {TChangePacket::Kind::Delete, TRow{"ZELABC", "J11222333000181"}, std::nullopt}};
    args[Args::CarrierChangePacket] = RemoteValue(changes);
    failure("CalculaApuracao", args);
    EXPECT_EQ(cell(packet(call("GetDiretorios", {"ZELTRC"})), 0, "DSDIRETORIO").toString(),
              "I987654321");
    EXPECT_TRUE(packet(call("GetDiretorios", {"ZELABC"})).rows.empty());
}

// The marking reports on one bar that only moves forward, counting the deliveries it takes
// (not those computed before). On SQLite it first finds its deliveries, the first three
// eighths of the bar, then writes them, and says so.
TEST_P(Billing, ProgressFollowsTheMarking) {
    ASSERT_EQ(SeedData(db()).deliveries(12000, QStringLiteral("0001/0002")), 12000);
    exec("UPDATE DELIVERY SET NRAPURACFAT = '0000000001', NRLANCTONF = '0000000001' WHERE "
         "NRDELIVERY IN (SELECT NRDELIVERY "
         "FROM DELIVERY WHERE CDCIA = '0002' AND DTDELIVERY >= '2024-06-01' ORDER BY NRDELIVERY "
         "LIMIT 2000)");
    exec("UPDATE NOTAFISCAL SET VRNOTAFISC = (SELECT SUM(VRSERVICO) FROM DELIVERY WHERE "
         "NRLANCTONF = '0000000001') WHERE NRLANCTONF = '0000000001'");
    auto args = billing("0001", "0002", "CLI000000002");
    args[Args::DeliveryPeriodStart] = QDate(2024, 6, 1);
    args[Args::DeliveryPeriodEnd] = QDate(2026, 12, 31);
    struct Report {
        qint64 done;
        qint64 total;
        QString text;
    };
    std::vector<Report> reports;
    call("CalculaApuracao", args, [&](qint64 done, qint64 total, const QString& text) {
        reports.push_back({done, total, text});
    });
    const bool sqlite = engine() == TestDatabases::Engine::SQLite;
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.front().text, sqlite ? "Apuração 0000000003: separando 0 de 10000 deliveries"
                                           : "Apuração 0000000003: 0 de 10000 deliveries");
    EXPECT_EQ(reports.back().text, "Apuração 0000000003: 10000 de 10000 deliveries");
    EXPECT_EQ(reports.back().done, 10000);

    const QRegularExpression shape(
        QStringLiteral("^Apuração 0000000003: (separando |)(\\d+) de (\\d+) deliveries$"));
    const QStringList order{"separando ", ""};
    QMap<QString, int> perPhase;
    int phase = 0;
    qint64 lastCount = -1;
    qint64 lastDone = 0;
    qint64 firstWritten = -1;
    for (const Report& r : reports) {
        const QRegularExpressionMatch m = shape.match(r.text);
        ASSERT_TRUE(m.hasMatch()) << r.text.toStdString();
        const int at = int(order.indexOf(m.captured(1)));
        ASSERT_GE(at, phase) << r.text.toStdString();
        if (at > phase)
            lastCount = -1;
        if (at == 1 && firstWritten < 0)
            firstWritten = r.done;
        phase = at;
        ++perPhase[m.captured(1)];
        EXPECT_GE(m.captured(2).toLongLong(), lastCount) << r.text.toStdString();
        lastCount = m.captured(2).toLongLong();
        EXPECT_EQ(r.total, 10000) << r.text.toStdString();
        EXPECT_EQ(m.captured(3).toLongLong(), 10000) << r.text.toStdString();
        EXPECT_GE(r.done, lastDone) << r.text.toStdString();
        lastDone = r.done;
    }
    EXPECT_GE(perPhase.value(""), 5) << "the marking reports several times";
    if (sqlite) {
        EXPECT_GE(perPhase.value("separando "), 4);
        EXPECT_GE(firstWritten, 3750) << "finding the deliveries fills three eighths";
    } else {
        EXPECT_EQ(perPhase.value("separando "), 0);
    }
    EXPECT_EQ(billingFaults(), 0);
}

// A selection that is most of the table, with the planner's statistics as a database in use
// has them: on PostgreSQL it is marked by ranges of the table's pages instead of days. Every
// delivery is marked once, each invoice is the sum of its flight's deliveries.
TEST_P(Billing, ASelectionOfMostOfTheTableIsMarkedWhole) {
    ASSERT_EQ(SeedData(db()).deliveries(12000, QStringLiteral("0001/0002")), 12000);
    exec("ANALYZE");
    auto args = billing("0001", "0002", "CLI000000002");
    args[Args::DeliveryPeriodStart] = QDate(2024, 6, 1);
    args[Args::DeliveryPeriodEnd] = QDate(2026, 12, 31);
    qint64 lastDone = -1;
    int reports = 0;
    const QString nr = call("CalculaApuracao", args, [&](qint64 done, qint64, const QString&) {
                           EXPECT_GE(done, lastDone);
                           lastDone = done;
                           ++reports;
                       }).toString();
    ASSERT_EQ(nr.size(), 10) << nr.toStdString();
    const QString computed = QStringLiteral("NRAPURACFAT = '%1'").arg(nr);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM DELIVERY WHERE " + computed).toLongLong(), 12000);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM NOTAFISCAL WHERE " + computed).toLongLong(),
              scalar("SELECT COUNT(DISTINCT NRVOO) FROM DELIVERY WHERE " + computed).toLongLong());
    EXPECT_EQ(scalar("SELECT SUM(VRNOTAFISC) FROM NOTAFISCAL WHERE " + computed).toLongLong(),
              scalar("SELECT SUM(VRSERVICO) FROM DELIVERY WHERE " + computed).toLongLong());
    EXPECT_EQ(lastDone, 12000);
    EXPECT_GE(reports, 5);
    EXPECT_EQ(billingFaults(), 0);
}

ZEL_ALL_ENGINES(Billing);

// Only carrier rows of known companies: a packet with any other key is refused whole, before
// any of it is applied, and the export directory stays the operator's.
TEST_P(Billing, CarrierChangesTouchOnlyCarrierRowsOfKnownCompanies) {
    const QString exportDir = scalar("SELECT DSDIRETORIO FROM DIRETORIOS "
                                     "WHERE CDPROGRAMA = 'EXPDELIV'")
                                  .toString();
    TFieldDef key;
    key.name = "CDPROGRAMA";
    key.size = 8;
    TFieldDef value;
    value.name = "DSDIRETORIO";
    value.size = 100;
    const QString invalid = QStringLiteral("Chamada inválida: CalculaApuracao");
    const qint64 before = scalar("SELECT COUNT(*) FROM CTRLAPURFAT").toLongLong();
    for (const TRow& foreign : {TRow{"EXPDELIV", "/tmp"}, TRow{"ZELNADA", "J1"}}) {
        TChangePacket changes;
        changes.fields = {key, value};
        changes.changes = {{TChangePacket::Kind::Insert, std::nullopt, TRow{"ZELTRC", "O1"}},
                           {TChangePacket::Kind::Insert, std::nullopt, foreign}};
        auto args = billing("0001", "0001", "CLI000000001");
        args[Args::CarrierChangePacket] = RemoteValue(changes);
        SCOPED_TRACE(foreign.at(0).toString().toStdString());
        EXPECT_EQ(failure("CalculaApuracao", args), invalid);
        EXPECT_TRUE(packet(call("GetDiretorios", {"ZELTRC"})).rows.empty())
            << "nothing of the packet is applied";
    }
    EXPECT_EQ(scalar("SELECT DSDIRETORIO FROM DIRETORIOS WHERE CDPROGRAMA = 'EXPDELIV'").toString(),
              exportDir);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM CTRLAPURFAT").toLongLong(), before)
        << "no computation registered";
}

// The export directory the server was started with wins over anything in DIRETORIOS.
class BillingWithExportDir : public MethodsTest {
protected:
    ServerOptions options() const override {
        ServerOptions o;
        o.exportDir = m_dir.path();
        return o;
    }
    QTemporaryDir m_dir;
};

TEST_P(BillingWithExportDir, TheServersOwnExportDirectoryIsUsed) {
    ASSERT_TRUE(m_dir.isValid());
    exec("INSERT INTO DIRETORIOS (CDPROGRAMA, DSDIRETORIO) VALUES ('EXPDELIV', '/proc')");
    EXPECT_EQ(call("CalculaApuracao", billing("0001", "0001", "CLI000000001")).toString(),
              "0000000003");
    EXPECT_TRUE(QFile::exists(QDir(m_dir.path()).filePath("0000000003.csv")));
}

ZEL_ALL_ENGINES(BillingWithExportDir);

TEST_P(Billing, AnUnknownWorkingBranchIsSaidPlainly) {
    auto args = billing("0001", "0001", "CLI000000001");
    args[Args::WorkingBranch] = "9999";
    const qint64 before = scalar("SELECT COUNT(*) FROM CTRLAPURFAT").toLongLong();
    EXPECT_EQ(failure("CalculaApuracao", args), "Filial de trabalho 9999 não cadastrada.");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM CTRLAPURFAT").toLongLong(), before);
}
