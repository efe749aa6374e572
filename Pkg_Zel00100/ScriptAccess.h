#pragma once

#include <QString>

class TForm;

// Read-only views of the package's state for the script host: unit variables by name and
// which screen a form is.
namespace ScriptAccess {

// Unqualified names read Cli_Zel00100 (the billing unit), whose variables the other units
// share by name; "Cli_Zel00102.chIdTipoTransp" reads another unit's. Booleans read "True" or
// "False", screen references the class name or empty.
bool readUnitVariable(const QString& name, QString& value);
bool lastCallArg(const QString& method, int argNo, QString& value);
const char* formRole(const TForm* form);

} // namespace ScriptAccess
