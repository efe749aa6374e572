// The demo data made for a date: on that date every company's proposed period has work,
// and each of the demo's situations is there for the screens to meet.
#include "MethodsFixture.h"

#include "server/DemoCalendar.h"
#include "server/InitDbCommand.h"

#include <QTextStream>

TEST(DemoCalendar, ThePeriodClosedLastEndsOnAClosingThatIsNotTheMonthsFirst) {
    using P = DemoCalendar::Period;
    const auto is = [](const P& p, QDate last, QDate end) {
        return p.lastClosing == last && p.start == last.addDays(1) && p.end == end;
    };
    // 20/06 with closings on the 10th, 20th and 31st: the 10th to the 20th.
    EXPECT_TRUE(is(DemoCalendar::closedBy(QDate(2025, 6, 20), {10, 20, 31}), QDate(2025, 6, 10),
                   QDate(2025, 6, 20)));
    // Before the month's second closing: the end of the month before.
    EXPECT_TRUE(is(DemoCalendar::closedBy(QDate(2025, 6, 14), {15, 31}), QDate(2025, 5, 15),
                   QDate(2025, 5, 31)));
    // The 31st of a short month is its last day.
    EXPECT_TRUE(is(DemoCalendar::closedBy(QDate(2024, 3, 1), {20, 31}), QDate(2024, 2, 20),
                   QDate(2024, 2, 29)));
    // Over a year's turn.
    EXPECT_TRUE(is(DemoCalendar::closedBy(QDate(2026, 1, 5), {10, 31}), QDate(2025, 12, 10),
                   QDate(2025, 12, 31)));
    EXPECT_FALSE(DemoCalendar::closedBy(QDate(2025, 6, 20), {31}).end.isValid());
}

class DemoData : public TestDatabases::EngineTest {
protected:
    void seed(const QDate& today, const QString& where = {}) {
        m_session.reset();
        m_database.close();
        const QString target = where.isEmpty() ? url() : where;
        QString output;
        QTextStream out(&output);
        ASSERT_EQ(InitDbCommand::run({target, "--demo", "--today", today.toString(Qt::ISODate)},
                                     out, out),
                  0)
            << output.toStdString();
        m_database.open(target);
        m_session = std::make_unique<TrdmApuracaoZel>(m_database.database(), ServerOptions{});
    }
    void TearDown() override {
        m_session.reset();
        m_database.close();
        TestDatabases::EngineTest::TearDown();
    }
    QSqlQuery query(const QString& sql) {
        QSqlQuery q(m_database.database());
        EXPECT_TRUE(q.exec(sql)) << q.lastError().text().toStdString();
        return q;
    }
    QVariant scalar(const QString& sql) {
        QSqlQuery q = query(sql);
        return q.next() ? q.value(0) : QVariant();
    }
    RemoteValue call(const QString& method, QList<RemoteValue> args) {
        return m_session->call(method, args);
    }
    // A copy: the packet lives inside the value the call returns.
    TDataPacket packet(const QString& method, QList<RemoteValue> args) {
        return call(method, std::move(args)).dataPacket();
    }
    QString failure(const QString& method, QList<RemoteValue> args) {
        try {
            m_session->call(method, args);
        } catch (const ServerFailure& f) {
            return f.text();
        }
        return {};
    }

    TDatabase m_database;
    std::unique_ptr<TrdmApuracaoZel> m_session;
};

// The period each company is proposed, worked out from its rows as the screen does.
TEST_P(DemoData, EveryProposedPeriodHasDeliveriesOnMostLegs) {
    for (const QDate today : {QDate(2025, 6, 20), QDate(2024, 2, 29), QDate(2026, 1, 2)}) {
        SCOPED_TRACE(today.toString(Qt::ISODate).toStdString());
        TestDatabases::FreshDatabase fresh(engine());
        seed(today, fresh.url());
        int legs = 0;
        int idle = 0;
        QSqlQuery c = query("SELECT CDFILIAL, CDCIA, DTULTFECH, IDCALCPROXFAT FROM CIAFILI "
                            "WHERE CDTIPEMNF IS NOT NULL ORDER BY 1, 2");
        while (c.next()) {
            const QString filial = c.value(0).toString();
            const QString cdcia = c.value(1).toString();
            const QDate last = ServerSql::toDate(c.value(2));
            QDate start = today;
            QDate end = today;
            if (c.value(3).toString() == "S") {
                // The next closing day of the last closing's month, as GetPerFecham finds it.
                const QString day = packet("GetPerFecham", {filial, cdcia, last.toString("dd")})
                                        .rows.at(0)
                                        .at(0)
                                        .toString();
                ASSERT_FALSE(day.isEmpty()) << filial.toStdString() << "/" << cdcia.toStdString();
                const QDate closing(last.year(), last.month(),
                                    qMin(day.toInt(), last.daysInMonth()));
                EXPECT_LE(closing, today);
                start = last.addDays(1);
                end = closing;
            }
            const TDataPacket p = packet("GetVooTrecho", {filial, cdcia, "", start, end});
            int withServices = 0;
            for (const auto& row : p.rows) {
                const bool busy = row.at(p.fieldIndex("QTDE_SERVICO")).toInt() > 0;
                withServices += busy ? 1 : 0;
            }
            EXPECT_GT(withServices * 2, int(p.rows.size()))
                << filial.toStdString() << "/" << cdcia.toStdString();
            legs += int(p.rows.size());
            idle += int(p.rows.size()) - withServices;
        }
        EXPECT_GT(idle, 0) << "a few legs have nothing to bill";
        EXPECT_LT(idle * 4, legs);
    }
}

TEST_P(DemoData, HoldsEachSituationTheScreensMeet) {
    seed(QDate(2025, 6, 20));
    const auto billingOf = [](const QString& cdcia, QDate start, QDate end) {
        QList<RemoteValue> args = MethodsTest::billing("0001", cdcia, "CLI" + cdcia);
        args[Args::DeliveryPeriodStart] = start;
        args[Args::DeliveryPeriodEnd] = end;
        return args;
    };
    // NDT: a delivery without a billing number in its period.
    EXPECT_EQ(failure("CalculaApuracao", billingOf("0006", QDate(2025, 5, 21), QDate(2025, 5, 31))),
              "DELVALO_nf");
    // VBR: interrupted; TRZ: failed, listed for the screen to warn about.
    const QString irregular = QChar(0x00BF) + QStringLiteral("Apur_Irreg");
    EXPECT_TRUE(
        failure("CalculaApuracao", billingOf("0002", QDate(2025, 5, 11), QDate(2025, 5, 31)))
            .startsWith(irregular));
    const TDataPacket failed = packet("GetCtrlApurFat", {"CLI0003"});
    ASSERT_EQ(failed.rows.size(), 1u);
    EXPECT_EQ(failed.rows[0].at(1).toString(), "E");
    // AZC's last computation has its invoices issued: it cannot be cancelled.
    const QString azc = scalar("SELECT C.NRAPURACFAT FROM CTRLAPURFAT C JOIN NOTAFISCAL N ON "
                               "N.NRAPURACFAT = C.NRAPURACFAT WHERE C.CDCIA = '0001' AND "
                               "C.CDFILIAL = '0001' AND N.IDEMITIDA = 'S'")
                            .toString();
    EXPECT_EQ(failure("CancelaApuracao", {azc}),
              "A apuração 0000000001 tem nota fiscal emitida (0000000001) e não pode ser "
              "cancelada.");
    // PNT: more than 23 invoices waiting for their fee, none of those already charged.
    const TDataPacket waiting =
        packet("GetNotasApuradas", {"CLI0005", QDate(2025, 1, 1), QDate(2025, 6, 20), "", "T"});
    EXPECT_GT(waiting.rows.size(), 23u);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM NOTAFISCAL WHERE NRLANCTONFORIG IS NOT NULL").toInt(),
              2);
    // Stored carriers.
    EXPECT_EQ(packet("GetDiretorios", {"ZELAZC"}).rows.size(), 1u);
    EXPECT_EQ(packet("GetDiretorios", {"ZELVBR"}).rows.size(), 0u);
    // The history is consistent: every invoice is the sum of its deliveries, and numbering
    // goes on past it.
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM NOTAFISCAL N WHERE N.NRLANCTONFORIG IS NULL "
                     "AND N.VRNOTAFISC <> (SELECT COALESCE(SUM(D.VRSERVICO), 0) FROM "
                     "DELIVERY D WHERE D.NRLANCTONF = N.NRLANCTONF)")
                  .toInt(),
              0);
    const QString next =
        call("CalculaApuracao", billingOf("0004", QDate(2025, 5, 16), QDate(2025, 5, 31)))
            .toString();
    QSqlQuery max =
        query("SELECT MAX(NRAPURACFAT) FROM CTRLAPURFAT WHERE NRAPURACFAT <> '" + next + "'");
    ASSERT_TRUE(max.next());
    EXPECT_GT(next, max.value(0).toString());
}

ZEL_ALL_ENGINES(DemoData);
