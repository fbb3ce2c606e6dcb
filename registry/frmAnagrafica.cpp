#include "frmAnagrafica.h"

#include "Controls.h"

#include "ADODB.h"
#include "ComboBox.h"
#include "Comuni.h"
#include "DatePicker.h"
#include "Global.h"
#include "Locks.h"
#include "MultiButton.h"
#include "Neighbours.h"
#include "ImportRows.h"
#include "Normalizzazione.h"
#include "ProcGuard.h"
#include "RowAsRead.h"
#include "Values.h"
#include "Widgets.h"
#include "frmAziende.h"
#include "frmCatMer.h"
#include "frmCercaAnagrafica.h"
#include "frmLocked.h"
#include "modAdoCommon.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>

using namespace Platform;
using Registry::Box;
using Registry::Button;

namespace {
const QString kUnsaved = QStringLiteral("Sono state effettuate modifiche che non sono state salvate. Proseguo ugualmente?");
const QString kNext = QStringLiteral("SELECT MIN(ID) FROM ANAGRAFICA WHERE ID>?;");
const QString kPrevious = QStringLiteral("SELECT MAX(ID) FROM ANAGRAFICA WHERE ID<?;");



QVariant TextOrNull(const QString& text) {
    const QString t = Trim(text);
    return t.isEmpty() ? QVariant() : QVariant(t);
}

// A birth date, or none (Null): a card without one shows 1/1/1970 under its
// cleared tick, so ticking it never starts from the record shown before.
void ShowBirthDate(DatePicker* picker, const QVariant& value) {
    picker->SetValue(QDateTime(QDate(1970, 1, 1), QTime(0, 0)));
    picker->SetValue(value);
}
}  // namespace

frmAnagrafica::frmAnagrafica() {
    setWindowTitle(QStringLiteral(" Schede anagrafiche"));
    auto* grid = new QGridLayout(this);
    int r = 0;
    auto label = [&](const QString& text, int row, int col) { grid->addWidget(new QLabel(text, this), row, col); };

    lbID = new QLabel(this);
    lbID->setObjectName("lbID");
    cbCategoria = new ComboBox(this, true);
    cbCategoria->setObjectName("cbCategoria");
    Comuni::LimitToColumn(cbCategoria, "ANAGRAFICA", "CATEGORIA");
    lsCatMer = new QListWidget(this);
    lsCatMer->setObjectName("lsCatMer");
    lsCatMer->setMaximumHeight(90);
    cmdTabCatMer = Button(this, "cmdTabCatMer", QStringLiteral("..."));
    cbTitolo = new ComboBox(this, true);
    cbTitolo->setObjectName("cbTitolo");
    Comuni::LimitToColumn(cbTitolo, "ANAGRAFICA", "TITOLO");
    txCognome = Box(this, "txCognome", "ANAGRAFICA", "COGNOME");
    txNome = Box(this, "txNome", "ANAGRAFICA", "NOME");
    txContatto = Box(this, "txContatto", "ANAGRAFICA", "RUOLO");
    txIDAzienda = Box(this, "txIDAzienda");
    txAzienda = Box(this, "txAzienda", "ANAGRAFICA", "AZIENDA");
    txIndirizzo = Box(this, "txIndirizzo", "ANAGRAFICA", "INDIRIZZO");
    txCAP = Box(this, "txCAP", "ANAGRAFICA", "CAP");
    txCitta = Box(this, "txCittà", "ANAGRAFICA", "CITTA");
    txProv = Box(this, "txProv", "ANAGRAFICA", "PROVINCIA");
    txNazione = Box(this, "txNazione", "ANAGRAFICA", "NAZIONE");
    txEmail = Box(this, "txEmail", "ANAGRAFICA", "EMAIL");
    txTelefono = Box(this, "txTelefono", "ANAGRAFICA", "TELEFONO");
    txCellulare = Box(this, "txCellulare", "ANAGRAFICA", "CELLULARE");
    txTelefonoCasa = Box(this, "txTelefonoCasa", "ANAGRAFICA", "TELEFONOCASA");
    txFax = Box(this, "txFax", "ANAGRAFICA", "FAX");
    Frame1 = new QGroupBox(QStringLiteral("preferenza di invio"), this);
    Frame1->setObjectName("Frame1");
    auto* prefs = new QHBoxLayout(Frame1);
    const char* prefCaptions[] = {"posta ordinaria", "telefax", "e-mail"};
    for (int i = 0; i < 3; ++i) {
        opPreferenza[i] = new QRadioButton(QString::fromUtf8(prefCaptions[i]), Frame1);
        opPreferenza[i]->setObjectName(QString("opPreferenza_%1").arg(i));
        prefs->addWidget(opPreferenza[i]);
        connect(opPreferenza[i], &QRadioButton::clicked, this, [this, i] { opPreferenza_Click(i); });
    }
    dpDatNas = new DatePicker(this);
    dpDatNas->setObjectName("dpDatNas");
    txNote = new Platform::MultiLineTextBox(this);
    txNote->setObjectName("txNote");
    Comuni::LimitToColumn(txNote, "ANAGRAFICA", "NOTE");
    txNote->setMaximumHeight(70);

    label(QStringLiteral("codice anagrafica"), r, 0);
    grid->addWidget(lbID, r, 1);
    label(QStringLiteral("categoria"), r, 2);
    grid->addWidget(cbCategoria, r++, 3);
    label(QStringLiteral("cat.merc."), r, 0);
    grid->addWidget(lsCatMer, r, 1, 1, 2);
    grid->addWidget(cmdTabCatMer, r++, 3, Qt::AlignLeft);
    label(QStringLiteral("titolo"), r, 0);
    grid->addWidget(cbTitolo, r, 1);
    label(QStringLiteral("cognome "), r, 2);
    grid->addWidget(txCognome, r++, 3);
    label(QStringLiteral("nome "), r, 0);
    grid->addWidget(txNome, r, 1);
    label(QStringLiteral("ruolo"), r, 2);
    grid->addWidget(txContatto, r++, 3);
    label(QStringLiteral("cod. azienda"), r, 0);
    grid->addWidget(txIDAzienda, r, 1);
    label(QStringLiteral("ragione sociale azienda"), r, 2);
    grid->addWidget(txAzienda, r++, 3);
    label(QStringLiteral("indirizzo"), r, 0);
    grid->addWidget(txIndirizzo, r, 1);
    label(QStringLiteral("CAP"), r, 2);
    grid->addWidget(txCAP, r++, 3);
    label(QStringLiteral("città"), r, 0);
    grid->addWidget(txCitta, r, 1);
    label(QStringLiteral("prov."), r, 2);
    grid->addWidget(txProv, r++, 3);
    label(QStringLiteral("nazione"), r, 0);
    grid->addWidget(txNazione, r, 1);
    label(QStringLiteral("e-mail"), r, 2);
    grid->addWidget(txEmail, r++, 3);
    label(QStringLiteral("telefono ufficio"), r, 0);
    grid->addWidget(txTelefono, r, 1);
    label(QStringLiteral("cellulare"), r, 2);
    grid->addWidget(txCellulare, r++, 3);
    label(QStringLiteral("telefono casa"), r, 0);
    grid->addWidget(txTelefonoCasa, r, 1);
    label(QStringLiteral("fax"), r, 2);
    grid->addWidget(txFax, r++, 3);
    grid->addWidget(Frame1, r, 0, 1, 2);
    label(QStringLiteral("data di nascita"), r, 2);
    grid->addWidget(dpDatNas, r++, 3);
    label(QStringLiteral("note"), r, 0);
    grid->addWidget(txNote, r++, 1, 1, 3);
    for (int i = 0; i < 4; ++i) {
        lbfreefield[i] = new QLabel(this);
        lbfreefield[i]->setObjectName(QString("lbfreefield_%1").arg(i));
        txFreeField[i] = Box(this, QString("txFreeField_%1").arg(i), "ANAGRAFICA", QString("FREEFIELD%1").arg(i + 1));
        grid->addWidget(lbfreefield[i], r + i / 2, (i % 2) * 2);
        grid->addWidget(txFreeField[i], r + i / 2, (i % 2) * 2 + 1);
        lbfreefield[i]->hide();
        txFreeField[i]->hide();
        connect(txFreeField[i], &QLineEdit::textChanged, this, &frmAnagrafica::Modificato);
    }
    r += 2;
    auto* nav = new QHBoxLayout;
    cmdFirst = Button(this, "cmdFirst", QStringLiteral("|<"));
    cmdPrevious = Button(this, "cmdPrevious", QStringLiteral("<"));
    cmdNext = Button(this, "cmdNext", QStringLiteral(">"));
    cmdLast = Button(this, "cmdLast", QStringLiteral(">|"));
    Command1 = Button(this, "Command1", QStringLiteral("ricerca azienda"));
    cmdAnaUte = Button(this, "cmdAnaUte", QStringLiteral("associazione anagrafiche/utenti"));
    cmdAnaUte->hide();
    for (auto* b : {cmdFirst, cmdPrevious, cmdNext, cmdLast, Command1, cmdAnaUte}) nav->addWidget(b);
    grid->addLayout(nav, r++, 0, 1, 4);
    auto* actions = new QHBoxLayout;
    cmdNuovo = Button(this, "cmdNuovo", QStringLiteral("nuova scheda anagrafica"));
    cmdRicerca = Button(this, "cmdRicerca", QStringLiteral("ricerca scheda"));
    cmdSalva = Button(this, "cmdSalva", QStringLiteral("salva modifiche scheda anagrafica"));
    cmdElimina = Button(this, "cmdElimina", QStringLiteral("elimina scheda"));
    cmdCopiaScheda = Button(this, "cmdCopiaScheda", QStringLiteral("copia scheda"));
    cmdFine = Button(this, "cmdFine", QStringLiteral("esci"));
    SetCancelButton(cmdFine);
    for (auto* b : {cmdNuovo, cmdRicerca, cmdSalva, cmdElimina, cmdCopiaScheda, cmdFine}) actions->addWidget(b);
    grid->addLayout(actions, r++, 0, 1, 4);
    cmdSalva->setEnabled(false);
    cmdElimina->setEnabled(false);
    cmdCopiaScheda->setEnabled(false);

    for (QLineEdit* box : {txAzienda, txCAP, txCellulare, txCitta, txCognome, txContatto, txEmail, txFax, txIDAzienda,
                           txIndirizzo, txNazione, txNome, txProv, txTelefono, txTelefonoCasa})
        connect(box, &QLineEdit::textChanged, this, &frmAnagrafica::Modificato);
    connect(txNote, &QPlainTextEdit::textChanged, this, &frmAnagrafica::Modificato);
    connect(cbCategoria, &QComboBox::editTextChanged, this, &frmAnagrafica::Modificato);
    connect(cbTitolo, &QComboBox::editTextChanged, this, &frmAnagrafica::Modificato);
    connect(dpDatNas, &DatePicker::Change, this, &frmAnagrafica::Modificato);
    connect(lsCatMer, &QListWidget::itemChanged, this, [this] { Modificato(); });
    // The rules run on every leave, changed or not: tabbing through a loaded
    // record applies them, and an unchanged bad fax number warns again.
    OnLostFocus(txCognome, [this] { txCognome_LostFocus(); });
    OnLostFocus(txAzienda, [this] { txAzienda_LostFocus(); });
    OnLostFocus(txFax, [this] { txFax_LostFocus(); });
    OnLostFocus(txIDAzienda, [this] { txIDAzienda_LostFocus(); });
    OnLostFocus(cbTitolo, [this] { cbTitolo_LostFocus(); });

    connect(cmdNuovo, &QPushButton::clicked, this, &frmAnagrafica::cmdNuovo_Click);
    connect(cmdRicerca, &QPushButton::clicked, this, &frmAnagrafica::cmdRicerca_Click);
    connect(cmdSalva, &QPushButton::clicked, this, &frmAnagrafica::cmdSalva_Click);
    connect(cmdElimina, &QPushButton::clicked, this, &frmAnagrafica::cmdElimina_Click);
    connect(cmdCopiaScheda, &QPushButton::clicked, this, &frmAnagrafica::cmdCopiaScheda_Click);
    connect(cmdFine, &QPushButton::clicked, this, &frmAnagrafica::cmdFine_Click);
    connect(Command1, &QPushButton::clicked, this, &frmAnagrafica::Command1_Click);
    connect(cmdFirst, &QPushButton::clicked, this, &frmAnagrafica::cmdFirst_Click);
    connect(cmdPrevious, &QPushButton::clicked, this, &frmAnagrafica::cmdPrevious_Click);
    connect(cmdNext, &QPushButton::clicked, this, &frmAnagrafica::cmdNext_Click);
    connect(cmdLast, &QPushButton::clicked, this, &frmAnagrafica::cmdLast_Click);
    connect(cmdAnaUte, &QPushButton::clicked, this, &frmAnagrafica::cmdAnaUte_Click);
    connect(cmdTabCatMer, &QPushButton::clicked, this, &frmAnagrafica::cmdTabCatMer_Click);
}

frmAnagrafica::~frmAnagrafica() = default;

void frmAnagrafica::Modificato() { cmdSalva->setEnabled(true); }

qint32 frmAnagrafica::CurrentId() const { return qint32(Val(lbID->text())); }

void frmAnagrafica::Form_Load() {
    if (!modAdoCommon::OpenConnection(cn_, Global::gConnString, false, 19)) {
        cn_.reset();
        ProcGuard::DisableAllBut(this, QStringLiteral("cmdFine"));
        return;
    }
    try {
        LoadCombos();
        CategoryCodes.clear();
        ADODB::Recordset cats;
        if (modAdoCommon::OpenRecordset(cats, "SELECT * FROM CATEGORIE ORDER BY DESCRIZIONE", *cn_, 0, 3))
            while (!cats.EOF_()) {
                CategoryCodes << Comuni::FieldStr(cats["CODICE"]);
                auto* item = new QListWidgetItem(Comuni::FieldStr(cats["DESCRIZIONE"]), lsCatMer);
                item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
                item->setCheckState(Qt::Unchecked);
                cats.MoveNext();
            }
        CleanFields();
        // Emptied, not changed: the search a restricted user starts from has nothing to ask about.
        cmdSalva->setEnabled(false);
        heightTwips_ = 7680;
        ADODB::Recordset captions;
        if (modAdoCommon::OpenRecordset(captions,
                                        "SELECT NOMEFREEFIELDANA1, NOMEFREEFIELDANA2, NOMEFREEFIELDANA3, "
                                        "NOMEFREEFIELDANA4 FROM [CONFIGURAZIONE]",
                                        *cn_, 0, 3) &&
            !captions.EOF_())
            for (int k = 1; k <= 4; ++k) {
                const QString caption = Comuni::FieldStr(captions.Fields(k - 1).Value());
                if (caption.isEmpty()) continue;
                lbfreefield[k - 1]->setText(caption);
                lbfreefield[k - 1]->show();
                txFreeField[k - 1]->show();
                heightTwips_ = std::max(heightTwips_, k <= 2 ? 8250 : 8760);
            }
        resize(width(), TwipsToPixels(heightTwips_));
        if (Global::gLoginActive && Global::CheckPermission(QStringLiteral("ANAUTE"), *cn_)) cmdAnaUte->show();
        if (!Global::HaPermesso(QStringLiteral("tutte le anagrafiche"))) {
            for (QWidget* w : {static_cast<QWidget*>(cmdNuovo), static_cast<QWidget*>(cmdElimina),
                               static_cast<QWidget*>(cmdAnaUte), static_cast<QWidget*>(Command1),
                               static_cast<QWidget*>(cmdTabCatMer), static_cast<QWidget*>(cmdFirst),
                               static_cast<QWidget*>(cmdLast), static_cast<QWidget*>(cmdNext),
                               static_cast<QWidget*>(cmdPrevious)})
                w->hide();
            cmdRicerca_Click();
            if (CurrentId() == 0) {
                Unload();
                return;
            }
        }
        Global::ApplyFormStyle(this);
    } catch (const std::exception& e) {
        Err().Set(e);
        Comuni::ShowError(QStringLiteral("Errore in apertura gestione anagrafiche"), true);
        Err().Clear();
    }
    cmdSalva->setEnabled(false);
}

void frmAnagrafica::LoadCombos() {
    if (!cn_) return;
    auto fill = [&](ComboBox* combo, const QString& sql, const QString& column) {
        ADODB::Recordset rs;
        if (!modAdoCommon::OpenRecordset(rs, sql, *cn_, 0, 3)) return false;
        const QString typed = combo->Text();
        QSignalBlocker block(combo);
        combo->clear();
        while (!rs.EOF_()) {
            combo->AddItem(Comuni::FieldStr(rs[column]));
            rs.MoveNext();
        }
        combo->SetText(typed);
        return true;
    };
    if (fill(cbCategoria, "SELECT DISTINCT CATEGORIA FROM ANAGRAFICA ORDER BY CATEGORIA;", "CATEGORIA"))
        fill(cbTitolo, "SELECT DISTINCT TITOLO FROM ANAGRAFICA ORDER BY TITOLO;", "TITOLO");
}

void frmAnagrafica::CleanFields() {
    Loading = true;
    lbID->clear();
    read_.Clear();
    cbCategoria->SetText(QString());
    cbTitolo->SetText(QString());
    for (QLineEdit* box : {txAzienda, txIDAzienda, txCAP, txCitta, txCognome, txContatto, txEmail, txFax, txIndirizzo,
                           txNazione, txNome, txProv, txTelefono, txTelefonoCasa, txCellulare})
        box->clear();
    ShowBirthDate(dpDatNas, QVariant());
    opPreferenza[0]->setChecked(true);
    for (int i = 0; i < lsCatMer->count(); ++i) lsCatMer->item(i)->setCheckState(Qt::Unchecked);
    // A new card starts empty: nothing of the record shown before stays.
    txNote->clear();
    for (auto* box : txFreeField) box->clear();
    Loading = false;
}

void frmAnagrafica::ReadRecord(qint32 id) {
    CleanFields();
    if (!cn_) return;
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, "SELECT * FROM ANAGRAFICA WHERE ID=?;", *cn_, 0, 3, false, {id})) return;
    Loading = true;
    try {
        if (!rs.EOF_()) read_.Take(rs);
        lbID->setText(Format(Comuni::FieldNum(rs["ID"]), "00000000"));
        cbCategoria->SetText(Comuni::FieldStr(rs["CATEGORIA"]));
        cbTitolo->SetText(Comuni::FieldStr(rs["TITOLO"]));
        const qint32 company = Comuni::FieldNum(rs["IDAZIENDA"]).toInt();
        txIDAzienda->setText(company == 0 ? QStringLiteral(" ") : Format(company, "00000000"));
        txAzienda->setText(Comuni::FieldStr(rs["AZIENDA"]));
        txCAP->setText(Comuni::FieldStr(rs["CAP"]));
        txCellulare->setText(Comuni::FieldStr(rs["CELLULARE"]));
        txCitta->setText(Comuni::FieldStr(rs["CITTA"]));
        txCognome->setText(Comuni::FieldStr(rs["COGNOME"]));
        txContatto->setText(Comuni::FieldStr(rs["RUOLO"]));
        ShowBirthDate(dpDatNas, rs["DATNAS"]);
        txEmail->setText(Comuni::FieldStr(rs["EMAIL"]));
        txFax->setText(Comuni::FieldStr(rs["FAX"]));
        txIndirizzo->setText(Comuni::FieldStr(rs["INDIRIZZO"]));
        txNazione->setText(Comuni::FieldStr(rs["NAZIONE"]));
        txNome->setText(Comuni::FieldStr(rs["NOME"]));
        txProv->setText(Comuni::FieldStr(rs["PROVINCIA"]));
        txTelefono->setText(Comuni::FieldStr(rs["TELEFONO"]));
        txTelefonoCasa->setText(Comuni::FieldStr(rs["TELEFONOCASA"]));
        const QString preference = Comuni::FieldStr(rs["PREFERENZA"]);
        if (preference == "F") opPreferenza[1]->setChecked(true);
        else if (preference == "E") opPreferenza[2]->setChecked(true);
        else opPreferenza[0]->setChecked(true);
        txNote->setPlainText(Comuni::FieldStr(rs["NOTE"]));
        for (int i = 0; i < 4; ++i) txFreeField[i]->setText(Comuni::FieldStr(rs[QString("FREEFIELD%1").arg(i + 1)]));
        Loading = false;
        ADODB::Recordset links;
        if (modAdoCommon::OpenRecordset(links, "SELECT CAT_CODICE FROM ANACAT WHERE ANA_ID=?", *cn_, 0, 3, false, {id}))
            while (!links.EOF_()) {
                const QString code = Comuni::FieldStr(links["CAT_CODICE"]).toUpper();
                for (int i = 0; i < lsCatMer->count() && i < CategoryCodes.size(); ++i)
                    if (CategoryCodes[i].toUpper() == code) {
                        lsCatMer->item(i)->setCheckState(Qt::Checked);
                        break;
                    }
                links.MoveNext();
            }
        cmdElimina->setEnabled(true);
        cmdSalva->setEnabled(false);
        cmdCopiaScheda->setEnabled(true);
    } catch (const BasicError& e) {
        Loading = false;
        MsgBox("Errore " + QString::number(e.Number()) + ": " + e.Description() + " - in lettura anagrafica", vbOKOnly);
    }
}

qint32 frmAnagrafica::NuovaIDANA() { return cn_ ? NextAnagraficaId(*cn_) : 0; }

void frmAnagrafica::cmdSalva_Click() {
    if (!cn_) return;
    if (Trim(txCognome->text()).isEmpty() && Trim(txNome->text()).isEmpty() && Trim(txAzienda->text()).isEmpty()) {
        MsgBox(QStringLiteral("E' necessario inserire cognome e nome o ragione sociale azienda"), vbOKOnly);
        txCognome->setFocus();
        return;
    }
    if ((Trim(txIndirizzo->text()).isEmpty() || Trim(txCitta->text()).isEmpty()) && Trim(txEmail->text()).isEmpty() &&
        Trim(txFax->text()).isEmpty() &&
        MsgBox(QStringLiteral("Attenzione, non sono stati inseriti dati sufficienti all'invio di lettere né fax né e-mail. "
                              "La scheda anagrafica non sarà utilizzabile per l'invio di mailing. Confermi salvataggio?"),
               vbYesNo + vbDefaultButton2) == vbNo)
        return;
    for (;;) {
        if (!DefaultInstance<frmLocked>().LockTables(*cn_, QStringLiteral("ANAGRAFICA"))) return;
        Comuni::ShowWait();
        RowAsRead meanwhile;
        SaveLocked(meanwhile);
        Locks::ReleaseLocks(30);
        Comuni::HideWait();
        if (meanwhile.IsEmpty()) return;
        // Another workstation saved the record after the card read it. The
        // question comes with the lock released: no workstation waits on the
        // answer, and a Yes takes the lock again and looks once more.
        if (!read_.ConfirmOverwrite(meanwhile, {QStringLiteral("questa scheda anagrafica"),
                                                QStringLiteral("era stata letta qui"), QStringLiteral("UTENTE")}))
            return;
        read_ = meanwhile;
    }
}

void frmAnagrafica::SaveLocked(RowAsRead& meanwhile) {
    try {
        ADODB::Recordset rs;
        if (modAdoCommon::OpenRecordset(rs, "SELECT * FROM ANAGRAFICA WHERE ID=?;", *cn_, 1, 3, false, {CurrentId()})) {
            if (!rs.EOF_() && !read_.Matches(rs, meanwhile)) return;
            bool ok = true;
            if (rs.EOF_()) {
                const qint32 id = NuovaIDANA();
                if (id <= 0) {
                    // Without an identifier the record cannot be told apart: nothing is written.
                    MsgBox(QStringLiteral("Impossibile assegnare il codice alla nuova scheda: salvataggio annullato"),
                           vbExclamation);
                    ok = false;
                } else {
                    rs.AddNew();
                    rs.SetValue("ID", id);
                }
            }
            if (ok) {
                rs.SetValue("CATEGORIA", Trim(cbCategoria->Text()));
                rs.SetValue("IDAZIENDA", qint32(Val(txIDAzienda->text())));
                rs.SetValue("AZIENDA", Trim(txAzienda->text()));
                rs.SetValue("TITOLO", Trim(cbTitolo->Text()));
                rs.SetValue("CAP", Trim(txCAP->text()));
                rs.SetValue("CITTA", Trim(txCitta->text()));
                rs.SetValue("COGNOME", Trim(txCognome->text()));
                rs.SetValue("RUOLO", Trim(txContatto->text()));
                rs.SetValue("EMAIL", Trim(txEmail->text()));
                rs.SetValue("FAX", Trim(txFax->text()));
                rs.SetValue("INDIRIZZO", Trim(txIndirizzo->text()));
                rs.SetValue("NAZIONE", Trim(txNazione->text()));
                rs.SetValue("NOME", Trim(txNome->text()));
                rs.SetValue("PROVINCIA", Trim(txProv->text()));
                rs.SetValue("TELEFONO", Trim(txTelefono->text()));
                rs.SetValue("TELEFONOCASA", Trim(txTelefonoCasa->text()));
                rs.SetValue("CELLULARE", Trim(txCellulare->text()));
                rs.SetValue("PREFERENZA", opPreferenza[1]->isChecked() ? "F" : opPreferenza[2]->isChecked() ? "E" : "S");
                rs.SetValue("DATNAS", dpDatNas->Value());
                rs.SetValue("NOTE", TextOrNull(txNote->toPlainText()));
                for (int i = 0; i < 4; ++i) rs.SetValue(QString("FREEFIELD%1").arg(i + 1), TextOrNull(txFreeField[i]->text()));
                rs.SetValue("UTENTE", Global::gCurrentUser);
                rs.SetValue("U_MOD", Now());
                // The record and its category links are written together or
                // not at all; a row that was not written keeps the user's edits
                // on screen, and its links as they were.
                qint32 saved = 0;
                cn_->BeginTrans();
                try {
                    if (modAdoCommon::UpdateRecordset(rs)) {
                        const qint32 id = Comuni::FieldNum(rs["ID"]).toInt();
                        cn_->Execute("DELETE FROM ANACAT WHERE ANA_ID=?", {id});
                        for (int i = 0; i < lsCatMer->count() && i < CategoryCodes.size(); ++i)
                            if (lsCatMer->item(i)->checkState() == Qt::Checked)
                                cn_->Execute("INSERT INTO ANACAT (ANA_ID, CAT_CODICE, U_MOD) VALUES(?,?,?)",
                                             {id, CategoryCodes[i], Now()});
                        cn_->CommitTrans();
                        saved = id;
                    } else {
                        cn_->RollbackTrans();
                    }
                } catch (...) {
                    // The failure that stopped the save is the one reported.
                    try {
                        cn_->RollbackTrans();
                    } catch (const std::exception&) {
                    }
                    throw;
                }
                if (saved > 0) {
                    lbID->setText(QString::number(saved));
                    LoadCombos();
                    ReadRecord(saved);
                }
            }
        }
    } catch (const std::exception& e) {
        Err().Set(e);
        Comuni::ShowError(QStringLiteral("Errore in salvataggio anagrafica"), true);
        Err().Clear();
    }
}

bool frmAnagrafica::ConfirmDiscard() {
    return !cmdSalva->isEnabled() || MsgBox(kUnsaved, vbYesNo + vbDefaultButton2) == vbYes;
}

void frmAnagrafica::cmdNuovo_Click() {
    if (!ConfirmDiscard()) return;
    CleanFields();
    if (cbCategoria->isVisible()) cbCategoria->setFocus();
    cmdSalva->setEnabled(false);
    cmdElimina->setEnabled(false);
    cmdCopiaScheda->setEnabled(false);
}

void frmAnagrafica::cmdCopiaScheda_Click() {
    if (!ConfirmDiscard()) return;
    txCognome->clear();
    txNome->clear();
    lbID->clear();
    read_.Clear();
    // The copy is of someone else: no birth date is carried over or invented.
    ShowBirthDate(dpDatNas, QVariant());
    txCellulare->clear();
    txEmail->clear();
    if (cbCategoria->isVisible()) cbCategoria->setFocus();
    cmdSalva->setEnabled(false);
    cmdElimina->setEnabled(false);
    cmdCopiaScheda->setEnabled(false);
}

void frmAnagrafica::cmdElimina_Click() {
    if (!cn_ || CurrentId() <= 0) return;
    if (MsgBox(QStringLiteral("Confermi eliminazione della scheda anagrafica selezionata?"), vbYesNo) == vbNo) return;
    const qint32 id = CurrentId();
    ADODB::Recordset count;
    if (!modAdoCommon::OpenRecordset(count, "SELECT COUNT(*) FROM CONTATTI WHERE IDANA=?;", *cn_, 0, 3, false, {id})) return;
    if (Comuni::FieldNum(count.Fields(0).Value()).toInt() > 0) {
        MsgBox(QStringLiteral("L'eliminazione non è possibile poichè esistono contatti per questa anagrafica"), vbOKOnly);
        return;
    }
    count.Close();
    // The record goes with its category and visibility links, all or nothing.
    try {
        cn_->BeginTrans();
        cn_->Execute("DELETE FROM ANAGRAFICA WHERE ID=?;", {id});
        cn_->Execute("DELETE FROM ANACAT WHERE ANA_ID=?;", {id});
        cn_->Execute("DELETE FROM ANAUTE WHERE ANA_ID=?;", {id});
        cn_->CommitTrans();
    } catch (const BasicError&) {
        try {
            cn_->RollbackTrans();
        } catch (const BasicError&) {
        }
        modAdoCommon::ShowAdoErrors(*cn_, QStringLiteral("Errore"), vbCritical);
        cn_->Errors().clear();
        return;
    }
    // The deleted record leaves nothing of the user's to keep: the move off it asks nothing.
    Navigate(kPrevious, {id}, false);
    Navigate(kNext, {CurrentId()}, false);
    if (CurrentId() == id) {
        // The table is empty now: the card shows nothing.
        CleanFields();
        cmdSalva->setEnabled(false);
        cmdElimina->setEnabled(false);
        cmdCopiaScheda->setEnabled(false);
    }
}

// Reading another record drops what the card holds: an edit not saved is
// dropped only on the user's word, and only when there is a record to go to.
void frmAnagrafica::Navigate(const QString& sql, const QVariantList& params, bool ask) {
    if (!cn_) return;
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, sql, *cn_, 0, 3, false, params)) return;
    const qint32 id = rs.EOF_() ? 0 : Comuni::FieldNum(rs.Fields(0).Value()).toInt();
    rs.Close();
    if (id < 1) {
        Beep();
        return;
    }
    if (ask && !ConfirmDiscard()) return;
    ReadRecord(id);
}

void frmAnagrafica::cmdFirst_Click() { Navigate("SELECT MIN(ID) FROM ANAGRAFICA"); }
void frmAnagrafica::cmdLast_Click() { Navigate("SELECT MAX(ID) FROM ANAGRAFICA"); }
void frmAnagrafica::cmdNext_Click() { Navigate(kNext, {CurrentId()}); }
void frmAnagrafica::cmdPrevious_Click() { Navigate(kPrevious, {CurrentId()}); }

void frmAnagrafica::cmdRicerca_Click() {
    auto& search = DefaultInstance<frmCercaAnagrafica>();
    search.RowsChecked = false;
    search.cmdInserisci->setVisible(false);
    search.Show(vbModal, this);
    const qint32 id = qint32(Val(search.Tag));
    if (id > 0 && ConfirmDiscard()) ReadRecord(id);
}

void frmAnagrafica::Command1_Click() {
    auto& lookup = DefaultInstance<frmAziende>();
    lookup.Show(vbModal, this);
    const qint32 id = qint32(Val(lookup.Tag));
    lookup.Unload();
    if (id > 0) {
        txIDAzienda->setText(QString::number(id));
        txIDAzienda_LostFocus();
    }
}

void frmAnagrafica::cmdTabCatMer_Click() { DefaultInstance<frmCatMer>().Show(vbModal, this); }
void frmAnagrafica::cmdAnaUte_Click() { Neighbours::Show(QStringLiteral("frmAssociaClientiUtenti")); }
void frmAnagrafica::cmdFine_Click() { Unload(); }

void frmAnagrafica::txCognome_LostFocus() { txCognome->setText(Normalizzazione::Normalizza(txCognome->text())); }
void frmAnagrafica::txAzienda_LostFocus() { txAzienda->setText(Normalizzazione::Normalizza(txAzienda->text())); }

void frmAnagrafica::cbTitolo_LostFocus() {
    if (cbTitolo->findText(cbTitolo->currentText(), Qt::MatchFixedString) < 1)
        cbTitolo->SetText(Normalizzazione::Normalizza(cbTitolo->currentText()));
}

void frmAnagrafica::txFax_LostFocus() {
    for (QChar c : txFax->text()) {
        if ((c >= '0' && c <= '9') || c == ' ') continue;
        MsgBox(QStringLiteral("Il numero di fax puà contenere solo numeri ed eventualmente spazi"), vbOKOnly);
        txFax->setFocus();
        return;
    }
}

void frmAnagrafica::opPreferenza_Click(int) {
    if (Loading) return;
    if (opPreferenza[0]->isChecked()) {
        if (Trim(txIndirizzo->text()).isEmpty() || Trim(txCitta->text()).isEmpty())
            MsgBox(QStringLiteral("Non sono stati inseriti dati sufficienti per l'invio postale. Se non si inseriranno i "
                                  "dati non sarà possibile usare la scheda per l'invio di mailing via posta."));
    } else if (opPreferenza[1]->isChecked()) {
        if (Trim(txFax->text()).isEmpty())
            MsgBox(QStringLiteral("Non è stato inserito il numero di Fax. Se non si inserirà non sarà possibile usare la "
                                  "scheda per l'invio di mailing via fax."));
    } else if (Trim(txEmail->text()).isEmpty()) {
        MsgBox(QStringLiteral("Non è stato inserito l'indirizzo di e-mail. Se non si inserirà non sarà possibile usare la "
                              "scheda per l'invio di mailing via e-mail."));
    }
    Modificato();
}

void frmAnagrafica::txIDAzienda_LostFocus() {
    const QString text = Trim(txIDAzienda->text());
    if (text.isEmpty() || !cn_) return;
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, "SELECT * FROM ANAGRAFICA WHERE AZIENDA>'!' AND IDAZIENDA=0 AND ID=?", *cn_, 0, 3,
                                     false, {qint64(Val(text))}))
        return;
    if (rs.EOF_()) {
        MsgBox(QStringLiteral("L'anagrafica con questa id non esiste o non corrisponde ad una azienda"), vbOKOnly);
        return;
    }
    cbCategoria->SetText(Comuni::FieldStr(rs["CATEGORIA"]));
    txAzienda->setText(Comuni::FieldStr(rs["AZIENDA"]));
    txIndirizzo->setText(Comuni::FieldStr(rs["INDIRIZZO"]));
    txCAP->setText(Comuni::FieldStr(rs["CAP"]));
    txCitta->setText(Comuni::FieldStr(rs["CITTA"]));
    txFax->setText(Comuni::FieldStr(rs["FAX"]));
    txNazione->setText(Comuni::FieldStr(rs["NAZIONE"]));
    txProv->setText(Comuni::FieldStr(rs["PROVINCIA"]));
    txTelefono->setText(Comuni::FieldStr(rs["TELEFONO"]));
}

void frmAnagrafica::Form_QueryUnload(int& cancel, int) {
    if (!ConfirmDiscard()) cancel = 1;
}

void frmAnagrafica::Form_Unload(int&) {
    if (cn_) cn_->Close();
    cn_.reset();
}
