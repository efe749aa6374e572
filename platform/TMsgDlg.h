#pragma once

// Dialog types and the results the message dialogs return.
enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };

// The results (mrYes, mrNo, ...) are TModalResult values, declared with TForm.
