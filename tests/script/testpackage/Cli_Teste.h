#pragma once

#include <QString>

class TfrmTeste;

// The test package's only unit.
namespace Cli_Teste {

extern TfrmTeste* frmTeste;
extern bool boIdCriado;
extern QString stUltimo; // last grid event
extern QString stValor;  // value the modal form kept
extern int inicializacoes;
extern int finalizacoes;

void CriaTeste();
void CriaModal();
void initialization();
void finalization();

} // namespace Cli_Teste
