#include "frmMailing.h"
#include "frmExport.h"

#include "ADODB.h"
#include "ComboBox.h"
#include "CommonDialog.h"
#include "Comuni.h"
#include "DatePicker.h"
#include "Dialogs.h"
#include "Errors.h"
#include "FaxControl.h"
#include "Global.h"
#include "ListView.h"
#include "MultiButton.h"
#include "Neighbours.h"
#include "Office.h"
#include "ProcGuard.h"
#include "Runtime.h"
#include "Settings.h"
#include "Values.h"
#include "Widgets.h"
#include "frmEtichettaBusta.h"
#include "frmReport.h"
#include "modAdoCommon.h"

#include <qvxSMS2/Loader.h>

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Platform;

namespace {

template <class W>
W* Named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

MultiButton* Button(QWidget* parent, const QString& name, const QString& caption) {
    return Named(new MultiButton(caption, parent), name);
}

QString Setting(const QString& section, const QString& key, const QString& defaultValue) {
    return GetSetting(App::EXEName(), section, key, defaultValue);
}

// The upper-cased last three characters of a document path.
QString DocumentType(const QString& path) { return path.right(3).toUpper(); }

const char* const kTipoInvio[8] = {
    "e-mail, fax se manca e-mail, lettera se manca anche fax",
    "e-mail, niente se e-mail impossibile",
    "fax, niente se fax impossibile",
    "lettera, niente se manca indirizzo",
    "etichette o buste",
    "SMS, e-mail se numero cellulare non disponibile, niente se e-mail impossibile",
    "e-mail, SMS se manca e-mail, niente se SMS impossibile",
    "SMS, niente se manca cellulare",
};

}  // namespace

frmMailing::frmMailing() {
    setWindowTitle(QStringLiteral(" Creazione mailing"));
    auto* columns = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left, 3);
    columns->addLayout(right, 2);

    // Filters.
    Frame1 = Named(new QGroupBox(QStringLiteral("selezione schede anagrafiche cui inviare"), this), "Frame1");
    auto* grid = new QGridLayout(Frame1);
    auto check = [this](const QString& name, const QString& caption) {
        return Named(new QCheckBox(caption, Frame1), name);
    };
    auto box = [this](const QString& name) { return Named(new QLineEdit(Frame1), name); };
    ckCAP = check("ckCAP", QString());
    txCAP = box("txCAP");
    ckProvincia = check("ckProvincia", QString());
    txProvincia = box("txProvincia");
    ckCategoria = check("ckCategoria", QString());
    cbCategoria = Named(new ComboBox(Frame1, true), "cbCategoria");
    cbCategoria->setEditable(true);
    ckCatMer = check("ckCatMer", QString());
    lsCatMer = Named(new QListWidget(Frame1), "lsCatMer");
    lsCatMer->setSelectionMode(QAbstractItemView::MultiSelection);
    lsCatMer->setMaximumHeight(80);
    ckCitta = check(QStringLiteral("ckCittà"), QString());
    txCitta = box(QStringLiteral("txCittà"));
    ckNazione = check("ckNazione", QString());
    txNazione = box("txNazione");
    ckDatNas = check("ckDatNas", QString());
    dpDaData = Named(new DatePicker(Frame1), "dpDaData");
    dpAData = Named(new DatePicker(Frame1), "dpAData");
    ckID = check("ckID", QString());
    txID = box("txID");
    ckCompleanno = check("ckCompleanno", QString());
    dpCompleanno = Named(new DatePicker(Frame1), "dpCompleanno");
    for (DatePicker* picker : {dpDaData, dpAData, dpCompleanno}) picker->SetValue(QDateTime(QDate::currentDate(), QTime()));
    for (DatePicker* picker : {dpDaData, dpAData, dpCompleanno}) picker->TickBox()->hide();
    auto label = [this](const QString& text) { return new QLabel(text, Frame1); };
    // Each filter: its check box, its caption and its input.
    auto filter = [&](int row, int column, QCheckBox* box, const QString& caption, QWidget* input, int span = 1) {
        grid->addWidget(box, row, column);
        if (!caption.isEmpty()) grid->addWidget(label(caption), row, column + 1);
        grid->addWidget(input, row, column + 2, 1, span);
    };
    filter(0, 0, ckCAP, QStringLiteral("CAP"), txCAP);
    filter(0, 3, ckProvincia, QStringLiteral("provincia"), txProvincia);
    filter(1, 0, ckCategoria, QStringLiteral("categoria"), cbCategoria, 4);
    filter(2, 0, ckCatMer, QStringLiteral("cat.merceol."), lsCatMer, 4);
    filter(3, 0, ckCitta, QStringLiteral("città"), txCitta, 4);
    filter(4, 0, ckNazione, QStringLiteral("nazione"), txNazione, 4);
    filter(5, 0, ckDatNas, QStringLiteral("d. nascita tra"), dpDaData);
    grid->addWidget(label(QStringLiteral("e")), 5, 4);
    grid->addWidget(dpAData, 5, 5);
    filter(6, 0, ckID, QStringLiteral("id anagrafica"), txID);
    filter(7, 0, ckCompleanno, QStringLiteral("con compleanno il "), dpCompleanno);
    grid->setColumnStretch(2, 1);
    grid->setColumnStretch(5, 1);
    left->addWidget(Frame1);

    auto* listButtons = new QHBoxLayout;
    cmdAdd = Button(this, "cmdAdd", QStringLiteral("aggiungi a lista"));
    cmdCercaID = Button(this, "cmdCercaID", QStringLiteral("ricerca"));
    cmdRemove = Button(this, "cmdRemove", QStringLiteral("togli selezionati da lista"));
    cmdVuotaLista = Button(this, "cmdVuotaLista", QStringLiteral("vuota la lista"));
    for (MultiButton* b : {cmdAdd, cmdCercaID, cmdRemove, cmdVuotaLista}) listButtons->addWidget(b);
    left->addLayout(listButtons);
    left->addWidget(new QLabel(QStringLiteral("schede anagrafiche cui sarà inviata la mailing"), this));
    LV = Named(new ListView(this), "LV");
    LV->AddColumn(QStringLiteral("ID"), QStringLiteral("ID"), 1000);
    LV->AddColumn(QStringLiteral("nome"), QStringLiteral("cognome/nome/ragione sociale"), 4500);
    LV->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LV->header()->setStretchLastSection(true);
    left->addWidget(LV, 1);
    auto* count = new QHBoxLayout;
    count->addWidget(new QLabel(QStringLiteral("numero schede:"), this));
    lbNumSchede = Named(new QLabel(QStringLiteral("0"), this), "lbNumSchede");
    count->addWidget(lbNumSchede);
    count->addStretch(1);
    left->addLayout(count);

    // Document.
    right->addWidget(new QLabel(QStringLiteral("nome del file documento da inviare"), this));
    auto* document = new QHBoxLayout;
    txNomeFile = Named(new QLineEdit(this), "txNomeFile");
    cmdBrowse = Button(this, "cmdBrowse", QStringLiteral("..."));
    document->addWidget(txNomeFile, 1);
    document->addWidget(cmdBrowse);
    right->addLayout(document);
    cmdCreateRTF = Button(this, "cmdCreateRTF", QStringLiteral("crea/modifica documento RTF"));
    right->addWidget(cmdCreateRTF);

    Frame3 = Named(new QGroupBox(QStringLiteral("informazioni per fax ed e-mail"), this), "Frame3");
    auto* info = new QGridLayout(Frame3);
    txSubject = Named(new QLineEdit(Frame3), "txSubject");
    Comuni::LimitToColumn(txSubject, "CONTATTI", "DESCRIZIONE");
    txText = Named(new MultiLineTextBox(Frame3), "txText");
    txText->setMaximumHeight(70);
    txText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    opTipoMail[0] = Named(new QRadioButton(QStringLiteral("usa documento HTML come testo mail: "), Frame3), "opTipoMail_0");
    opTipoMail[1] = Named(new QRadioButton(QStringLiteral("inserisci nota nella mail ed allega documento"), Frame3),
                          "opTipoMail_1");
    opTipoMail[1]->setChecked(true);
    cmdHTML = Button(Frame3, "cmdHTML", QStringLiteral("HTML"));
    ckNoCoverPage = Named(new QCheckBox(QStringLiteral("non inserire copertina fax"), Frame3), "ckNoCoverPage");
    cmdFaxCover = Button(Frame3, "cmdFaxCover", QStringLiteral("modifica copertina fax"));
    info->addWidget(new QLabel(QStringLiteral("oggetto"), Frame3), 0, 0);
    info->addWidget(txSubject, 0, 1, 1, 2);
    info->addWidget(new QLabel(QStringLiteral("nota"), Frame3), 1, 0);
    info->addWidget(txText, 1, 1, 1, 2);
    info->addWidget(opTipoMail[0], 2, 0, 1, 2);
    info->addWidget(cmdHTML, 2, 2);
    info->addWidget(opTipoMail[1], 3, 0, 1, 3);
    info->addWidget(ckNoCoverPage, 4, 0, 1, 2);
    info->addWidget(cmdFaxCover, 4, 2);
    right->addWidget(Frame3);

    Frame2 = Named(new QGroupBox(QStringLiteral("tipo di invio"), this), "Frame2");
    auto* modes = new QVBoxLayout(Frame2);
    for (int i = 0; i < 8; ++i) {
        opTipoInvio[size_t(i)] =
            Named(new QRadioButton(QString::fromUtf8(kTipoInvio[i]), Frame2), QStringLiteral("opTipoInvio_%1").arg(i));
        modes->addWidget(opTipoInvio[size_t(i)]);
    }
    opTipoInvio[0]->setChecked(true);
    right->addWidget(Frame2);

    frSMS = Named(new QGroupBox(QStringLiteral("Dati per invio SMS ed e-mail di testo"), this), "frSMS");
    auto* sms = new QGridLayout(frSMS);
    txMessaggio = Named(new MultiLineTextBox(frSMS), "txMessaggio");
    txMessaggio->setMaximumHeight(60);
    txMessaggio->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lbChars = Named(new QLabel(QStringLiteral("0"), frSMS), "lbChars");
    Label4 = Named(new QLabel(QStringLiteral("oggetto e-mail :"), frSMS), "Label4");
    txOggettoEmail = Named(new QLineEdit(frSMS), "txOggettoEmail");
    sms->addWidget(new QLabel(QStringLiteral("testo messaggio :"), frSMS), 0, 0);
    sms->addWidget(txMessaggio, 0, 1, 1, 3);
    sms->addWidget(new QLabel(QStringLiteral("caratteri usati :"), frSMS), 1, 0);
    sms->addWidget(lbChars, 1, 1);
    sms->addWidget(Label4, 2, 0);
    sms->addWidget(txOggettoEmail, 2, 1, 1, 3);
    frSMS->setVisible(false);
    KeepRoomWhenHidden(frSMS);
    right->addWidget(frSMS);
    right->addStretch(1);

    auto* buttons = new QGridLayout;
    cmdEtichette = Button(this, "cmdEtichette", QStringLiteral("impostazioni buste/etichette"));
    cmdExport = Button(this, "cmdExport", QStringLiteral("esporta schede anagrafiche su file esterno"));
    cmdGo = Button(this, "cmdGo", QStringLiteral("inizio preparazione/invio"));
    cmdEsci = Button(this, "cmdEsci", QStringLiteral("esci"));
    buttons->addWidget(cmdEtichette, 0, 0);
    buttons->addWidget(cmdExport, 0, 1);
    buttons->addWidget(cmdGo, 1, 0);
    buttons->addWidget(cmdEsci, 1, 1);
    right->addLayout(buttons);
    // No default button: Enter in a box must never start a mailing.
    SetCancelButton(cmdEsci);

    FAX = new qvxFAX(this);
    FAX->setObjectName("FAX");
    CD = std::make_unique<CommonDialog>();

    for (int i = 0; i < 8; ++i)
        connect(opTipoInvio[size_t(i)], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) opTipoInvio_Click(i);
        });
    for (QRadioButton* option : opTipoMail)
        connect(option, &QRadioButton::toggled, this, [this](bool on) {
            if (on) opTipoMail_Click();
        });
    connect(txCAP, &QLineEdit::textChanged, this, &frmMailing::txCAP_Change);
    connect(txCitta, &QLineEdit::textChanged, this, &frmMailing::txCitta_Change);
    connect(txID, &QLineEdit::textChanged, this, &frmMailing::txID_Change);
    connect(txNazione, &QLineEdit::textChanged, this, &frmMailing::txNazione_Change);
    connect(txMessaggio, &QPlainTextEdit::textChanged, this, &frmMailing::txMessaggio_Change);
    connect(cbCategoria, &QComboBox::activated, this, &frmMailing::cbCategoria_Click);
    connect(cmdAdd, &QPushButton::clicked, this, &frmMailing::cmdAdd_Click);
    connect(cmdCercaID, &QPushButton::clicked, this, &frmMailing::cmdCercaID_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &frmMailing::cmdRemove_Click);
    connect(cmdVuotaLista, &QPushButton::clicked, this, &frmMailing::cmdVuotaLista_Click);
    connect(cmdBrowse, &QPushButton::clicked, this, &frmMailing::cmdBrowse_Click);
    connect(cmdCreateRTF, &QPushButton::clicked, this, &frmMailing::cmdCreateRTF_Click);
    connect(cmdFaxCover, &QPushButton::clicked, this, &frmMailing::cmdFaxCover_Click);
    connect(cmdHTML, &QPushButton::clicked, this, &frmMailing::cmdHTML_Click);
    connect(cmdEtichette, &QPushButton::clicked, this, &frmMailing::cmdEtichette_Click);
    connect(cmdExport, &QPushButton::clicked, this, &frmMailing::cmdExport_Click);
    connect(cmdGo, &QPushButton::clicked, this, &frmMailing::cmdGo_Click);
    connect(cmdEsci, &QPushButton::clicked, this, &frmMailing::cmdEsci_Click);
    resize(1100, 720);
}

frmMailing::~frmMailing() = default;

void frmMailing::Form_Load() {
    ProcGuard::Run(QStringLiteral("Procedura Form_Load di Form frmMailing"), [&] {
        InitEmailChannel();
        qvxSMS = Tessivo::LoadControl(this, QDir(App::Path()).filePath(QStringLiteral("libqvxSMS2.so")), &smsLoadError_);
        if (qvxSMS) {
            qvxSMS->setEventLogPath(WorkFolder());
            qvxSMS->setEventLog(true);
            qvxSMS->setUserName(Setting("SMS", "USER", QString()));
            qvxSMS->setPassword(Setting("SMS", "PASSWORD", QString()));
            qvxSMS->setSender(Setting("SMS", "Mittente", QString()));
            qvxSMS->setProvider(Global::gSmsProvider == 2 ? Tessivo::prvIdea : Tessivo::prvGeodrop);
        }
        InitFaxChannel();
        txSubject->setText(Setting("Config", "StandardSubject", QStringLiteral("Invio di informazioni commerciali")));
        txText->setPlainText(Setting("Config", "StandardNote",
                                     QStringLiteral("In caso di ricezione errata o incompleta si prega di chiamare "
                                                    "il numero telefonico suindicato")));

        if (!modAdoCommon::OpenConnection(cn, Global::gConnString, false, 19)) {
            cn.reset();
            ProcGuard::DisableAllBut(this, QStringLiteral("cmdEsci"));
            return;
        }
        ADODB::Recordset categories;
        if (!modAdoCommon::OpenRecordset(categories, "SELECT DISTINCT CATEGORIA FROM ANAGRAFICA;", *cn, 0, 3)) return;
        while (!categories.EOF_()) {
            cbCategoria->AddItem(Comuni::FieldStr(categories["Categoria"]));
            categories.MoveNext();
        }
        cbCategoria->SetListIndex(-1);
        categories.Close();
        ADODB::Recordset codes;
        if (modAdoCommon::OpenRecordset(codes, "SELECT * FROM CATEGORIE ORDER BY DESCRIZIONE", *cn, 0, 3)) {
            while (!codes.EOF_()) {
                CategoryCodes << Comuni::FieldStr(codes["CODICE"]);
                lsCatMer->addItem(Comuni::FieldStr(codes["DESCRIZIONE"]));
                codes.MoveNext();
            }
        }
        Global::ApplyFormStyle(this);
    });
}

void frmMailing::Form_QueryUnload(int& cancel, int) {
    // A run walks the list and writes through this window's connection to the end.
    if (running_) cancel = 1;
}

void frmMailing::Form_Unload(int&) {
    if (cn) cn->Close();
    cn.reset();
}

void frmMailing::opTipoInvio_Click(int index) {
    frSMS->setVisible(index >= 5);
    Label4->setVisible(index == 5 || index == 6);
    txOggettoEmail->setVisible(index == 5 || index == 6);
}

void frmMailing::opTipoMail_Click() { txText->setEnabled(!opTipoMail[0]->isChecked()); }

void frmMailing::txCAP_Change() {
    if (!Trim(txCAP->text()).isEmpty()) ckCAP->setChecked(true);
}

void frmMailing::txCitta_Change() {
    if (!Trim(txCitta->text()).isEmpty()) ckCitta->setChecked(true);
}

void frmMailing::txID_Change() {
    if (!Trim(txID->text()).isEmpty()) ckID->setChecked(true);
}

void frmMailing::txNazione_Change() {
    if (!Trim(txNazione->text()).isEmpty()) ckNazione->setChecked(true);
}

void frmMailing::cbCategoria_Click() { ckCategoria->setChecked(true); }

void frmMailing::txMessaggio_Change() { lbChars->setText(QString::number(Trim(txMessaggio->toPlainText()).size())); }

void frmMailing::cmdBrowse_Click() {
    CD->CancelError = true;
    CD->DialogTitle = QStringLiteral("Selezione file da inviare/allegare");
    CD->Filter = QStringLiteral("File RTF (*.rtf)|*.rtf|File Microsoft Word (*.doc)|*.doc|File Microsoft Excel (*.xls)|"
                                "*.xls|File PDF (*.pdf)|*.pdf|Tutti i file permessi|*.rtf;*.doc;*.xls;*.pdf");
    CD->Flags = cdlOFNFileMustExist | cdlOFNHideReadOnly;
    CD->InitDir = SpecialFolderPath(46);
    try {
        CD->ShowOpen(this);
    } catch (const BasicError& e) {
        if (e.Number() == cdlCancel) return;
        throw;
    }
    const QString chosen = CD->FileName;
    txNomeFile->setText(chosen);
    const QString type = DocumentType(chosen);
    if (type == "DOC") {
        if (!Office::HasWriter()) {
            MsgBox(QStringLiteral("Su questa macchina non è installato Word (97 o superiori). Non è pertanto possibile "
                                  "usare questo tipo di file"));
            txNomeFile->clear();
        }
    } else if (type == "XLS") {
        if (!Office::HasCalc()) {
            MsgBox(QStringLiteral("Su questa macchina non è installato Excel (97 o superiori). Non è pertanto "
                                  "possibile usare questo tipo di file"));
            txNomeFile->clear();
        }
    } else if (type != "RTF" && type != "PDF") {
        MsgBox(QStringLiteral("Il file selezionato non è di tipo compatibile con questo uso"));
        txNomeFile->clear();
    }
}

void frmMailing::cmdEtichette_Click() {
    auto& settings = DefaultInstance<frmEtichettaBusta>();
    settings.Show(vbModal, this);
    settings.Unload();
}

void frmMailing::cmdExport_Click() {
    if (LV->ItemCount() == 0) {
        MsgBox(QStringLiteral("Occorre indicare le anagrafiche da esportare"));
        return;
    }
    if (!cn) return;
    auto& exporter = DefaultInstance<frmExport>();
    exporter.SetSource(*cn, *LV, this);
    exporter.Show(vbModeless, this);
}

void frmMailing::cmdEsci_Click() { Unload(); }

void frmMailing::FAX_OnError(const QString& text) { LastSendError = text; }

void frmMailing::UpdateCount() { lbNumSchede->setText(QString::number(LV->ItemCount())); }
