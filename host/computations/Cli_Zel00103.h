#pragma once

class TfrmConsApur;

// Unit of the host's computations screen.
namespace Cli_Zel00103 {

// The computations screen while it exists.
extern TfrmConsApur* frmConsApur;
extern bool boIdCriado;

// Creates the computations screen if it does not exist and shows it, non-modally.
void CriaConsApur();

} // namespace Cli_Zel00103
