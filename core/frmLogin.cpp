#include "frmLogin.h"

#include "ADODB.h"
#include "Comuni.h"
#include "Errors.h"
#include "Global.h"
#include "MultiButton.h"
#include "Runtime.h"
#include "Values.h"
#include "modAdoCommon.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

using namespace Platform;

namespace {
const QString kLogin = QStringLiteral("Login");
}

frmLogin::frmLogin() {
    setWindowTitle(QStringLiteral("Accesso a Brivalto"));
    auto* grid = new QGridLayout(this);
    const char* captions[] = {"Utente", "Password", "Nuova password", "Ripeti nuova password"};
    for (int i = 0; i < 4; ++i) {
        Label[i] = new QLabel(QString::fromUtf8(captions[i]), this);
        Label[i]->setObjectName(QString("Label_%1").arg(i));
    }
    txtUserName = new QLineEdit(this);
    txtUserName->setObjectName("txtUserName");
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName("txtPassword");
    txtPassword->setEchoMode(QLineEdit::Password);
    for (int i = 0; i < 2; ++i) {
        txNuovaPassword[i] = new QLineEdit(this);
        txNuovaPassword[i]->setObjectName(QString("txNuovaPassword_%1").arg(i));
        Comuni::LimitToColumn(txNuovaPassword[i], "UTENTI", "PASSWORD");
        txNuovaPassword[i]->setEchoMode(QLineEdit::Password);
    }
    cmdOK = new MultiButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName("cmdOK");
    cmdCancel = new MultiButton(QStringLiteral("Annulla"), this);
    cmdCancel->setObjectName("cmdCancel");
    SetCancelButton(cmdCancel);
    cmdCambiaPassword = new MultiButton(QStringLiteral("Cambia password"), this);
    cmdCambiaPassword->setObjectName("cmdCambiaPassword");
    grid->addWidget(Label[0], 0, 0);
    grid->addWidget(txtUserName, 0, 1);
    grid->addWidget(Label[1], 1, 0);
    grid->addWidget(txtPassword, 1, 1);
    grid->addWidget(cmdCambiaPassword, 2, 1);
    grid->addWidget(Label[2], 3, 0);
    grid->addWidget(txNuovaPassword[0], 3, 1);
    grid->addWidget(Label[3], 4, 0);
    grid->addWidget(txNuovaPassword[1], 4, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 5, 0, 1, 2);
    for (QWidget* w : {static_cast<QWidget*>(Label[2]), static_cast<QWidget*>(Label[3]),
                       static_cast<QWidget*>(txNuovaPassword[0]), static_cast<QWidget*>(txNuovaPassword[1])})
        w->setVisible(false);
    connect(cmdOK, &QPushButton::clicked, this, &frmLogin::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmLogin::cmdCancel_Click);
    connect(cmdCambiaPassword, &QPushButton::clicked, this, &frmLogin::cmdCambiaPassword_Click);
}

void frmLogin::SetHeightTwips(int twips) { resize(width(), TwipsToPixels(twips)); }
void frmLogin::PlaceButtonsTwips(int top) { setProperty("ButtonsTop", top); }
bool frmLogin::ChangeMode() const { return !txNuovaPassword[0]->isHidden(); }

void frmLogin::Form_Load() {
    PlaceButtonsTwips(1800);
    SetHeightTwips(2750);
    Tag.clear();
    Global::ApplyFormStyle(this);
}

void frmLogin::Form_Activate() {
    Tag.clear();
    txtUserName->setFocus();
}

void frmLogin::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        cmdOK_Click();
        return;
    }
    Form::keyPressEvent(event);
}

void frmLogin::SignIn() {
    const QString user = Trim(txtUserName->text());
    const QString password = Trim(txtPassword->text());
    txtUserName->setText(user);
    txtPassword->setText(password);
    ADODB::Recordset rs;
    // Typed names and passwords are bound, never put into the text of the query.
    const bool ok =
        password.isEmpty()
            ? modAdoCommon::OpenRecordset(rs, "SELECT * FROM UTENTI WHERE UTENTE=? AND ([PASSWORD]=? OR [PASSWORD] IS NULL);",
                                          *LoginConnection, 0, 3, false, {user, QString("")})
            : modAdoCommon::OpenRecordset(rs, "SELECT * FROM UTENTI WHERE UTENTE=? AND ([PASSWORD]=?);", *LoginConnection,
                                          0, 3, false, {user, password.toUpper()});
    if (!ok || rs.EOF_()) {
        MsgBox(QStringLiteral("Nome utente o password non validi"), vbOKOnly, kLogin);
        txtPassword->setFocus();
        txtPassword->selectAll();
        return;
    }
    Global::gCurrentUser = Comuni::FieldStr(rs["UTENTE"]).toUpper();
    Tag = QStringLiteral("OK");
    Hide();
}

void frmLogin::cmdOK_Click() {
    if (!LoginConnection) return;
    if (!ChangeMode()) {
        SignIn();
        return;
    }
    txtUserName->setText(Trim(txtUserName->text()));
    txtPassword->setText(Trim(txtPassword->text()));
    const QString fresh = txNuovaPassword[0]->text();
    if (fresh != txNuovaPassword[1]->text()) {
        MsgBox(QStringLiteral("La ripetizione della nuova password non coincide con la nuova password immessa"), vbOKOnly, kLogin);
        return;
    }
    long changed = 0;
    try {
        // Only the user who proved the old password has it changed.
        changed = LoginConnection->Execute("UPDATE UTENTI SET [PASSWORD]=?, U_MOD=? WHERE [UTENTE]=? AND [PASSWORD]=?;",
                                           {fresh, Now(), provenUser_, provenPassword_});
    } catch (const BasicError& e) {
        changed = 0;
    }
    if (changed != 1) {
        MsgBox(QStringLiteral("La password non è stata cambiata: al massimo 10 caratteri"), vbExclamation, kLogin);
        return;
    }
    txtUserName->setText(provenUser_);
    txtPassword->setText(fresh);
    cmdCancel_Click();
    SignIn();
}

void frmLogin::cmdCancel_Click() {
    if (ChangeMode()) {
        for (QWidget* w : {static_cast<QWidget*>(Label[2]), static_cast<QWidget*>(Label[3]),
                           static_cast<QWidget*>(txNuovaPassword[0]), static_cast<QWidget*>(txNuovaPassword[1])})
            w->setVisible(false);
        PlaceButtonsTwips(1800);
        SetHeightTwips(2850);
        provenUser_.clear();
        return;
    }
    Hide();
}

void frmLogin::cmdCambiaPassword_Click() {
    if (!LoginConnection) return;
    const QString user = Trim(txtUserName->text());
    const QString password = Trim(txtPassword->text());
    txtUserName->setText(user);
    txtPassword->setText(password);
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, "SELECT * FROM UTENTI WHERE [UTENTE]=? AND [PASSWORD]=?;", *LoginConnection, 0,
                                     3, false, {user.toUpper(), password.toUpper()}) ||
        rs.EOF_()) {
        MsgBox(QStringLiteral("Nome utente o password non valide"), vbOKOnly, kLogin);
        return;
    }
    provenUser_ = Comuni::FieldStr(rs["UTENTE"]);
    provenPassword_ = Comuni::FieldStr(rs["PASSWORD"]);
    PlaceButtonsTwips(3120);
    SetHeightTwips(4180);
    for (QWidget* w : {static_cast<QWidget*>(Label[2]), static_cast<QWidget*>(Label[3]),
                       static_cast<QWidget*>(txNuovaPassword[0]), static_cast<QWidget*>(txNuovaPassword[1])})
        w->setVisible(true);
}
