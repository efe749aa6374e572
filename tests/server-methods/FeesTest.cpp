// The airport-fee computation: refusals, half-up cents, one fee per invoice.
#include "MethodsFixture.h"

namespace {

const QString kBlank20(20, QLatin1Char(' '));

QList<RemoteValue> fee(const QString& grupo, const QString& list) {
    return {"0001",
            "CLI000000001",
            QDate(2024, 1, 1),
            QDate(2024, 1, 31),
            "0001",
            "0001",
            QDate(2024, 2, 20),
            "1",
            "J",
            "11222333000181",
            grupo,
            list};
}

} // namespace

class Fees : public MethodsTest {
protected:
    // Billing invoices of the finished computation 0000000001 with chosen values.
    void addInvoice(const QString& nf, qint64 value, qint64 foreign) {
        exec(QStringLiteral("INSERT INTO NOTAFISCAL (NRLANCTONF, CDFILIAL, NRAPURACFAT, "
                            "CDCLIENTE, CDCIA, CDSERIE, DTENTRSAID, VRNOTAFISC, VRTTMOEDESTR, "
                            "IDEMITIDA) VALUES ('%1', '0001', '0000000001', 'CLI000000001', "
                            "'0001', '1', '2024-02-05', %2, %3, 'N')")
                 .arg(nf)
                 .arg(value)
                 .arg(foreign));
    }

    QVariant feeOf(const QString& nf, const char* column) {
        return scalar(QStringLiteral("SELECT %1 FROM NOTAFISCAL WHERE NRLANCTONFORIG = '%2'")
                          .arg(QLatin1String(column), nf));
    }
};

TEST_P(Fees, RefusesWithoutARateOrAChargeableInvoice) {
    EXPECT_EQ(failure("CalcApuracTaxa", fee("", "_0000000001_")),
              QChar(0x00BF) + QStringLiteral("Inf_ProTax") + kBlank20 + "*");
    const QString noRate = QChar(0x00BF) + QStringLiteral("N_Prod_Tax") + kBlank20 + "*";
    EXPECT_EQ(failure("CalcApuracTaxa", fee("CARGA", "_0000000001_")), noRate);
    EXPECT_EQ(failure("CalcApuracTaxa", fee("NADA", "_0000000001_")), noRate);

    EXPECT_EQ(failure("CalcApuracTaxa", fee("TAXAAERO", "_0000000001_0000000099_")),
              "Nota fiscal 0000000099 não pode receber taxa aeroportuária.");
    auto other = fee("TAXAAERO", "_0000000002_");
    other[1] = "CLI000000003";
    EXPECT_EQ(failure("CalcApuracTaxa", other),
              "Nota fiscal 0000000002 não pode receber taxa aeroportuária.");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM CTRLAPURFAT").toLongLong(), 2);

    EXPECT_EQ(call("CalcApuracTaxa", fee("TAXAAERO", "_0000000001_")).toString(), "NSEQ0000000003");
    // A fee invoice and an invoice that has one cannot be charged.
    EXPECT_EQ(failure("CalcApuracTaxa", fee("TAXAAERO", "_0000000001_")),
              "Nota fiscal 0000000001 não pode receber taxa aeroportuária.");
    EXPECT_EQ(failure("CalcApuracTaxa", fee("TAXAAERO", "_0000000003_")),
              "Nota fiscal 0000000003 não pode receber taxa aeroportuária.");
}

// Only a database failure is looked at for a broken unique key: a refusal whose text happens
// to say "unique" is told as it is.
TEST_P(Fees, ARefusalIsNeverTakenForARaceLost) {
    ASSERT_EQ(call("CalcApuracTaxa", fee("TAXAAERO", "_0000000001_")).toString(), "NSEQ0000000003");
    EXPECT_EQ(failure("CalcApuracTaxa", fee("TAXAAERO", "_UNIQUE0001_0000000001_")),
              "Nota fiscal UNIQUE0001 não pode receber taxa aeroportuária.");
}

// The invoice list is bounded like the billing lists and read in linear time: a list of 5,000
// distinct entries repeated is still 5,000, one entry more is refused before any work.
TEST_P(Fees, TheInvoiceListIsBounded) {
    QString many;
    for (int i = 0; i < 5001; ++i)
        many += u'_' + QString::number(1000000000 + i);
    EXPECT_EQ(failure("CalcApuracTaxa", fee("TAXAAERO", many + u'_')),
              QStringLiteral("Chamada inválida: CalcApuracTaxa"));
    // Duplicates count once: the first entry is chargeable, the rest refer to no invoice.
    QString repeated;
    for (int i = 0; i < 20000; ++i)
        repeated += QStringLiteral("_0000000001");
    EXPECT_EQ(call("CalcApuracTaxa", fee("TAXAAERO", repeated + u'_')).toString(),
              "NSEQ0000000003");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM CTRLAPURFAT").toLongLong(), 3);
}

TEST_P(Fees, RoundsHalfUpToTheCent) {
    addInvoice("0000000010", 80050, 10010);
    addInvoice("0000000011", 100020, 20);
    addInvoice("0000000012", 19, 60);
    const RemoteValue result =
        call("CalcApuracTaxa", fee("TAXAAERO", "_0000000010_0000000011_0000000012_0000000010_"));
    ASSERT_EQ(result.toString(), "NSEQ0000000003");
    EXPECT_EQ(session().lastComputation(), "0000000003");
    // 2.5 %: 2001.25 → 2001, 250.25 → 250, 2500.5 → 2501, 0.5 → 1, 0.475 → 0, 1.5 → 2.
    EXPECT_EQ(feeOf("0000000010", "VRNOTAFISC").toLongLong(), 2001);
    EXPECT_EQ(feeOf("0000000010", "VRTTMOEDESTR").toLongLong(), 250);
    EXPECT_EQ(feeOf("0000000011", "VRNOTAFISC").toLongLong(), 2501);
    EXPECT_EQ(feeOf("0000000011", "VRTTMOEDESTR").toLongLong(), 1);
    EXPECT_EQ(feeOf("0000000012", "VRNOTAFISC").toLongLong(), 0);
    EXPECT_EQ(feeOf("0000000012", "VRTTMOEDESTR").toLongLong(), 2);
    EXPECT_EQ(ServerSql::toDate(feeOf("0000000010", "DTENTRSAID")), QDate(2024, 2, 20));
    EXPECT_EQ(
        scalar("SELECT IDTIPAPUR FROM CTRLAPURFAT WHERE NRAPURACFAT = '0000000003'").toString(),
        "T");

    // The listed one twice is charged once; the viewer finds the fees by number.
    const TDataPacket p = packet(call("GetNotaFiscal", {"0001", "0000000003"}));
    ASSERT_EQ(p.rows.size(), 3u);
    EXPECT_EQ(cell(p, 0, "VRTOTAAPUR").toDouble(), 45.02);
    // Charged invoices leave the fee screen's list.
    const TDataPacket left = packet(call(
        "GetNotasApuradas", {"CLI000000001", RemoteValue(), RemoteValue(), "0000000001", "N"}));
    ASSERT_EQ(left.rows.size(), 2u);
    EXPECT_EQ(cell(left, 1, "NRLANCTONF").toString(), "0000000002");
}

// A long list reports how far the check and the charging have got; a short one is done
// before anyone could read a report.
TEST_P(Fees, ALongListReportsProgressAShortOneDoesNot) {
    QStringList listed;
    for (int i = 0; i < 250; ++i) {
        listed.append(QStringLiteral("9%1").arg(i, 9, 10, QLatin1Char('0')));
        addInvoice(listed.last(), 1000, 100);
    }
    QStringList reports;
    const auto record = [&](qint64 done, qint64 total, const QString& text) {
        reports.append(QStringLiteral("%1/%2 %3").arg(done).arg(total).arg(text));
    };
    EXPECT_EQ(
        call("CalcApuracTaxa", fee("TAXAAERO", "_" + listed.join('_') + "_"), record).toString(),
        "NSEQ0000000003");
    EXPECT_EQ(reports, (QStringList{
                           "0/250 Taxa aeroportuária: conferindo 0 de 250 notas fiscais",
                           "100/250 Taxa aeroportuária: conferindo 100 de 250 notas fiscais",
                           "200/250 Taxa aeroportuária: conferindo 200 de 250 notas fiscais",
                           "250/250 Taxa aeroportuária: conferindo 250 de 250 notas fiscais",
                           "0/250 Apuração 0000000003: 0 de 250 notas fiscais",
                           "100/250 Apuração 0000000003: 100 de 250 notas fiscais",
                           "200/250 Apuração 0000000003: 200 de 250 notas fiscais",
                           "250/250 Apuração 0000000003: 250 de 250 notas fiscais",
                       }));
    reports.clear();
    EXPECT_EQ(call("CalcApuracTaxa", fee("TAXAAERO", "_0000000001_0000000002_"), record).toString(),
              "NSEQ0000000004");
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}

ZEL_ALL_ENGINES(Fees);

// A fee computation takes a place among the computations too; a refusal comes at once,
// without waiting for one.
TEST_P(Fees, WaitsItsTurnButNotForARefusal) {
    ServerOptions options;
    options.computations = std::make_shared<TurnQueue>(1);
    TrdmApuracaoZel module(db(), options);
    TurnQueue::Turn busy = TurnQueue::wait(options.computations, 0);
    ASSERT_TRUE(busy.holds());
    QStringList reports;
    QList<RemoteValue> refused = fee("", "_0000000001_");
    EXPECT_THROW(module.call("CalcApuracTaxa", refused,
                             [&](qint64, qint64, const QString& text) { reports << text; }),
                 ServerFailure);
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();

    QList<RemoteValue> args = fee("TAXAAERO", "_0000000001_");
    EXPECT_EQ(module
                  .call("CalcApuracTaxa", args,
                        [&](qint64, qint64, const QString& text) {
                            reports << text;
                            busy.leave();
                        })
                  .toString(),
              "NSEQ0000000003");
    ASSERT_FALSE(reports.isEmpty());
    EXPECT_EQ(reports.first(), "Aguardando a vez: 1 apuração à frente neste servidor.");
}
