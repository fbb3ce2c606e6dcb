#include "frmContatto.h"

#include "ADODB.h"
#include "Attivita.h"
#include "ComboBox.h"
#include "Comuni.h"
#include "Errors.h"
#include "Global.h"
#include "Locks.h"
#include "MultiButton.h"
#include "Neighbours.h"
#include "ProcGuard.h"
#include "Settings.h"
#include "Values.h"
#include "frmCellulare.h"
#include "frmLocked.h"
#include "modAdoCommon.h"
#include "qvxSMS2/qvxSMS2.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSpinBox>

using namespace Platform;
using Attivita::Procedure;

namespace {

const QString kDescrizione = QStringLiteral("descrizione contatto");
const QString kTestoMessaggio = QStringLiteral("testo del messaggio");
const QString kNonSalvato = QStringLiteral("Contatto non salvato");
const QString kNonSalvateProseguire =
    QStringLiteral("Sono state effettuate modifiche non ancora salvate. Proseguire ugualmente?");
// Outlook's link is the one column of an activity the card never writes.
const QStringList kNeverWritten{QStringLiteral("OUTL_ID")};
const QString kUnitNames[] = {QStringLiteral("minuti"), QStringLiteral("ore"), QStringLiteral("giorni")};

// The empty date of the database: a stored 0 means "none".
const QDateTime kNoDate(QDate(1899, 12, 30), QTime(0, 0));

double Serial(const QVariant& value) {
    const QDateTime d = value.toDateTime();
    return value.isNull() || !d.isValid() ? 0.0 : DateToSerial(d);
}

// Wall-clock arithmetic, as dates are kept in the database: an hour back is
// the same clock time an hour earlier, whatever the daylight-saving change.
QDateTime MoveBack(const QDateTime& start, qint64 count, int unit) {
    if (unit == 2) return start.addDays(-count);
    const qint64 seconds = count * (unit == 1 ? 3600 : 60);
    const QDateTime naive = QDateTime(start.date(), start.time(), Qt::UTC).addSecs(-seconds);
    return QDateTime(naive.date(), naive.time());
}

qint64 WallSeconds(const QDateTime& from, const QDateTime& to) {
    return QDateTime(from.date(), from.time(), Qt::UTC).secsTo(QDateTime(to.date(), to.time(), Qt::UTC));
}

// How the proposed reminder text tells the start: "12/12/2026 alle 15:45".
QString StartWords(const QDateTime& start) {
    return FormatDate(start, QStringLiteral("dd/mm/yyyy")) + " alle " + start.toString(QStringLiteral("HH:mm"));
}

QString NoLineEnds(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("- "));
    text.replace(QLatin1Char('\n'), QLatin1String("- "));
    return text;
}

QLabel* Lbl(QWidget* parent, const QString& text) { return new QLabel(text, parent); }

template <class W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromUtf8(name));
    return widget;
}

}  // namespace

frmContatto::frmContatto() {
    setWindowTitle(QStringLiteral("Contatto"));
    auto* grid = new QGridLayout(this);

    Label1[0] = Named(Lbl(this, QStringLiteral("tipo contatto")), "Label1_0");
    cbTipo = Named(new ComboBox(this), "cbTipo");
    dpData = Named(new DateTimePicker(QStringLiteral("dd/MM/yyyy HH:mm"), this), "dpData");
    txGiorni = Named(new QSpinBox(this), "txGiorni");
    txGiorni->setRange(0, 999);
    txGiorni->setSuffix(QStringLiteral(" gg"));
    dpDurata = Named(new TimePicker(this), "dpDurata");
    txID = Named(new QLineEdit(this), "txID");
    cmdRicerca = Named(new MultiButton(QStringLiteral("ricerca anagrafica"), this), "cmdRicerca");
    lbRagSoc = Named(new QLabel(this), "lbRagSoc");
    lbRagSoc->setFrameShape(QFrame::StyledPanel);
    lbRagSoc->setMinimumHeight(80);
    lbRagSoc->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A long name or address wraps inside its column instead of widening the card.
    lbRagSoc->setWordWrap(true);
    lbRagSoc->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    txIDAzienda = Named(new QLineEdit(this), "txIDAzienda");
    txLuogo = Named(new QLineEdit(this), "txLuogo");
    Label1[1] = Named(Lbl(this, kDescrizione), "Label1_1");
    txDescrizione = Named(new MultiLineTextBox(this), "txDescrizione");
    txNote = Named(new MultiLineTextBox(this), "txNote");
    Comuni::LimitToColumn(txLuogo, "CONTATTI", "LUOGO");
    Comuni::LimitToColumn(txDescrizione, "CONTATTI", "DESCRIZIONE");
    Comuni::LimitToColumn(txNote, "CONTATTI", "NOTE");
    ckAvviso = Named(new QCheckBox(QStringLiteral("avvisa"), this), "ckAvviso");
    cbMinuti = Named(new ComboBox(this, true), "cbMinuti");
    ckSMS = Named(new QCheckBox(QStringLiteral("Invia SMS alla conferma"), this), "ckSMS");

    int r = 0;
    grid->addWidget(Label1[0], r, 0);
    grid->addWidget(cbTipo, r, 1);
    grid->addWidget(Lbl(this, QStringLiteral("data contatto")), r, 2);
    grid->addWidget(dpData, r++, 3);
    grid->addWidget(Lbl(this, QStringLiteral("ID anagrafica")), r, 0);
    auto* person = new QHBoxLayout;
    person->addWidget(txID);
    person->addWidget(cmdRicerca);
    grid->addLayout(person, r, 1);
    grid->addWidget(Lbl(this, QStringLiteral("durata")), r, 2);
    auto* duration = new QHBoxLayout;
    duration->addWidget(txGiorni);
    duration->addWidget(dpDurata);
    grid->addLayout(duration, r++, 3);
    grid->addWidget(lbRagSoc, r, 1, 2, 1);
    grid->addWidget(Lbl(this, QStringLiteral("ID azienda")), r, 2);
    grid->addWidget(txIDAzienda, r++, 3);
    auto* reminder = new QHBoxLayout;
    reminder->addWidget(ckAvviso);
    reminder->addWidget(cbMinuti);
    reminder->addWidget(Lbl(this, QStringLiteral("min. prima")));
    reminder->addStretch();
    grid->addLayout(reminder, r++, 2, 1, 2);
    grid->addWidget(Lbl(this, QStringLiteral("luogo")), r, 0);
    grid->addWidget(txLuogo, r, 1);
    grid->addWidget(ckSMS, r++, 2, 1, 2);
    grid->addWidget(Label1[1], r, 0, Qt::AlignTop);
    grid->addWidget(txDescrizione, r++, 1, 1, 3);
    grid->addWidget(Lbl(this, QStringLiteral("note")), r, 0, Qt::AlignTop);
    grid->addWidget(txNote, r++, 1, 1, 3);

    // The remote reminders.
    ckPromemoriaRemoto = Named(new QCheckBox(QStringLiteral("promemoria remoto"), this), "ckPromemoriaRemoto");
    ckPromemoriaRemoto->setAutoFillBackground(true);
    frPromemoriaRemoto = Named(new QGroupBox(this), "frPromemoriaRemoto");
    auto* fr = new QGridLayout(frPromemoriaRemoto);
    Label2 = Named(Lbl(frPromemoriaRemoto, QStringLiteral("avvisa tramite SMS")), "Label2");
    lbCellMail = Named(Lbl(frPromemoriaRemoto, QStringLiteral("numero cellulare :")), "lbCellMail");
    txCellMail = Named(new QLineEdit(frPromemoriaRemoto), "txCellMail");
    txMessaggio = Named(new MultiLineTextBox(frPromemoriaRemoto), "txMessaggio");
    Comuni::LimitToColumn(txCellMail, "CONTATTI", "AVVISOCONTATTO");
    Comuni::LimitToColumn(txMessaggio, "CONTATTI", "AVVISOMESSAGE");
    txMessaggio->setMaximumHeight(70);
    lbChars = Named(new QLabel(QStringLiteral("160"), frPromemoriaRemoto), "lbChars");
    ck2ndAvviso = Named(new QCheckBox(QStringLiteral("2."), frPromemoriaRemoto), "ck2ndAvviso");
    lbGiaInviato = Named(
        new QLabel(QStringLiteral("promemoria remoto non modificabile perchè già programmato o inviato"), frPromemoriaRemoto),
        "lbGiàInviato");
    Check1 = Named(new QCheckBox(frPromemoriaRemoto), "Check1");
    Check1->setTristate(true);
    Check1->setCheckState(Qt::PartiallyChecked);
    fr->addWidget(Label2, 0, 0, 1, 2);
    fr->addWidget(lbCellMail, 1, 0);
    fr->addWidget(txCellMail, 1, 1, 1, 4);
    fr->addWidget(Lbl(frPromemoriaRemoto, QStringLiteral("testo messaggio :")), 2, 0, Qt::AlignTop);
    fr->addWidget(txMessaggio, 2, 1, 1, 4);
    fr->addWidget(Lbl(frPromemoriaRemoto, QStringLiteral("caratteri SMS")), 3, 0);
    fr->addWidget(lbChars, 3, 1);
    for (int k = 0; k < 2; ++k) {
        txQuanti[k] = Named(new QLineEdit(frPromemoriaRemoto), k == 0 ? "txQuanti_0" : "txQuanti_1");
        txQuanti[k]->setMaximumWidth(50);
        cbCosa[k] = Named(new ComboBox(frPromemoriaRemoto), k == 0 ? "cbCosa_0" : "cbCosa_1");
        fr->addWidget(k == 0 ? static_cast<QWidget*>(Lbl(frPromemoriaRemoto, QStringLiteral("1."))) : ck2ndAvviso,
                      4 + k, 0);
        fr->addWidget(Lbl(frPromemoriaRemoto, QStringLiteral("invia")), 4 + k, 1);
        fr->addWidget(txQuanti[k], 4 + k, 2);
        fr->addWidget(cbCosa[k], 4 + k, 3);
        fr->addWidget(Lbl(frPromemoriaRemoto, QStringLiteral("prima")), 4 + k, 4);
    }
    auto* sent = new QHBoxLayout;
    sent->addWidget(Check1);
    sent->addWidget(lbGiaInviato, 1);
    fr->addLayout(sent, 6, 0, 1, 5);
    grid->addWidget(ckPromemoriaRemoto, r++, 0, 1, 2);
    grid->addWidget(frPromemoriaRemoto, r++, 0, 1, 4);

    lbIdContatto = Named(new QLabel(this), "lbIdContatto");
    lbUtente = Named(new QLabel(this), "lbUtente");
    lbUtenteUltimaModifica = Named(new QLabel(this), "lbUtenteUltimaModifica");
    lbU_Mod = Named(new QLabel(this), "lbU_Mod");
    auto* stamps = new QHBoxLayout;
    stamps->addWidget(Lbl(this, QStringLiteral("contatto n.")));
    stamps->addWidget(lbIdContatto);
    stamps->addWidget(Lbl(this, QStringLiteral("utente creazione: ")));
    stamps->addWidget(lbUtente);
    stamps->addWidget(Lbl(this, QStringLiteral("utente ultima modifica: ")));
    stamps->addWidget(lbUtenteUltimaModifica);
    stamps->addWidget(Lbl(this, QStringLiteral("data ultima modifica")));
    stamps->addWidget(lbU_Mod);
    stamps->addStretch();
    grid->addLayout(stamps, r++, 0, 1, 4);
    cmdConferma = Named(new MultiButton(QStringLiteral("conferma"), this), "cmdConferma");
    cmdAnnulla = Named(new MultiButton(QStringLiteral("annulla"), this), "cmdAnnulla");
    SetCancelButton(cmdAnnulla);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdConferma);
    buttons->addWidget(cmdAnnulla);
    grid->addLayout(buttons, r++, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    connect(cmdConferma, &QPushButton::clicked, this,
            Procedure(this, "cmdConferma_Click", &frmContatto::cmdConferma_Click));
    connect(cmdAnnulla, &QPushButton::clicked, this,
            Procedure(this, "cmdAnnulla_Click", &frmContatto::cmdAnnulla_Click));
    connect(cmdRicerca, &QPushButton::clicked, this,
            Procedure(this, "cmdRicerca_Click", &frmContatto::cmdRicerca_Click));
    connect(cbTipo, &QComboBox::currentIndexChanged, this, Procedure(this, "cbTipo_Click", &frmContatto::cbTipo_Click));
    connect(ckPromemoriaRemoto, &QCheckBox::clicked, this,
            Procedure(this, "ckPromemoriaRemoto_Click", &frmContatto::ckPromemoriaRemoto_Click));
    connect(ck2ndAvviso, &QCheckBox::clicked, this,
            Procedure(this, "ck2ndAvviso_Click", &frmContatto::ck2ndAvviso_Click));
    connect(Check1, &QCheckBox::clicked, this, &frmContatto::Check1_Click);
    connect(txMessaggio, &QPlainTextEdit::textChanged, this, &frmContatto::txMessaggio_Change);
    for (QLineEdit* box : {txID, txLuogo, txCellMail}) connect(box, &QLineEdit::textChanged, this, &frmContatto::Modifica);
    for (QPlainTextEdit* box : {txDescrizione, txNote})
        connect(box, &QPlainTextEdit::textChanged, this, &frmContatto::Modifica);
    connect(dpData, &DateTimePicker::Change, this, &frmContatto::Modifica);
    connect(dpData, &DateTimePicker::Change, this, &frmContatto::FollowReminderText);
    connect(dpDurata, &TimePicker::Change, this, &frmContatto::Modifica);
    connect(txGiorni, &QSpinBox::valueChanged, this, &frmContatto::Modifica);
    connect(cbMinuti, &QComboBox::editTextChanged, this, &frmContatto::Modifica);
    connect(cbMinuti, &QComboBox::activated, this, &frmContatto::Modifica);
    connect(ckAvviso, &QCheckBox::clicked, this, &frmContatto::Modifica);
    txID->installEventFilter(this);
    txDescrizione->installEventFilter(this);
    resize(720, 680);
}

frmContatto::~frmContatto() = default;

bool frmContatto::eventFilter(QObject* watched, QEvent* event) {
    if (Attivita::IsLostFocus(event)) {
        if (watched == txID) Procedure(this, "txID_LostFocus", &frmContatto::txID_LostFocus)();
        else if (watched == txDescrizione) Procedure(this, "txDescrizione_LostFocus", &frmContatto::txDescrizione_LostFocus)();
    }
    return Form::eventFilter(watched, event);
}

void frmContatto::Form_Load() {
    qvxSMS = Attivita::LoadSmsControl(this, &smsUnavailable_);
    for (auto* combo : cbCosa)
        for (const QString& unit : kUnitNames) combo->AddItem(unit);
    cbCosa[0]->SetListIndex(1);
    cbCosa[1]->SetListIndex(2);
    for (const char* minutes : {"5", "10", "15", "20", "25", "30", "35", "40", "45", "60", "90"})
        cbMinuti->AddItem(QString::fromLatin1(minutes));
    if (!modAdoCommon::OpenConnection(cn, Global::gConnString, false, 19)) {
        cn.reset();
        ProcGuard::DisableAllBut(this, QStringLiteral("cmdAnnulla"));
        return;
    }
    ProcGuard::Run(QStringLiteral("Procedura Form_Load di Form frmContatto"), [this] {
        ADODB::Recordset rs;
        if (!modAdoCommon::OpenRecordset(rs, QStringLiteral("SELECT * FROM TIPICONTATTO ORDER BY DESCRIZIONE;"), *cn, 0, 3))
            return;
        QSignalBlocker block(cbTipo);
        while (!rs.EOF_()) {
            const QString code = Comuni::FieldStr(rs["CODICE"]);
            if (!rs["CODICE"].isNull() && !code.isEmpty())
                cbTipo->AddItem(Comuni::FieldStr(rs["DESCRIZIONE"]), int(code.at(0).unicode()));
            rs.MoveNext();
        }
        cbTipo->SetListIndex(-1);
    });
    ClearFields();
    Global::ApplyFormStyle(this);
    ShowReminderState();
}

void frmContatto::Modifica() {
    if (!loading_) cmdConferma->setEnabled(true);
}

QString frmContatto::TipoScelto() const {
    if (cbTipo->ListIndex() < 0) return QString();
    return QString(QChar(char16_t(cbTipo->ItemData(cbTipo->ListIndex()).toInt())));
}

void frmContatto::ClearFields() {
    loading_ = true;
    DescrizioneRichiesta = false;
    lbIdContatto->clear();
    lbUtente->setText(Global::gCurrentUser);
    lbUtenteUltimaModifica->clear();
    txID->clear();
    txIDAzienda->clear();
    lbRagSoc->clear();
    mCellulare.clear();
    ckAvviso->setChecked(false);
    cbMinuti->SetText(QStringLiteral("5"));
    cbTipo->SetListIndex(-1);
    cbTipo_Click();
    txLuogo->clear();
    txDescrizione->clear();
    txNote->clear();
    const QDateTime now = Now();
    dpData->setDateTime(QDateTime(now.date(), QTime(now.time().hour(), now.time().minute())));
    txGiorni->setValue(0);
    dpDurata->setTime(QTime(0, 0));
    lbU_Mod->setText(FormatDate(now, QStringLiteral("dd/mm/yyyy hh.nn.ss")));
    // Nothing of an earlier use may reach this activity's SMS.
    ckSMS->setChecked(false);
    txCellMail->clear();
    txMessaggio->clear();
    lbChars->setText(QStringLiteral("160"));
    for (auto* box : txQuanti) box->clear();
    cbCosa[0]->SetListIndex(1);
    cbCosa[1]->SetListIndex(2);
    ck2ndAvviso->setChecked(false);
    ckPromemoriaRemoto->setChecked(false);
    mAvviso1Sent = false;
    mAvviso2Sent = false;
    sentTimes_ = {};
    smsSent_ = false;
    read_.Clear();
    personRead_.Clear();
    proposedText_.clear();
    proposedStart_ = QDateTime();
    if (qvxSMS) try {
            qvxSMS->setDeferredTime(QDateTime());
        } catch (const std::exception&) {
        }
    loading_ = false;
    ShowReminderState();
    cmdConferma->setEnabled(false);
}

void frmContatto::SetLead(int k, const QDateTime& start, const QDateTime& time) {
    // Only the send time is stored: the lead is shown in the largest unit that gives it whole.
    const qint64 days = time.date().daysTo(start.date());
    if (days > 0 && time.addDays(days) == start) {
        txQuanti[k]->setText(QString::number(days));
        cbCosa[k]->SetListIndex(2);
        return;
    }
    const qint64 minutes = WallSeconds(time, start) / 60;
    const bool hours = minutes % 60 == 0;
    txQuanti[k]->setText(QString::number(hours ? minutes / 60 : minutes));
    cbCosa[k]->SetListIndex(hours ? 1 : 0);
}

void frmContatto::ReadRecord(qint32 idcont, const QString& user) {
    ClearFields();
    if (!cn) return;
    QVariantList params{idcont};
    const QString sql = "SELECT * FROM CONTATTI WHERE IDCONT=? AND " + Attivita::OwnerCondition("UTENTE", user, params) + ";";
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, sql, *cn, 0, 3, false, params)) return;
    if (!rs.EOF_()) {
        read_.Take(rs, kNeverWritten);
        lbIdContatto->setText(QString::number(idcont));
        const qint32 person = Comuni::FieldNum(rs["IDANA"]).toInt();
        txID->setText(person == 0 ? QString() : QString::number(person));
        ShowPerson();
        loading_ = true;
        lbUtente->setText(Comuni::FieldStr(rs["UTENTE"]));
        lbUtenteUltimaModifica->setText(Comuni::FieldStr(rs["UTENTEMODIFICA"]));
        const qint32 company = Comuni::FieldNum(rs["IDAZIENDA"]).toInt();
        txIDAzienda->setText(company == 0 ? QString() : Format(company, QStringLiteral("00000000")));
        const QDateTime start = rs["DATA"].isNull() ? Now() : rs["DATA"].toDateTime();
        if (Serial(rs["DATAAVVISO"]) > 0) {
            ckAvviso->setChecked(true);
            cbMinuti->SetText(QString::number(WallSeconds(rs["DATAAVVISO"].toDateTime(), start) / 60));
        }
        const QString code = Comuni::FieldStr(rs["TIPOCONT"]);
        for (int i = 0; i < cbTipo->ListCount(); ++i)
            if (!code.isEmpty() && cbTipo->ItemData(i).toInt() == int(code.at(0).unicode())) {
                cbTipo->SetListIndex(i);
                break;
            }
        txLuogo->setText(Comuni::FieldStr(rs["LUOGO"]));
        txDescrizione->setPlainText(Comuni::FieldStr(rs["DESCRIZIONE"]));
        txNote->setPlainText(Comuni::FieldStr(rs["NOTE"]));
        dpData->setDateTime(start);
        // A duration of a day or more keeps its days.
        const qint64 length = rs["DATAFINE"].isNull() ? 0 : qMax<qint64>(0, WallSeconds(start, rs["DATAFINE"].toDateTime()));
        txGiorni->setValue(int(qMin<qint64>(length / 86400, txGiorni->maximum())));
        dpDurata->setTime(QTime(0, 0).addSecs(int(length % 86400)));
        lbU_Mod->setText(FormatDate(rs["U_MOD"].toDateTime(), QStringLiteral("dd/mm/yyyy hh.nn.ss")));

        // The remote reminders as stored, so that a save writes them back unchanged.
        ckPromemoriaRemoto->setChecked(Comuni::FieldStr(rs["AVVISOREMOTO"]) == QLatin1String("P"));
        txCellMail->setText(Comuni::FieldStr(rs["AVVISOCONTATTO"]));
        txMessaggio->setPlainText(Comuni::FieldStr(rs["AVVISOMESSAGE"]));
        mAvviso1Sent = rs["AVVISO1SENT"].toBool();
        mAvviso2Sent = rs["AVVISO2SENT"].toBool();
        const char* dateColumns[] = {"AVVISO1DATE", "AVVISO2DATE"};
        for (int k = 0; k < 2; ++k) {
            const QVariant stored = rs[QString::fromLatin1(dateColumns[k])];
            if (Serial(stored) <= 0) continue;
            SetLead(k, start, stored.toDateTime());
            if (k == 0 ? mAvviso1Sent : mAvviso2Sent) sentTimes_[k] = stored.toDateTime();
        }
        // A second reminder is wanted when it went out or its time is stored.
        ck2ndAvviso->setChecked(mAvviso2Sent || Serial(rs["AVVISO2DATE"]) > 0);
        // A stored text that is the one the card proposes, not yet with the
        // gateway, goes on following the card.
        const QString stored = txMessaggio->toPlainText();
        if (!mAvviso1Sent && !mAvviso2Sent && !stored.isEmpty() && stored == Trim(NoLineEnds(DefaultReminderText())))
            proposedText_ = stored;
        // One the user edited still tells the start in the card's words: they follow it.
        if (!mAvviso1Sent && !mAvviso2Sent && stored.contains(StartWords(start))) proposedStart_ = start;
        loading_ = false;
    }
    rs.Close();
    ShowReminderState();
    cmdConferma->setEnabled(false);
    Show(vbModal);
}

void frmContatto::ShowReminderState() {
    const bool on = ckPromemoriaRemoto->isChecked();
    const bool anySent = mAvviso1Sent || mAvviso2Sent;
    SetBackColor(ckPromemoriaRemoto, on ? Global::gColPanel : Global::gColFormBack);
    frPromemoriaRemoto->setEnabled(on);
    // What the gateway already holds cannot be changed here any more.
    lbGiaInviato->setVisible(anySent);
    Check1->setVisible(anySent);
    ckPromemoriaRemoto->setEnabled(!anySent && cn);
    txCellMail->setReadOnly(anySent);
    txMessaggio->setReadOnly(anySent);
    txQuanti[0]->setEnabled(!mAvviso1Sent);
    cbCosa[0]->setEnabled(!mAvviso1Sent);
    ck2ndAvviso->setEnabled(!mAvviso2Sent);
    txQuanti[1]->setEnabled(ck2ndAvviso->isChecked() && !mAvviso2Sent);
    cbCosa[1]->setEnabled(ck2ndAvviso->isChecked() && !mAvviso2Sent);
}

void frmContatto::ShowPerson() {
    personRead_.Clear();
    if (Trim(txID->text()).isEmpty()) {
        lbRagSoc->clear();
        return;
    }
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, QStringLiteral("SELECT * FROM ANAGRAFICA WHERE ID=?;"), *cn, 0, 3, false,
                                     {qint32(Val(txID->text()))}))
        return;
    if (rs.EOF_()) {
        lbRagSoc->clear();
        mCellulare.clear();
        MsgBox(QStringLiteral("ID inesistente"), vbOKOnly);
        txID->setFocus();
        return;
    }
    personRead_.Take(rs);
    auto f = [&rs](const char* column) { return Comuni::FieldStr(rs[QString::fromLatin1(column)]); };
    lbRagSoc->setText(QStringList{Trim(f("COGNOME") + " " + f("NOME") + " " + f("AZIENDA")), Trim(f("RUOLO")),
                                  Trim(f("INDIRIZZO")), Trim(f("CAP") + " " + f("CITTA") + " " + f("PROVINCIA")),
                                  Trim(f("NAZIONE"))}
                          .join(QLatin1Char('\n')));
    const qint32 company = Comuni::FieldNum(rs["IDAZIENDA"]).toInt();
    txIDAzienda->setText(company == 0 ? QString() : Format(company, QStringLiteral("00000000")));
    mCellulare = f("CELLULARE");
}

void frmContatto::txID_LostFocus() {
    if (cn) ShowPerson();
}

void frmContatto::cmdRicerca_Click() {
    const qint32 id = qint32(Val(Neighbours::ShowModalForTag(QStringLiteral("frmCercaAnagrafica"))));
    if (id <= 0) return;
    txID->setText(Format(id, QStringLiteral("00000000")));
    if (cn) ShowPerson();
}

void frmContatto::cbTipo_Click() {
    Modifica();
    FollowReminderText();
    const bool sms = TipoScelto() == QLatin1String("M");
    Label1[1]->setText(sms ? kTestoMessaggio : kDescrizione);
    // Greyed rather than hidden: a tick given before the type changed stays in sight.
    ckSMS->setEnabled(sms && cn);
}

void frmContatto::Check1_Click() { Check1->setCheckState(Qt::PartiallyChecked); }

void frmContatto::ckPromemoriaRemoto_Click() {
    if (lbGiaInviato->isVisibleTo(this)) return;
    if (ckPromemoriaRemoto->isChecked()) {
        proposedText_ = DefaultReminderText();
        proposedStart_ = dpData->dateTime();
        txMessaggio->setPlainText(proposedText_);
        if (Val(txQuanti[0]->text()) == 0) {
            txQuanti[0]->setText(QStringLiteral("1"));
            cbCosa[0]->SetListIndex(1);
        }
        if (Val(txQuanti[1]->text()) == 0) {
            txQuanti[1]->setText(QStringLiteral("1"));
            cbCosa[1]->SetListIndex(2);
        }
        for (auto* combo : cbCosa)
            if (combo->ListIndex() < 0) combo->SetListIndex(1);
    }
    ShowReminderState();
    Modifica();
}

QString frmContatto::DefaultReminderText() const {
    const QString app = App::EXEName();
    auto sender = [&app](const char* key) { return GetSetting(app, QStringLiteral("Sender"), QString::fromUtf8(key)); };
    const QDateTime start = dpData->dateTime();
    return "Promemoria " + cbTipo->Text() + " del " + StartWords(start) + "\n" + sender("Company") + "\n" +
           sender("Address") + "\n" + sender("Città") + "\n" + "Tel.: " + sender("Phone");
}

void frmContatto::FollowReminderText() {
    // What the gateway already holds stays as it went.
    if (mAvviso1Sent || mAvviso2Sent) return;
    const QString current = txMessaggio->toPlainText();
    // A text the card proposed and the user left alone is proposed anew.
    if (!proposedText_.isEmpty() && current == proposedText_) {
        const QString text = DefaultReminderText();
        proposedStart_ = dpData->dateTime();
        if (text == proposedText_) return;
        proposedText_ = text;
        txMessaggio->setPlainText(text);
        return;
    }
    // One the user edited keeps every word typed; only the date and time the
    // card wrote for the old start give way to the new ones.
    if (!proposedStart_.isValid()) return;
    const QString was = StartWords(proposedStart_);
    const QString now = StartWords(dpData->dateTime());
    const qsizetype at = current.indexOf(was);
    if (was == now || at < 0) return;
    proposedStart_ = dpData->dateTime();
    txMessaggio->setPlainText(QString(current).replace(at, was.size(), now));
}

void frmContatto::ck2ndAvviso_Click() { ShowReminderState(); }

void frmContatto::txMessaggio_Change() {
    Modifica();
    lbChars->setText(QString::number(txMessaggio->toPlainText().size()));
}

void frmContatto::txDescrizione_LostFocus() {
    if (TipoScelto() != QLatin1String("M")) return;
    const qsizetype length = txDescrizione->toPlainText().size();
    if (length <= 160) return;
    if (Global::gSmsProvider != 2) {
        MsgBox("La lunghezza del testo del messaggio è superiore ai 160 caratteri consentiti (" + QString::number(length) +
                   ")",
               vbOKOnly);
        txDescrizione->setFocus();
        return;
    }
    if (MsgBox("La lunghezza del testo del messaggio è superiore ai 160 caratteri di un singolo messaggio (" +
                   QString::number(length) + ") e sarà inviato consumando più di un credito. Confermi?",
               vbYesNo + vbQuestion) == vbNo)
        txDescrizione->setFocus();
}

QDateTime frmContatto::ReminderTime(int k) const {
    const int unit = cbCosa[k]->ListIndex();
    if (unit < 0 || unit > 2) return QDateTime();
    return MoveBack(dpData->dateTime(), qint64(RoundHalfEven(Val(txQuanti[k]->text()))), unit);
}

bool frmContatto::Send(const QString& number, const QString& message, const QDateTime& deferred, QString* reason) {
    QString why = smsUnavailable_;
    bool sent = false;
    if (qvxSMS) {
        // The account as the configuration holds it now, not as it was when the card opened.
        Attivita::ApplySmsSettings(*qvxSMS);
        // Whatever the control raises is a send that did not happen.
        try {
            qvxSMS->Destinations()->Clear();
            qvxSMS->Destinations()->Add(number);
            qvxSMS->setMessage(message);
            qvxSMS->setDeferredTime(deferred);
            sent = qvxSMS->Send();
            if (!sent) why = Attivita::SmsFailure(*qvxSMS);
        } catch (const Tessivo::ComError& e) {
            why = e.Description;
        } catch (const std::exception& e) {
            why = QString::fromLocal8Bit(e.what());
        }
    }
    if (!sent && reason) *reason = why;
    return sent;
}

bool frmContatto::TextsFit() {
    // Checked before anything leaves for the gateway: a row the database then
    // refused would leave a reminder sent that the card can no longer change.
    return Comuni::FitsColumn(txLuogo, Trim(txLuogo->text()), QStringLiteral("luogo")) &&
           Comuni::FitsColumn(txDescrizione, Trim(txDescrizione->toPlainText()), Label1[1]->text()) &&
           Comuni::FitsColumn(txNote, Trim(txNote->toPlainText()), QStringLiteral("note")) &&
           Comuni::FitsColumn(txCellMail, Trim(txCellMail->text()), QStringLiteral("numero cellulare")) &&
           Comuni::FitsColumn(txMessaggio, txMessaggio->toPlainText(), QStringLiteral("testo messaggio"));
}

bool frmContatto::RemindersReady(std::array<QDateTime, 2>& times) {
    const QString text = txMessaggio->toPlainText();
    if (!Comuni::IsSmsText(text)) {
        MsgBox(QStringLiteral("Il messaggio del promemoria remoto contiene caratteri non permessi per gli SMS"), vbOKOnly);
        txMessaggio->setFocus();
        return false;
    }
    if (Trim(text).isEmpty()) {
        MsgBox(QStringLiteral("Il testo del messaggio del promemoria remoto non può essere vuoto"), vbOKOnly);
        txMessaggio->setFocus();
        return false;
    }
    if (Trim(txCellMail->text()).isEmpty()) {
        MsgBox(QStringLiteral("Inserire il numero di cellulare cui inviare gli SMS di promemoria remoto"), vbOKOnly);
        txCellMail->setFocus();
        return false;
    }
    const bool sent[] = {mAvviso1Sent, mAvviso2Sent};
    for (int k = 0; k < 2; ++k) times[k] = sent[k] ? sentTimes_[k] : ReminderTime(k);
    // Both are checked before either goes to the gateway.
    const QDateTime earliest = Now().addSecs(6 * 60);
    if (!mAvviso1Sent && (!times[0].isValid() || times[0] < earliest)) {
        MsgBox(QStringLiteral("E' stato impostato un valore non corretto come periodo di anticipo del primo promemoria "
                              "remoto. L'invio deve essere almeno 6 minuti dopo l'orario attuale."),
               vbOKOnly);
        return false;
    }
    if (ck2ndAvviso->isChecked() && !mAvviso2Sent && (!times[1].isValid() || times[1] < earliest)) {
        MsgBox(QStringLiteral("E' stato impostato un valore non corretto come periodo di anticipo del secondo promemoria "
                              "remoto. L'invio deve essere almeno 6 minuti dopo l'orario attuale."),
               vbOKOnly);
        return false;
    }
    return true;
}

void frmContatto::SendReminders(const std::array<QDateTime, 2>& times) {
    QString number = txCellMail->text();
    number.remove(QLatin1Char(' '));
    const QString text = txMessaggio->toPlainText();
    bool* flags[] = {&mAvviso1Sent, &mAvviso2Sent};
    int refused = 0;
    QStringList reasons;
    for (int k = 0; k < 2; ++k) {
        if (*flags[k] || (k == 1 && !ck2ndAvviso->isChecked())) continue;
        // The gateway keeps a deferred send for 30 days at most: a later one waits for a later save.
        if (qAbs(Now().date().daysTo(times[k].date())) >= 30) continue;
        QString reason;
        if (Send(number, text, times[k], &reason)) {
            *flags[k] = true;
            sentTimes_[k] = times[k];
            continue;
        }
        ++refused;
        if (!reason.isEmpty() && !reasons.contains(reason)) reasons << reason;
    }
    if (refused == 0) return;
    // The save goes on; the user must not take the reminder for scheduled.
    QString message = refused == 1 ? QStringLiteral("Il promemoria remoto non è stato consegnato")
                                   : QStringLiteral("I promemoria remoti non sono stati consegnati");
    message += QStringLiteral(" al servizio SMS: l'invio sarà ritentato al prossimo salvataggio del contatto.");
    if (!reasons.isEmpty()) message += "\r\n" + reasons.join(QStringLiteral("\r\n"));
    MsgBox(message, vbOKOnly + vbExclamation);
}

bool frmContatto::SmsReady() {
    const QString text = txDescrizione->toPlainText();
    if (Trim(text).isEmpty()) {
        MsgBox(QStringLiteral("Il messaggio SMS deve essere non vuoto"), vbOKOnly);
        txDescrizione->setFocus();
        return false;
    }
    if (Global::gSmsProvider != 2 && text.size() > 160) {
        MsgBox(QStringLiteral("Il messaggio SMS non può essere di lunghezza superiore a 160 caratteri"), vbOKOnly);
        txDescrizione->setFocus();
        return false;
    }
    if (Global::gSmsProvider != 2 && !Comuni::IsSmsText(text)) {
        MsgBox(QStringLiteral("Il messaggio contiene caratteri non permessi per gli SMS"), vbOKOnly);
        txDescrizione->setFocus();
        return false;
    }
    return true;
}

QString frmContatto::RowSql(QVariantList& params) const {
    params = {qint32(Val(lbIdContatto->text()))};
    return "SELECT * FROM CONTATTI WHERE IDCONT=? AND " +
           Attivita::OwnerCondition(QStringLiteral("UTENTE"), lbUtente->text(), params) + ";";
}

bool frmContatto::OverwriteAccepted(const RowAsRead& stored) {
    // A row gone meanwhile is written anew, as a new activity is.
    if (stored.IsEmpty() || read_.Matches(stored)) return true;
    if (!read_.ConfirmOverwrite(stored, {QStringLiteral("questo contatto"), QStringLiteral("era stato letto qui"),
                                         QStringLiteral("UTENTEMODIFICA")}))
        return false;
    read_ = stored;
    // Overwriting the other save never unsends what it handed to the gateway.
    TakeSentReminders(stored);
    return true;
}

void frmContatto::TakeSentReminders(const RowAsRead& stored) {
    const QString sentColumns[] = {QStringLiteral("AVVISO1SENT"), QStringLiteral("AVVISO2SENT")};
    const QString timeColumns[] = {QStringLiteral("AVVISO1DATE"), QStringLiteral("AVVISO2DATE")};
    bool* flags[] = {&mAvviso1Sent, &mAvviso2Sent};
    const QVariant storedStart = stored.Value(QStringLiteral("DATA"));
    const QDateTime start = Serial(storedStart) > 0 ? storedStart.toDateTime() : dpData->dateTime();
    bool took = false;
    for (int k = 0; k < 2; ++k) {
        if (*flags[k] || !stored.Value(sentColumns[k]).toBool()) continue;
        const QVariant time = stored.Value(timeColumns[k]);
        *flags[k] = true;
        sentTimes_[k] = Serial(time) > 0 ? time.toDateTime() : QDateTime();
        if (sentTimes_[k].isValid()) SetLead(k, start, sentTimes_[k]);
        if (k == 1) ck2ndAvviso->setChecked(true);
        took = true;
    }
    if (!took) return;
    // The number and the text the gateway holds.
    ckPromemoriaRemoto->setChecked(true);
    txCellMail->setText(Comuni::FieldStr(stored.Value(QStringLiteral("AVVISOCONTATTO"))));
    txMessaggio->setPlainText(Comuni::FieldStr(stored.Value(QStringLiteral("AVVISOMESSAGE"))));
    proposedText_.clear();
    proposedStart_ = QDateTime();
    ShowReminderState();
}

bool frmContatto::WriteRow(const std::array<QDateTime, 2>& times) {
    for (;;) {
        // A refused lock has been told by the wait window itself.
        if (!DefaultInstance<frmLocked>().LockTables(*cn, QStringLiteral("CONTATTI"))) return false;
        RowAsRead meanwhile;
        const bool written = WriteLocked(times, meanwhile);
        Locks::ReleaseLocks(30);
        if (meanwhile.IsEmpty()) return written;
        // Saved again by another workstation since the look before the sends:
        // asked with the lock released, and a Yes takes it again.
        if (!OverwriteAccepted(meanwhile)) return false;
    }
}

bool frmContatto::WriteLocked(const std::array<QDateTime, 2>& times, RowAsRead& meanwhile) {
    bool written = false;
    ProcGuard::Run(QStringLiteral("Procedura cmdConferma_Click di Form frmContatto"), [&] {
        const QString owner = lbUtente->text();
        QVariantList params;
        const QString sql = RowSql(params);
        ADODB::Recordset rs;
        if (!modAdoCommon::OpenRecordset(rs, sql, *cn, 1, 3, false, params)) return;
        if (rs.EOF_()) {
            const qint32 id = NuovaIDCONT();
            if (id <= 0) {
                MsgBox(QStringLiteral("Impossibile assegnare il numero al nuovo contatto. ") + kNonSalvato, vbExclamation);
                return;
            }
            rs.AddNew();
            rs.SetValue("IDCONT", id);
            rs.SetValue("UTENTE", owner);
        } else if (!read_.Matches(rs, meanwhile, kNeverWritten)) {
            return;
        }
        const QDateTime start = dpData->dateTime();
        const bool remote = ckPromemoriaRemoto->isChecked();
        // A reminder with the gateway keeps the time it went with.
        const QDateTime at[] = {mAvviso1Sent ? sentTimes_[0] : times[0], mAvviso2Sent ? sentTimes_[1] : times[1]};
        rs.SetValue("UTENTEMODIFICA", Global::gCurrentUser);
        rs.SetValue("IDANA", qint32(Val(txID->text())));
        rs.SetValue("IDAZIENDA", qint32(Val(txIDAzienda->text())));
        rs.SetValue("TIPOCONT", TipoScelto());
        rs.SetValue("LUOGO", Trim(txLuogo->text()));
        rs.SetValue("DESCRIZIONE", Trim(txDescrizione->toPlainText()));
        rs.SetValue("NOTE", Trim(txNote->toPlainText()));
        rs.SetValue("DATA", start);
        rs.SetValue("DATAFINE", start.addDays(txGiorni->value()).addSecs(QTime(0, 0).secsTo(dpDurata->time())));
        rs.SetValue("DATAAVVISO", ckAvviso->isChecked() ? MoveBack(start, qint64(Val(cbMinuti->Text())), 0) : kNoDate);
        rs.SetValue("AVVISOREMOTO", remote ? QStringLiteral("P") : QString());
        rs.SetValue("AVVISOCONTATTO", Trim(txCellMail->text()));
        rs.SetValue("AVVISOMESSAGE", txMessaggio->toPlainText());
        rs.SetValue("AVVISO1DATE", remote && at[0].isValid() ? at[0] : kNoDate);
        // The second time is kept only while the second reminder is wanted: a
        // stored time is how a reopened card knows to try it again.
        const bool second = remote && (ck2ndAvviso->isChecked() || mAvviso2Sent);
        rs.SetValue("AVVISO2DATE", second && at[1].isValid() ? at[1] : kNoDate);
        rs.SetValue("AVVISO1SENT", mAvviso1Sent);
        rs.SetValue("AVVISO2SENT", mAvviso2Sent);
        rs.SetValue("U_MOD", Now());
        if (!modAdoCommon::UpdateRecordset(rs)) return;
        lbIdContatto->setText(QString::number(Comuni::FieldNum(rs["IDCONT"]).toInt()));
        read_.Take(rs, kNeverWritten);
        written = true;
    });
    return written;
}

qint32 frmContatto::NuovaIDCONT() { return cn ? Attivita::NuovaIDCONT(*cn, lbUtente->text()) : 0; }

void frmContatto::cmdConferma_Click() {
    if (!cn) return;
    if (TipoScelto().isEmpty()) {
        MsgBox(QStringLiteral("E' necessario indicare un tipo di contatto"), vbOKOnly);
        cbTipo->setFocus();
        return;
    }
    // An appointment of the agenda needs a description before anything is saved.
    if (DescrizioneRichiesta && Trim(txDescrizione->toPlainText()).isEmpty()) {
        MsgBox(QStringLiteral("La descrizione dell'evento non può essere vuota"), vbOKOnly);
        txDescrizione->setFocus();
        return;
    }
    // The reminder text as it goes: the one proposed tells the start as it is now.
    FollowReminderText();
    const bool proposed = !proposedText_.isEmpty() && txMessaggio->toPlainText() == proposedText_;
    txMessaggio->setPlainText(Trim(NoLineEnds(txMessaggio->toPlainText())));
    if (proposed) proposedText_ = txMessaggio->toPlainText();
    if (!TextsFit()) return;
    bool remote = ckPromemoriaRemoto->isChecked();
    const bool sms = ckSMS->isChecked() && !smsSent_;
    // Every check comes before anything goes to the gateway.
    std::array<QDateTime, 2> times;
    if (remote && !RemindersReady(times)) return;
    if (sms && !SmsReady()) return;
    // Nothing goes to the gateway for a save the user then gives up because
    // another workstation saved the activity meanwhile.
    if (!read_.IsEmpty()) {
        QVariantList params;
        const QString sql = RowSql(params);
        ADODB::Recordset rs;
        if (!modAdoCommon::OpenRecordset(rs, sql, *cn, 0, 3, false, params)) return;
        RowAsRead stored;
        if (!rs.EOF_()) stored.Take(rs, kNeverWritten);
        rs.Close();
        const int sentCount = int(mAvviso1Sent) + int(mAvviso2Sent);
        if (!OverwriteAccepted(stored)) return;
        // A reminder the other save handed to the gateway is now this card's
        // too: the reminders are checked again as they now stand.
        if (int(mAvviso1Sent) + int(mAvviso2Sent) != sentCount) {
            remote = ckPromemoriaRemoto->isChecked();
            if (remote && !RemindersReady(times)) return;
        }
    }
    if (remote) {
        SendReminders(times);
        ShowReminderState();
    }
    if (sms) {
        if (Trim(txID->text()).isEmpty()) mCellulare.clear();
        if (Trim(mCellulare).isEmpty()) {
            QPointer<frmCellulare> prompt = new frmCellulare(cn.get(), txID, personRead_);
            prompt->Show(vbModal, this);
            const bool ok = prompt && !prompt->IsUnloaded() && prompt->Tag == QLatin1String("OK");
            if (ok) mCellulare = prompt->txNumero->text();
            if (prompt) prompt->Unload();
            if (!ok) {
                MsgBox(kNonSalvato, vbOKOnly);
                return;
            }
        }
        QString reason;
        if (Send(mCellulare, txDescrizione->toPlainText(), QDateTime(), &reason)) {
            smsSent_ = true;
        } else {
            QString question = QStringLiteral("Si è verificato un problema nell'invio dell'SMS. Proseguo ugualmente con il "
                                              "salvataggio del contatto?");
            if (!reason.isEmpty()) question += "\r\n" + reason;
            if (MsgBox(question, vbYesNo + vbQuestion + vbDefaultButton2) == vbNo) return;
        }
    }
    if (!WriteRow(times)) return;
    cmdConferma->setEnabled(false);
    Tag.clear();
    Hide();
}

bool frmContatto::DiscardConfirmed() {
    if (!cmdConferma->isEnabled()) return true;
    if (MsgBox(kNonSalvateProseguire, vbYesNo + vbQuestion + vbDefaultButton2) == vbNo) return false;
    // Answered: the caller's unload that follows has nothing more to ask.
    cmdConferma->setEnabled(false);
    return true;
}

void frmContatto::cmdAnnulla_Click() {
    // Asked while the card is in sight: No leaves it as it is, with its edits.
    if (!DiscardConfirmed()) return;
    if (!Tag.isEmpty()) {
        Tag = QStringLiteral("KILL");
        Hide();
        return;
    }
    Unload();
}

void frmContatto::Form_QueryUnload(int& cancel, int unloadMode) {
    if (Tag == QLatin1String("KILL")) return;
    cancel = 1;
    // The close box is the user's cancel: the same question, with the card in sight.
    if (unloadMode == vbFormControlMenu && !DiscardConfirmed()) return;
    Tag = QStringLiteral("KILL");
    Hide();
}

void frmContatto::Form_Unload(int& cancel) {
    if (cmdConferma->isEnabled() && MsgBox(kNonSalvateProseguire, vbYesNo + vbQuestion + vbDefaultButton2) == vbNo) {
        cancel = 1;
        return;
    }
    if (cn && cn->State() == ADODB::adStateOpen) cn->Close();
    cn.reset();
}
