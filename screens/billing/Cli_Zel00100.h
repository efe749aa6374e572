#pragma once

#include <QChar>
#include <QString>

class TfrmApuracao;

// Unit of the billing computation screen: its module-level state and its launch routine.
namespace Cli_Zel00100 {

// The billing screen while it exists; the fee screen and the viewer work on it.
extern TfrmApuracao* frmApuracao;
extern bool boIdCriado;
// Carrier identification kind of the billing screen: 'J', 'F', 'O' or 'I'.
extern QChar chIdTipoTransp;
// Checked flights and billing locations, "_A_B" (see TfrmApuracao::isSelected).
extern QString stVooTrecho;
// "S" while the chosen product group was declared an airport-fee group.
extern QString stGrupTaxa;
extern QString stLocalFat;

// Creates the screen when it does not exist and shows it (restored, in front).
void CriaApuracao();

// Bodies of the unit's start and stop; the package counts the calls.
void initialization();
void finalization();

} // namespace Cli_Zel00100
