#include "frmUtenti.h"

#include "ADODB.h"
#include "Comuni.h"
#include "Errors.h"
#include "Global.h"
#include "MultiButton.h"
#include "ProcGuard.h"
#include "Runtime.h"
#include "Values.h"
#include "modAdoCommon.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

using namespace Platform;

namespace {
const QStringList kPermissions = {"agenda di tutti", "configurazione", "mailing", "tutte le anagrafiche",
                                  "tutti i contatti"};
}  // namespace

frmUtenti::frmUtenti() {
    setWindowTitle(QStringLiteral("Utenti e permessi"));
    auto* grid = new QGridLayout(this);
    lsUtenti = new QListWidget(this);
    lsUtenti->setObjectName("lsUtenti");
    txUserName = new QLineEdit(this);
    txUserName->setObjectName("txUserName");
    Comuni::LimitToColumn(txUserName, "UTENTI", "UTENTE");
    txPassword = new QLineEdit(this);
    txPassword->setObjectName("txPassword");
    Comuni::LimitToColumn(txPassword, "UTENTI", "PASSWORD");
    txPassword->setEchoMode(QLineEdit::Password);
    ckIsAdmin = new QCheckBox(QStringLiteral("utente amministratore"), this);
    ckIsAdmin->setObjectName("ckIsAdmin");
    lsPermessi = new QListWidget(this);
    lsPermessi->setObjectName("lsPermessi");
    cmdNuovo = new MultiButton(QStringLiteral("nuovo utente"), this);
    cmdNuovo->setObjectName("cmdNuovo");
    cmdConferma = new MultiButton(QStringLiteral("conferma dati"), this);
    cmdConferma->setObjectName("cmdConferma");
    cmdElimina = new MultiButton(QStringLiteral("elimina utente"), this);
    cmdElimina->setObjectName("cmdElimina");
    cmdEsci = new MultiButton(QStringLiteral("esci"), this);
    cmdEsci->setObjectName("cmdEsci");
    SetCancelButton(cmdEsci);
    grid->addWidget(new QLabel(QStringLiteral("utenti"), this), 0, 0);
    grid->addWidget(lsUtenti, 1, 0, 6, 1);
    grid->addWidget(new QLabel(QStringLiteral("nome utente"), this), 0, 1);
    grid->addWidget(txUserName, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("password"), this), 2, 1);
    grid->addWidget(txPassword, 3, 1);
    grid->addWidget(ckIsAdmin, 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("permessi"), this), 5, 1);
    grid->addWidget(lsPermessi, 6, 1);
    auto* buttons = new QHBoxLayout;
    for (auto* b : {cmdNuovo, cmdConferma, cmdElimina, cmdEsci}) buttons->addWidget(b);
    grid->addLayout(buttons, 7, 0, 1, 2);
    connect(lsUtenti, &QListWidget::currentRowChanged, this, [this] { lsUtenti_Click(); });
    connect(cmdNuovo, &QPushButton::clicked, this, &frmUtenti::cmdNuovo_Click);
    connect(cmdConferma, &QPushButton::clicked, this, &frmUtenti::cmdConferma_Click);
    connect(cmdElimina, &QPushButton::clicked, this, &frmUtenti::cmdElimina_Click);
    connect(cmdEsci, &QPushButton::clicked, this, &frmUtenti::cmdEsci_Click);
    connect(txUserName, &QLineEdit::textEdited, this, &frmUtenti::Modified);
    connect(txPassword, &QLineEdit::textEdited, this, &frmUtenti::Modified);
    connect(ckIsAdmin, &QCheckBox::clicked, this, &frmUtenti::Modified);
    connect(lsPermessi, &QListWidget::itemChanged, this, [this] { Modified(); });
    resize(520, 380);
}

frmUtenti::~frmUtenti() = default;

void frmUtenti::Modified() {
    if (!loading_) cmdConferma->setEnabled(true);
}

void frmUtenti::Form_Load() {
    ProcGuard::Run(QStringLiteral("Procedura Form_Load di Form frmUtenti"), [&] {
        if (!modAdoCommon::OpenConnection(cn_, Global::gConnString, false, 19)) {
            ProcGuard::DisableAllBut(this, QStringLiteral("cmdEsci"));
            return;
        }
        loading_ = true;
        for (const QString& p : kPermissions) {
            auto* item = new QListWidgetItem(p, lsPermessi);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
        ADODB::Recordset rs;
        if (modAdoCommon::OpenRecordset(rs, "SELECT * FROM UTENTI ORDER BY UTENTE", *cn_, 0, 3)) {
            while (!rs.EOF_()) {
                lsUtenti->addItem(Comuni::FieldStr(rs["Utente"]));
                rs.MoveNext();
            }
        }
        loading_ = false;
        if (lsUtenti->count() > 0) lsUtenti->setCurrentRow(0);
    });
    cmdConferma->setEnabled(false);
    cmdElimina->setEnabled(false);
    Global::ApplyFormStyle(this);
}

void frmUtenti::lsUtenti_Click() {
    if (!cn_ || lsUtenti->currentRow() < 0 || !lsUtenti->currentItem()) return;
    const QString name = lsUtenti->currentItem()->text();
    loading_ = true;
    ProcGuard::Run(QStringLiteral("Procedura lsUtenti_Click di Form frmUtenti"), [&] {
        ADODB::Recordset rs;
        if (modAdoCommon::OpenRecordset(rs, "SELECT * FROM UTENTI WHERE UTENTE=?", *cn_, 0, 3, false, {name}) && !rs.EOF_()) {
            txUserName->setText(Comuni::FieldStr(rs["Utente"]));
            txUserName->setEnabled(false);
            txPassword->setText(Comuni::FieldStr(rs["Password"]));
            ckIsAdmin->setChecked(Comuni::FieldNum(rs["ISADMIN"]).toInt() != 0);
        }
        for (int i = 0; i < lsPermessi->count(); ++i) lsPermessi->item(i)->setCheckState(Qt::Unchecked);
        ADODB::Recordset perms;
        if (modAdoCommon::OpenRecordset(perms, "SELECT * FROM PERMESSI WHERE UTENTE=?", *cn_, 0, 3, false, {name})) {
            while (!perms.EOF_()) {
                const QString p = Comuni::FieldStr(perms["Permesso"]).toUpper();
                for (int i = 0; i < lsPermessi->count(); ++i)
                    if (lsPermessi->item(i)->text().toUpper() == p) {
                        lsPermessi->item(i)->setCheckState(Qt::Checked);
                        break;
                    }
                perms.MoveNext();
            }
        }
    });
    loading_ = false;
    cmdElimina->setEnabled(name.toUpper() != QLatin1String("ADMIN"));
    cmdConferma->setEnabled(false);
}

void frmUtenti::ClearFields() {
    loading_ = true;
    txUserName->clear();
    txPassword->clear();
    ckIsAdmin->setChecked(false);
    for (int i = 0; i < lsPermessi->count(); ++i) lsPermessi->item(i)->setCheckState(Qt::Unchecked);
    txUserName->setEnabled(true);
    lsUtenti->setCurrentRow(-1);
    lsUtenti->clearSelection();
    loading_ = false;
    cmdConferma->setEnabled(false);
    cmdElimina->setEnabled(false);
}

void frmUtenti::cmdNuovo_Click() {
    if (cmdConferma->isEnabled() &&
        MsgBox(QStringLiteral("Ci sono dati modificati che proseguendo saranno persi. Proseguo?"),
               vbYesNo + vbQuestion + vbDefaultButton2) == vbNo)
        return;
    ClearFields();
    txUserName->setFocus();
}

void frmUtenti::cmdConferma_Click() {
    if (!cn_) return;
    // Names are kept without the blanks typed around them.
    const QString name = Trim(txUserName->text());
    if (name.isEmpty()) {
        MsgBox(QStringLiteral("Il nome utente è obbligatorio"), vbOKOnly);
        txUserName->setFocus();
        return;
    }
    const bool existingSelected = lsUtenti->currentRow() >= 0;
    bool saved = false;
    ProcGuard::Run(QStringLiteral("Procedura cmdConferma_Click di Form frmUtenti"), [&] {
        ADODB::Recordset rs;
        if (!modAdoCommon::OpenRecordset(rs, "SELECT * FROM UTENTI WHERE UTENTE=?", *cn_, 1, 3, false, {name})) return;
        if (!rs.EOF_() && !existingSelected) {
            MsgBox(QStringLiteral("Il nome utente è già esistente"), vbOKOnly);
            return;
        }
        if (rs.EOF_()) {
            rs.AddNew();
            rs.SetValue("Utente", name);
        }
        rs.SetValue("Password", txPassword->text());
        rs.SetValue("ISADMIN", ckIsAdmin->isChecked());
        if (!modAdoCommon::UpdateRecordset(rs)) return;
        cn_->BeginTrans();
        try {
            cn_->Execute("DELETE FROM PERMESSI WHERE UTENTE=?;", {name});
            for (int i = 0; i < lsPermessi->count(); ++i)
                if (lsPermessi->item(i)->checkState() == Qt::Checked)
                    cn_->Execute("INSERT INTO PERMESSI (UTENTE, PERMESSO, U_MOD) VALUES (?,?,?)",
                                 {name, lsPermessi->item(i)->text(), Now()});
            cn_->CommitTrans();
        } catch (...) {
            cn_->RollbackTrans();
            throw;
        }
        saved = true;
    });
    if (!saved) return;
    if (!existingSelected) {
        lsUtenti->addItem(name);
        lsUtenti->setCurrentRow(lsUtenti->count() - 1);
    }
    cmdConferma->setEnabled(false);
    cmdElimina->setEnabled(lsUtenti->currentItem() && lsUtenti->currentItem()->text().toUpper() != QLatin1String("ADMIN"));
}

void frmUtenti::cmdElimina_Click() {
    if (!cn_) return;
    if (MsgBox(QStringLiteral("Confermi eliminazione dell'utente selezionato?"), vbYesNo + vbQuestion + vbDefaultButton2) ==
        vbNo)
        return;
    ProcGuard::Run(QStringLiteral("Procedura cmdElimina_Click di Form frmUtenti"), [&] {
        const QString name = txUserName->text();
        if (cn_->Execute("Delete From UTENTI WHERE UTENTE=?", {name}) > 0) {
            cn_->Execute("Delete From PERMESSI WHERE UTENTE=?", {name});
            delete lsUtenti->takeItem(lsUtenti->currentRow());
            ClearFields();
        }
    });
}

void frmUtenti::cmdEsci_Click() { Unload(); }
