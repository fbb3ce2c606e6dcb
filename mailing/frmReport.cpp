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
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QVBoxLayout>

using namespace Platform;

namespace {


// The image list: a green tick for a send, a red cross for a failure.
QIcon DrawIcon(int index) {
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

const QIcon& ReportIcon(int index) {
    static const QIcon sent = DrawIcon(1), failed = DrawIcon(2);
    return index == 1 ? sent : failed;
}

// The report's scroll bar, whose range and value each new line moves. While
// lines are added it paints nothing; then it is painted once, and only when
// the slider moved by a pixel or reached an end: a run's every line would
// repaint it, twice, otherwise.
class ReportScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

    void Hold() { held_ = true; }
    void Settle() {
        held_ = false;
        if (Look() != painted_) update();
    }

protected:
    void sliderChange(SliderChange change) override {
        if (held_ && (change == SliderRangeChange || change == SliderValueChange)) return;
        QScrollBar::sliderChange(change);
    }
    void paintEvent(QPaintEvent* event) override {
        painted_ = Look();
        QScrollBar::paintEvent(event);
    }

private:
    struct Picture {
        QRect slider;
        bool atStart = false, atEnd = false;
        bool operator==(const Picture& o) const = default;
    };
    Picture Look() const {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
                value() == minimum(), value() == maximum()};
    }
    Picture painted_;
    bool held_ = false;
};

// The report's list. A run adds a line for every recipient and shows it at
// once: the view would lay itself out again and repaint every line and its
// header each time, so lines added at the end are painted alone (the list
// scrolls by a line, or the new line is painted where it falls). The message
// column takes the width the window has to spare, and never less than its
// longest message; the header's own stretching would repaint it each time.
class ReportList : public ListView {
public:
    explicit ReportList(QWidget* parent) : ListView(parent), bar_(new ReportScrollBar(Qt::Vertical, this)) {
        setVerticalScrollBar(bar_);
        connect(header(), &QHeaderView::sectionResized, this, [this](int section) {
            if (section != kMessage) FitMessages();
        });
    }
    // Around an addition of lines at the end.
    void BeginAppend() {
        appending_ = true;
        bar_->Hold();
    }
    void EndAppend() {
        appending_ = false;
        bar_->Settle();
    }

    // Makes room for a message of that text.
    void Fit(const QString& message) {
        longest_ = qMax(longest_, fontMetrics().horizontalAdvance(message) + 12);
        if (columnWidth(kMessage) < longest_) FitMessages();
    }

    void FitMessages() {
        int others = 0;
        for (int i = 0; i < kMessage; ++i) others += header()->isSectionHidden(i) ? 0 : columnWidth(i);
        const int width = qMax(longest_, viewport()->width() - others);
        if (width != columnWidth(kMessage)) setColumnWidth(kMessage, width);
    }

    void resizeEvent(QResizeEvent* event) override {
        ListView::resizeEvent(event);
        FitMessages();
    }

    void doItemsLayout() override {
        const int rows = model()->rowCount();
        const bool appended = appending_ && laidOut_ > 0 && rows > laidOut_ && isVisible();
        if (!appended) {
            ListView::doItemsLayout();
            laidOut_ = rows;
            return;
        }
        QWidget* const views[] = {viewport(), header()->viewport()};
        bool held[2];
        for (int i = 0; i < 2; ++i) {
            held[i] = views[i]->testAttribute(Qt::WA_UpdatesDisabled);
            views[i]->setAttribute(Qt::WA_UpdatesDisabled, true);
        }
        ListView::doItemsLayout();
        for (int i = 0; i < 2; ++i) views[i]->setAttribute(Qt::WA_UpdatesDisabled, held[i]);
        const QRect first = visualRect(model()->index(laidOut_, 0));
        const int added = rows - laidOut_;
        const QRect area = viewport()->rect();
        laidOut_ = rows;
        // Only what shows of the new lines; those below are shown by scrolling.
        const QRect lines = QRect(0, first.top(), area.width(), added * first.height()) & area;
        if (!lines.isEmpty()) viewport()->update(lines);
    }

private:
    static constexpr int kMessage = 3;
    ReportScrollBar* bar_;
    bool appending_ = false;
    int laidOut_ = 0;
    int longest_ = 0;
};

}  // namespace

frmReport::frmReport() {
    setWindowTitle(QStringLiteral(" Report di invio mailing"));
    auto* layout = new QVBoxLayout(this);
    LV = new ReportList(this);
    LV->setObjectName("LV");
    LV->AddColumn(QStringLiteral("id"), QStringLiteral("id"), 900);
    LV->AddColumn(QStringLiteral("nome"), QStringLiteral("cognome/nome/ragione sociale"), 3600);
    LV->AddColumn(QStringLiteral("metodo"), QStringLiteral("metodo invio"), 1300);
    LV->AddColumn(QStringLiteral("messaggio"), QStringLiteral("messaggio"), 5200);
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
    logFailureTold_ = false;
    Log(QString());
    Log(QStringLiteral("           INIZIO NUOVO INVIO"), true);
    Log(QString(), true);
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

void frmReport::AddLine(const QString& id, const QString& nome, const QString& canale, const QString& errore) {
    const int icon = errore.isEmpty() ? 1 : 2;
    auto* list = static_cast<ReportList*>(LV);
    list->BeginAppend();
    ListItem item = LV->AddItem(QString(), id);
    item.SetSmallIcon(icon, ReportIcon(icon));
    item.SetSubItem(1, nome);
    item.SetSubItem(2, canale);
    item.SetSubItem(3, errore);
    // A message is never cut off: its column grows to the longest, and the
    // list scrolls sideways when the window is narrower.
    list->Fit(errore);
    LV->ScrollTo(item);
    list->EndAppend();
}

void frmReport::AddReport(ADODB::Recordset& rs, const QString& canale, const QString& errore, const QString& dettaglio) {
    Load();
    const QString cognome = Comuni::FieldStr(rs["COGNOME"]);
    const QString nome = Comuni::FieldStr(rs["NOME"]);
    AddLine(QString::number(Comuni::FieldNum(rs["ID"]).toLongLong()),
            Trim(cognome + " " + nome + " " + Comuni::FieldStr(rs["AZIENDA"])), canale, errore);
    Log(canale + " (" + Trim(cognome + " " + nome) + ") - " +
        (Trim(errore).isEmpty() ? QStringLiteral("Inviato")
         : dettaglio.isEmpty()  ? errore
                                : errore + " (" + dettaglio + ")"));
    DoEvents();
}

void frmReport::AddNote(const QString& canale, const QString& testo) {
    Load();
    AddLine(QString(), QString(), canale, testo);
    Log(canale + " - " + testo);
    DoEvents();
}

// The log stays silent, so a run never stops for it; a full disk would
// otherwise end it without a word while the list goes on.
void frmReport::Log(const QString& text, bool separator) {
    if (!log_ || log_->WriteLine(text, separator, false) || logFailureTold_) return;
    logFailureTold_ = true;
    AddLine(QString(), QString(), QStringLiteral("log"),
            QStringLiteral("impossibile scrivere il log di invio ") + log_->FileName() + ": " +
                log_->LastError().Description + QStringLiteral("; le righe che mancano sono solo in questo elenco"));
}
