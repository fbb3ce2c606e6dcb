#include "frmQuickContatto.h"

#include "ADODB.h"
#include "Attivita.h"
#include "ComboBox.h"
#include "Comuni.h"
#include "Global.h"
#include "Locks.h"
#include "MultiButton.h"
#include "ProcGuard.h"
#include "Runtime.h"
#include "Values.h"
#include "frmLocked.h"
#include "modAdoCommon.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

using namespace Platform;
using Attivita::Procedure;

frmQuickContatto::frmQuickContatto() {
    setWindowTitle(QStringLiteral("inserimento rapido contatto"));
    auto* grid = new QGridLayout(this);
    cbClienti = new ComboBox(this, true);
    cbClienti->setObjectName("cbClienti");
    Frame1 = new QGroupBox(QStringLiteral("dati del cliente"), this);
    Frame1->setObjectName("Frame1");
    auto* frame = new QVBoxLayout(Frame1);
    lbCliente = new QLabel(Frame1);
    lbCliente->setObjectName("lbCliente");
    lbCliente->setWordWrap(true);
    lbCliente->setMinimumHeight(40);
    frame->addWidget(lbCliente);
    lbIdAzienda = new QLabel(QStringLiteral("0"), this);
    lbIdAzienda->setObjectName("lbIdAzienda");
    lbIdAzienda->hide();
    opTipo[0] = new QRadioButton(QStringLiteral("visita"), this);
    opTipo[1] = new QRadioButton(QStringLiteral("telefonata"), this);
    opTipo[0]->setObjectName("opTipo_0");
    opTipo[1]->setObjectName("opTipo_1");
    opTipo[0]->setChecked(true);
    dpData = new DateTimePicker(QStringLiteral("dd/MM/yyyy HH:mm:ss"), this);
    dpData->setObjectName("dpData");
    txDescrizione = new MultiLineTextBox(this);
    txDescrizione->setObjectName("txDescrizione");
    Comuni::LimitToColumn(txDescrizione, "CONTATTI", "DESCRIZIONE");
    cmdConferma = new MultiButton(QStringLiteral("conferma"), this);
    cmdConferma->setObjectName("cmdConferma");
    cmdFine = new MultiButton(QStringLiteral("esci"), this);
    cmdFine->setObjectName("cmdFine");
    // No cancel button: "esci" ends the program, and like the main menu this
    // window gives Escape to nothing, so one key never drops what is typed.
    cmdDettagli = new MultiButton(QStringLiteral("dettagli"), this);
    cmdDettagli->setObjectName("cmdDettagli");

    grid->addWidget(new QLabel(QStringLiteral("anagrafica"), this), 0, 0);
    grid->addWidget(cbClienti, 0, 1, 1, 3);
    grid->addWidget(Frame1, 1, 0, 1, 4);
    grid->addWidget(opTipo[0], 2, 0);
    grid->addWidget(opTipo[1], 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("data contatto"), this), 2, 2, Qt::AlignRight);
    grid->addWidget(dpData, 2, 3);
    grid->addWidget(new QLabel(QStringLiteral("descrizione e annotazioni"), this), 3, 0, 1, 4);
    grid->addWidget(txDescrizione, 4, 0, 1, 4);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdDettagli);
    buttons->addStretch();
    buttons->addWidget(cmdConferma);
    buttons->addWidget(cmdFine);
    grid->addLayout(buttons, 5, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    connect(cbClienti->lineEdit(), &QLineEdit::textEdited, this,
            Procedure(this, "cbClienti_Change", &frmQuickContatto::cbClienti_Change));
    connect(cbClienti, &QComboBox::activated, this,
            Procedure(this, "cbClienti_Click", &frmQuickContatto::cbClienti_Click));
    connect(cmdConferma, &QPushButton::clicked, this,
            Procedure(this, "cmdConferma_Click", &frmQuickContatto::cmdConferma_Click));
    connect(cmdFine, &QPushButton::clicked, this, &frmQuickContatto::cmdFine_Click);
    resize(560, 380);
}

frmQuickContatto::~frmQuickContatto() = default;

void frmQuickContatto::Form_Load() {
    Global::gCurrentUser = Comuni::ReadIni(QStringLiteral("QUICKUSER"), QString(), QStringLiteral("Config"));
    if (Global::gCurrentUser.isEmpty()) {
        MsgBox(QStringLiteral("Utente quick non impostato"));
        App::End();
        Unload();
        return;
    }
    if (!modAdoCommon::OpenConnection(cn_, Global::gConnString, false, 19)) {
        cn_.reset();
        ProcGuard::DisableAllBut(this, QStringLiteral("cmdFine"));
    } else {
        ProcGuard::Run(QStringLiteral("Procedura Form_Load di Form frmQuickContatto"),
                       [this] { CompilaClienti(cbClienti, QString()); });
        dpData->setDateTime(Now());
    }
    Global::ApplyFormStyle(this);
}

void frmQuickContatto::CompilaClienti(QComboBox* combo, const QString& text) {
    combo->clear();
    if (!cn_) return;
    QString sql = QStringLiteral("SELECT ID,AZIENDA,COGNOME, NOME FROM ANAGRAFICA ");
    QVariantList params;
    if (!text.isEmpty()) {
        // A record with any of the three parts Null never matches typed text.
        sql += QStringLiteral(" WHERE  AZIENDA & ' ' & COGNOME & ' ' & NOME LIKE ?");
        params << text + "%";
    }
    sql += QStringLiteral(" ORDER BY AZIENDA ,COGNOME, NOME;");
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, sql, *cn_, 0, 3, false, params)) return;
    auto* box = qobject_cast<ComboBox*>(combo);
    while (!rs.EOF_()) {
        const QString name = Trim(Comuni::FieldStr(rs["AZIENDA"]) + " " + Comuni::FieldStr(rs["COGNOME"]) + " " +
                                  Comuni::FieldStr(rs["NOME"]));
        if (box) box->AddItem(name, Comuni::FieldNum(rs["ID"]).toInt());
        else combo->addItem(name, Comuni::FieldNum(rs["ID"]).toInt());
        rs.MoveNext();
    }
    combo->setCurrentIndex(-1);
}

void frmQuickContatto::SelCli(QComboBox* combo, bool keepClosed) {
    if (busy_) return;
    busy_ = true;
    const QString typed = combo->currentText();
    {
        QSignalBlocker block(combo);
        CompilaClienti(combo, typed);
        if (combo->lineEdit()) combo->lineEdit()->setText(typed);
    }
    if (!typed.isEmpty() && combo->count() > 0 && !keepClosed) Comuni::ShowComboDropDown(combo);
    // Opening the list lets the keys waiting meanwhile through: the letters
    // typed faster than it opened are in the box now and stay there, and the
    // list follows them.
    const QString now = combo->lineEdit() ? combo->lineEdit()->text() : typed;
    if (combo->lineEdit()) combo->lineEdit()->setCursorPosition(int(now.size()));
    busy_ = false;
    if (now != typed) SelCli(combo, keepClosed);
}

void frmQuickContatto::cbClienti_Change() { SelCli(cbClienti, false); }

void frmQuickContatto::cbClienti_Click() {
    lbCliente->clear();
    lbIdAzienda->setText(QStringLiteral("0"));
    if (cbClienti->ListIndex() < 0 || !cn_) return;
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, QStringLiteral("SELECT * FROM ANAGRAFICA WHERE ID=?"), *cn_, 0, 3, false,
                                     {cbClienti->ItemData(cbClienti->ListIndex()).toInt()}) ||
        rs.EOF_())
        return;
    auto f = [&rs](const char* column) { return Comuni::FieldStr(rs[QString::fromLatin1(column)]); };
    QString text = f("INDIRIZZO");
    if (!f("CAP").isEmpty()) text += " - " + f("CAP");
    if (!f("CITTA").isEmpty()) text += " - " + f("CITTA");
    if (!f("PROVINCIA").isEmpty()) text += " (" + f("PROVINCIA") + ")";
    text += "\n";
    const char* columns[] = {"EMAIL", "TELEFONO", "TELEFONOCASA", "CELLULARE", "FAX"};
    const char* prefixes[] = {"e-mail: ", "tel.: ", "tel.casa: ", "cell.: ", "fax.: "};
    for (int i = 0; i < 5; ++i)
        if (!f(columns[i]).isEmpty()) text += QString::fromLatin1(prefixes[i]) + f(columns[i]) + "  ";
    lbCliente->setText(text);
    lbIdAzienda->setText(QString::number(Comuni::FieldNum(rs["IDAZIENDA"]).toInt()));
}

qint32 frmQuickContatto::NuovaIDCONT() { return cn_ ? Attivita::NuovaIDCONT(*cn_, Global::gCurrentUser) : 0; }

void frmQuickContatto::cmdConferma_Click() {
    if (cbClienti->ListIndex() < 0) {
        MsgBox(QStringLiteral("Occorre selezionare il cliente"));
        return;
    }
    if (!cn_ || !DefaultInstance<frmLocked>().LockTables(*cn_, QStringLiteral("CONTATTI"))) return;
    bool written = false;
    ProcGuard::Run(QStringLiteral("Procedura cmdConferma_Click di Form frmQuickContatto"), [&] {
        ADODB::Recordset rs;
        if (!modAdoCommon::OpenRecordset(rs, QStringLiteral("SELECT * FROM CONTATTI WHERE IDCONT=-1;"), *cn_, 1, 3)) return;
        // A number the user may already have is never written.
        const qint32 id = NuovaIDCONT();
        if (id <= 0) {
            MsgBox(QStringLiteral("Impossibile assegnare il numero al nuovo contatto. Contatto non salvato"), vbExclamation);
            return;
        }
        const bool visit = opTipo[0]->isChecked();
        const QDateTime when = dpData->dateTime();
        const QString user = Global::gCurrentUser;
        rs.AddNew();
        rs.SetValue("IDCONT", id);
        rs.SetValue("UTENTE", user);
        rs.SetValue("UTENTEMODIFICA", user);
        rs.SetValue("IDANA", cbClienti->ItemData(cbClienti->ListIndex()).toInt());
        rs.SetValue("IDAZIENDA", qint32(Val(lbIdAzienda->text())));
        rs.SetValue("TIPOCONT", visit ? QStringLiteral("V") : QStringLiteral("T"));
        rs.SetValue("LUOGO", visit ? QStringLiteral("Sede cliente") : QString());
        rs.SetValue("DESCRIZIONE", Trim(txDescrizione->toPlainText()));
        rs.SetValue("NOTE", QString());
        rs.SetValue("DATA", when);
        rs.SetValue("DATAFINE", when);
        rs.SetValue("DATAAVVISO", QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
        rs.SetValue("AVVISOREMOTO", QString());
        rs.SetValue("AVVISOCONTATTO", QString());
        rs.SetValue("AVVISOMESSAGE", QString());
        rs.SetValue("AVVISO1DATE", QVariant());
        rs.SetValue("AVVISO2DATE", QVariant());
        rs.SetValue("AVVISO1SENT", false);
        rs.SetValue("AVVISO2SENT", false);
        rs.SetValue("U_MOD", Now());
        written = modAdoCommon::UpdateRecordset(rs);
    });
    Locks::ReleaseLocks(30);
    // A write that failed leaves the entry on screen to be saved again.
    if (written) cmdFine_Click();
}

void frmQuickContatto::cmdFine_Click() { App::End(); }

void frmQuickContatto::Form_Unload(int&) {
    if (cn_ && cn_->State() == ADODB::adStateOpen) cn_->Close();
    cn_.reset();
    App::End();
}
