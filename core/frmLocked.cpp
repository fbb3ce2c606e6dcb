#include "frmLocked.h"

#include "Global.h"
#include "Locks.h"
#include "MultiButton.h"
#include "Runtime.h"

#include <QLabel>
#include <QVBoxLayout>

int frmLocked::WaitLimitSeconds = 25;

namespace {
std::array<std::int32_t, 10> Scheme() {
    using namespace Global;
    return {gColFormBack, gColPanel,  gColText,      gColButton,    gColBtnConfirm,
            gColBtnCancel, gColBtnNew, gColBtnSearch, gColInputBack, gColInputFore};
}
}  // namespace

frmLocked::frmLocked() {
    setWindowTitle(QStringLiteral("Archivi impegnati"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    auto* layout = new QVBoxLayout(this);
    Msg = new QLabel(QStringLiteral("Attesa disponibilità degli archivi."), this);
    Msg->setObjectName("Msg");
    qvMultiButton1 = new Platform::MultiButton(QStringLiteral("annulla"), this);
    qvMultiButton1->setObjectName("qvMultiButton1");
    SetCancelButton(qvMultiButton1);
    layout->addWidget(Msg);
    layout->addWidget(qvMultiButton1);
    connect(qvMultiButton1, &QPushButton::clicked, this, &frmLocked::qvMultiButton1_Click);
    resize(320, 110);
}

void frmLocked::qvMultiButton1_Click() { Tag = QStringLiteral("KILL"); }

bool frmLocked::LockTables(ADODB::Connection& cn, const QString& tables) {
    using namespace Platform;
    // Styled again only when the scheme changed since: a run locks once per
    // recipient, and restyling every control each time cost more than the lock.
    if (styledWith_ != Scheme()) {
        Global::ApplyFormStyle(this);
        styledWith_ = Scheme();
    }
    // A give-up of an earlier wait must not stop this one; one given while
    // the window appears counts.
    Tag.clear();
    try {
        Show(vbModeless);
    } catch (...) {
        // Shown or not, the wait goes on.
    }
    const QStringList names = tables.split('|');
    stop_ = false;
    const QDateTime start = Now();
    bool result = false;
    for (;;) {
        bool all = true;
        for (const QString& name : names)
            if (!Locks::LockTable(cn, name)) {
                all = false;
                break;
            }
        if (all) {
            result = true;
            break;
        }
        // A read-only archive never frees itself: no waiting, no second word.
        if (Locks::ArchiveUnwritable()) {
            Locks::ReleaseLocks(30);
            break;
        }
        raise();
        show();
        if (qAbs(start.secsTo(Now())) > WaitLimitSeconds) stop_ = true;
        // Between passes the window answers its button; a short pause spares the shared file.
        WaitMs(20);
        raise();
        if (Tag == QLatin1String("KILL")) stop_ = true;
        if (stop_) {
            Locks::ReleaseLocks(30);
            break;
        }
    }
    hide();
    DoEvents();
    return result;
}
