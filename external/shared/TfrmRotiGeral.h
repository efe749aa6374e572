#pragma once

#include "platform/TForm.h"

class TLabel;
class TGroupBox;
class TPanel;
class TButtonFlat;
class TImage;
class TMessages;

// The base of every screen: the screen-code label, the working frame, the button column
// with the confirm button, the hidden check-mark images the grids copy from, and the
// message table. Closing a screen releases it.
class TfrmRotiGeral : public TForm {
public:
    explicit TfrmRotiGeral(TComponent* owner = nullptr);

    TLabel* lblCodTela;
    TGroupBox* grbDadosRel;
    TPanel* panMenu;
    TPanel* panBotoes;
    TButtonFlat* sbtConfirma;
    TImage* imgCheck;
    TImage* imgUncheck;
    TMessages* msgPadrao;

    // The base handlers; a screen's own FormCreate / FormClose calls them.
    void FormCreate(TComponent& sender);
    void FormClose(TComponent& sender, TCloseAction& action);

protected:
    // Creates a named control owned by the form.
    template <class T>
    T* create(const QString& name, TWinControl* parent) {
        T* control = new T(this, parent);
        control->setName(name);
        return control;
    }
    // Lays out the frame and the button column for a client area of the given size.
    void layoutFrame(int clientWidth, int clientHeight, int menuWidth = 52);
};
