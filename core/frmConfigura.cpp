#include "frmConfigura.h"

#include "CommonDialog.h"
#include "Comuni.h"
#include "FaxControl.h"
#include "Global.h"
#include "MultiButton.h"
#include "Neighbours.h"
#include "PlannerSettings.h"
#include "Runtime.h"
#include "Settings.h"
#include "Values.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

using namespace Platform;

namespace {

const QString kDefaultSubject = QStringLiteral("Invio di informazioni commerciali");
const QString kDefaultNote =
    QStringLiteral("In caso di ricezione errata o incompleta si prega di chiamare il numero telefonico suindicato");
const QString kDefaultStart = QStringLiteral("08.00");
const QString kDefaultEnd = QStringLiteral("20.30");
const QString kDefaultSlot = QStringLiteral("15");
const QString kTimeOrder = QStringLiteral("L'ora di inizio deve essere inferiore all'ora di fine");

QString Get(const char* section, const char* key, const QString& defaultValue = QString()) {
    return GetSetting(App::EXEName(), QString::fromUtf8(section), QString::fromUtf8(key), defaultValue);
}

// Whether a value of the current confirmation could not be stored.
bool gPutFailed = false;

void Put(const char* section, const char* key, const QString& value) {
    if (!SaveSetting(App::EXEName(), QString::fromUtf8(section), QString::fromUtf8(key), value)) gPutFailed = true;
}

// A stored "hh.nn" time; a value that is not a time gives the default's.
QTime StoredTime(const char* key, const QString& defaultValue) {
    QDateTime t = CDate(Get("Agenda", key, defaultValue));
    if (!t.isValid()) t = CDate(defaultValue);
    return t.time();
}

QString FormatTime(const QTime& time, const QString& pattern) {
    return FormatDate(QDateTime(QDate(1899, 12, 30), QTime(time.hour(), time.minute())), pattern);
}

QLineEdit* TextBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromUtf8(name));
    return box;
}

MultiButton* Button(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new MultiButton(caption, parent);
    button->setObjectName(QString::fromUtf8(name));
    return button;
}

QString SmsFrameCaption(bool secondGateway) {
    return QStringLiteral("configurazione accesso invio SMS (%1)").arg(secondGateway ? "Idea" : "Geodrop");
}

}  // namespace

frmConfigura::frmConfigura() {
    setWindowTitle(QStringLiteral("Configurazione"));
    tabConfig = new QTabWidget(this);
    tabConfig->setObjectName(QStringLiteral("tabConfig"));

    // Sender.
    auto* sender = new QWidget;
    auto* senderForm = new QFormLayout(sender);
    txAzienda = TextBox(sender, "txAzienda");
    txIndirizzo = TextBox(sender, "txIndirizzo");
    txCAP = TextBox(sender, "txCAP");
    txCittà = TextBox(sender, "txCittà");
    txProvincia = TextBox(sender, "txProvincia");
    txNazione = TextBox(sender, "txNazione");
    txContatto = TextBox(sender, "txContatto");
    txTel = TextBox(sender, "txTel");
    txFax = TextBox(sender, "txFax");
    senderForm->addRow(QStringLiteral("Azienda"), txAzienda);
    senderForm->addRow(QStringLiteral("Indirizzo"), txIndirizzo);
    senderForm->addRow(QStringLiteral("CAP"), txCAP);
    senderForm->addRow(QStringLiteral("Città"), txCittà);
    senderForm->addRow(QStringLiteral("Provincia"), txProvincia);
    senderForm->addRow(QStringLiteral("Nazione"), txNazione);
    senderForm->addRow(QStringLiteral("Contatto"), txContatto);
    senderForm->addRow(QStringLiteral("Telefono"), txTel);
    senderForm->addRow(QStringLiteral("Fax"), txFax);
    tabConfig->addTab(sender, QStringLiteral("Mittente"));

    // Fax.
    auto* fax = new QWidget;
    auto* faxForm = new QFormLayout(fax);
    txPrefix = TextBox(fax, "txPrefix");
    txCoverPage = TextBox(fax, "txCoverPage");
    cmdBrowseCoverPage = Button(fax, "cmdBrowseCoverPage", QStringLiteral("..."));
    auto* coverRow = new QHBoxLayout;
    coverRow->addWidget(txCoverPage, 1);
    coverRow->addWidget(cmdBrowseCoverPage);
    faxForm->addRow(QStringLiteral("Prefisso di composizione"), txPrefix);
    faxForm->addRow(QStringLiteral("Copertina"), coverRow);
    FAX = new qvxFAX(this);
    FAX->setObjectName(QStringLiteral("FAX"));
    tabConfig->addTab(fax, QStringLiteral("Fax"));

    // E-mail.
    auto* mail = new QWidget;
    auto* mailForm = new QFormLayout(mail);
    txIndirizzoMail = TextBox(mail, "txIndirizzoMail");
    txNomeMail = TextBox(mail, "txNomeMail");
    txServerMail = TextBox(mail, "txServerMail");
    ckAutenticazione = new QCheckBox(QStringLiteral("Il server SMTP richiede l'autenticazione"), mail);
    ckAutenticazione->setObjectName(QStringLiteral("ckAutenticazione"));
    // A check box fills its ground from the window colour it is given.
    ckAutenticazione->setBackgroundRole(QPalette::Window);
    frAutenticazione = new QGroupBox(QStringLiteral("Autenticazione"), mail);
    frAutenticazione->setObjectName(QStringLiteral("frAutenticazione"));
    auto* authForm = new QFormLayout(frAutenticazione);
    txUserName = TextBox(frAutenticazione, "txUserName");
    txPassword = TextBox(frAutenticazione, "txPassword");
    txPassword->setEchoMode(QLineEdit::Password);
    authForm->addRow(QStringLiteral("Nome utente"), txUserName);
    authForm->addRow(QStringLiteral("Password"), txPassword);
    mailForm->addRow(QStringLiteral("Indirizzo del mittente"), txIndirizzoMail);
    mailForm->addRow(QStringLiteral("Nome del mittente"), txNomeMail);
    mailForm->addRow(QStringLiteral("Server SMTP"), txServerMail);
    mailForm->addRow(ckAutenticazione);
    mailForm->addRow(frAutenticazione);
    tabConfig->addTab(mail, QStringLiteral("E-mail"));

    // SMS.
    auto* sms = new QWidget;
    auto* smsLayout = new QVBoxLayout(sms);
    frSMS = new QGroupBox(sms);
    frSMS->setObjectName(QStringLiteral("frSMS"));
    auto* smsForm = new QFormLayout(frSMS);
    txSMSUser = TextBox(frSMS, "txSMSUser");
    txSMSPassword = TextBox(frSMS, "txSMSPassword");
    txSMSPassword->setEchoMode(QLineEdit::Password);
    txMittente = TextBox(frSMS, "txMittente");
    smsForm->addRow(QStringLiteral("Utente"), txSMSUser);
    smsForm->addRow(QStringLiteral("Password"), txSMSPassword);
    smsForm->addRow(QStringLiteral("Mittente"), txMittente);
    smsLayout->addWidget(frSMS);
    smsLayout->addStretch();
    tabConfig->addTab(sms, QStringLiteral("SMS"));

    // Agenda.
    auto* agenda = new QWidget;
    auto* agendaForm = new QFormLayout(agenda);
    dpDaOra = new TimePicker(agenda);
    dpDaOra->setObjectName(QStringLiteral("dpDaOra"));
    dpAOra = new TimePicker(agenda);
    dpAOra->setObjectName(QStringLiteral("dpAOra"));
    for (TimePicker* picker : {dpDaOra, dpAOra}) picker->installEventFilter(this);
    cbIntervallo = new QComboBox(agenda);
    cbIntervallo->setObjectName(QStringLiteral("cbIntervallo"));
    agendaForm->addRow(QStringLiteral("Dalle ore"), dpDaOra);
    agendaForm->addRow(QStringLiteral("Alle ore"), dpAOra);
    agendaForm->addRow(QStringLiteral("Intervallo (minuti)"), cbIntervallo);
    tabConfig->addTab(agenda, QStringLiteral("Agenda"));

    // General.
    auto* general = new QWidget;
    auto* generalForm = new QFormLayout(general);
    txStdObj = TextBox(general, "txStdObj");
    // The standard subject becomes the description of each mailing's activity rows.
    Comuni::LimitToColumn(txStdObj, "CONTATTI", "DESCRIZIONE");
    txStdNote = TextBox(general, "txStdNote");
    ckAutoUpdate = new QCheckBox(QStringLiteral("Controlla aggiornamenti all'avvio"), general);
    ckAutoUpdate->setObjectName(QStringLiteral("ckAutoUpdate"));
    ckAutoUpdate->setBackgroundRole(QPalette::Window);
    cmdCampiPersonalizzati = Button(general, "cmdCampiPersonalizzati", QStringLiteral("Campi personalizzati"));
    cmdUtenti = Button(general, "cmdUtenti", QStringLiteral("Utenti"));
    generalForm->addRow(QStringLiteral("Oggetto standard"), txStdObj);
    generalForm->addRow(QStringLiteral("Nota standard"), txStdNote);
    generalForm->addRow(ckAutoUpdate);
    auto* generalButtons = new QHBoxLayout;
    generalButtons->addWidget(cmdCampiPersonalizzati);
    generalButtons->addWidget(cmdUtenti);
    generalButtons->addStretch();
    generalForm->addRow(generalButtons);
    tabConfig->addTab(general, QStringLiteral("Generale"));

    cmdConferma = Button(this, "cmdConferma", QStringLiteral("Conferma"));
    cmdConferma->setDefault(true);
    cmdAnnulla = Button(this, "cmdAnnulla", QStringLiteral("Annulla"));
    SetCancelButton(cmdAnnulla);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdConferma);
    buttons->addWidget(cmdAnnulla);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabConfig);
    layout->addLayout(buttons);

    txAzienda->installEventFilter(this);
    ShowOpen = [this](const QString& title, const QString& filter) {
        // "description|pattern" as the program writes its filters.
        const QStringList parts = filter.split('|');
        const QString qtFilter = parts.size() == 2 ? parts[0] + " (" + parts[1] + ")" : filter;
        auto dialog = Platform::MakeFileDialog(this, title, QString(), qtFilter);
        dialog->setFileMode(QFileDialog::ExistingFile);
        return Platform::RunFileDialog(*dialog);
    };

    connect(ckAutenticazione, &QCheckBox::toggled, this, &frmConfigura::ckAutenticazione_Click);
    connect(cmdBrowseCoverPage, &QPushButton::clicked, this, &frmConfigura::cmdBrowseCoverPage_Click);
    connect(cmdConferma, &QPushButton::clicked, this, &frmConfigura::cmdConferma_Click);
    connect(cmdAnnulla, &QPushButton::clicked, this, &frmConfigura::cmdAnnulla_Click);
    connect(cmdCampiPersonalizzati, &QPushButton::clicked, this, &frmConfigura::cmdCampiPersonalizzati_Click);
    connect(cmdUtenti, &QPushButton::clicked, this, &frmConfigura::cmdUtenti_Click);
}

void frmConfigura::Form_Load() {
    // 1. Slots.
    cbIntervallo->addItems({"10", "15", "20", "30", "60"});

    // 2. Text and check boxes.
    txIndirizzo->setText(Get("Sender", "Address"));
    txAzienda->setText(Get("Sender", "Company"));
    txFax->setText(Get("Sender", "Fax"));
    txContatto->setText(Get("Sender", "Contact"));
    txTel->setText(Get("Sender", "Phone"));
    txCAP->setText(Get("Sender", "CAP"));
    txCittà->setText(Get("Sender", "Città"));
    txProvincia->setText(Get("Sender", "Provincia"));
    txNazione->setText(Get("Sender", "Nazione"));
    txCoverPage->setText(Get("Fax", "CoverPage"));
    txPrefix->setText(Get("Fax", "Prefix"));
    txIndirizzoMail->setText(Get("eMail", "Indirizzo"));
    txNomeMail->setText(Get("eMail", "NomeInMail"));
    txServerMail->setText(Get("eMail", "SMPTServer"));
    ckAutenticazione->setChecked(Val(Get("eMail", "SMPTServerAuth", "0")) != 0);
    ckAutenticazione_Click();
    txUserName->setText(Get("eMail", "SMPTServerUser"));
    txPassword->setText(Get("eMail", "SMPTServerPass"));
    txSMSUser->setText(Get("SMS", "USER"));
    txSMSPassword->setText(Get("SMS", "PASSWORD"));
    txMittente->setText(Get("SMS", "Mittente"));

    // 3. Working hours.
    dpDaOra->setTime(StoredTime("OraInizio", kDefaultStart));
    dpAOra->setTime(StoredTime("OraFine", kDefaultEnd));

    // 4. The first slot at least as long as the stored one; none above 60.
    // A stored value that is not a number is read as the default.
    const QString storedSlot = Get("Agenda", "Intervallo", kDefaultSlot).trimmed();
    const double slot = !storedSlot.isEmpty() && storedSlot.front().isDigit() ? Val(storedSlot) : Val(kDefaultSlot);
    cbIntervallo->setCurrentIndex(-1);
    for (int i = 0; i < cbIntervallo->count(); ++i) {
        if (Val(cbIntervallo->itemText(i)) >= slot) {
            cbIntervallo->setCurrentIndex(i);
            break;
        }
    }

    // 5. The SMS gateway in use, named in the frame's caption only: it is
    // chosen in the INI file beside the database and read at start-up.
    frSMS->setTitle(SmsFrameCaption(Global::gSmsProvider == 2));

    // 6. General.
    txStdObj->setText(Get("Config", "StandardSubject", kDefaultSubject));
    txStdNote->setText(Get("Config", "StandardNote", kDefaultNote));
    ckAutoUpdate->setChecked(Val(Get("Config", "Autoupdate", "1")) != 0);

    // 7. Only administrators manage users.
    cmdUtenti->setVisible(Global::HaPermesso(QStringLiteral("tutti")));

    // 8. Colours. The tab pages stand for the form's own ground.
    for (int i = 0; i < tabConfig->count(); ++i) SetBackColor(tabConfig->widget(i), Global::gColFormBack);
    Global::ApplyFormStyle(this);
    // The tabs themselves stay light, so their captions stay dark.
    SetForeColor(tabConfig->tabBar(), Global::gColInputFore);
}

void frmConfigura::ckAutenticazione_Click() { frAutenticazione->setEnabled(ckAutenticazione->isChecked()); }

void frmConfigura::txAzienda_LostFocus() {
    if (Trim(txMittente->text()).isEmpty()) txMittente->setText(txAzienda->text().left(11));
}

void frmConfigura::cmdBrowseCoverPage_Click() {
    const QString filter = FAX->CoverExt.toUpper() == QLatin1String(".COV") ? QStringLiteral("Copertine di fax|*.cov")
                                                                             : QStringLiteral("File RTF|*.rtf");
    const QString chosen = ShowOpen ? ShowOpen(QStringLiteral("Selezione copertina fax"), filter) : QString();
    if (!chosen.isEmpty()) txCoverPage->setText(chosen);
}

bool frmConfigura::TimesInOrder() { return dpDaOra->time() < dpAOra->time(); }

void frmConfigura::dpDaOra_Validate(bool& cancel) {
    if (TimesInOrder()) return;
    MsgBox(kTimeOrder, vbOKOnly);
    cancel = true;
}

void frmConfigura::dpAOra_Validate(bool& cancel) { dpDaOra_Validate(cancel); }

bool frmConfigura::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (watched == txAzienda) {
            txAzienda_LostFocus();
        } else if ((watched == dpDaOra || watched == dpAOra) && reason != Qt::ActiveWindowFocusReason &&
                   reason != Qt::PopupFocusReason) {
            // Confirm checks the hours itself and Cancel throws them away.
            QWidget* next = QApplication::focusWidget();
            if (next != cmdConferma && next != cmdAnnulla) {
                auto* picker = static_cast<TimePicker*>(watched);
                // The hours are checked as typed, so the entry ends first; a
                // time refused there keeps the focus as well.
                bool cancel = !picker->Commit();
                if (!cancel) {
                    if (picker == dpDaOra) dpDaOra_Validate(cancel);
                    else dpAOra_Validate(cancel);
                }
                if (cancel) QTimer::singleShot(0, picker, [picker] { picker->setFocus(Qt::OtherFocusReason); });
            }
        }
    }
    return Form::eventFilter(watched, event);
}

void frmConfigura::cmdConferma_Click() {
    // The hours are checked on leaving a picker; a click on Confirm straight
    // from one must not save them out of order either.
    if (!TimesInOrder()) {
        MsgBox(kTimeOrder, vbOKOnly);
        return;
    }
    if (cbIntervallo->currentIndex() < 0) {
        MsgBox(QStringLiteral("Occorre selezionare un intervallo per l'agenda"), vbOKOnly);
        return;
    }
    if (ckAutenticazione->isChecked()) {
        if (Trim(txUserName->text()).isEmpty() || Trim(txPassword->text()).isEmpty()) {
            MsgBox(QStringLiteral("Se è selezionata l'autenticazione del server SMTP, devono essere indicati il nome "
                                  "utente e la password"),
                   vbOKOnly);
            return;
        }
        txUserName->setText(Trim(txUserName->text()));
        txPassword->setText(Trim(txPassword->text()));
    }

    gPutFailed = false;
    Put("Sender", "Address", txIndirizzo->text());
    Put("Sender", "Company", txAzienda->text());
    Put("Sender", "Fax", txFax->text());
    Put("Sender", "Contact", txContatto->text());
    Put("Sender", "Phone", txTel->text());
    Put("Sender", "CAP", txCAP->text());
    Put("Sender", "Città", txCittà->text());
    Put("Sender", "Provincia", txProvincia->text());
    Put("Sender", "Nazione", txNazione->text());
    Put("Fax", "CoverPage", txCoverPage->text());
    Put("Fax", "Prefix", txPrefix->text());
    Put("eMail", "Indirizzo", txIndirizzoMail->text());
    Put("eMail", "NomeInMail", txNomeMail->text());
    Put("eMail", "SMPTServer", txServerMail->text());
    Put("eMail", "SMPTServerAuth", ckAutenticazione->isChecked() ? "1" : "0");
    Put("eMail", "SMPTServerUser", Trim(txUserName->text()));
    Put("eMail", "SMPTServerPass", Trim(txPassword->text()));
    Put("SMS", "USER", txSMSUser->text());
    Put("SMS", "PASSWORD", txSMSPassword->text());
    Put("SMS", "Mittente", txMittente->text());

    const int slot = static_cast<int>(Val(cbIntervallo->currentText()));
    Put("Agenda", "Intervallo", QString::number(slot));
    PlannerSettings* planner = PlannerSettings::Planner();
    if (planner) planner->SetSlotMinutes(slot);
    Put("Agenda", "OraInizio", FormatTime(dpDaOra->time(), QStringLiteral("hh.nn")));
    Put("Agenda", "OraFine", FormatTime(dpAOra->time(), QStringLiteral("hh.nn")));
    if (planner) {
        planner->SetDayStart(FormatTime(dpDaOra->time(), QStringLiteral("hh\\:nn")));
        planner->SetDayEnd(FormatTime(dpAOra->time(), QStringLiteral("hh\\:nn")));
        planner->Relayout();
    }

    Put("Config", "StandardSubject", txStdObj->text());
    Put("Config", "StandardNote", txStdNote->text());
    Put("Config", "AutoUpdate", ckAutoUpdate->isChecked() ? "1" : "0");
    if (gPutFailed) {
        // The window stays open with what was typed, so that nothing is lost.
        MsgBox(QStringLiteral("Impossibile salvare le impostazioni in ") + SettingsFolder() +
                   QStringLiteral(": disco pieno o cartella non scrivibile. Le modifiche non sono state registrate tutte."),
               vbExclamation);
        return;
    }
    Unload();
}

void frmConfigura::cmdAnnulla_Click() { Unload(); }

void frmConfigura::cmdCampiPersonalizzati_Click() { Neighbours::Show(QStringLiteral("frmFreeField")); }

void frmConfigura::cmdUtenti_Click() { Neighbours::Show(QStringLiteral("frmUtenti")); }
