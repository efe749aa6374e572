#pragma once

#include <QChar>

class TfrmApurac;

// Unit of the airport-fee computation screen: its module-level state and its launch routine.
namespace Cli_Zel00102 {

// The fee screen while it exists.
extern TfrmApurac* frmApurac;
extern bool boIdCriado;
// Carrier identification kind of the fee screen, apart from the billing screen's.
extern QChar chIdTipoTransp;

// Creates the screen when it does not exist and shows it modally over the billing screen;
// returns when it closes.
void CriaApurac();

void initialization();
void finalization();

} // namespace Cli_Zel00102
