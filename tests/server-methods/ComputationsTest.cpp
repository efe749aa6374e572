// Following and undoing computations: the list (GetApuracoes), the cancellation
// (CancelaApuracao and the command, one set of rules) and who did what.
#include "MethodsFixture.h"

#include "core/SystemUser.h"
#include "server/CancelCommand.h"
#include "server/Numerador.h"
#include "server/SeedData.h"

#include <algorithm>
#include <QSemaphore>
#include <QThread>
#include <thread>

namespace {

const QString kRunning = QStringLiteral("A apuração %1 está em andamento; aguarde o fim ou o "
                                        "prazo de 900 segundos.");

QList<RemoteValue> apuracoes(const QString& cdcia = {}, const RemoteValue& start = {},
                             const RemoteValue& end = {}, const QString& status = {},
                             const QString& kind = {}) {
    return {"0001", cdcia, start, end, status, kind};
}

// The fee computation of the fixture's customer over `list`.
QList<RemoteValue> fee(const QString& list) {
    return {"0001", "CLI000000001",   QDate(2024, 1, 1),  QDate(2024, 1, 31),
            "0001", "0001",           QDate(2024, 2, 20), "1",
            "J",    "11222333000181", "TAXAAERO",         list};
}

// Runs `work` on its own connection and session, as a second client would.
QString inOtherSession(const QString& url, int leaseSeconds, const QString& user,
                       const std::function<QString(TrdmApuracaoZel&)>& work) {
    TDatabase database;
    database.open(url);
    TrdmApuracaoZel session(database.database(), ServerOptions{leaseSeconds}, user);
    try {
        return work(session);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
}

} // namespace

class Computations : public MethodsTest {
protected:
    TDataPacket list(QList<RemoteValue> args) { return packet(call("GetApuracoes", args)); }

    QStringList numbers(const TDataPacket& p) {
        QStringList result;
        for (std::size_t i = 0; i < p.rows.size(); ++i)
            result.append(cell(p, i, "NRAPURACFAT").toString());
        return result;
    }

    QString cancel(const QString& number) {
        QList<RemoteValue> args{number};
        try {
            return session().call("CancelaApuracao", args).toString();
        } catch (const ServerFailure& f) {
            return f.text();
        }
    }

    void insertComputation(const QString& nr, const QString& cdcia, const QString& status,
                           const QDateTime& started) {
        exec(QStringLiteral("INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, "
                            "CDFILIAL, CDCIA, CDCLIENTE, IDSTATUS, DTHRINICIO) VALUES ('%1', 'F', "
                            "'0001', '0001', '%2', 'CLI', '%3', '%4')")
                 .arg(nr, cdcia, status, started.toString("yyyy-MM-dd HH:mm:ss")));
    }

    qint64 count(const QString& sql) { return scalar(sql).toLongLong(); }
    QString text(const QString& sql) { return scalar(sql).toString(); }

    // The billing invoices of a computation, lowest first.
    QStringList invoicesOf(const QString& nr) {
        QSqlQuery query(db());
        EXPECT_TRUE(query.exec("SELECT NRLANCTONF FROM NOTAFISCAL WHERE NRAPURACFAT = '" + nr +
                               "' ORDER BY NRLANCTONF"));
        QStringList result;
        while (query.next())
            result.append(query.value(0).toString());
        return result;
    }

    // A computed delivery held by a computation that is cancelled, or an invoice left to one.
    qint64 leftovers() {
        return count("SELECT COUNT(*) FROM DELIVERY D JOIN CTRLAPURFAT C ON C.NRAPURACFAT = "
                     "D.NRAPURACFAT WHERE C.IDSTATUS = 'C'") +
               count("SELECT COUNT(*) FROM NOTAFISCAL N JOIN CTRLAPURFAT C ON C.NRAPURACFAT = "
                     "N.NRAPURACFAT WHERE C.IDSTATUS = 'C'");
    }
};

TEST_P(Computations, ListsTheBranchsComputationsNewestFirstWithTheirTotals) {
    TrdmApuracaoZel ana(db(), {}, QStringLiteral("ana"));
    QList<RemoteValue> args = billing("0001", "0001", "CLI000000001");
    ASSERT_EQ(ana.call("CalculaApuracao", args).toString(), "0000000003");

    const TDataPacket p = list(apuracoes());
    QStringList names;
    for (const TFieldDef& f : p.fields)
        names.append(f.name);
    EXPECT_EQ(names.join(' '), "NRAPURACFAT IDTIPAPUR CDCIA SGCIA DTINIAPURAC DTFIMAPURAC "
                               "DTFATURA IDSTATUS DTHRINICIO CDUSUARIO QTNOTAS VRTOTAL "
                               "VRTOTALESTR DSERRO DTHRCANCEL CDUSUCANC NMCIA CDFILIALTRAB");
    ASSERT_EQ(numbers(p), (QStringList{"0000000003", "0000000001", "0000000002"}));
    // Beyond the contract's fields: the desktop opens the invoices with these.
    EXPECT_EQ(cell(p, 1, "NMCIA").toString(), "Aerovias Brasil Central");
    EXPECT_EQ(cell(p, 1, "CDFILIALTRAB").toString(), "0001");
    EXPECT_EQ(cell(p, 0, "IDTIPAPUR").toString(), "F");
    EXPECT_EQ(cell(p, 0, "CDCIA").toString(), "0001");
    EXPECT_EQ(cell(p, 0, "SGCIA").toString(), "ABC");
    EXPECT_EQ(cell(p, 0, "DTINIAPURAC").toDateTime().date(), QDate(2024, 2, 1));
    EXPECT_EQ(cell(p, 0, "DTFIMAPURAC").toDateTime().date(), QDate(2024, 2, 29));
    EXPECT_EQ(cell(p, 0, "DTFATURA").toDateTime().date(), QDate(2024, 3, 5));
    EXPECT_EQ(cell(p, 0, "IDSTATUS").toString(), "F");
    EXPECT_LE(qAbs(cell(p, 0, "DTHRINICIO").toDateTime().secsTo(QDateTime::currentDateTime())), 60);
    EXPECT_EQ(cell(p, 0, "CDUSUARIO").toString(), "ana");
    EXPECT_EQ(cell(p, 0, "QTNOTAS").toLongLong(), 2);
    EXPECT_DOUBLE_EQ(cell(p, 0, "VRTOTAL").toDouble(), 2720.50); // 1500 + 800,50 + 420
    EXPECT_DOUBLE_EQ(cell(p, 0, "VRTOTALESTR").toDouble(), 544.10);
    EXPECT_TRUE(cell(p, 0, "DSERRO").isNull());
    EXPECT_TRUE(cell(p, 0, "DTHRCANCEL").isNull());
    EXPECT_TRUE(cell(p, 0, "CDUSUCANC").isNull());

    EXPECT_EQ(cell(p, 1, "DTHRINICIO").toDateTime(), QDateTime(QDate(2024, 2, 5), QTime(9, 0)));
    EXPECT_DOUBLE_EQ(cell(p, 1, "VRTOTAL").toDouble(), 1500.00);
    EXPECT_EQ(cell(p, 1, "CDUSUARIO").toString(), "") << "registered before users were recorded";
    EXPECT_EQ(cell(p, 2, "IDSTATUS").toString(), "E");
    EXPECT_EQ(cell(p, 2, "DSERRO").toString(), "Falha simulada");
    EXPECT_EQ(cell(p, 2, "QTNOTAS").toLongLong(), 0);
    EXPECT_DOUBLE_EQ(cell(p, 2, "VRTOTAL").toDouble(), 0.0);

    QList<RemoteValue> other{"0002", "", RemoteValue(), RemoteValue(), "", ""};
    EXPECT_TRUE(packet(call("GetApuracoes", other)).rows.empty()) << "another branch";
}

TEST_P(Computations, FiltersByCompanyPeriodStatusAndKind) {
    ASSERT_EQ(call("CalculaApuracao", billing("0001", "0001", "CLI000000001")).toString(),
              "0000000003");
    ASSERT_EQ(call("CalcApuracTaxa", fee("_0000000001_")).toString(), "NSEQ0000000004");
    insertComputation("0000000005", "0002", "P", QDateTime::currentDateTime());
    insertComputation("0000000006", "0004", "P", QDateTime(QDate(2024, 3, 1), QTime(8, 0)));

    EXPECT_EQ(numbers(list(apuracoes("0003"))), QStringList{"0000000002"});
    EXPECT_EQ(numbers(list(apuracoes("0001", {}, {}, "", "F"))),
              (QStringList{"0000000003", "0000000001"}));
    EXPECT_EQ(numbers(list(apuracoes("", {}, {}, "", "T"))), QStringList{"0000000004"});

    // A period meets the filter's when the two overlap; a missing date leaves that end open.
    // Computations registered without a period (5 and 6) are never left out by one.
    const RemoteValue jan16(QDate(2024, 1, 16));
    EXPECT_EQ(numbers(list(apuracoes("", jan16, {}, "", "F"))),
              (QStringList{"0000000005", "0000000003", "0000000006", "0000000001"}));
    EXPECT_EQ(numbers(list(apuracoes("", {}, RemoteValue(QDate(2024, 1, 15)), "", "F"))),
              (QStringList{"0000000005", "0000000006", "0000000001", "0000000002"}));
    EXPECT_EQ(numbers(list(apuracoes("0001", RemoteValue(QDate(2024, 2, 29)),
                                     RemoteValue(QDate(2024, 2, 29)), "", "F"))),
              QStringList{"0000000003"});
    EXPECT_EQ(numbers(list(apuracoes("0001", RemoteValue(QDate(2024, 1, 31)),
                                     RemoteValue(QDate(2024, 2, 1)), "", "F"))),
              (QStringList{"0000000003", "0000000001"}))
        << "a day in common is enough";

    const TDataPacket all = list(apuracoes("", {}, {}, "", "F"));
    ASSERT_EQ(numbers(all).mid(0, 2), (QStringList{"0000000005", "0000000003"}));
    EXPECT_EQ(cell(all, 0, "IDSTATUS").toString(), "P");
    const TDataPacket interrupted = list(apuracoes("", {}, {}, "I"));
    ASSERT_EQ(numbers(interrupted), QStringList{"0000000006"});
    EXPECT_EQ(cell(interrupted, 0, "IDSTATUS").toString(), "I");
    EXPECT_EQ(numbers(list(apuracoes("", {}, {}, "P"))), QStringList{"0000000005"});
    EXPECT_EQ(numbers(list(apuracoes("", {}, {}, "E"))), QStringList{"0000000002"});
    EXPECT_EQ(numbers(list(apuracoes("", {}, {}, "F"))),
              (QStringList{"0000000004", "0000000003", "0000000001"}));
    EXPECT_TRUE(list(apuracoes("", {}, {}, "C")).rows.empty());
    ASSERT_EQ(cancel("2"), "Apuração 0000000002 cancelada: 0 notas fiscais apagadas.");
    EXPECT_EQ(numbers(list(apuracoes("", {}, {}, "C"))), QStringList{"0000000002"});

    const QString invalid = QStringLiteral("Chamada inválida: GetApuracoes");
    EXPECT_EQ(failure("GetApuracoes", apuracoes("", {}, {}, "X")), invalid);
    EXPECT_EQ(failure("GetApuracoes", apuracoes("", {}, {}, "", "Z")), invalid);
    EXPECT_EQ(failure("GetApuracoes", apuracoes("", RemoteValue("2024-01-01"))), invalid);
    EXPECT_EQ(failure("GetApuracoes", apuracoes("00011")), invalid);
    EXPECT_EQ(failure("GetApuracoes", {"0001", "", RemoteValue(), RemoteValue(), ""}), invalid);
}

TEST_P(Computations, ListsAtMostAThousandTheNewestFirst) {
    ASSERT_TRUE(db().transaction());
    const QDateTime first(QDate(2023, 1, 1), QTime(0, 0));
    for (int i = 0; i < 1005; ++i)
        insertComputation(QStringLiteral("9%1").arg(i, 9, 10, QLatin1Char('0')), "0002", "E",
                          first.addSecs(60 * i));
    ASSERT_TRUE(db().commit());
    const QStringList listed = numbers(list(apuracoes("0002")));
    ASSERT_EQ(listed.size(), 1000);
    EXPECT_EQ(listed.first(), "9000001004");
    EXPECT_EQ(listed.last(), "9000000005");
}

// Each rule in its order, with its text; a refusal changes nothing.
TEST_P(Computations, CancelRefusesWithTheFirstRuleThatFails) {
    for (const QString& wrong : {QStringLiteral("99"), QStringLiteral("12a"), QStringLiteral(""),
                                 QStringLiteral("12345678901"), QStringLiteral(" 1")})
        EXPECT_EQ(cancel(wrong), QStringLiteral("Apuração %1 não encontrada.").arg(wrong));

    insertComputation("0000000007", "0002", "P", QDateTime::currentDateTime());
    EXPECT_EQ(cancel("7"), kRunning.arg("0000000007"));

    exec("UPDATE NOTAFISCAL SET IDEMITIDA = 'S' WHERE NRLANCTONF = '0000000002'");
    EXPECT_EQ(cancel("0000000001"), "A apuração 0000000001 tem nota fiscal emitida (0000000002) e "
                                    "não pode ser cancelada.");
    // Numbers continue past the highest in use.
    ASSERT_EQ(call("CalcApuracTaxa", fee("_0000000001_")).toString(), "NSEQ0000000008");
    exec("UPDATE NOTAFISCAL SET IDEMITIDA = 'S' WHERE NRLANCTONF = '0000000001'");
    EXPECT_EQ(cancel("1"), "A apuração 0000000001 tem nota fiscal emitida (0000000001) e não pode "
                           "ser cancelada.")
        << "the lowest issued one, before the fee";
    exec("UPDATE NOTAFISCAL SET IDEMITIDA = 'N'");
    EXPECT_EQ(cancel("1"), "A nota fiscal 0000000001 da apuração 0000000001 tem taxa aeroportuária "
                           "na apuração 0000000008; cancele aquela antes.");
    EXPECT_EQ(text("SELECT IDSTATUS FROM CTRLAPURFAT WHERE NRAPURACFAT = '0000000001'"), "F");
    EXPECT_EQ(count("SELECT COUNT(*) FROM NOTAFISCAL"), 3);
    EXPECT_EQ(count("SELECT COUNT(*) FROM DELIVERY WHERE NRAPURACFAT = '0000000001'"), 2);

    // The fee first, then the billing it charged.
    EXPECT_EQ(cancel("8"), "Apuração 0000000008 cancelada: 1 notas fiscais apagadas.");
    EXPECT_EQ(cancel("1"), "Apuração 0000000001 cancelada: 2 notas fiscais apagadas.");
    EXPECT_EQ(cancel("0000000001"), "A apuração 0000000001 já foi cancelada.");
    EXPECT_EQ(cancel("8"), "A apuração 0000000008 já foi cancelada.");
    EXPECT_EQ(leftovers(), 0);
}

// A finished computation can be undone and redone, and failed and interrupted ones follow
// the same rules; each cancellation says when and by whom.
TEST_P(Computations, CancelUndoesFinishedFailedAndInterruptedOnesAlike) {
    TrdmApuracaoZel bia(db(), {}, QStringLiteral("bia"));
    QList<RemoteValue> args{"1"};
    EXPECT_EQ(bia.call("CancelaApuracao", args).toString(),
              "Apuração 0000000001 cancelada: 2 notas fiscais apagadas.");
    EXPECT_EQ(count("SELECT COUNT(*) FROM DELIVERY WHERE NRAPURACFAT IS NOT NULL OR "
                    "NRLANCTONF IS NOT NULL"),
              0);
    const TDataPacket p = list(apuracoes("0001", {}, {}, "C"));
    ASSERT_EQ(numbers(p), QStringList{"0000000001"});
    EXPECT_EQ(cell(p, 0, "CDUSUCANC").toString(), "bia");
    EXPECT_LE(qAbs(cell(p, 0, "DTHRCANCEL").toDateTime().secsTo(QDateTime::currentDateTime())), 60);
    EXPECT_EQ(cell(p, 0, "QTNOTAS").toLongLong(), 0);

    // January's deliveries are free again: a new computation bills them.
    QList<RemoteValue> redo = billing("0001", "0001", "CLI000000001");
    redo[Args::DeliveryPeriodStart] = QDate(2024, 1, 1);
    redo[Args::DeliveryPeriodEnd] = QDate(2024, 1, 31);
    ASSERT_EQ(bia.call("CalculaApuracao", redo).toString(), "0000000003");
    EXPECT_EQ(count("SELECT COUNT(*) FROM DELIVERY WHERE NRAPURACFAT = '0000000003'"), 2);

    EXPECT_EQ(cancel("2"), "Apuração 0000000002 cancelada: 0 notas fiscais apagadas.");
    EXPECT_EQ(text("SELECT CDUSUCANC FROM CTRLAPURFAT WHERE NRAPURACFAT = '0000000002'"), "")
        << "a session without a user records the empty text";

    insertComputation("0000000009", "0002", "P", QDateTime(QDate(2024, 3, 1), QTime(8, 0)));
    EXPECT_EQ(cancel("9"), "Apuração 0000000009 cancelada: 0 notas fiscais apagadas.");
    EXPECT_EQ(call("CalculaApuracao", billing("0001", "0002", "CLI000000002")).toString(),
              "0000000004")
        << "the company is free once its interrupted computation is cancelled";
    EXPECT_EQ(billingFaults(), 0);
    EXPECT_EQ(leftovers(), 0);
}

// The command is the method by another door: same rules, same texts, the operator's login as
// who cancelled.
TEST_P(Computations, TheCommandAppliesTheSameRules) {
    insertComputation("0000000007", "0002", "P", QDateTime::currentDateTime());
    const auto commandText = [&](const QString& number, int lease) {
        try {
            return CancelCommand::cancel(db(), number, lease);
        } catch (const Exception& e) {
            return e.message();
        }
    };
    EXPECT_EQ(commandText("7", 900), kRunning.arg("0000000007"));
    EXPECT_EQ(commandText("x7", 900), "Apuração x7 não encontrada.");
    EXPECT_EQ(commandText("7", 0), "Apuração 0000000007 cancelada: 0 notas fiscais apagadas.");
    EXPECT_EQ(text("SELECT CDUSUCANC FROM CTRLAPURFAT WHERE NRAPURACFAT = '0000000007'"),
              SystemUser::name().left(30));
    EXPECT_EQ(cancel("7"), "A apuração 0000000007 já foi cancelada.");
}

// Two sessions on one company: the cancel comes while the computation runs and is refused;
// once it has finished, the cancel undoes all of it.
TEST_P(Computations, CancelDuringAComputationOfTheSameCompanyWaitsForItsEnd) {
    QSemaphore inside;
    QSemaphore cancelled;
    QString computed;
    std::thread computing([&] {
        computed = inOtherSession(url(), 900, "ana", [&](TrdmApuracaoZel& s) {
            QList<RemoteValue> args = billing("0001", "0001", "CLI000000001");
            bool waited = false;
            return s
                .call("CalculaApuracao", args,
                      [&](qint64, qint64, const QString&) {
                          if (waited)
                              return;
                          waited = true;
                          inside.release();
                          cancelled.tryAcquire(1, 20000);
                      })
                .toString();
        });
    });
    ASSERT_TRUE(inside.tryAcquire(1, 20000));
    const QString during = cancel("3");
    cancelled.release();
    computing.join();
    EXPECT_EQ(during, kRunning.arg("0000000003"));
    ASSERT_EQ(computed, "0000000003");
    EXPECT_EQ(cancel("3"), "Apuração 0000000003 cancelada: 2 notas fiscais apagadas.");
    EXPECT_EQ(billingFaults(), 0);
    EXPECT_EQ(leftovers(), 0);
}

// Without a lease a running computation reads as interrupted, so the cancel really races
// it: at every moment one of the two wins whole.
TEST_P(Computations, CancelRacingAComputationNeverLeavesItHalfDone) {
    ASSERT_EQ(SeedData(db()).deliveries(6000, QStringLiteral("0001/0002")), 6000);
    for (int delayMs : {0, 5, 20, 60, 150}) {
        // The number the computation is about to get.
        const QString nr = Numerador::format(
            std::max(count("SELECT MAX(NRULTIMO) FROM NUMERADOR WHERE NMSEQ = 'APURACAO'"),
                     count("SELECT MAX(NRAPURACFAT) FROM CTRLAPURFAT")) +
            1);
        QSemaphore go;
        QString computed;
        QString cancelledText;
        std::thread computing([&] {
            computed = inOtherSession(url(), 0, "ana", [&](TrdmApuracaoZel& s) {
                QList<RemoteValue> args = billing("0001", "0002", "CLI000000002");
                args[Args::DeliveryPeriodEnd] = QDate(2026, 12, 31);
                go.acquire();
                return s.call("CalculaApuracao", args).toString();
            });
        });
        std::thread cancelling([&] {
            cancelledText = inOtherSession(url(), 0, "bia", [&](TrdmApuracaoZel& s) {
                go.acquire();
                QThread::msleep(delayMs);
                QList<RemoteValue> args{nr};
                return s.call("CancelaApuracao", args).toString();
            });
        });
        go.release(2);
        computing.join();
        cancelling.join();

        const QString status =
            text("SELECT IDSTATUS FROM CTRLAPURFAT WHERE NRAPURACFAT = '" + nr + "'");
        const bool notThereYet =
            cancelledText == QStringLiteral("Apuração %1 não encontrada.").arg(nr);
        if (notThereYet) {
            EXPECT_EQ(computed, nr) << delayMs;
            EXPECT_EQ(status, "F") << delayMs;
        } else {
            EXPECT_TRUE(cancelledText.startsWith(QStringLiteral("Apuração %1 cancelada: ").arg(nr)))
                << delayMs << ": " << cancelledText.toStdString();
            EXPECT_TRUE(computed == nr ||
                        computed == QStringLiteral("Falha na apuração %1: a apuração foi "
                                                   "cancelada durante o cálculo")
                                        .arg(nr))
                << delayMs << ": " << computed.toStdString();
            EXPECT_EQ(status, "C") << delayMs;
        }
        EXPECT_EQ(billingFaults(), 0) << delayMs;
        EXPECT_EQ(leftovers(), 0) << delayMs;
        if (status == QLatin1String("F")) {
            ASSERT_TRUE(cancel(nr).startsWith("Apuração " + nr + " cancelada")) << delayMs;
        }
        EXPECT_EQ(count("SELECT COUNT(*) FROM DELIVERY WHERE CDCIA = '0002' AND NRAPURACFAT IS "
                        "NOT NULL"),
                  0);
    }
}

// A fee computation and the cancel of the billing it charges, together: either the fee is
// charged and the cancel is told to cancel the fee first, or the billing is gone and the
// fee is refused.
TEST_P(Computations, CancelRacingAFeeComputationOverTheSameInvoices) {
    const QString feeFirstRefusal = QStringLiteral(
        "A nota fiscal %1 da apuração %2 tem taxa aeroportuária na apuração %3; cancele aquela "
        "antes.");
    for (int delayMs : {0, 0, 2, 5, 10, 30}) {
        const QString nr =
            call("CalculaApuracao", billing("0001", "0001", "CLI000000001")).toString();
        const QStringList charged = invoicesOf(nr);
        ASSERT_EQ(charged.size(), 2);
        QSemaphore go;
        QString feeText;
        QString cancelText;
        std::thread charging([&] {
            feeText = inOtherSession(url(), 900, "ana", [&](TrdmApuracaoZel& s) {
                QList<RemoteValue> args = fee("_" + charged.join('_') + "_");
                go.acquire();
                return s.call("CalcApuracTaxa", args).toString();
            });
        });
        std::thread cancelling([&] {
            cancelText = inOtherSession(url(), 900, "bia", [&](TrdmApuracaoZel& s) {
                go.acquire();
                QThread::msleep(delayMs);
                QList<RemoteValue> args{nr};
                return s.call("CancelaApuracao", args).toString();
            });
        });
        go.release(2);
        charging.join();
        cancelling.join();

        if (feeText.startsWith("NSEQ")) {
            const QString feeNr = feeText.mid(4);
            EXPECT_EQ(cancelText, feeFirstRefusal.arg(charged[0], nr, feeNr));
            EXPECT_EQ(count("SELECT COUNT(*) FROM NOTAFISCAL WHERE NRAPURACFAT = '" + feeNr + "'"),
                      2);
            EXPECT_EQ(text("SELECT IDSTATUS FROM CTRLAPURFAT WHERE NRAPURACFAT = '" + nr + "'"),
                      "F");
            ASSERT_EQ(
                cancel(feeNr),
                QStringLiteral("Apuração %1 cancelada: 2 notas fiscais apagadas.").arg(feeNr));
            ASSERT_EQ(cancel(nr),
                      QStringLiteral("Apuração %1 cancelada: 2 notas fiscais apagadas.").arg(nr));
        } else {
            EXPECT_EQ(cancelText,
                      QStringLiteral("Apuração %1 cancelada: 2 notas fiscais apagadas.").arg(nr));
            EXPECT_EQ(feeText, QStringLiteral("Nota fiscal %1 não pode receber taxa aeroportuária.")
                                   .arg(charged[0]));
            EXPECT_EQ(count("SELECT COUNT(*) FROM CTRLAPURFAT WHERE IDTIPAPUR = 'T' AND "
                            "IDSTATUS <> 'C'"),
                      0);
        }
        EXPECT_EQ(count("SELECT COUNT(*) FROM NOTAFISCAL WHERE NRLANCTONFORIG IS NOT NULL"), 0);
        EXPECT_EQ(billingFaults(), 0);
        EXPECT_EQ(leftovers(), 0);
    }
}

TEST_P(Computations, EveryComputationRecordsWhoRegisteredIt) {
    TrdmApuracaoZel ana(db(), {}, QStringLiteral("ana"));
    QList<RemoteValue> billingArgs = billing("0001", "0001", "CLI000000001");
    ASSERT_EQ(ana.call("CalculaApuracao", billingArgs).toString(), "0000000003");
    QList<RemoteValue> feeArgs = fee("_0000000001_");
    ASSERT_EQ(ana.call("CalcApuracTaxa", feeArgs).toString(), "NSEQ0000000004");
    ASSERT_EQ(call("CalculaApuracao", billing("0001", "0002", "CLI000000002")).toString(),
              "0000000005");
    EXPECT_EQ(text("SELECT CDUSUARIO FROM CTRLAPURFAT WHERE NRAPURACFAT = '0000000003'"), "ana");
    EXPECT_EQ(text("SELECT CDUSUARIO FROM CTRLAPURFAT WHERE NRAPURACFAT = '0000000004'"), "ana");
    EXPECT_EQ(count("SELECT COUNT(*) FROM CTRLAPURFAT WHERE NRAPURACFAT = '0000000005' AND "
                    "CDUSUARIO = ''"),
              1)
        << "a session without a user records the empty text, not null";
}

ZEL_ALL_ENGINES(Computations);
