#pragma once

#include "tests/screens/ScreenHarness.h"

#include <functional>

class TfrmApurac;

// The fee screen as a user reaches it: the billing screen on GRP (an issue form by product
// group) with the airport-fee group TAXAAERO, and the header left. On top of the "basic"
// fixture, GRP's customer has the finished billing computation 0000000050 (January 2024) with
// the invoices 0000000051 (1.234,56), 0000000052 (800,00) and 0000000053 (19,99), none
// charged yet.
class FeeHarness : public ScreenHarness {
protected:
    void SetUp() override;

    // Opens the fee screen and runs `body` on it while it is shown modally; closes it after
    // `body` unless it closed itself. False when the billing screen did not get there.
    bool withFee(std::function<void(TfrmApurac& fee)> body);
    // Types the computation number and leaves it: the grid is entered and loaded.
    bool chooseComputation(TfrmApurac& fee, const QString& number);
    // Checks the given grid rows with clicks on their check cells.
    void check(TfrmApurac& fee, std::initializer_list<int> rows);
    bool confirm(TfrmApurac& fee);
    // The IDCHECK marks, in grid order.
    QString marks(TfrmApurac& fee);
    QList<protocol::RemoteValue> sent() const;
    // Adds an invoice of computation 0000000050.
    void addInvoice(const QString& number, qint64 cents, const QString& date = "2024-02-05");
};
