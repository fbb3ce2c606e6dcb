#include "frmCercaAnagrafica.h"

#include "ADODB.h"
#include "Controls.h"
#include "Comuni.h"
#include "Global.h"
#include "ListView.h"
#include "MultiButton.h"
#include "Neighbours.h"
#include "frmImporta.h"
#include "ProcGuard.h"
#include "frmAnagrafica.h"
#include "frmPrintLV.h"
#include "Values.h"
#include "modAdoCommon.h"

#include "ComboBox.h"
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

using namespace Platform;
using Registry::Box;
using Registry::Button;

namespace {
struct Column {
    const char* header;
    int width;
};
const Column kColumns[] = {
    {"ID scheda", 1200}, {"azienda", 1200},   {"ruolo", 1200},     {"titolo", 600},    {"cognome e nome", 1400},
    {"indirizzo", 1400}, {"CAP", 700},        {"città", 1400},     {"prov.", 500},     {"nazione", 1200},
    {"email", 1400},     {"telefono", 800},   {"telefono2", 800},  {"cellulare", 800}, {"fax", 800},
    {"ff1", 0},          {"ff2", 0},          {"ff3", 0},          {"ff4", 0},
};
// Sub-items 1 to 14 and 15 to 18 (the free fields), by record column.
const char* kSubItems[] = {"AZIENDA", "RUOLO", "TITOLO", nullptr, "INDIRIZZO", "CAP", "CITTA", "PROVINCIA", "NAZIONE",
                           "EMAIL", "TELEFONO", "TELEFONOCASA", "CELLULARE", "FAX",
                           "FREEFIELD1", "FREEFIELD2", "FREEFIELD3", "FREEFIELD4"};


}  // namespace

frmCercaAnagrafica::frmCercaAnagrafica() {
    setWindowTitle(QStringLiteral("esporta anagrafiche nella lista"));
    auto* layout = new QVBoxLayout(this);
    Frame1 = new QGroupBox(QStringLiteral("filtro di ricerca"), this);
    Frame1->setObjectName("Frame1");
    auto* grid = new QGridLayout(Frame1);
    txNome = Box(Frame1, "txNome");
    opConfronto[0] = new QRadioButton(QStringLiteral("qualunque parola"), Frame1);
    opConfronto[1] = new QRadioButton(QStringLiteral("tutte le parole"), Frame1);
    opConfronto[0]->setObjectName("opConfronto_0");
    opConfronto[1]->setObjectName("opConfronto_1");
    opConfronto[0]->setChecked(true);
    txIDAzienda = Box(Frame1, "txIDAzienda");
    lbDesAzienda = new QLabel(Frame1);
    lbDesAzienda->setObjectName("lbDesAzienda");
    cmdCercaAzienda = Button(Frame1, "cmdCercaAzienda", QStringLiteral("ricerca azienda"));
    txEmail = Box(Frame1, "txEmail");
    txCAP = Box(Frame1, "txCAP");
    txCitta = Box(Frame1, "txCittà");
    cbCategoria = new Platform::ComboBox(Frame1, true);
    cbCategoria->setObjectName("cbCategoria");
    cbTitolo = new Platform::ComboBox(Frame1, true);
    cbTitolo->setObjectName("cbTitolo");
    int row = 0;
    grid->addWidget(new QLabel(QStringLiteral("contenuto cognome/nome/ragione sociale"), Frame1), row, 0);
    grid->addWidget(txNome, row, 1);
    grid->addWidget(opConfronto[0], row, 2);
    grid->addWidget(opConfronto[1], row++, 3);
    grid->addWidget(new QLabel(QStringLiteral("id azienda"), Frame1), row, 0);
    grid->addWidget(txIDAzienda, row, 1);
    grid->addWidget(lbDesAzienda, row, 2);
    grid->addWidget(cmdCercaAzienda, row++, 3);
    grid->addWidget(new QLabel(QStringLiteral("contenuto e-mail"), Frame1), row, 0);
    grid->addWidget(txEmail, row, 1);
    grid->addWidget(new QLabel(QStringLiteral("CAP"), Frame1), row, 2);
    grid->addWidget(txCAP, row++, 3);
    grid->addWidget(new QLabel(QStringLiteral("contenuto città"), Frame1), row, 0);
    grid->addWidget(txCitta, row, 1);
    grid->addWidget(new QLabel(QStringLiteral("categoria"), Frame1), row, 2);
    grid->addWidget(cbCategoria, row++, 3);
    grid->addWidget(new QLabel(QStringLiteral("titolo"), Frame1), row, 0);
    grid->addWidget(cbTitolo, row++, 1);
    layout->addWidget(Frame1);
    LV = new Platform::ListView(this);
    LV->setObjectName("LV");
    for (const Column& c : kColumns) LV->AddColumn(c.header, c.header, c.width);
    layout->addWidget(LV, 1);
    auto* buttons = new QGridLayout;
    cmdAggiorna = Button(this, "cmdAggiorna", QStringLiteral("aggiorna lista secondo filtri impostati"));
    cmdSeleziona = Button(this, "cmdSeleziona", QStringLiteral("seleziona"));
    cmdAnnulla = Button(this, "cmdAnnulla", QStringLiteral("annulla"));
    SetCancelButton(cmdAnnulla);
    cmdInserisci = Button(this, "cmdInserisci", QStringLiteral("inserisci nuova scheda anagrafica"));
    cmdImporta = Button(this, "cmdImporta", QStringLiteral("importazione schede anagrafiche"));
    cmdStampaLista = Button(this, "cmdStampaLista", QStringLiteral("stampa anagrafiche in lista"));
    cmdEsportaLista = Button(this, "cmdEsportaLista", QStringLiteral("esporta anagrafiche in lista"));
    buttons->addWidget(cmdAggiorna, 0, 0);
    buttons->addWidget(cmdSeleziona, 0, 1);
    buttons->addWidget(cmdAnnulla, 0, 2);
    buttons->addWidget(cmdInserisci, 1, 0);
    buttons->addWidget(cmdImporta, 1, 1);
    buttons->addWidget(cmdStampaLista, 1, 2);
    buttons->addWidget(cmdEsportaLista, 1, 3);
    layout->addLayout(buttons);

    connect(cmdAggiorna, &QPushButton::clicked, this, &frmCercaAnagrafica::cmdAggiorna_Click);
    connect(cmdSeleziona, &QPushButton::clicked, this, &frmCercaAnagrafica::cmdSeleziona_Click);
    connect(cmdAnnulla, &QPushButton::clicked, this, &frmCercaAnagrafica::cmdAnnulla_Click);
    connect(cmdCercaAzienda, &QPushButton::clicked, this, &frmCercaAnagrafica::cmdCercaAzienda_Click);
    connect(cmdInserisci, &QPushButton::clicked, this, &frmCercaAnagrafica::cmdInserisci_Click);
    connect(cmdImporta, &QPushButton::clicked, this, &frmCercaAnagrafica::cmdImporta_Click);
    connect(cmdStampaLista, &QPushButton::clicked, this, &frmCercaAnagrafica::cmdStampaLista_Click);
    connect(LV, &Platform::ListView::ItemDoubleClicked, this, [this] { cmdSeleziona_Click(); });
    connect(txIDAzienda, &QLineEdit::editingFinished, this, &frmCercaAnagrafica::txIDAzienda_LostFocus);
    for (QLineEdit* box : {txNome, txCitta, txCAP, txEmail, txIDAzienda}) box->installEventFilter(this);
    resize(900, 560);
}

frmCercaAnagrafica::~frmCercaAnagrafica() = default;

bool frmCercaAnagrafica::eventFilter(QObject* watched, QEvent* event) {
    // Enter in a filter box runs the search.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) cmdAggiorna_Click();
    }
    return Form::eventFilter(watched, event);
}

void frmCercaAnagrafica::Form_Load() {
    Comuni::LoadListColumnWidths(*LV);
    if (!modAdoCommon::OpenConnection(cn_, Global::gConnString, false, 19)) {
        cn_.reset();
        // The way out stays: closing without a choice.
        ProcGuard::DisableAllBut(this, QStringLiteral("cmdAnnulla"));
        return;
    }
    // Decided first, so that nothing below can leave a restricted user seeing everything.
    restricted_ = !Global::HaPermesso(QStringLiteral("tutte le anagrafiche"));
    auto fill = [&](Platform::ComboBox* combo, const QString& sql, const QString& column) {
        combo->clear();
        ADODB::Recordset rs;
        if (!modAdoCommon::OpenRecordset(rs, sql, *cn_, 0, 3)) return false;
        while (!rs.EOF_()) {
            combo->addItem(Comuni::FieldStr(rs[column]));
            rs.MoveNext();
        }
        combo->setCurrentIndex(-1);
        combo->setEditText(QString());
        return true;
    };
    if (!fill(cbCategoria, "SELECT DISTINCT CATEGORIA FROM ANAGRAFICA ORDER BY CATEGORIA;", "Categoria") ||
        !fill(cbTitolo, "SELECT DISTINCT TITOLO FROM ANAGRAFICA ORDER BY TITOLO;", "Titolo")) {
        Global::ApplyFormStyle(this);
        return;
    }
    ADODB::Recordset captions;
    if (modAdoCommon::OpenRecordset(captions,
                                    "SELECT NOMEFREEFIELDANA1, NOMEFREEFIELDANA2, NOMEFREEFIELDANA3, NOMEFREEFIELDANA4 "
                                    "FROM [CONFIGURAZIONE]",
                                    *cn_, 0, 3) &&
        !captions.EOF_()) {
        for (int i = 1; i <= 4; ++i) {
            const QString caption = Comuni::FieldStr(captions.Fields(i - 1).Value());
            auto header = LV->Column(15 + i);
            if (!caption.isEmpty()) {
                // Found by its caption as the other columns are (list printing looks them up so).
                header.SetText(caption);
                header.SetKey(caption);
                header.SetWidth(700);
            } else {
                header.SetWidth(0);
            }
        }
    }
    Global::ApplyFormStyle(this);
}

void frmCercaAnagrafica::Form_QueryUnload(int& cancel, int unloadMode) {
    // Closed by its frame: a cancel, and the caller still reads the Tag.
    if (unloadMode == vbFormControlMenu) {
        cancel = 1;
        cmdAnnulla_Click();
    }
}

void frmCercaAnagrafica::Form_Unload(int&) {
    cmdInserisci->setVisible(true);
    if (cn_) cn_->Close();
    cn_.reset();
    Comuni::SaveListColumnWidths(*LV);
}

QString frmCercaAnagrafica::SearchSql(QVariantList& params) const {
    QString sql = "SELECT * FROM ANAGRAFICA";
    if (restricted_) {
        sql += " INNER JOIN ANAUTE ON ANAUTE.ANA_ID=ANAGRAFICA.ID WHERE ANAUTE.UTENTE=?";
        params << Global::gCurrentUser;
    }
    auto connector = [&] { return sql.contains("WHERE") ? QStringLiteral(" AND ") : QStringLiteral(" WHERE "); };
    const QString name = Trim(txNome->text());
    if (!name.isEmpty()) {
        QStringList tests;
        for (const QString& word : name.split(' ')) {
            const QString pattern = "%" + word + "%";
            params << pattern << pattern << pattern;
            const QString test = "AZIENDA LIKE ? OR COGNOME LIKE ? OR NOME LIKE ?";
            tests << (opConfronto[0]->isChecked() ? test : "(" + test + ")");
        }
        sql += connector() + "(" + tests.join(opConfronto[0]->isChecked() ? " OR " : " AND ") + ")";
    }
    const double company = Val(txIDAzienda->text());
    if (company > 0) sql += connector() + "IDAZIENDA =" + QString::number(qint64(company));
    const std::pair<QString, QString> likes[] = {{"EMAIL", txEmail->text()},
                                                 {"CAP", txCAP->text()},
                                                 {"CITTA", txCitta->text()},
                                                 {"CATEGORIA", cbCategoria->currentText()},
                                                 {"TITOLO", cbTitolo->currentText()}};
    for (const auto& [column, text] : likes) {
        if (Trim(text).isEmpty()) continue;
        sql += connector() + column + " LIKE ?";
        params << "%" + Trim(text) + "%";
    }
    return sql + " ORDER BY AZIENDA,COGNOME,NOME,CITTA;";
}

void frmCercaAnagrafica::SetColumnWidths() {
    for (int i = 0; i < 15; ++i) LV->Column(i + 1).SetWidth(kColumns[i].width);
    for (int i = 16; i <= 19; ++i)
        LV->Column(i).SetWidth(LV->Column(i).Text() != QString("ff%1").arg(i - 15) ? 1200 : 0);
}

void frmCercaAnagrafica::cmdAggiorna_Click() {
    if (!cn_) return;
    QVariantList params;
    const QString sql = SearchSql(params);
    RowsChecked = false;
    Comuni::ShowWait();
    ADODB::Recordset rs;
    if (modAdoCommon::OpenRecordset(rs, sql, *cn_, 0, 3, false, params)) {
        LV->ClearItems();
        // Painting waits for the whole list.
        LV->setUpdatesEnabled(false);
        ProcGuard::Run(QStringLiteral("Procedura cmdAggiorna_Click di Form frmCercaAnagrafica"), [&] {
            while (!rs.EOF_()) {
                auto item = LV->AddItem(QString(), Format(Comuni::FieldNum(rs["ID"]), "0000000"));
                for (int i = 0; i < 18; ++i) {
                    const QString value = kSubItems[i] ? Comuni::FieldStr(rs[kSubItems[i]])
                                                       : Trim(Comuni::FieldStr(rs["COGNOME"]) + " " + Comuni::FieldStr(rs["NOME"]));
                    item.SetSubItem(i + 1, value);
                }
                rs.MoveNext();
            }
        });
        LV->setUpdatesEnabled(true);
        SetColumnWidths();
    }
    // The wait window goes whatever happened.
    Comuni::HideWait();
}

void frmCercaAnagrafica::txIDAzienda_LostFocus() {
    if (Trim(txIDAzienda->text()).isEmpty()) {
        lbDesAzienda->clear();
        return;
    }
    if (!cn_) return;
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, "SELECT * FROM ANAGRAFICA WHERE AZIENDA>'!' AND IDAZIENDA=0 AND ID=?", *cn_, 0, 3,
                                     false, {qint64(Val(txIDAzienda->text()))}))
        return;
    if (rs.EOF_())
        MsgBox(QStringLiteral("L'anagrafica con questa id non esiste o non corrisponde ad una azienda"), vbOKOnly);
    else
        lbDesAzienda->setText(Comuni::FieldStr(rs["Azienda"]));
}

void frmCercaAnagrafica::cmdCercaAzienda_Click() {
    const QString chosen = Neighbours::ShowModalForTag(QStringLiteral("frmAziende"));
    if (chosen.isEmpty()) return;
    txIDAzienda->setText(chosen);
    txIDAzienda_LostFocus();
}

void frmCercaAnagrafica::cmdSeleziona_Click() {
    for (int i = 1; i <= LV->ItemCount(); ++i)
        if (LV->Item(i).Checked()) {
            RowsChecked = true;
            break;
        }
    auto item = LV->SelectedItem();
    if (!item.IsValid() || !item.Selected()) return;
    Tag = item.Text();
    Hide();
}

void frmCercaAnagrafica::cmdAnnulla_Click() {
    Tag.clear();
    Hide();
}

void frmCercaAnagrafica::cmdInserisci_Click() {
    auto& card = DefaultInstance<frmAnagrafica>();
    card.cmdRicerca->setEnabled(false);
    card.cmdNuovo_Click();
    card.Show(vbModal, this);
}
void frmCercaAnagrafica::cmdImporta_Click() { DefaultInstance<frmImporta>().Show(vbModal, this); }
void frmCercaAnagrafica::cmdStampaLista_Click() {
    DefaultInstance<frmPrintLV>().ShowPrint(*LV, QStringLiteral("Stampa anagrafica"));
}
