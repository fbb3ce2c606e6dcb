#include "frmMenu.h"

#include "Errors.h"
#include "Global.h"
#include "Locks.h"
#include "MultiButton.h"
#include "Neighbours.h"
#include "Runtime.h"
#include "Settings.h"
#include "ShowHelp.h"
#include "Values.h"
#include "frmSplash.h"
#include "frmLogin.h"
#include "ADODB.h"
#include "Comuni.h"
#include "modAdoCommon.h"

#include <QDir>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

using namespace Platform;

int frmMenu::SplashSeconds = 4;

namespace {
const QString kNoPermission = QStringLiteral("L'utente non ha il permesso di accedere alla funzione");

MultiButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new MultiButton(caption, parent);
    b->setObjectName(name);
    b->setMinimumHeight(34);
    return b;
}
}  // namespace

frmMenu::frmMenu() {
    setWindowTitle(QStringLiteral("Brivalto"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);

    // The drag handle: the product's name, with the pointer that says it moves the window.
    Image2 = new QLabel(QStringLiteral("Brivalto"), this);
    Image2->setObjectName("Image2");
    Image2->setCursor(Qt::SizeAllCursor);
    Image2->setToolTip(QStringLiteral("Trascinare per spostare"));
    QFont big = Image2->font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    Image2->setFont(big);
    Image2->installEventFilter(this);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Label1 = new QLabel(QStringLiteral("Gestione contatti"), this);
    Label1->setObjectName("Label1");
    lbVersion = new QLabel(this);
    lbVersion->setObjectName("lbVersion");

    auto* top = new QHBoxLayout;
    top->addWidget(Image2, 1);
    cmdDown = MakeButton(this, "cmdDown", QStringLiteral("_"));
    cmdKill = MakeButton(this, "cmdKill", QStringLiteral("X"));
    cmdDown->setFixedWidth(34);
    cmdKill->setFixedWidth(34);
    top->addWidget(cmdDown);
    top->addWidget(cmdKill);
    layout->addLayout(top);
    layout->addWidget(Label1);

    auto* grid = new QGridLayout;
    cmdAnagrafica = MakeButton(this, "cmdAnagrafica", QStringLiteral("Anagrafica"));
    cmdContatti = MakeButton(this, "cmdContatti", QStringLiteral("Attività"));
    cmdAgenda = MakeButton(this, "cmdAgenda", QStringLiteral("Agenda"));
    cmdMailing = MakeButton(this, "cmdMailing", QStringLiteral("Mailing"));
    cmdListe = MakeButton(this, "cmdListe", QStringLiteral("Configurazione"));
    cmdAiuto = MakeButton(this, "cmdAiuto", QStringLiteral("Aiuto"));
    cmdFine = MakeButton(this, "cmdFine", QStringLiteral("Fine"));
    grid->addWidget(cmdAnagrafica, 0, 0);
    grid->addWidget(cmdContatti, 0, 1);
    grid->addWidget(cmdAgenda, 1, 0);
    grid->addWidget(cmdMailing, 1, 1);
    grid->addWidget(cmdListe, 2, 0);
    grid->addWidget(cmdAiuto, 2, 1);
    layout->addLayout(grid);
    layout->addWidget(cmdFine);
    layout->addWidget(lbVersion, 0, Qt::AlignRight);
    layout->addWidget(Image1);

    connect(cmdAnagrafica, &QPushButton::clicked, this, &frmMenu::cmdAnagrafica_Click);
    connect(cmdContatti, &QPushButton::clicked, this, &frmMenu::cmdContatti_Click);
    connect(cmdAgenda, &QPushButton::clicked, this, &frmMenu::cmdAgenda_Click);
    connect(cmdMailing, &QPushButton::clicked, this, &frmMenu::cmdMailing_Click);
    connect(cmdListe, &QPushButton::clicked, this, &frmMenu::cmdListe_Click);
    connect(cmdAiuto, &QPushButton::clicked, this, &frmMenu::cmdAiuto_Click);
    connect(cmdDown, &QPushButton::clicked, this, &frmMenu::cmdDown_Click);
    connect(cmdFine, &QPushButton::clicked, this, &frmMenu::cmdFine_Click);
    connect(cmdKill, &QPushButton::clicked, this, &frmMenu::cmdKill_Click);
    resize(340, 260);
}

void frmMenu::Form_Load() {
    // 1. Version.
    const QString version = "versione " + QString::number(App::Major()) + "." + QString::number(App::Minor()) + "." +
                            QString::number(App::Revision());
    lbVersion->setText(version);
    auto& splash = DefaultInstance<frmSplash>();
    splash.lbVersion->setText(version);

    // 2. Splash.
    const QTime splashStart = Now().time();
    splash.Show(vbModeless);
    DoEvents();

    // 3. Colours.
    SetBackColor(this, Global::gColFormBack);
    for (MultiButton* b : {cmdAgenda, cmdAiuto, cmdAnagrafica, cmdContatti, cmdListe, cmdMailing, cmdFine}) {
        b->SetColorScheme(2);
        SetBackColor(b, Global::gColButton);
        SetForeColor(b, Global::gColText);
    }
    for (QLabel* l : {Image2, Label1, lbVersion}) SetForeColor(l, Global::gColText);

    // 4-6. Late schema additions, users and sign-in.
    OpenDatabaseAndSignIn();
    if (IsUnloaded()) return;

    // 7. Buttons by permission.
    cmdListe->setVisible(Global::HaPermesso(QStringLiteral("configurazione")));
    cmdMailing->setVisible(Global::HaPermesso(QStringLiteral("mailing")));

    // 8. The agenda runs minimised from the start, for its reminders.
    Neighbours::Load(QStringLiteral("frmAgenda"));
    Neighbours::SetWindowState(QStringLiteral("frmAgenda"), vbMinimized);

    // 9. Where the user left the menu.
    MoveTwips(Val(GetSetting(App::EXEName(), "Window", "Left", "0")),
              Val(GetSetting(App::EXEName(), "Window", "Top", "0")));

    // 10. The splash stays at least its minimum; a wait across midnight is not lengthened.
    // Counted in milliseconds: whole seconds would end the wait up to a second early.
    for (;;) {
        int elapsed = splashStart.msecsTo(Now().time());
        if (elapsed < 0) elapsed += 86400 * 1000;
        if (elapsed >= SplashSeconds * 1000 || !IsDefaultInstanceLoaded<frmSplash>()) break;
        WaitMs(std::min(50, SplashSeconds * 1000 - elapsed));
    }
    if (IsDefaultInstanceLoaded<frmSplash>()) DefaultInstance<frmSplash>().Unload();
}

void frmMenu::cmdAnagrafica_Click() {
    try {
        Neighbours::Show(QStringLiteral("frmAnagrafica"));
    } catch (...) {
        // The card failing to show leaves the menu as it was.
    }
}

void frmMenu::cmdContatti_Click() { Neighbours::Show(QStringLiteral("frmContatti")); }

void frmMenu::cmdAgenda_Click() {
    Neighbours::Show(QStringLiteral("frmAgenda"));
    int state = static_cast<int>(Val(GetSetting(App::EXEName(), "Agenda", "WindowState", "0")));
    Neighbours::SetWindowState(QStringLiteral("frmAgenda"), state);
}

void frmMenu::cmdMailing_Click() {
    if (Global::HaPermesso(QStringLiteral("mailing"))) Neighbours::Show(QStringLiteral("frmMailing"));
    else MsgBox(kNoPermission, vbOKOnly);
}

void frmMenu::cmdListe_Click() {
    if (Global::HaPermesso(QStringLiteral("configurazione"))) Neighbours::Show(QStringLiteral("frmConfigura"));
    else MsgBox(kNoPermission, vbOKOnly);
}

void frmMenu::cmdAiuto_Click() {
    QString help = App::Path() + QDir::separator() + "Brivalto.chm";
    ShowHelp::OpenHtmlHelp(this, help);
}

void frmMenu::cmdDown_Click() { SetWindowState(vbMinimized); }

void frmMenu::cmdFine_Click() {
    // Every other window closes through its own closing question first, so a
    // card with unsaved changes asks; a window that stays open keeps the
    // program running.
    for (Form* window : Forms())
        if (window != this && !window->Unload()) return;
    // Release must not stop the exit: a failing statement is only reported,
    // once for one cause.
    try {
        if (Locks::ReleaseLocks(30)) Locks::ReleaseAllLocks();
    } catch (const std::exception& e) {
        Err().Set(e);
        Global::ShowProcError(Err(), QStringLiteral("Procedura cmdFine_Click di Form frmMenu"), App::Title());
    }
    App::End();
}

void frmMenu::cmdKill_Click() { cmdFine_Click(); }

void frmMenu::Form_QueryUnload(int& cancel, int unloadMode) {
    // Closed from outside (the window manager): the same way out as "Fine",
    // which ends the program itself when every window agreed.
    if (unloadMode == vbFormControlMenu) {
        cancel = 1;
        cmdFine_Click();
    }
}

// ------------------------------------------------------------------ drag

double frmMenu::LeftTwips() const { return PixelsToTwips(pos().x()); }
double frmMenu::TopTwips() const { return PixelsToTwips(pos().y()); }
void frmMenu::MoveTwips(double left, double top) { move(TwipsToPixels(left), TwipsToPixels(top)); }

void frmMenu::Image2_MouseDown(int button, float x, float y) {
    if (button != 1) return;
    lastX_ = float(LeftTwips()) + x;
    lastY_ = float(TopTwips()) + y;
}

void frmMenu::Image2_MouseMove(int button, float x, float y) {
    if (button != 1) return;
    const double left = LeftTwips(), top = TopTwips();
    const double w = PixelsToTwips(width()), h = PixelsToTwips(height());
    QRect screenRect = screen() ? screen()->geometry() : QRect(0, 0, 1024, 768);
    const double screenW = PixelsToTwips(screenRect.width()), screenH = PixelsToTwips(screenRect.height());

    double dx = (left + x) - lastX_;
    double dy = (top + y) - lastY_;
    lastX_ = float(left + x);
    lastY_ = float(top + y);
    // Near an edge the window snaps flush to it; the bottom stays clear of the task bar.
    if (left + dx < 60) dx = -left;
    if (w + left + dx > screenW - 60) dx = screenW - (left + w);
    if (top + dy < 60) dy = -top;
    if (h + top + dy > screenH - 460) dy = screenH - (top + h) - 400;
    MoveTwips(left + dx, top + dy);
    moved_ = true;
}

void frmMenu::Image2_MouseUp(int button, float x, float y) {
    if (!moved_) return;
    SaveSetting(App::EXEName(), "Window", "Top", QString::number(qRound64(TopTwips())));
    SaveSetting(App::EXEName(), "Window", "Left", QString::number(qRound64(LeftTwips())));
    moved_ = false;
}

bool frmMenu::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Image2) {
        auto* me = dynamic_cast<QMouseEvent*>(event);
        if (me) {
            // Positions from the window's corner, in twips; the left button is 1.
            QPointF p = Image2->mapTo(this, me->position().toPoint());
            int button = (me->buttons() & Qt::LeftButton || me->button() == Qt::LeftButton) ? 1 : 0;
            float x = float(PixelsToTwips(int(p.x()))), y = float(PixelsToTwips(int(p.y())));
            if (event->type() == QEvent::MouseButtonPress) Image2_MouseDown(button, x, y);
            else if (event->type() == QEvent::MouseMove) Image2_MouseMove(button, x, y);
            else if (event->type() == QEvent::MouseButtonRelease) Image2_MouseUp(button, x, y);
        }
    }
    return Form::eventFilter(watched, event);
}

void frmMenu::OpenDatabaseAndSignIn() {
    std::unique_ptr<ADODB::Connection> cn;
    if (!modAdoCommon::OpenConnection(cn, Global::gConnString, false, 19)) return;
    // Two late additions to the schema, each made only when it is missing, so
    // that no start adds a second one.
    // Whether a query finds nothing (or cannot run, for a missing column).
    auto missing = [&cn](const QString& probe, bool rowsCount) {
        try {
            ADODB::Recordset rs;
            rs.Open(probe, *cn);
            return rowsCount && rs.EOF_();
        } catch (const BasicError&) {
            Err().Clear();
            return true;
        }
    };
    auto add = [&cn](const QString& sql) {
        try {
            cn->Execute(sql);
        } catch (const BasicError&) {
            Err().Clear();
        }
    };
    if (missing(QStringLiteral("SELECT CODICE FROM TIPICONTATTO WHERE CODICE='M'"), true))
        add(QStringLiteral("INSERT INTO TIPICONTATTO (CODICE,DESCRIZIONE) VALUES ('M','Invio SMS')"));
    if (missing(QStringLiteral("SELECT DATNAS FROM ANAGRAFICA WHERE 0=1"), false))
        add(QStringLiteral("ALTER TABLE ANAGRAFICA ADD DATNAS DATETIME NULL;"));
    ADODB::Recordset rs;
    if (modAdoCommon::OpenRecordset(rs, "SELECT COUNT(*) FROM UTENTI", *cn, 0, 3, false)) {
        const int users = rs.EOF_() ? 0 : Comuni::FieldNum(rs.Fields(0).Value()).toInt();
        rs.Close();
        if (users > 1) {
            Global::gLoginActive = true;
            auto& login = DefaultInstance<frmLogin>();
            login.LoginConnection = cn.get();
            login.Show(vbModal);
            const bool signedIn = login.Tag == QLatin1String("OK");
            login.LoginConnection = nullptr;
            login.Unload();
            if (!signedIn) {
                cn->Close();
                App::End();
                Unload();
                return;
            }
        } else {
            Global::gCurrentUser = QStringLiteral("Admin");
            Global::gLoginActive = false;
        }
    }
    cn->Close();
}
