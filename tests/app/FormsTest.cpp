// Every window of the program together: what holds for each of their boxes.
#include "ADODB.h"
#include "Form.h"
#include "Global.h"
#include "Planner.h"
#include "PlannerEditors.h"
#include "TestKit.h"
#include "frmAgenda.h"
#include "frmAnagrafica.h"
#include "frmCatMer.h"
#include "frmCellulare.h"
#include "frmConfigura.h"
#include "frmContatto.h"
#include "frmFreeField.h"
#include "frmLogin.h"
#include "frmMailing.h"
#include "frmQuickContatto.h"
#include "frmUtenti.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A box of a window and the column its text is written to.
struct Bound {
    QString box;
    QString table;
    QString column;
};

QList<Bound> Columns(const QString& table, const QStringList& boxesAndColumns) {
    QList<Bound> bound;
    for (int i = 0; i + 1 < boxesAndColumns.size(); i += 2) bound.append({boxesAndColumns[i], table, boxesAndColumns[i + 1]});
    return bound;
}

}  // namespace

// Nobody can type more than a column holds: each box that feeds a column takes
// at most the column's declared width, as the database itself declares it.
TEST(Forms, EveryBoxTakesAtMostWhatItsColumnHolds) {
    TestKit::Environment env;
    Global::ResetState();
    Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + env.DatabaseFile();
    ADODB::Connection cn;
    cn.Open(Global::gConnString);
    auto width = [&cn](const Bound& b) {
        ADODB::Recordset rs;
        rs.Open("SELECT " + b.column + " FROM " + b.table + " WHERE 1=0", cn);
        return rs.Fields(0).DefinedSize;
    };
    QStringList registry = {"cbCategoria", "CATEGORIA", "cbTitolo",    "TITOLO",      "txCognome",      "COGNOME",
                            "txNome",      "NOME",      "txContatto",  "RUOLO",       "txAzienda",      "AZIENDA",
                            "txIndirizzo", "INDIRIZZO", "txCAP",       "CAP",         "txCittà",        "CITTA",
                            "txProv",      "PROVINCIA", "txNazione",   "NAZIONE",     "txEmail",        "EMAIL",
                            "txTelefono",  "TELEFONO",  "txCellulare", "CELLULARE",   "txTelefonoCasa", "TELEFONOCASA",
                            "txFax",       "FAX",       "txNote",      "NOTE"};
    QStringList captions;
    for (int i = 0; i < 4; ++i) {
        registry << QString("txFreeField_%1").arg(i) << QString("FREEFIELD%1").arg(i + 1);
        captions << QString("txFreeField_%1").arg(i) << QString("NOMEFREEFIELDANA%1").arg(i + 1);
    }
    const QList<std::pair<std::function<Platform::Form*()>, QList<Bound>>> windows = {
        {[] { return new frmContatto; },
         Columns("CONTATTI", {"txLuogo", "LUOGO", "txDescrizione", "DESCRIZIONE", "txNote", "NOTE", "txCellMail",
                              "AVVISOCONTATTO", "txMessaggio", "AVVISOMESSAGE"})},
        {[] { return new frmQuickContatto; }, Columns("CONTATTI", {"txDescrizione", "DESCRIZIONE"})},
        {[] { return new frmAnagrafica; }, Columns("ANAGRAFICA", registry)},
        {[] { return new frmFreeField; }, Columns("CONFIGURAZIONE", captions)},
        {[] { return new frmCatMer; }, Columns("CATEGORIE", {"txCodice", "CODICE", "txDescrizione", "DESCRIZIONE"})},
        {[] { return new frmCellulare(nullptr, nullptr); }, Columns("ANAGRAFICA", {"txNumero", "CELLULARE"})},
        {[] { return new frmUtenti; }, Columns("UTENTI", {"txUserName", "UTENTE", "txPassword", "PASSWORD"})},
        {[] { return new frmLogin; },
         Columns("UTENTI", {"txNuovaPassword_0", "PASSWORD", "txNuovaPassword_1", "PASSWORD"})},
        {[] { return new frmConfigura; }, Columns("CONTATTI", {"txStdObj", "DESCRIZIONE"})},
        {[] { return new frmMailing; }, Columns("CONTATTI", {"txSubject", "DESCRIZIONE"})},
    };
    for (const auto& [make, boxes] : windows) {
        std::unique_ptr<Platform::Form> window(make());
        const QString name = window->metaObject()->className();
        for (const Bound& b : boxes) {
            auto* box = window->findChild<QWidget*>(b.box);
            ASSERT_NE(box, nullptr) << name.toStdString() << "." << b.box.toStdString();
            EXPECT_EQ(Platform::MaxLength(box), width(b))
                << name.toStdString() << "." << b.box.toStdString() << " feeds " << b.table.toStdString() << "."
                << b.column.toStdString();
        }
    }
    EXPECT_GT(width({"", "CONTATTI", "DESCRIZIONE"}), 0);

    // The task editor of the agenda's planner, set up by the agenda.
    frmAgenda agenda;
    bool editorSeen = false;
    Platform::SetModalHandler([&](Platform::Form& form) {
        auto* editor = qobject_cast<Platform::PlannerTaskEditor*>(&form);
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(Platform::MaxLength(editor->ShortDesc), width({"", "TODO", "SHORTDESC"}));
        EXPECT_EQ(Platform::MaxLength(editor->LongDesc), width({"", "TODO", "LONGDESC"}));
        EXPECT_EQ(Platform::MaxLength(editor->Project), width({"", "TODO", "PROJECT"}));
        editorSeen = true;
        editor->Hide();
    });
    agenda.Planner->NewTask();
    Platform::SetModalHandler(nullptr);
    EXPECT_TRUE(editorSeen);
}
