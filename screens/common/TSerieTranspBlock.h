#pragma once

#include <functional>
#include <QChar>
#include <QRect>
#include <QString>

class TADOIBQuery;
class TBtnPesquisa;
class TComponent;
class TDataSource;
class TDataSet;
class TEdit;
class TField;
class TLabel;
class TMaskEdit;
class TWinControl;
class TMessages;
class TSpeedButton;

// The invoice series and carrier entries at the bottom of both computation screens. Written
// once: the billing screen owns the queries and data sources it works on, and the fee screen
// builds a second block over its own controls that borrows them.
class TSerieTranspBlock {
public:
    // The screen's own controls of the block.
    struct Controls {
        TLabel* lblSerie = nullptr;
        TMaskEdit* medSerie = nullptr;
        TBtnPesquisa* btpSerie = nullptr;
        TEdit* edtSerie = nullptr;
        TSpeedButton* sbtCGC = nullptr;
        TMaskEdit* medTransp = nullptr;
        TBtnPesquisa* btpTransport = nullptr;
        TEdit* edtTransp = nullptr;
    };
    // What the block reads and opens: always the billing screen's, whichever screen it is on.
    struct Sources {
        TADOIBQuery* qrySerie = nullptr;
        TADOIBQuery* qryTransport = nullptr;
        TADOIBQuery* qryVd_Transport = nullptr;
        TDataSource* dtsSerie = nullptr;
        TDataSource* dtsTransport = nullptr;
        // Series and carrier errors, and the kind caption after a carrier lookup.
        TMessages* messages = nullptr;
    };
    struct Config {
        Controls controls;
        Sources sources;
        // Caption of the kind button after the kind button is pressed: the screen's own table.
        TMessages* ownMessages = nullptr;
        // The screen's carrier kind (its unit variable); it filters both carrier queries.
        QChar* kind = nullptr;
        // The branch whose series the series lookup lists.
        std::function<QString()> branch;
    };

    // Where a screen puts the block: the series and carrier edits (each with its lookup button
    // just right of it, the series' label above it and its name after the button), the kind
    // button and the carrier's name.
    struct Layout {
        QRect serie;
        int serieNameWidth = 0;
        QRect kindButton;
        QRect carrier;
        QRect carrierName;
    };
    // Creates the block's controls on `parent`, owned by `owner`; the kind button shows
    // `kindCaption`. The lookups get their data sources when the block binds.
    static Controls create(TComponent* owner, TWinControl* parent, const Layout& at,
                           const QString& kindCaption);
    // Hands the controls to the form fields of the same names.
    template <typename Form>
    static void adopt(Form* form, const Controls& c) {
        form->lblSerie = c.lblSerie;
        form->medSerie = c.medSerie;
        form->btpSerie = c.btpSerie;
        form->edtSerie = c.edtSerie;
        form->sbtCGC = c.sbtCGC;
        form->medTransp = c.medTransp;
        form->btpTransport = c.btpTransport;
        form->edtTransp = c.edtTransp;
    }

    explicit TSerieTranspBlock(Config config);
    ~TSerieTranspBlock();
    TSerieTranspBlock(const TSerieTranspBlock&) = delete;
    TSerieTranspBlock& operator=(const TSerieTranspBlock&) = delete;

    // Binds the controls' events to the handlers below and claims the shared queries.
    void bind();
    // Points the shared queries' open and display handlers at this block, so they filter and
    // format by this screen's kind. Every path that opens them claims them first.
    void claimQueries();
    // Gives up the claim without touching the queries, for a block that outlives their owner.
    void abandonClaim();

    // Sets the kind, its caption from `captions` and the matching carrier mask.
    void applyKind(QChar kind, const TMessages& captions);
    QChar kind() const { return *m_config.kind; }
    // The queries and data sources the block works on, for a block that borrows them.
    const Sources& sources() const { return m_config.sources; }

    void Vd_SerieNF(bool required);
    void medSerieExit();
    void medSerieChange();
    void btpSerieBeforePesq(TComponent& sender, bool& proceed);
    void btpSerieAfterPesq();
    void sbtCGCClick();
    void medTranspChange();
    void medTranspExit();
    void btpTransportBeforePesq(TComponent& sender, bool& proceed);
    void btpTransportAfterPesq();
    void qryTransportBeforeOpen(TDataSet& dataSet);
    void qryVd_TransportBeforeOpen(TDataSet& dataSet);
    void qryTransportNRINSJURTRANGetText(TField& sender, QString& text, bool displayText);

    // The kind that follows `kind` on the kind button ("J" for an unknown one).
    static QChar nextKind(QChar kind);

private:
    [[noreturn]] void fail(TMaskEdit* focus, const QString& key) const;

    Config m_config;
};
