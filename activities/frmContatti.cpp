#include "frmContatti.h"

#include "ADODB.h"
#include "Attivita.h"
#include "ComboBox.h"
#include "Comuni.h"
#include "DatePicker.h"
#include "Errors.h"
#include "Global.h"
#include "ListView.h"
#include "Locks.h"
#include "MultiButton.h"
#include "Neighbours.h"
#include "ProcGuard.h"
#include "TextOrder.h"
#include "Values.h"
#include "cTooltip.h"
#include "frmContatto.h"
#include "frmLocked.h"
#include "modAdoCommon.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStringBuilder>

#include <algorithm>
#include <array>
#include <vector>

using namespace Platform;
using Attivita::Procedure;

namespace {

const char* const kColumns[] = {"data e ora", "utente", "riferimento", "tipo contatto", "luogo", "descrizione", "note"};
const QString kTutti = QStringLiteral("- tutti -");

// A registry record's name and company; a missing part is empty text, so a
// person without a company still shows the name.
const QString kRagSoc = QStringLiteral(
    "(IIF(ANAGRAFICA.COGNOME IS NULL,'',ANAGRAFICA.COGNOME) & ' ' & IIF(ANAGRAFICA.NOME IS NULL,'',ANAGRAFICA.NOME) & ' ' & "
    "IIF(ANAGRAFICA.AZIENDA IS NULL,'',ANAGRAFICA.AZIENDA))");

// "dd/mm/yy hh.nn", written digit by digit: the general formatter, which reads
// its pattern anew for every date, took most of a long list's fill.
QString ListDate(const QDateTime& when) {
    if (!when.isValid()) return QString();
    const int parts[] = {when.date().day(), when.date().month(), when.date().year() % 100, when.time().hour(),
                         when.time().minute()};
    const char separators[] = "// .";
    QString text(14, Qt::Uninitialized);
    QChar* out = text.data();
    for (int i = 0; i < 5; ++i) {
        *out++ = QChar(u'0' + parts[i] / 10);
        *out++ = QChar(u'0' + parts[i] % 10);
        if (i < 4) *out++ = QChar::fromLatin1(separators[i]);
    }
    return text;
}

template <class W>
W* Named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

}  // namespace

frmContatti::frmContatti() {
    setWindowTitle(QStringLiteral("Gestione contatti"));
    auto* layout = new QVBoxLayout(this);
    frSelezione = Named(new QGroupBox(QStringLiteral("filtro contatti visualizzati"), this), "frSelezione");
    auto* grid = new QGridLayout(frSelezione);
    const char* captions[] = {"utente", "id az.", "id anag.", "tipo", "contenenti", "da data", "a data"};
    for (int i = 0; i < 7; ++i)
        Label1[i] = Named(new QLabel(QString::fromUtf8(captions[i]), frSelezione), QString("Label1_%1").arg(i));
    cbUtenti = Named(new ComboBox(frSelezione), "cbUtenti");
    txIDAzienda = Named(new QLineEdit(frSelezione), "txIDAzienda");
    lbAzienda = Named(new QLabel(frSelezione), "lbAzienda");
    cmdCercaAzienda = Named(new MultiButton(QStringLiteral("ricerca azienda"), frSelezione), "cmdCercaAzienda");
    txID = Named(new QLineEdit(frSelezione), "txID");
    lbRagSoc = Named(new QLabel(frSelezione), "lbRagSoc");
    cmdRicerca = Named(new MultiButton(QStringLiteral("ricerca anagrafica"), frSelezione), "cmdRicerca");
    cbTipo = Named(new ComboBox(frSelezione), "cbTipo");
    txContent = Named(new QLineEdit(frSelezione), "txContent");
    dpDaData = Named(new DatePicker(frSelezione), "dpDaData");
    dpAData = Named(new DatePicker(frSelezione), "dpAData");
    for (QLineEdit* box : {txID, txIDAzienda}) box->setMaximumWidth(90);
    grid->addWidget(Label1[2], 0, 0);
    grid->addWidget(txID, 0, 1);
    grid->addWidget(lbRagSoc, 0, 2);
    grid->addWidget(cmdRicerca, 0, 3);
    grid->addWidget(Label1[0], 0, 4);
    grid->addWidget(cbUtenti, 0, 5);
    grid->addWidget(Label1[1], 1, 0);
    grid->addWidget(txIDAzienda, 1, 1);
    grid->addWidget(lbAzienda, 1, 2);
    grid->addWidget(cmdCercaAzienda, 1, 3);
    grid->addWidget(Label1[3], 1, 4);
    grid->addWidget(cbTipo, 1, 5);
    grid->addWidget(Label1[5], 2, 0);
    grid->addWidget(dpDaData, 2, 1);
    grid->addWidget(Label1[6], 2, 2, Qt::AlignRight);
    grid->addWidget(dpAData, 2, 3);
    grid->addWidget(Label1[4], 2, 4);
    grid->addWidget(txContent, 2, 5);
    grid->setColumnStretch(2, 1);
    grid->setColumnStretch(5, 1);
    layout->addWidget(frSelezione);

    LV = Named(new ListView(this), "LV");
    for (const char* column : kColumns) LV->AddColumn(QString::fromUtf8(column), QString::fromUtf8(column));
    LV->viewport()->setMouseTracking(true);
    LV->viewport()->installEventFilter(this);
    connect(LV->header(), &QHeaderView::sectionResized, this, [this] {
        if (!fitting_) ownWidths_ = true;
    });
    layout->addWidget(LV, 1);

    auto* buttons = new QHBoxLayout;
    cmdAggiorna = Named(new MultiButton(QStringLiteral("aggiorna la lista secondo i filtri impostati"), this), "cmdAggiorna");
    cmdNuovo = Named(new MultiButton(QStringLiteral("nuovo contatto"), this), "cmdNuovo");
    cmdModifica = Named(new MultiButton(QStringLiteral("visualizza/modifica contatto selezionato"), this), "cmdModifica");
    cmdElimina = Named(new MultiButton(QStringLiteral("elimina contatto selezionato"), this), "cmdElimina");
    cmdStampa = Named(new MultiButton(QStringLiteral("stampa la lista presente a video"), this), "cmdStampa");
    cmdEsci = Named(new MultiButton(QStringLiteral("esci"), this), "cmdEsci");
    SetCancelButton(cmdEsci);
    for (auto* b : {cmdAggiorna, cmdNuovo, cmdModifica, cmdElimina, cmdStampa, cmdEsci}) buttons->addWidget(b);
    layout->addLayout(buttons);

    connect(cmdAggiorna, &QPushButton::clicked, this,
            Procedure(this, "cmdAggiorna_Click", &frmContatti::cmdAggiorna_Click));
    connect(cmdNuovo, &QPushButton::clicked, this, Procedure(this, "cmdNuovo_Click", &frmContatti::cmdNuovo_Click));
    connect(cmdModifica, &QPushButton::clicked, this,
            Procedure(this, "cmdModifica_Click", &frmContatti::cmdModifica_Click));
    connect(LV, &Platform::ListView::ItemDoubleClicked, this, Procedure(this, "LV_DblClick", &frmContatti::LV_DblClick));
    connect(cmdElimina, &QPushButton::clicked, this,
            Procedure(this, "cmdElimina_Click", &frmContatti::cmdElimina_Click));
    connect(cmdStampa, &QPushButton::clicked, this, Procedure(this, "cmdStampa_Click", &frmContatti::cmdStampa_Click));
    connect(cmdRicerca, &QPushButton::clicked, this,
            Procedure(this, "cmdRicerca_Click", &frmContatti::cmdRicerca_Click));
    connect(cmdCercaAzienda, &QPushButton::clicked, this,
            Procedure(this, "cmdCercaAzienda_Click", &frmContatti::cmdCercaAzienda_Click));
    connect(cmdEsci, &QPushButton::clicked, this, &frmContatti::cmdEsci_Click);
    txID->installEventFilter(this);
    txIDAzienda->installEventFilter(this);
    resize(980, 600);
}

frmContatti::~frmContatti() = default;

bool frmContatti::eventFilter(QObject* watched, QEvent* event) {
    if (Attivita::IsLostFocus(event)) {
        if (watched == txID) Procedure(this, "txID_LostFocus", &frmContatti::txID_LostFocus)();
        else if (watched == txIDAzienda) Procedure(this, "txIDAzienda_LostFocus", &frmContatti::txIDAzienda_LostFocus)();
    } else if (event->type() == QEvent::MouseMove && watched == LV->viewport()) {
        LV_MouseMove(qRound(static_cast<QMouseEvent*>(event)->position().x()));
    } else if (event->type() == QEvent::Resize && watched == LV->viewport()) {
        FitColumns();
    }
    return Form::eventFilter(watched, event);
}

void frmContatti::Form_Load() {
    dpDaData->SetValue(QDateTime(Now().date(), QTime(0, 0)));
    dpAData->SetValue(QVariant());
    tip_ = std::make_unique<cTooltip>();
    tip_->Create(this);
    tip_->SetMaxTipWidth(600);
    tip_->AddTool(LV, QString());
    if (!modAdoCommon::OpenConnection(cn_, Global::gConnString, false, 19)) {
        cn_.reset();
        ProcGuard::DisableAllBut(this, QStringLiteral("cmdEsci"));
        return;
    }
    ProcGuard::Run(QStringLiteral("Procedura Form_Load di Form frmContatti"), [this] {
        cbTipo->clear();
        cbTipo->AddItem(QString());
        ADODB::Recordset types;
        if (modAdoCommon::OpenRecordset(types, QStringLiteral("SELECT * FROM TIPICONTATTO ORDER BY DESCRIZIONE;"), *cn_, 0, 3))
            while (!types.EOF_()) {
                const QString code = Comuni::FieldStr(types["CODICE"]);
                if (!code.isEmpty()) cbTipo->AddItem(Comuni::FieldStr(types["DESCRIZIONE"]), int(code.at(0).unicode()));
                types.MoveNext();
            }
        cbTipo->SetListIndex(0);
        cbUtenti->clear();
        cbUtenti->AddItem(kTutti);
        ADODB::Recordset users;
        if (modAdoCommon::OpenRecordset(users, QStringLiteral("SELECT * FROM UTENTI ORDER BY UTENTE;"), *cn_, 0, 3))
            while (!users.EOF_()) {
                cbUtenti->AddItem(Comuni::FieldStr(users["UTENTE"]));
                users.MoveNext();
            }
        cbUtenti->SetListIndex(0);
        if (cbUtenti->ListCount() < 3) {
            cbUtenti->hide();
            Label1[0]->hide();
        }
        if (!Global::HaPermesso(QStringLiteral("tutti i contatti"))) {
            // Only the user's own activities: his name, fixed.
            int own = cbUtenti->findText(Global::gCurrentUser, Qt::MatchFixedString);
            if (own < 0) {
                cbUtenti->AddItem(Global::gCurrentUser);
                own = cbUtenti->ListCount() - 1;
            }
            cbUtenti->SetListIndex(own);
            cbUtenti->setEnabled(false);
        }
    });
    Global::ApplyFormStyle(this);
    LV->setFont([this] {
        QFont f = LV->font();
        f.setPointSize(8);
        return f;
    }());
    ownWidths_ = Comuni::LoadListColumnWidths(*LV);
}

void frmContatti::FitColumns() {
    if (ownWidths_) return;
    fitting_ = true;
    LV->ShareWidthByContent();
    fitting_ = false;
}

QString frmContatti::ListSql(QVariantList& params) const {
    // Every activity, with or without its registry record and type; the
    // registry is reached through its key from each activity.
    QString sql = "SELECT IDCONT,DATA,CONTATTI.UTENTE,DATAFINE," + kRagSoc +
                  " AS RAGSOC,TIPICONTATTO.DESCRIZIONE AS DESCTIPO,LUOGO,CONTATTI.DESCRIZIONE AS DESCR,CONTATTI.NOTE "
                  "FROM (CONTATTI LEFT JOIN TIPICONTATTO ON TIPICONTATTO.CODICE=CONTATTI.TIPOCONT) "
                  "LEFT JOIN ANAGRAFICA ON ANAGRAFICA.ID=CONTATTI.IDANA";
    auto add = [&sql](const QString& condition) {
        sql += sql.contains(QLatin1String("WHERE")) ? QStringLiteral(" AND ") : QStringLiteral(" WHERE ");
        sql += condition;
    };
    if (!txID->text().isEmpty()) add("IDANA=" + QString::number(qint32(Val(txID->text()))));
    if (!txIDAzienda->text().isEmpty()) add("CONTATTI.IDAZIENDA=" + QString::number(qint32(Val(txIDAzienda->text()))));
    const QVariant from = dpDaData->Value();
    if (!from.isNull()) add("DATA>=#" + FormatDate(from.toDateTime(), "mm/dd/yyyy") + "#");
    const QVariant to = dpAData->Value();
    if (!to.isNull()) add("DATA<#" + FormatDate(to.toDateTime().addDays(1), "mm/dd/yyyy") + "#");
    if (cbTipo->ListIndex() > 0) {
        add(QStringLiteral("TIPOCONT=?"));
        params << QString(QChar(char16_t(cbTipo->ItemData(cbTipo->ListIndex()).toInt())));
    }
    const QString text = Trim(txContent->text());
    if (!text.isEmpty()) {
        add(QStringLiteral("(CONTATTI.DESCRIZIONE LIKE ? OR CONTATTI.NOTE LIKE ? OR CONTATTI.LUOGO LIKE ?)"));
        for (int i = 0; i < 3; ++i) params << "%" + text + "%";
    }
    if (cbUtenti->ListIndex() > 0) {
        add(QStringLiteral("CONTATTI.UTENTE =?"));
        params << cbUtenti->Text();
    }
    return sql + " ORDER BY DATA,(IIF(ANAGRAFICA.COGNOME IS NULL,'',ANAGRAFICA.COGNOME) & ' ' & "
                 "IIF(ANAGRAFICA.NOME IS NULL,'',ANAGRAFICA.NOME) & ' ' & IIF(ANAGRAFICA.AZIENDA IS NULL,'',"
                 "ANAGRAFICA.AZIENDA));";
}

void frmContatti::cmdAggiorna_Click() {
    const QVariant from = dpDaData->Value();
    const QVariant to = dpAData->Value();
    if (!from.isNull() && !to.isNull() && to.toDateTime() < from.toDateTime()) {
        MsgBox(QStringLiteral("La data di fine periodo è inferiore a quella di inizio periodo"), vbOKOnly);
        dpDaData->setFocus();
    }
    if (!cn_) return;
    QVariantList params;
    const QString sql = ListSql(params);
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, sql, *cn_, 0, 3, false, params)) return;
    LV->setUpdatesEnabled(false);
    LV->ClearItems();
    // The fields found once, not by name for every row of a long list.
    ADODB::Field& id = rs.Fields("IDCONT");
    ADODB::Field& data = rs.Fields("DATA");
    ADODB::Field& utente = rs.Fields("UTENTE");
    ADODB::Field* const texts[] = {&rs.Fields("RAGSOC"), &rs.Fields("DESCTIPO"), &rs.Fields("LUOGO"),
                                   &rs.Fields("DESCR"), &rs.Fields("NOTE")};
    // The statement orders the activities of one moment (a mailing's, written in
    // the same minute) by their joined names, which the engine compares by
    // character codes; such a run of rows joins the list in the order people
    // read the names it shows, as every list sorts text.
    struct Row {
        QString key, when, user;
        std::array<QString, 5> texts;
    };
    std::vector<Row> run;
    QDateTime runTime;
    const TextOrder textOrder;
    TextOrder::Keys keys;
    std::vector<size_t> order;
    auto add = [&](const Row& row) {
        auto item = LV->AddItem(row.key, row.when);
        item.SetSubItem(1, row.user);
        for (int t = 0; t < 5; ++t) item.SetSubItem(t + 2, row.texts[size_t(t)]);
    };
    auto addRun = [&] {
        if (run.size() == 1) {
            add(run[0]);
        } else if (run.size() > 1) {
            order.resize(run.size());
            for (size_t i = 0; i < order.size(); ++i) order[i] = i;
            keys.Start(textOrder, run.size(), 0);
            for (const Row& row : run) keys.Add(row.texts[0]);
            std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys.Compare(a, b) < 0; });
            for (size_t i : order) add(run[i]);
        }
        run.clear();
    };
    while (!rs.EOF_()) {
        const QDateTime when = data.Value().toDateTime();
        // Date and time as read, compared without going through the time zone.
        if (!run.empty() && (when.date() != runTime.date() || when.time() != runTime.time())) addRun();
        runTime = when;
        Row row;
        row.user = Comuni::FieldStr(utente.Value());
        row.key = QLatin1Char('K') % QString::number(Comuni::FieldNum(id.Value()).toInt()) % QLatin1Char('/') % row.user;
        row.when = ListDate(when);
        for (int i = 0; i < 5; ++i) row.texts[size_t(i)] = Comuni::FieldStr(texts[i]->Value());
        run.push_back(std::move(row));
        rs.MoveNext();
    }
    addRun();
    FitColumns();
    LV->setUpdatesEnabled(true);
}

qint32 frmContatti::KeyNumber(const QString& key) {
    const qsizetype slash = key.indexOf(QLatin1Char('/'));
    return qint32(Val(key.mid(1, slash < 0 ? -1 : slash - 1)));
}

void frmContatti::cmdNuovo_Click() {
    auto& card = DefaultInstance<frmContatto>();
    card.ClearFields();
    card.Show(vbModal);
    card.Unload();
}

void frmContatti::cmdModifica_Click() {
    const ListItem item = LV->SelectedItem();
    if (!item.IsValid()) return;
    auto& card = DefaultInstance<frmContatto>();
    card.ReadRecord(KeyNumber(item.Key()), item.SubItem(1));
    card.Unload();
}

void frmContatti::LV_DblClick() { cmdModifica_Click(); }

void frmContatti::cmdElimina_Click() {
    const ListItem item = LV->SelectedItem();
    if (!item.IsValid() || !cn_) return;
    if (MsgBox(QStringLiteral("L'eliminazione del contatto selezionato è irreversibile. Confermi eliminazione?"),
               vbYesNo + vbQuestion + vbDefaultButton2) == vbNo)
        return;
    if (!DefaultInstance<frmLocked>().LockTables(*cn_, QStringLiteral("CONTATTI"))) {
        MsgBox(QStringLiteral("Contatto non eliminato"), vbOKOnly);
        return;
    }
    const QString key = item.Key();
    QVariantList params{KeyNumber(key)};
    const QString sql = "DELETE FROM CONTATTI WHERE IDCONT=? AND " +
                        Attivita::OwnerCondition(QStringLiteral("UTENTE"), item.SubItem(1), params) + ";";
    const bool deleted = ProcGuard::Run(QStringLiteral("Procedura cmdElimina_Click di Form frmContatti"),
                                        [&] { cn_->Execute(sql, params); });
    if (deleted)
        for (ListItem same = LV->Item(key); same.IsValid(); same = LV->Item(key)) LV->RemoveItem(same.Index());
    Locks::ReleaseLocks(30);
}

void frmContatti::cmdStampa_Click() { Neighbours::ShowModalForTag(QStringLiteral("frmPrint")); }

void frmContatti::cmdRicerca_Click() {
    const qint32 id = qint32(Val(Neighbours::ShowModalForTag(QStringLiteral("frmCercaAnagrafica"))));
    if (id <= 0) return;
    txID->setText(Format(id, QStringLiteral("00000000")));
    txID_LostFocus();
}

void frmContatti::cmdCercaAzienda_Click() {
    const qint32 id = qint32(Val(Neighbours::ShowModalForTag(QStringLiteral("frmAziende"))));
    if (id <= 0) return;
    txIDAzienda->setText(Format(id, QStringLiteral("00000000")));
    txIDAzienda_LostFocus();
}

void frmContatti::txID_LostFocus() {
    if (txID->text().isEmpty()) {
        lbRagSoc->clear();
        return;
    }
    if (!cn_) return;
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, QStringLiteral("SELECT * FROM ANAGRAFICA WHERE ID=?;"), *cn_, 0, 3, false,
                                     {qint32(Val(txID->text()))}))
        return;
    if (rs.EOF_()) {
        lbRagSoc->clear();
        MsgBox(QStringLiteral("ID inesistente"), vbOKOnly);
        txID->setFocus();
        return;
    }
    lbRagSoc->setText(Trim(Comuni::FieldStr(rs["COGNOME"]) + " " + Comuni::FieldStr(rs["NOME"])));
}

void frmContatti::txIDAzienda_LostFocus() {
    if (txIDAzienda->text().isEmpty()) {
        lbAzienda->clear();
        return;
    }
    if (!cn_) return;
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, QStringLiteral("SELECT * FROM ANAGRAFICA WHERE IDAZIENDA=0 AND ID=?;"), *cn_, 0,
                                     3, false, {qint32(Val(txIDAzienda->text()))}))
        return;
    if (rs.EOF_()) {
        lbAzienda->clear();
        MsgBox(QStringLiteral("ID azienda inesistente"), vbOKOnly);
        txIDAzienda->setFocus();
        return;
    }
    lbAzienda->setText(Trim(Comuni::FieldStr(rs["AZIENDA"])));
}

void frmContatti::LV_MouseMove(int x) {
    if (!tip_) return;
    const ListItem item = LV->SelectedItem();
    if (!item.IsValid()) {
        tip_->SetToolText(LV, QString());
        return;
    }
    // The place and description columns show the selected row's whole text.
    for (int column : {4, 5}) {
        const int left = LV->header()->sectionViewportPosition(column);
        if (x > left && x < left + LV->columnWidth(column)) tip_->SetToolText(LV, item.SubItem(column));
    }
}

void frmContatti::cmdEsci_Click() { Unload(); }

void frmContatti::Form_Unload(int&) {
    if (tip_) tip_->RemoveTool(LV);
    tip_.reset();
    if (cn_ && cn_->State() == ADODB::adStateOpen) cn_->Close();
    cn_.reset();
    // Only widths the user set are his to keep: fitted ones are fitted again next time.
    if (ownWidths_) Comuni::SaveListColumnWidths(*LV);
}
