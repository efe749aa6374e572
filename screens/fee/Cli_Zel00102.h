#pragma once

#include <QChar>

class TfrmApurac;

// Unit of the airport-fee computation screen. The screen itself is not built yet: its launch
// routine says so to the user.
namespace Cli_Zel00102 {

extern TfrmApurac* frmApurac;
extern bool boIdCriado;
// Carrier identification kind of the fee screen, apart from the billing screen's.
extern QChar chIdTipoTransp;

// Raises "Tela de apuração de taxas ainda não disponível." until the screen exists.
void CriaApurac();

void initialization();
void finalization();

} // namespace Cli_Zel00102
