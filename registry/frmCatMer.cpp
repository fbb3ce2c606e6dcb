#include "frmCatMer.h"

#include "ADODB.h"
#include "Comuni.h"
#include "Global.h"
#include "MultiButton.h"
#include "ProcGuard.h"
#include "Runtime.h"
#include "Values.h"
#include "modAdoCommon.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

using namespace Platform;

namespace {
const int kCodeWidth = 4;
const QString kCodeTooLong = QStringLiteral("Il codice della categoria può avere al massimo 4 caratteri");

QString EntryText(const QString& description, const QString& code) { return description + QString(100, ' ') + code; }
QString CodeOf(const QString& entry) { return Trim(entry.right(10)); }
QString DescriptionOf(const QString& entry) { return Trim(entry.left(40)); }
}  // namespace

frmCatMer::frmCatMer() {
    setWindowTitle(QStringLiteral("categorie merceologiche"));
    auto* grid = new QGridLayout(this);
    lsCatMer = new QListWidget(this);
    lsCatMer->setObjectName("lsCatMer");
    txCodice = new QLineEdit(this);
    txCodice->setObjectName("txCodice");
    Comuni::LimitToColumn(txCodice, "CATEGORIE", "CODICE");
    txDescrizione = new QLineEdit(this);
    txDescrizione->setObjectName("txDescrizione");
    Comuni::LimitToColumn(txDescrizione, "CATEGORIE", "DESCRIZIONE");
    cmdNuovo = new MultiButton(QStringLiteral("nuova categoria"), this);
    cmdNuovo->setObjectName("cmdNuovo");
    cmdConferma = new MultiButton(QStringLiteral("conferma dati"), this);
    cmdConferma->setObjectName("cmdConferma");
    cmdElimina = new MultiButton(QStringLiteral("elimina categoria"), this);
    cmdElimina->setObjectName("cmdElimina");
    cmdEsci = new MultiButton(QStringLiteral("esci"), this);
    cmdEsci->setObjectName("cmdEsci");
    SetCancelButton(cmdEsci);
    grid->addWidget(lsCatMer, 0, 0, 5, 1);
    grid->addWidget(new QLabel(QStringLiteral("codice"), this), 0, 1);
    grid->addWidget(txCodice, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("descrizione"), this), 2, 1);
    grid->addWidget(txDescrizione, 3, 1);
    auto* buttons = new QHBoxLayout;
    for (auto* b : {cmdNuovo, cmdConferma, cmdElimina, cmdEsci}) buttons->addWidget(b);
    grid->addLayout(buttons, 5, 0, 1, 2);
    connect(lsCatMer, &QListWidget::itemClicked, this, [this] { lsCatMer_Click(); });
    connect(lsCatMer, &QListWidget::currentRowChanged, this, [this] { lsCatMer_Click(); });
    connect(txCodice, &QLineEdit::textChanged, this, &frmCatMer::Changed);
    connect(txDescrizione, &QLineEdit::textChanged, this, &frmCatMer::Changed);
    connect(cmdNuovo, &QPushButton::clicked, this, &frmCatMer::cmdNuovo_Click);
    connect(cmdConferma, &QPushButton::clicked, this, &frmCatMer::cmdConferma_Click);
    connect(cmdElimina, &QPushButton::clicked, this, &frmCatMer::cmdElimina_Click);
    connect(cmdEsci, &QPushButton::clicked, this, &frmCatMer::cmdEsci_Click);
    resize(560, 360);
}

frmCatMer::~frmCatMer() = default;

void frmCatMer::Changed() {
    if (!filling_) cmdConferma->setEnabled(true);
}

bool frmCatMer::Selected() const { return lsCatMer->currentRow() >= 0 && lsCatMer->currentItem(); }

void frmCatMer::Form_Load() {
    ProcGuard::Run(QStringLiteral("Procedura Form_Load di Form frmCatMer"), [&] {
        if (!modAdoCommon::OpenConnection(cn_, Global::gConnString, false, 19)) {
            cn_.reset();
            ProcGuard::DisableAllBut(this, QStringLiteral("cmdEsci"));
            return;
        }
        ADODB::Recordset rs;
        filling_ = true;
        if (modAdoCommon::OpenRecordset(rs, "SELECT * FROM CATEGORIE ORDER BY DESCRIZIONE", *cn_, 0, 3))
            while (!rs.EOF_()) {
                lsCatMer->addItem(EntryText(Comuni::FieldStr(rs["DESCRIZIONE"]), Comuni::FieldStr(rs["CODICE"])));
                rs.MoveNext();
            }
        lsCatMer->setCurrentRow(-1);
        filling_ = false;
        Global::ApplyFormStyle(this);
        cmdConferma->setEnabled(false);
        cmdElimina->setEnabled(false);
    });
}

void frmCatMer::lsCatMer_Click() {
    if (!Selected()) return;
    filling_ = true;
    txCodice->setText(CodeOf(lsCatMer->currentItem()->text()));
    txDescrizione->setText(DescriptionOf(lsCatMer->currentItem()->text()));
    filling_ = false;
    txCodice->setEnabled(false);
    cmdConferma->setEnabled(false);
    cmdElimina->setEnabled(true);
}

QString frmCatMer::NewCategoryCode() {
    if (!cn_) return QString();
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, "SELECT MAX(VAL(CODICE)) FROM CATEGORIE", *cn_, 0, 3)) return QString();
    return QString::number(qint64(Val(rs.EOF_() ? QVariant() : rs.Fields(0).Value())) + 1);
}

void frmCatMer::cmdNuovo_Click() {
    if (cmdConferma->isEnabled() &&
        MsgBox(QStringLiteral("Ci sono dati modificati e non salvati che proseguendo saranno persi. Proseguo?"),
               vbYesNo + vbQuestion + vbDefaultButton2) == vbNo)
        return;
    filling_ = true;
    lsCatMer->setCurrentRow(-1);
    lsCatMer->clearSelection();
    proposedCode_ = NewCategoryCode();
    // After "9999" the next code does not fit the box: cutting it would
    // propose a shorter code that may well exist.
    const bool fits = proposedCode_.size() <= kCodeWidth;
    if (!fits) proposedCode_.clear();
    txCodice->setText(proposedCode_);
    txDescrizione->clear();
    filling_ = false;
    if (!fits)
        MsgBox(QStringLiteral("Non è possibile proporre un nuovo codice: il codice successivo supera i 4 caratteri"),
               vbOKOnly);
    txCodice->setEnabled(true);
    txDescrizione->setFocus();
    cmdConferma->setEnabled(false);
    cmdElimina->setEnabled(false);
}

void frmCatMer::cmdConferma_Click() {
    if (!cn_) return;
    if (Trim(txCodice->text()).isEmpty()) {
        MsgBox(QStringLiteral("E' necessario inserire un codice"), vbOKOnly);
        txCodice->setFocus();
        return;
    }
    if (Trim(txDescrizione->text()).isEmpty()) {
        MsgBox(QStringLiteral("E' necessario inserire una descrizione"), vbOKOnly);
        txDescrizione->setFocus();
        return;
    }
    if (Trim(txCodice->text()).size() > kCodeWidth) {
        MsgBox(kCodeTooLong, vbOKOnly);
        txCodice->setFocus();
        return;
    }
    const bool editing = Selected();
    bool done = false;
    ProcGuard::Run(QStringLiteral("Procedura cmdConferma_Click di Form frmCatMer"), [&] {
        QString code = Trim(txCodice->text());
        ADODB::Recordset rs;
        if (!modAdoCommon::OpenRecordset(rs, "SELECT * FROM CATEGORIE WHERE CODICE=?", *cn_, 0, 3, false, {txCodice->text()}))
            return;
        if (rs.EOF_() && editing) {
            MsgBox(QStringLiteral("Non esiste la categoria richiesta"), vbOKOnly);
            return;
        }
        if (!rs.EOF_() && !editing && !proposedCode_.isEmpty() && code == proposedCode_) {
            // Another workstation took the code this window proposed meanwhile:
            // the new category gets the next one. A code the user typed
            // himself that exists is that category, whose description changes.
            code = NewCategoryCode();
            if (code.size() > kCodeWidth) {
                MsgBox(kCodeTooLong, vbOKOnly);
                return;
            }
            rs.Open("SELECT * FROM CATEGORIE WHERE CODICE=?", *cn_, ADODB::adOpenForwardOnly, ADODB::adLockOptimistic, {code});
        }
        if (rs.EOF_()) {
            rs.AddNew();
            rs.SetValue("CODICE", code);
        }
        rs.SetValue("DESCRIZIONE", Trim(txDescrizione->text()));
        rs.SetValue("U_MOD", Now());
        if (!modAdoCommon::UpdateRecordset(rs)) return;
        const QString entry = EntryText(Trim(txDescrizione->text()), code);
        if (editing) lsCatMer->currentItem()->setText(entry);
        else lsCatMer->addItem(entry);
        done = true;
    });
    // Otherwise the reason was shown and what was typed stays.
    if (done) {
        cmdConferma->setEnabled(false);
        cmdNuovo_Click();
    }
}

void frmCatMer::cmdElimina_Click() {
    if (!cn_ || !Selected()) return;
    if (MsgBox(QStringLiteral("Confermi eliminazione della categoria (saranno eliminate anche tutte le associazioni con i "
                              "clienti) ?"),
               vbYesNo + vbQuestion + vbDefaultButton2) == vbNo)
        return;
    const QString code = CodeOf(lsCatMer->currentItem()->text());
    // Links and category go together or not at all.
    const bool deleted = ProcGuard::Run(QStringLiteral("Procedura cmdElimina_Click di Form frmCatMer"), [&] {
        cn_->BeginTrans();
        try {
            cn_->Execute("DELETE FROM ANACAT WHERE CAT_CODICE=?", {code});
            cn_->Execute("DELETE FROM CATEGORIE WHERE CODICE=?", {code});
            cn_->CommitTrans();
        } catch (...) {
            cn_->RollbackTrans();
            throw;
        }
    });
    if (!deleted) return;
    delete lsCatMer->takeItem(lsCatMer->currentRow());
    cmdConferma->setEnabled(false);
    cmdNuovo_Click();
}

void frmCatMer::cmdEsci_Click() { Unload(); }
