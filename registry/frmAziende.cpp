#include "frmAziende.h"

#include "ADODB.h"
#include "Controls.h"
#include "Comuni.h"
#include "Global.h"
#include "ListView.h"
#include "MultiButton.h"
#include "ProcGuard.h"
#include "Values.h"
#include "modAdoCommon.h"

#include "ComboBox.h"
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

using Platform::Trim;
using Registry::Box;
using Registry::Button;

frmAziende::frmAziende() {
    setWindowTitle(QStringLiteral(" Ricerca aziende"));
    auto* layout = new QVBoxLayout(this);
    Frame1 = new QGroupBox(QStringLiteral("filtro di ricerca"), this);
    Frame1->setObjectName("Frame1");
    auto* grid = new QGridLayout(Frame1);
    txNome = Box(Frame1, "txNome");
    txCitta = Box(Frame1, "txCittà");
    txCAP = Box(Frame1, "txCAP");
    cbCategoria = new Platform::ComboBox(Frame1, true);
    cbCategoria->setObjectName("cbCategoria");
    opConfronto[0] = new QRadioButton(QStringLiteral("qualunque parola"), Frame1);
    opConfronto[1] = new QRadioButton(QStringLiteral("tutte le parole"), Frame1);
    opConfronto[0]->setObjectName("opConfronto_0");
    opConfronto[1]->setObjectName("opConfronto_1");
    opConfronto[0]->setChecked(true);
    grid->addWidget(new QLabel(QStringLiteral("contenuto ragione sociale azienda"), Frame1), 0, 0);
    grid->addWidget(txNome, 0, 1);
    grid->addWidget(opConfronto[0], 0, 2);
    grid->addWidget(opConfronto[1], 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("contenuto città"), Frame1), 1, 0);
    grid->addWidget(txCitta, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("CAP"), Frame1), 1, 2);
    grid->addWidget(txCAP, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("categoria"), Frame1), 2, 0);
    grid->addWidget(cbCategoria, 2, 1);
    layout->addWidget(Frame1);
    LV = new Platform::ListView(this);
    LV->setObjectName("LV");
    layout->addWidget(LV);
    auto* buttons = new QHBoxLayout;
    cmdAggiorna = Button(this, "cmdAggiorna", QStringLiteral("aggiorna lista secondo filtri impostati"));
    cmdSeleziona = Button(this, "cmdSeleziona", QStringLiteral("seleziona"));
    cmdAnnulla = Button(this, "cmdAnnulla", QStringLiteral("annulla"));
    SetCancelButton(cmdAnnulla);
    for (auto* b : {cmdAggiorna, cmdSeleziona, cmdAnnulla}) buttons->addWidget(b);
    layout->addLayout(buttons);
    connect(cmdAggiorna, &QPushButton::clicked, this, &frmAziende::cmdAggiorna_Click);
    connect(cmdSeleziona, &QPushButton::clicked, this, &frmAziende::cmdSeleziona_Click);
    connect(cmdAnnulla, &QPushButton::clicked, this, &frmAziende::cmdAnnulla_Click);
    connect(LV, &Platform::ListView::ItemDoubleClicked, this, [this] { LV_DblClick(); });
    resize(640, 460);
}

frmAziende::~frmAziende() = default;

void frmAziende::Form_Load() {
    LV->AddColumn("ID scheda", "ID scheda", 1000);
    LV->AddColumn("ragione sociale azienda", "ragione sociale azienda", 3000);
    LV->AddColumn("città", "città", 2000);
    LV->AddColumn("indirizzo", "indirizzo", 1300);
    if (!modAdoCommon::OpenConnection(cn_, Global::gConnString, false, 19)) {
        cn_.reset();
        ProcGuard::DisableAllBut(this, QStringLiteral("cmdAnnulla"));
        return;
    }
    cbCategoria->clear();
    ADODB::Recordset rs;
    if (modAdoCommon::OpenRecordset(rs, "SELECT DISTINCT CATEGORIA FROM ANAGRAFICA ORDER BY CATEGORIA;", *cn_, 0, 3))
        while (!rs.EOF_()) {
            cbCategoria->addItem(Comuni::FieldStr(rs["CATEGORIA"]));
            rs.MoveNext();
        }
    cbCategoria->setCurrentIndex(-1);
    cbCategoria->setEditText(QString());
    Global::ApplyFormStyle(this);
}

QString frmAziende::SearchSql(QVariantList& params) const {
    // A company has a name and no person's name; a Null surname counts as none.
    QString sql = "SELECT * FROM ANAGRAFICA WHERE AZIENDA>'' AND TRIM(Nz(COGNOME,''))='' AND TRIM(Nz(NOME,''))=''";
    auto like = [&](const QString& column, const QString& value) {
        params << "%" + value + "%";
        return column + " LIKE ?";
    };
    const QString name = Trim(txNome->text());
    if (!name.isEmpty()) {
        if (opConfronto[0]->isChecked()) {
            QStringList any;
            for (const QString& word : name.split(' ')) any << like("AZIENDA", word);
            sql += " AND (" + any.join(" OR ") + ")";
        } else {
            sql += " AND " + like("AZIENDA", name);
        }
    }
    if (!Trim(txCAP->text()).isEmpty()) sql += " AND " + like("CAP", Trim(txCAP->text()));
    if (!Trim(txCitta->text()).isEmpty()) sql += " AND " + like("CITTA", Trim(txCitta->text()));
    if (!Trim(cbCategoria->currentText()).isEmpty()) sql += " AND " + like("CATEGORIA", Trim(cbCategoria->currentText()));
    return sql + " ORDER BY AZIENDA,CITTA,INDIRIZZO;";
}

void frmAziende::cmdAggiorna_Click() {
    if (!cn_) return;
    QVariantList params;
    const QString sql = SearchSql(params);
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, sql, *cn_, 0, 3, false, params)) return;
    LV->ClearItems();
    ProcGuard::Run(QStringLiteral("Procedura cmdAggiorna_Click di Form frmAziende"), [&] {
        while (!rs.EOF_()) {
            auto item = LV->AddItem(QString(), Platform::Format(rs["ID"], "0000000"));
            item.SetSubItem(1, Comuni::FieldStr(rs["AZIENDA"]));
            item.SetSubItem(2, Comuni::FieldStr(rs["CITTA"]));
            item.SetSubItem(3, Comuni::FieldStr(rs["INDIRIZZO"]));
            rs.MoveNext();
        }
    });
}

void frmAziende::cmdSeleziona_Click() {
    auto item = LV->SelectedItem();
    if (!item.IsValid()) return;
    Tag = item.Text();
    Hide();
}

void frmAziende::LV_DblClick() { cmdSeleziona_Click(); }

void frmAziende::cmdAnnulla_Click() {
    Tag.clear();
    Hide();
}

void frmAziende::Form_QueryUnload(int& cancel, int unloadMode) {
    // Closed by its frame: a cancel, and the caller still reads the Tag.
    if (unloadMode == Platform::vbFormControlMenu) {
        cancel = 1;
        cmdAnnulla_Click();
    }
}

void frmAziende::Form_Unload(int&) {
    if (cn_) cn_->Close();
    cn_.reset();
}
