#include "external/shared/TfrmRotiGeral.h"

#include "external/shared/TMessages.h"
#include "platform/TButtonFlat.h"
#include "platform/TCheckImages.h"
#include "platform/TGroupBox.h"
#include "platform/TImage.h"
#include "platform/TLabel.h"
#include "platform/TPanel.h"

#include <memory>

TfrmRotiGeral::TfrmRotiGeral(TComponent* owner)
    : TForm(owner) {
    setBorderStyle(bsSingle);
    setHelpFile(QStringLiteral("Vevivez.idi"));

    grbDadosRel = create<TGroupBox>(QStringLiteral("grbDadosRel"), this);
    TFont bold = grbDadosRel->font();
    bold.bold = true;
    grbDadosRel->setFont(bold);

    panMenu = create<TPanel>(QStringLiteral("panMenu"), this);
    panBotoes = create<TPanel>(QStringLiteral("panBotoes"), panMenu);
    sbtConfirma = create<TButtonFlat>(QStringLiteral("sbtConfirma"), panBotoes);
    sbtConfirma->setCaption(QStringLiteral("Confirmar"));
    sbtConfirma->setHint(QStringLiteral("Confirmar"));
    sbtConfirma->setGlyph(TButtonGlyph::bgConfirm);
    lblCodTela = create<TLabel>(QStringLiteral("lblCodTela"), panMenu);

    imgCheck = create<TImage>(QStringLiteral("imgCheck"), panMenu);
    imgCheck->setPicture(std::make_shared<TBitmap>(TCheckImages::imgCheck()));
    imgCheck->setVisible(false);
    imgUncheck = create<TImage>(QStringLiteral("imgUncheck"), panMenu);
    imgUncheck->setPicture(std::make_shared<TBitmap>(TCheckImages::imgUncheck()));
    imgUncheck->setVisible(false);

    msgPadrao = new TMessages(this, QStringLiteral("msgPadrao"));

    OnCreate = [this](TComponent& sender) { FormCreate(sender); };
    OnClose = [this](TComponent& sender, TCloseAction& action) { FormClose(sender, action); };
}

void TfrmRotiGeral::FormCreate(TComponent&) {
    // Everything the base form needs is built by the constructor; screens still call this
    // first from their own FormCreate so that a base step can be added in one place.
}

void TfrmRotiGeral::FormClose(TComponent&, TCloseAction& action) {
    action = caFree;
}

void TfrmRotiGeral::layoutFrame(int clientWidth, int clientHeight, int menuWidth) {
    setClientSize(clientWidth, clientHeight);
    const int frameWidth = clientWidth - menuWidth - 12;
    grbDadosRel->setBounds(4, 0, frameWidth, clientHeight - 4);
    panMenu->setBounds(clientWidth - menuWidth - 4, 6, menuWidth, clientHeight - 10);
    panBotoes->setBounds(2, 24, menuWidth - 4, 60);
    sbtConfirma->setBounds(2, 2, menuWidth - 8, 48);
    lblCodTela->setBounds(2, 4, menuWidth - 4, 14);
}
