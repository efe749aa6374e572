#pragma once

#include <QString>

class TfrmNotasApur;

// Unit of the computed-invoice viewer.
namespace Cli_Zel00101 {

// The viewer created last; reset when that one is freed.
extern TfrmNotasApur* frmNotasApur;

// Lists the invoices the server generated under `viewerKey` in a new viewer, shown modally.
// With none, says so, closes the viewer unshown and ends the caller's step (EAbort).
void CriaNotasApur(const QString& viewerKey);
// What the viewer says when it finds no invoice, for a caller that has no computation number to
// show; ends the caller's step (EAbort).
[[noreturn]] void ReportNoInvoices();

void initialization();
void finalization();

} // namespace Cli_Zel00101
