#include "frmAssociaClientiUtenti.h"

#include "ADODB.h"
#include "Comuni.h"
#include "Errors.h"
#include "Global.h"
#include "MultiButton.h"
#include "ProcGuard.h"
#include "Neighbours.h"
#include "Runtime.h"
#include "Values.h"
#include "modAdoCommon.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>

using namespace Platform;

namespace {
QString RecordCaption(ADODB::Recordset& rs) {
    return Trim(Comuni::FieldStr(rs["AZIENDA"]) + " - " + Comuni::FieldStr(rs["COGNOME"]) + " " +
                Comuni::FieldStr(rs["NOME"]));
}
}  // namespace

frmAssociaClientiUtenti::frmAssociaClientiUtenti() {
    setWindowTitle(QStringLiteral("associazione clienti agli utenti"));
    auto* grid = new QGridLayout(this);
    cbUtenti = new QComboBox(this);
    cbUtenti->setObjectName("cbUtenti");
    lsCLienti = new QListWidget(this);
    lsCLienti->setObjectName("lsCLienti");
    cmdAssociaCLiente = new MultiButton(QStringLiteral("associa nuovo cliente"), this);
    cmdAssociaCLiente->setObjectName("cmdAssociaCLiente");
    cmdEliminaAssociazione = new MultiButton(QStringLiteral("elimina associazione tra cliente ed utente"), this);
    cmdEliminaAssociazione->setObjectName("cmdEliminaAssociazione");
    cmdEsci = new MultiButton(QStringLiteral("esci"), this);
    cmdEsci->setObjectName("cmdEsci");
    SetCancelButton(cmdEsci);
    grid->addWidget(new QLabel(QStringLiteral("utente"), this), 0, 0);
    grid->addWidget(cbUtenti, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("clienti associati a questo utente"), this), 1, 0, 1, 2);
    grid->addWidget(lsCLienti, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    for (auto* b : {cmdAssociaCLiente, cmdEliminaAssociazione, cmdEsci}) buttons->addWidget(b);
    grid->addLayout(buttons, 3, 0, 1, 2);
    connect(cbUtenti, &QComboBox::currentIndexChanged, this, [this] { cbUtenti_Click(); });
    connect(cmdAssociaCLiente, &QPushButton::clicked, this, &frmAssociaClientiUtenti::cmdAssociaCLiente_Click);
    connect(cmdEliminaAssociazione, &QPushButton::clicked, this, &frmAssociaClientiUtenti::cmdEliminaAssociazione_Click);
    connect(cmdEsci, &QPushButton::clicked, this, &frmAssociaClientiUtenti::cmdEsci_Click);
    resize(560, 400);
}

frmAssociaClientiUtenti::~frmAssociaClientiUtenti() = default;

void frmAssociaClientiUtenti::Form_Load() {
    ProcGuard::Run(QStringLiteral("Procedura Form_Load di Form frmAssociaClientiUtenti"), [&] {
        if (!modAdoCommon::OpenConnection(cn_, Global::gConnString, false, 19)) {
            ProcGuard::DisableAllBut(this, QStringLiteral("cmdEsci"));
            return;
        }
        ADODB::Recordset rs;
        if (!modAdoCommon::OpenRecordset(rs, "SELECT * FROM UTENTI ORDER BY UTENTE", *cn_, 0, 3)) return;
        QSignalBlocker block(cbUtenti);
        while (!rs.EOF_()) {
            if (Comuni::FieldNum(rs["ISADMIN"]).toInt() == 0) cbUtenti->addItem(Comuni::FieldStr(rs["UTENTE"]));
            rs.MoveNext();
        }
    });
    if (cbUtenti->count() > 0) {
        cbUtenti->setCurrentIndex(0);
        cbUtenti_Click();
    }
    Global::ApplyFormStyle(this);
}

void frmAssociaClientiUtenti::cbUtenti_Click() {
    lsCLienti->clear();
    if (!cn_ || cbUtenti->currentIndex() < 0) return;
    ProcGuard::Run(QStringLiteral("Procedura cbUtenti_Click di Form frmAssociaClientiUtenti"), [&] {
        ADODB::Recordset rs;
        if (!modAdoCommon::OpenRecordset(rs,
                                         "SELECT ID, AZIENDA, COGNOME, NOME FROM ANAUTE INNER JOIN ANAGRAFICA ON "
                                         "ANAUTE.ANA_ID=ANAGRAFICA.ID WHERE ANAUTE.UTENTE=? ORDER BY AZIENDA, COGNOME, NOME",
                                         *cn_, 0, 3, false, {cbUtenti->currentText()}))
            return;
        while (!rs.EOF_()) {
            auto* item = new QListWidgetItem(RecordCaption(rs), lsCLienti);
            item->setData(Qt::UserRole, rs["ID"]);
            rs.MoveNext();
        }
    });
}

void frmAssociaClientiUtenti::cmdAssociaCLiente_Click() {
    if (!cn_) return;
    const qint32 id = qint32(Val(Neighbours::ShowModalForTag(QStringLiteral("frmCercaAnagrafica"))));
    if (id <= 0) return;
    // A link is offered only for a user chosen in the list.
    if (cbUtenti->currentIndex() < 0) return;
    ProcGuard::Run(QStringLiteral("Procedura cmdAssociaCLiente_Click di Form frmAssociaClientiUtenti"), [&] {
        ADODB::Recordset rs;
        if (!modAdoCommon::OpenRecordset(rs, "SELECT * FROM ANAGRAFICA WHERE ID=?", *cn_, 0, 3, false, {id}) || rs.EOF_())
            return;
        const QString caption = RecordCaption(rs);
        const QVariant recordId = rs["ID"];
        cn_->Execute("INSERT INTO ANAUTE (UTENTE, ANA_ID, U_MOD) VALUES (?,?,?)",
                     {cbUtenti->currentText(), recordId, Now()});
        // Listed once the link is stored, so a refused link never shows.
        auto* item = new QListWidgetItem(caption, lsCLienti);
        item->setData(Qt::UserRole, recordId);
    });
}

void frmAssociaClientiUtenti::cmdEliminaAssociazione_Click() {
    if (!cn_) return;
    QListWidgetItem* item = lsCLienti->currentItem();
    if (!item || !item->isSelected()) {
        MsgBox(QStringLiteral("Selezionare il cliente da disassociare dall'utente"), vbOKOnly);
        return;
    }
    if (MsgBox(QStringLiteral("Confermi eliminazione dell'associazione con il cliente selezionato?"),
               vbYesNo + vbQuestion + vbDefaultButton2) == vbNo)
        return;
    ProcGuard::Run(QStringLiteral("Procedura cmdEliminaAssociazione_Click di Form frmAssociaClientiUtenti"), [&] {
        if (cn_->Execute("DELETE FROM ANAUTE WHERE UTENTE=? AND ANA_ID=?", {cbUtenti->currentText(), item->data(Qt::UserRole)}) > 0)
            delete lsCLienti->takeItem(lsCLienti->row(item));
    });
}

void frmAssociaClientiUtenti::cmdEsci_Click() { Unload(); }
