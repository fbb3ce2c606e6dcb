#include "frmCellulare.h"

#include "ADODB.h"
#include "Comuni.h"
#include "Controls.h"
#include "Errors.h"
#include "Global.h"
#include "Locks.h"
#include "MultiButton.h"
#include "Runtime.h"
#include "Values.h"
#include "frmLocked.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

using namespace Platform;

frmCellulare::frmCellulare(ADODB::Connection* cardConnection, const QLineEdit* cardPersonId,
                           const RowAsRead& personRead)
    : cn_(cardConnection), txID_(cardPersonId), personRead_(personRead) {
    setObjectName(QStringLiteral("frmCellulare"));
    setWindowTitle(QStringLiteral("Numero cellulare mancante"));
    auto* grid = new QGridLayout(this);
    Label1 = new QLabel(QStringLiteral("L'anagrafica selezionata non dispone di numero di telefono cellulare. E' possibile "
                                       "inserire adesso il numero ed eventualmente memorizzarlo nell'anagrafica."),
                        this);
    Label1->setObjectName("Label1");
    Label1->setWordWrap(true);
    Label2 = new QLabel(QStringLiteral("n. cellulare: "), this);
    Label2->setObjectName("Label2");
    txNumero = Registry::Box(this, "txNumero", "ANAGRAFICA", "CELLULARE");
    Command1 = Registry::Button(this, "Command1", QStringLiteral("usa il numero"));
    Command1->setDefault(true);
    Command2 = Registry::Button(this, "Command2", QStringLiteral("usa e memorizza in anagrafica"));
    Command3 = Registry::Button(this, "Command3", QStringLiteral("annulla"));
    SetCancelButton(Command3);
    grid->addWidget(Label1, 0, 0, 1, 3);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(txNumero, 1, 1, 1, 2);
    grid->addWidget(Command1, 2, 0);
    grid->addWidget(Command2, 2, 1);
    grid->addWidget(Command3, 2, 2);
    connect(Command1, &QPushButton::clicked, this, &frmCellulare::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmCellulare::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmCellulare::Command3_Click);
    resize(460, 150);
}

frmCellulare::~frmCellulare() = default;

void frmCellulare::Form_Load() {
    if (!txID_ || Trim(txID_->text()).isEmpty() || !cn_) Command2->setEnabled(false);
    Global::ApplyFormStyle(this);
}

bool frmCellulare::NumberTyped() {
    if (!Trim(txNumero->text()).isEmpty()) return true;
    MsgBox(QStringLiteral("Inserire un numero di telefono cellulare per il cliente prima di proseguire"), vbOKOnly);
    txNumero->setFocus();
    return false;
}

void frmCellulare::Command1_Click() {
    if (!NumberTyped()) return;
    Tag = QStringLiteral("OK");
    Hide();
}

void frmCellulare::Command2_Click() {
    if (!NumberTyped() || !cn_ || !txID_) return;
    // What the card read is of its person only while the id is still that person's.
    const qint32 id = qint32(Val(txID_->text()));
    if (qint32(Comuni::FieldNum(personRead_.Value(QStringLiteral("ID"))).toInt()) != id) personRead_.Clear();
    for (;;) {
        if (!DefaultInstance<frmLocked>().LockTables(*cn_, QStringLiteral("ANAGRAFICA"))) {
            MsgBox(QStringLiteral("Dato non salvato"), vbOKOnly);
            return;
        }
        RowAsRead meanwhile;
        StoreNumber(meanwhile);
        if (meanwhile.IsEmpty()) {
            Tag = QStringLiteral("OK");
            Hide();
            Locks::ReleaseLocks(30);
            return;
        }
        // Another workstation gave the person a number since the card read it.
        // Asked with the lock released; No keeps the prompt open with the number
        // typed, which can still be used for this one SMS.
        Locks::ReleaseLocks(30);
        if (!personRead_.ConfirmOverwrite(meanwhile, {QStringLiteral("il numero di cellulare di questa anagrafica"),
                                                      QStringLiteral("era stato letto qui"), QStringLiteral("UTENTE")}))
            return;
        personRead_ = meanwhile;
    }
}

void frmCellulare::StoreNumber(RowAsRead& meanwhile) {
    const qint32 id = qint32(Val(txID_->text()));
    // The number is stored as typed, on the one record the card shows.
    try {
        ADODB::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM ANAGRAFICA WHERE ID=?;"), *cn_, ADODB::adOpenForwardOnly,
                ADODB::adLockReadOnly, {id});
        if (!rs.EOF_()) {
            RowAsRead stored;
            stored.Take(rs);
            // The prompt writes the number alone: only the number read counts
            // (none, when the card did not read this person).
            const QString number = QStringLiteral("CELLULARE");
            if (Comuni::FieldStr(stored.Value(number)) != Comuni::FieldStr(personRead_.Value(number))) {
                meanwhile = stored;
                return;
            }
        }
        rs.Close();
        cn_->Execute(QStringLiteral("UPDATE ANAGRAFICA SET CELLULARE=? WHERE ID=?;"), {txNumero->text().left(25), id});
    } catch (const std::exception& e) {
        Err().Set(e);
        MsgBox("Errore aggiornando anagrafica: " + QString::number(Err().Number) + " - " + Err().Description, vbOKOnly);
        Err().Clear();
    }
}

void frmCellulare::Command3_Click() {
    Tag.clear();
    Hide();
}
