#include "frmImporta.h"

#include "ADODB.h"
#include "ComboBox.h"
#include "Comuni.h"
#include "Controls.h"
#include "DelimitedText.h"
#include "Errors.h"
#include "Global.h"
#include "ImportRows.h"
#include "ListView.h"
#include "Locks.h"
#include "MultiButton.h"
#include "ProcGuard.h"
#include "Values.h"
#include "Widgets.h"
#include "frmLocked.h"
#include "frmProgress.h"
#include "modAdoCommon.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

using namespace Platform;
using Registry::Button;

namespace {

struct LocalField {
    const char* caption;
    const char* column;
    const char* outlook;
};

const LocalField kFields[16] = {
    {"categoria", "CATEGORIA", "Contact.Categories"},
    {"azienda", "AZIENDA", "Contact.Companies"},
    {"titolo", "TITOLO", "Contact.Title"},
    {"cognome / ragione sociale", "COGNOME", "Contact.LastName"},
    {"nome / ragione sociale", "NOME", "Contact.FirstName"},
    {"ruolo aziendale", "RUOLO", "Contact.jobTitle"},
    {"indirizzo", "INDIRIZZO", "Contact.Address"},
    {"CAP", "CAP", "Contact.BusinessPostCode"},
    {"città", "CITTA", "Contact.BusinessCity"},
    {"provincia", "PROVINCIA", "Contact.BusinessState"},
    {"nazione", "NAZIONE", "Contact.BusinessCountry"},
    {"e-mail", "EMAIL", "Contact.EMailAddress"},
    {"telefono ufficio", "TELEFONO", "Contact.BusinessPhone"},
    {"numero telefono casa", "TELEFONOCASA", "Contact.HomePhone"},
    {"cellulare", "CELLULARE", "Contact.MobilePhone"},
    {"numero di Fax", "FAX", "Contact.BusinessTelefax"},
};

const int kPreviewRows = 100;

// A source value as the destination column of that size takes it: text
// cut to the column; Null stays Null.
QVariant CutToColumn(const QVariant& value, int size) {
    if (value.isNull() || !value.isValid()) return QVariant();
    QString text;
    // A date reads as the program shows any date: a time alone without the
    // day it is counted from.
    if (value.typeId() == QMetaType::QString) text = value.toString();
    else text = Format(value);
    if (size > 0) text = CutText(text, size);
    return text;
}

QChar SeparatorOf(const std::array<QRadioButton*, 3>& op) {
    if (op[0]->isChecked()) return ',';
    if (op[1]->isChecked()) return '\t';
    return ';';
}

}  // namespace

frmImporta::frmImporta() {
    setWindowTitle(QStringLiteral("Importazione dati anagrafici"));
    auto* layout = new QVBoxLayout(this);

    auto* source = new QGridLayout;
    cbFormato = new ComboBox(this);
    cbFormato->setObjectName("cbFormato");
    txFileName = Registry::Box(this, "txFileName");
    cmdBrowse = Button(this, "cmdBrowse", QStringLiteral("..."));
    cbTables = new ComboBox(this);
    cbTables->setObjectName("cbTables");
    source->addWidget(new QLabel(QStringLiteral("formato del file da importare"), this), 0, 0);
    source->addWidget(cbFormato, 0, 1, 1, 2);
    source->addWidget(new QLabel(QStringLiteral("percorso del file da importare"), this), 1, 0);
    source->addWidget(txFileName, 1, 1);
    source->addWidget(cmdBrowse, 1, 2);
    source->addWidget(new QLabel(QStringLiteral("tabelle contenute nel file"), this), 2, 0);
    source->addWidget(cbTables, 2, 1, 1, 2);

    frTxt = new QGroupBox(QStringLiteral("separatori campi per file di testo "), this);
    frTxt->setObjectName("frTxt");
    auto* txt = new QGridLayout(frTxt);
    const char* options[3] = {"campi separati da virgole", "campi separati da tabulatori", "separati da punto e virgola"};
    for (int i = 0; i < 3; ++i) {
        opSeparatore[i] = new QRadioButton(QString::fromUtf8(options[i]), frTxt);
        opSeparatore[i]->setObjectName(QStringLiteral("opSeparatore_%1").arg(i));
        txt->addWidget(opSeparatore[i], i, 0);
    }
    opSeparatore[0]->setChecked(true);
    ckIntestazioni = new QCheckBox(QStringLiteral("la prima riga contiene le intestazioni dei campi"), frTxt);
    ckIntestazioni->setObjectName("ckIntestazioni");
    ckIntestazioni->setChecked(true);
    txt->addWidget(ckIntestazioni, 0, 1, 3, 1);
    source->addWidget(frTxt, 0, 3, 3, 1);
    KeepRoomWhenHidden(frTxt);
    layout->addLayout(source);

    layout->addWidget(new QLabel(QStringLiteral("contenuto del file da importare"), this));
    LV = new ListView(this);
    LV->setObjectName("LV");
    layout->addWidget(LV, 1);

    auto* mapping = new QGridLayout;
    for (int half = 0; half < 2; ++half) {
        Label2[half] = nullptr;
        auto* dest = new QLabel(QStringLiteral("campi destinazione"), this);
        auto* orig = new QLabel(QStringLiteral("campi origine"), this);
        mapping->addWidget(dest, 0, half * 3);
        mapping->addWidget(orig, 0, half * 3 + 2);
        if (half == 0) {
            Label2[0] = dest;
            Label2[1] = orig;
            dest->setObjectName("Label2_0");
            orig->setObjectName("Label2_1");
        }
    }
    for (int i = 0; i < 16; ++i) {
        lbLocalFields[i] = new QLabel(QString::fromUtf8(kFields[i].caption), this);
        lbLocalFields[i]->setObjectName(QStringLiteral("lbLocalFields_%1").arg(i));
        lbLocalFields[i]->setProperty("Tag", QString::fromLatin1(kFields[i].column));
        Label3[i] = new QLabel(QStringLiteral("⇐"), this);
        Label3[i]->setObjectName(QStringLiteral("Label3_%1").arg(i));
        cbRemoteField[i] = new ComboBox(this);
        cbRemoteField[i]->setObjectName(QStringLiteral("cbRemoteField_%1").arg(i));
        cbRemoteField[i]->setMinimumWidth(170);
        const int row = 1 + i % 8, col = (i / 8) * 3;
        mapping->addWidget(lbLocalFields[i], row, col);
        mapping->addWidget(Label3[i], row, col + 1);
        mapping->addWidget(cbRemoteField[i], row, col + 2);
    }
    layout->addLayout(mapping);

    auto* buttons = new QHBoxLayout;
    cmdStart = Button(this, "cmdStart", QStringLiteral("inizia importazione"));
    cmdAnnulla = Button(this, "cmdAnnulla", QStringLiteral("esci"));
    SetCancelButton(cmdAnnulla);
    buttons->addStretch();
    buttons->addWidget(cmdStart);
    buttons->addWidget(cmdAnnulla);
    layout->addLayout(buttons);

    const QString where = QStringLiteral(" di Form frmImporta");
    auto guard = [this, where](const char* name, void (frmImporta::*proc)()) {
        return [this, where, name, proc] {
            ProcGuard::Run(QStringLiteral("Procedura ") + name + where, [&] { (this->*proc)(); });
        };
    };
    connect(cmdAnnulla, &QPushButton::clicked, this, guard("cmdAnnulla_Click", &frmImporta::cmdAnnulla_Click));
    connect(cmdBrowse, &QPushButton::clicked, this, guard("cmdBrowse_Click", &frmImporta::cmdBrowse_Click));
    connect(cmdStart, &QPushButton::clicked, this, [this] { cmdStart_Click(); });
    connect(cbFormato, &QComboBox::currentIndexChanged, this, [this, guard](int index) {
        if (!filling_ && index >= 0) guard("cbFormato_Click", &frmImporta::cbFormato_Click)();
    });
    connect(cbTables, &QComboBox::currentIndexChanged, this, [this, guard](int index) {
        if (!filling_ && index >= 0) guard("cbTables_Click", &frmImporta::cbTables_Click)();
    });
    // A path typed by hand names another source.
    connect(txFileName, &QLineEdit::textEdited, this, [this] {
        if (!running_) ForgetSource();
    });
    connect(ckIntestazioni, &QCheckBox::clicked, this, guard("ckIntestazioni_Click", &frmImporta::ckIntestazioni_Click));
    for (int i = 0; i < 3; ++i)
        connect(opSeparatore[i], &QRadioButton::toggled, this, [this, i, where](bool on) {
            if (on) ProcGuard::Run(QStringLiteral("Procedura opSeparatore_Click") + where, [&] { opSeparatore_Click(i); });
        });
    resize(900, 720);
}

frmImporta::~frmImporta() = default;

int frmImporta::PaceMs = 50;

QString frmImporta::LocalColumn(int index) const { return lbLocalFields[index]->property("Tag").toString(); }

void frmImporta::Form_Load() {
    if (!modAdoCommon::OpenConnection(cn_, Global::gConnString, false, 19)) {
        cn_.reset();
        ProcGuard::DisableAllBut(this, QStringLiteral("cmdAnnulla"));
        return;
    }
    try {
        filling_ = true;
        cbFormato->AddItem(QStringLiteral("File Access (.mdb)"));
        cbFormato->AddItem(QStringLiteral("File Excel (.xls)"));
        cbFormato->AddItem(QStringLiteral("File di testo con separatori(.txt o .csv)"));
        cbFormato->AddItem(QStringLiteral("Contatti di Microsoft Outlook"));
        filling_ = false;
        cbFormato->SetListIndex(Access);
        Global::ApplyFormStyle(this);
    } catch (const std::exception& e) {
        filling_ = false;
        Err().Set(e);
        Comuni::ShowError(QStringLiteral("Errore in apertura importazione"), true);
        Err().Clear();
    }
}

void frmImporta::Form_QueryUnload(int& cancel, int) {
    // The run keeps the window's connection and the lock until it ends.
    if (running_) cancel = 1;
}

void frmImporta::Form_Unload(int&) {
    Outl.reset();
    preview_.reset();
    source_.reset();
    if (cn_) cn_->Close();
    cn_.reset();
}

void frmImporta::cmdAnnulla_Click() {
    if (!running_) Unload();
}

QString frmImporta::CurrentSource() const {
    const int format = cbFormato->ListIndex();
    QString key = QString::number(format);
    if (format == Access || format == Excel || format == Testo) key += "|" + Trim(txFileName->text());
    if (format == Access || format == Excel) key += "|" + cbTables->currentText();
    return key;
}

void frmImporta::ForgetSource() {
    LV->ClearItems();
    LV->ClearColumns();
    for (auto* cb : cbRemoteField) cb->clear();
    mappedFrom_.clear();
}

void frmImporta::cbFormato_Click() {
    preview_.reset();
    txFileName->clear();
    filling_ = true;
    cbTables->clear();
    filling_ = false;
    // What the window showed and mapped belongs to the source just left.
    ForgetSource();
    const int format = cbFormato->ListIndex();
    if (format == Access || format == Excel || format == Testo) {
        txFileName->setEnabled(true);
        cmdBrowse->setEnabled(true);
        frTxt->setVisible(format == Testo);
        return;
    }
    if (format != Outlook) return;
    frTxt->setVisible(false);
    txFileName->setEnabled(false);
    cmdBrowse->setEnabled(false);
    // Kept until the run, which then finds the folder the preview read.
    preview_ = std::make_unique<OutlookImpEx>(this);
    if (!preview_->InitOutlook()) return preview_.reset();
    for (int i = 0; i < 16; ++i) {
        cbRemoteField[i]->clear();
        cbRemoteField[i]->AddItem(QString::fromLatin1(kFields[i].outlook));
        cbRemoteField[i]->SetListIndex(0);
    }
    mappedFrom_ = CurrentSource();
    preview_->ListaContattiOutlook();
}

void frmImporta::cmdBrowse_Click() {
    const int format = cbFormato->ListIndex();
    if (format < Access || format > Testo) return;
    CD.CancelError = true;
    CD.DialogTitle = QStringLiteral("Selezione file da importare");
    // Besides the formats named, the newer files of the same programs open too.
    static const char* patterns[3] = {"|*.mdb;*.accdb", "|*.xls;*.xlsx", "|*.txt;*.csv"};
    CD.Filter = cbFormato->currentText() + QString::fromLatin1(patterns[format]);
    try {
        CD.ShowOpen(this);
    } catch (const BasicError&) {
        return;  // cancelled
    }
    try {
        txFileName->setText(CD.FileName);
        for (auto* cb : cbRemoteField) {
            cb->clear();
            cb->setEnabled(true);
        }
        mappedFrom_.clear();
        if (format == Testo) {
            filling_ = true;
            cbTables->clear();
            filling_ = false;
            cbTables->setEnabled(false);
            LV->ClearItems();
            LV->ClearColumns();
            ImpostaTxtFile();
            return;
        }
        std::unique_ptr<ADODB::Connection> file;
        if (!modAdoCommon::OpenDataSource(file, CD.FileName, format == Access ? 0 : 2, QStringLiteral("sa"), QString(),
                                          false, QString(), false, 19))
            return;
        filling_ = true;
        cbTables->clear();
        for (const QString& table : ADODB::Catalog::Tables(*file)) cbTables->AddItem(table);
        filling_ = false;
        file->Close();
        cbTables->setEnabled(true);
    } catch (const std::exception&) {
        filling_ = false;
    }
}

void frmImporta::cbTables_Click() {
    if (cbTables->ListIndex() < 0) return;
    const int format = cbFormato->ListIndex();
    Comuni::ShowWait();
    struct Hide {
        ~Hide() { Comuni::HideWait(); }
    } hide;
    for (auto* cb : cbRemoteField) {
        cb->clear();
        cb->setEnabled(true);
    }
    mappedFrom_.clear();
    std::unique_ptr<ADODB::Connection> file;
    if (format != Access && format != Excel) return;
    if (!modAdoCommon::OpenDataSource(file, Trim(txFileName->text()), format == Access ? 0 : 2, QStringLiteral("sa"),
                                      QString(), false, QString(), false, 19))
        return;
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, "select * from [" + cbTables->currentText() + "];", *file, 0, 3)) return;
    for (auto* cb : cbRemoteField) cb->AddItem(QString());
    LV->ClearItems();
    LV->ClearColumns();
    for (int f = 0; f < rs.FieldCount(); ++f) {
        const QString name = rs.Fields(f).Name;
        for (auto* cb : cbRemoteField) cb->AddItem(name);
        bool numeric = false;
        name.toDouble(&numeric);
        LV->AddColumn(numeric ? "|" + name : name, name);
    }
    for (int shown = 0; !rs.EOF_() && shown < kPreviewRows; ++shown) {
        ListItem item = LV->AddItem(QString(), Comuni::FieldStr(rs.Fields(0).Value()));
        for (int f = 1; f < rs.FieldCount(); ++f) item.SetSubItem(f, Comuni::FieldStr(rs.Fields(f).Value()));
        rs.MoveNext();
    }
    rs.Close();
    file->Close();
    mappedFrom_ = CurrentSource();
    // Proposed mapping: the first source column whose name the local
    // field's caption or column name contains.
    for (int i = 0; i < 16; ++i) {
        const QString caption = lbLocalFields[i]->text().toUpper();
        const QString column = LocalColumn(i).toUpper();
        for (int j = 1; j < cbRemoteField[i]->ListCount(); ++j) {
            const QString pattern = "*" + cbRemoteField[i]->itemText(j).toUpper() + "*";
            if (Like(caption, pattern) || Like(column, pattern)) {
                cbRemoteField[i]->SetListIndex(j);
                break;
            }
        }
    }
}

void frmImporta::ckIntestazioni_Click() {
    if (!txFileName->text().isEmpty()) ImpostaTxtFile();
}

void frmImporta::opSeparatore_Click(int) {
    if (!txFileName->text().isEmpty()) ImpostaTxtFile();
}

void frmImporta::ImpostaTxtFile() {
    LV->ClearItems();
    LV->ClearColumns();
    for (auto* cb : cbRemoteField) {
        cb->clear();
        cb->AddItem(QString());
    }
    mappedFrom_ = CurrentSource();
    // Read as the run reads it: the preview shows the fields the run stores.
    DelimitedText::Reader reader(SeparatorOf(opSeparatore));
    if (!reader.Open(txFileName->text())) return;
    DelimitedText::Record record;
    // The header, read even when empty.
    if (ckIntestazioni->isChecked() && reader.Next(record, true)) {
        for (int k = 0; k < record.fields.size(); ++k) {
            LV->AddColumn(QString(), record.fields[k]);
            for (auto* cb : cbRemoteField) cb->AddItem(record.written[k]);
        }
    }
    for (int shown = 0; shown < kPreviewRows && reader.Next(record);) {
        const QStringList& fields = record.fields;
        if (fields.isEmpty()) continue;
        if (LV->ColumnCount() == 0)
            for (int k = 1; k <= fields.size(); ++k) {
                const QString name = "Col.#" + QString::number(k);
                LV->AddColumn(QString(), name);
                for (auto* cb : cbRemoteField) cb->AddItem(name);
            }
        ListItem item = LV->AddItem(QString(), fields[0]);
        const int m = std::min<int>(fields.size() - 1, LV->ColumnCount() - 1);
        for (int k = 1; k <= m; ++k) item.SetSubItem(k, fields[k]);
        ++shown;
    }
}

ListView& frmImporta::PreviewList() { return *LV; }

QString frmImporta::RemoteFieldText(int index) const { return cbRemoteField[index]->currentText(); }

qint32 frmImporta::NuovaIDANA() {
    // During a run the identifiers are counted on from the first, under the lock.
    if (ImportRows* run = ImportRows::Running()) return run->NextId();
    return cn_ ? NextAnagraficaId(*cn_) : 0;
}

void frmImporta::Outl_ContactImportStatus(qint32 position, qint32 total) {
    // The count shown at the end is that of the rows committed.
    if (position < total && paced_.isValid() && paced_.elapsed() < PaceMs) return;
    auto& bar = *DefaultInstance<frmProgress>().PB;
    bar.SetMax(total);
    bar.SetValue(position);
    Pace();
}

void frmImporta::Pace() {
    DoEvents();
    paced_.start();
    if (rows_) rows_->Yielded();
}

void frmImporta::SetRunning(bool running) {
    running_ = running;
    for (QWidget* w : std::initializer_list<QWidget*>{cmdStart, cmdAnnulla, cmdBrowse, cbFormato, cbTables, frTxt, txFileName})
        w->setEnabled(!running);
    if (!running) {
        const int format = cbFormato->ListIndex();
        txFileName->setEnabled(format != Outlook);
        cmdBrowse->setEnabled(format != Outlook);
        cbTables->setEnabled(format == Access || format == Excel);
    }
}

void frmImporta::RowWritten(double done) {
    if (paced_.isValid() && paced_.elapsed() < PaceMs) return;
    DefaultInstance<frmProgress>().PB->SetValue(done);
    Pace();
}

void frmImporta::cmdStart_Click() {
    if (running_ || !cn_) return;  // one run at a time
    const int format = cbFormato->ListIndex();
    if (format >= Access && format <= Testo && Trim(txFileName->text()).isEmpty()) {
        MsgBox(QStringLiteral("Indicare il file da cui si vuole effettuare l'importazione"), vbOKOnly);
        txFileName->setFocus();
        return;
    }
    if ((format == Access || format == Excel) && cbTables->ListIndex() < 0) {
        MsgBox(QStringLiteral("Selezionare la tabella da cui si vuole effettuare l'importazione"), vbOKOnly);
        cbTables->setFocus();
        return;
    }
    // Lists filled from another file, table or format would map the wrong fields.
    if (format >= Access && format <= Testo && mappedFrom_ != CurrentSource()) {
        MsgBox(QStringLiteral("L'abbinamento dei campi non corrisponde al file scelto: selezionare di nuovo il file "
                              "o la tabella da importare"),
               vbOKOnly);
        return;
    }
    if (!DefaultInstance<frmLocked>().LockTables(*cn_, QStringLiteral("ANAGRAFICA"))) return;
    SetRunning(true);
    auto& progress = DefaultInstance<frmProgress>();
    progress.Show();
    written_ = 0;
    paced_.invalidate();
    bool opened = true;   // false: the data layer has told the user already
    bool outlookOk = true;
    Err().Clear();
    // The failure that stopped the run: what the closing steps raise comes after it.
    ErrObject failure;
    try {
        rows_ = std::make_unique<ImportRows>(*cn_);
        if (format == Access || format == Excel) ImportTable(opened);
        else if (format == Testo) ImportText(opened);
        else if (format == Outlook) {
            Outl = std::make_unique<OutlookImpEx>(this);
            connect(Outl.get(), &OutlookImpEx::ContactImportStatus, this, &frmImporta::Outl_ContactImportStatus);
            outlookOk = Outl->InitOutlook();
            // Without Outlook its own message is the only one.
            if (outlookOk) {
                Outl->GetOutlookContacts(*cn_);
                Outl->ShutdownOutlook();
            }
        }
    } catch (const std::exception& e) {
        Err().Set(e);
        failure = Err();
    }
    // Rows stored before an error stay; a row counts once it is committed.
    if (rows_) {
        try {
            rows_->Finish();
        } catch (const std::exception& e) {
            Err().Set(e);
            if (failure.Number == 0) failure = Err();
        }
        written_ = rows_->Committed();
        rows_.reset();
    }
    Err() = failure;
    progress.Unload();
    if (opened && outlookOk && Err().Number != 0)
        MsgBox("Errore " + QString::number(Err().Number) + ": " + Err().Description + " - in importazione file");
    Err().Clear();
    source_.reset();
    Outl.reset();
    // The contacts read are let go: a run after this one reads them anew.
    preview_.reset();
    Locks::ReleaseLocks(30);
    SetRunning(false);
    if (opened && outlookOk) MsgBox("Importazione di " + QString::number(written_) + " record terminata");
}

void frmImporta::ImportTable(bool& opened) {
    const int format = cbFormato->ListIndex();
    opened = false;
    if (!modAdoCommon::OpenDataSource(source_, Trim(txFileName->text()), format == Access ? 0 : 2, QStringLiteral("sa"),
                                      QString(), false, QString(), false, 19))
        return;
    ADODB::Recordset src;
    if (!modAdoCommon::OpenRecordset(src, "SELECT * FROM [" + cbTables->currentText() + "];", *source_, 3, 3)) return;
    if (!rows_->Open()) return;
    opened = true;
    auto& bar = *DefaultInstance<frmProgress>().PB;
    // The mapping stays as it is for the whole run: read once, at the first row.
    std::array<int, 16> columns, sizes, remotes;
    const QVariant empty = QString();
    if (!src.EOF_()) {
        bar.SetValue(0);
        bar.SetMax(src.RecordCount());
        for (int i = 0; i < 16; ++i) {
            columns[i] = rows_->Column(LocalColumn(i));
            sizes[i] = rows_->Field(columns[i]).DefinedSize;
            const QString remote = Trim(cbRemoteField[i]->currentText());
            remotes[i] = remote.isEmpty() ? -1 : src.Fields(remote).column_;
        }
    }
    while (!src.EOF_()) {
        rows_->AddNew();
        for (int i = 0; i < 16; ++i)
            rows_->Set(columns[i], remotes[i] < 0 ? empty : CutToColumn(src.Fields(remotes[i]).Value(), sizes[i]));
        rows_->Stamp();
        rows_->Store(true);
        RowWritten(rows_->Stored());
        src.MoveNext();
    }
    src.Close();
    source_->Close();
}

void frmImporta::ImportText(bool& opened) {
    const QString path = Trim(txFileName->text());
    // The file is read once, as it goes: the bar follows the bytes its
    // records came from, so nothing needs counting first.
    DelimitedText::Reader reader(SeparatorOf(opSeparatore));
    DelimitedText::Record record;
    if (!reader.Open(path)) DelimitedText::CannotRead(reader.Failure(), path);
    if (ckIntestazioni->isChecked()) reader.Next(record);
    auto& bar = *DefaultInstance<frmProgress>().PB;
    std::array<int, 16> columns, sizes, positions;
    bool begun = false;
    while (reader.Next(record)) {
        const QStringList& fields = record.fields;
        if (fields.isEmpty()) continue;
        if (!begun) {
            // A file without a record writes nothing: the rows are opened at the first.
            bar.SetValue(0);
            bar.SetMax(double(reader.Size()));
            if (!rows_->Open()) {
                opened = false;
                return;
            }
            // The mapping stays as it is for the whole run: read once.
            for (int i = 0; i < 16; ++i) {
                columns[i] = rows_->Column(LocalColumn(i));
                sizes[i] = rows_->Field(columns[i]).DefinedSize;
                positions[i] = cbRemoteField[i]->ListIndex();
            }
            begun = true;
        }
        rows_->AddNew();
        for (int i = 0; i < 16; ++i) {
            const int k = positions[i];
            if (k <= 0 || k - 1 >= fields.size()) continue;
            const QStringView field = fields[k - 1];
            rows_->SetText(columns[i], sizes[i] > 0 ? field.first(CutLength(field, sizes[i])) : field);
        }
        rows_->Stamp();
        rows_->Store(false);
        RowWritten(double(reader.Taken()));
    }
    // What could not be read ends the run with the rows written so far.
    if (reader.Failure()) DelimitedText::CannotRead(reader.Failure(), path);
    // The bar ends with the file, whatever lines without a record end it.
    if (begun) bar.SetValue(bar.Max());
}
