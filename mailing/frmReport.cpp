#include "frmReport.h"

#include "ADODB.h"
#include "Comuni.h"
#include "Dialogs.h"
#include "Global.h"
#include "ListView.h"
#include "Runtime.h"
#include "Values.h"
#include "clsLogFile.h"

#include <QDir>
#include <QHeaderView>
#include <QPainter>
#include <QVBoxLayout>

using namespace Platform;

namespace {


// The image list: a green tick for a send, a red cross for a failure.
QIcon ReportIcon(int index) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(index == 1 ? QColor(0, 140, 0) : QColor(200, 0, 0), 2.5));
    if (index == 1) {
        painter.drawPolyline(QPolygonF({QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)}));
    } else {
        painter.drawLine(QPointF(4, 4), QPointF(12, 12));
        painter.drawLine(QPointF(12, 4), QPointF(4, 12));
    }
    return QIcon(pixmap);
}

}  // namespace

frmReport::frmReport() {
    setWindowTitle(QStringLiteral(" Report di invio mailing"));
    auto* layout = new QVBoxLayout(this);
    LV = new ListView(this);
    LV->setObjectName("LV");
    LV->AddColumn(QStringLiteral("id"), QStringLiteral("id"), 900);
    LV->AddColumn(QStringLiteral("nome"), QStringLiteral("cognome/nome/ragione sociale"), 3600);
    LV->AddColumn(QStringLiteral("metodo"), QStringLiteral("metodo invio"), 1300);
    LV->AddColumn(QStringLiteral("messaggio"), QStringLiteral("messaggio"), 5200);
    // The message, the longest column, takes what the window has to spare.
    LV->header()->setStretchLastSection(true);
    layout->addWidget(LV);
    resize(760, 420);
}

frmReport::~frmReport() = default;

void frmReport::Form_Load() {
    log_ = std::make_unique<clsLogFile>();
    log_->setFileName(QDir(WorkFolder()).filePath(QStringLiteral("LogInvio.log")));
    log_->setMaxLogLength(65536);
    log_->setPrintTimeStamp(true);
    log_->setSilent(true);
    log_->setActive(true);
    log_->WriteLine(QString(), false, false);
    log_->WriteLine(QStringLiteral("           INIZIO NUOVO INVIO"), true, false);
    log_->WriteLine(QString(), true, false);
    Global::ApplyFormStyle(this);
}

void frmReport::Form_QueryUnload(int& cancel, int unloadMode) {
    // Closed during a run, the window would take the run's lines with it and
    // the next recipient would open a new one, with a new section of the log.
    if (running_ && unloadMode == vbFormControlMenu) cancel = 1;
}

void frmReport::Form_Unload(int&) { log_.reset(); }

int frmReport::SmallIcon(int row, const ListView& list) {
    const ListItem item = list.Item(row);
    return item.IsValid() ? item.SmallIcon() : 0;
}

void frmReport::AddReport(ADODB::Recordset& rs, const QString& canale, const QString& errore, const QString& dettaglio) {
    Load();
    const QString cognome = Comuni::FieldStr(rs["COGNOME"]);
    const QString nome = Comuni::FieldStr(rs["NOME"]);
    const int icon = errore.isEmpty() ? 1 : 2;
    ListItem item = LV->AddItem(QString(), QString::number(Comuni::FieldNum(rs["ID"]).toLongLong()));
    item.SetSmallIcon(icon, ReportIcon(icon));
    item.SetSubItem(1, Trim(cognome + " " + nome + " " + Comuni::FieldStr(rs["AZIENDA"])));
    item.SetSubItem(2, canale);
    item.SetSubItem(3, errore);
    // A message is never cut off: its column grows to the longest, and the
    // list scrolls sideways when the window is narrower.
    const int needed = LV->fontMetrics().horizontalAdvance(errore) + 12;
    if (needed > LV->columnWidth(3)) LV->setColumnWidth(3, needed);
    LV->ScrollTo(item);
    if (log_)
        log_->WriteLine(canale + " (" + Trim(cognome + " " + nome) + ") - " +
                            (Trim(errore).isEmpty() ? QStringLiteral("Inviato")
                             : dettaglio.isEmpty()  ? errore
                                                    : errore + " (" + dettaglio + ")"),
                        false, false);
    DoEvents();
}
