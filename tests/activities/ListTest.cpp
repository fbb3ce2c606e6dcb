// The activity list: filters as SQL and as results, keys, delete under the
// table lock, the user filter's rules, the pickers and the card it opens.
#include "ActivityDb.h"

#include "ComboBox.h"
#include "DatePicker.h"
#include "MultiButton.h"
#include "cTooltip.h"
#include "frmContatti.h"
#include "frmContatto.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using Platform::Form;

namespace {

class List : public ActivityDb {
protected:
    void SetUp() override {
        ActivityDb::SetUp();
        today = QDateTime(now.date(), QTime(0, 0));
        const char* rows[] = {
            "INSERT INTO ANAGRAFICA (ID,IDAZIENDA,AZIENDA,COGNOME,NOME) VALUES (1,3,'Vetri','Rossi','Anna')",
            "INSERT INTO ANAGRAFICA (ID,IDAZIENDA,AZIENDA,COGNOME,NOME) VALUES (2,0,NULL,'Neri','Ugo')",
            "INSERT INTO ANAGRAFICA (ID,IDAZIENDA,AZIENDA,COGNOME,NOME) VALUES (3,0,'Vetri Spa','','')",
            "INSERT INTO UTENTI (UTENTE,ISADMIN) VALUES ('ROSSI',0)",
        };
        for (const char* r : rows) cn.Execute(r);
        Add(1, "ADMIN", 1, 3, "T", today.addSecs(9 * 3600), "sede", "l'offerta");
        Add(2, "ADMIN", 2, 0, "V", today.addSecs(15 * 3600), "Forlì", "visita");
        Add(1, "ROSSI", 0, 0, "E", today.addDays(1).addSecs(10 * 3600), "", "posta");
        Add(5, QVariant(), 1, 3, "P", today.addDays(1).addSecs(11 * 3600), "ufficio", "lettera");
        Add(6, "ADMIN", 1, 3, "T", today.addDays(-1).addSecs(11 * 3600), "", "ieri");
    }
    void Add(int id, const QVariant& user, int person, int company, const char* type, const QDateTime& when,
             const QString& place, const QString& text) {
        cn.Execute("INSERT INTO CONTATTI (IDCONT,UTENTE,IDANA,IDAZIENDA,TIPOCONT,DATA,DATAFINE,LUOGO,DESCRIZIONE,[NOTE]) "
                   "VALUES (?,?,?,?,?,?,?,?,?,'nota')",
                   {id, user, person, company, QString::fromLatin1(type), when, when, place, text});
    }
    frmContatti& Open() {
        list = std::make_unique<frmContatti>();
        list->setObjectName("frmContatti");
        list->Load();
        return *list;
    }
    QStringList Keys() {
        list->cmdAggiorna_Click();
        QStringList keys;
        for (int i = 1; i <= list->LV->ItemCount(); ++i) keys << list->LV->Item(i).Key();
        return keys;
    }
    static void ChooseType(frmContatti& l, const QString& description) {
        l.cbTipo->SetListIndex(l.cbTipo->findText(description));
    }
    std::unique_ptr<frmContatti> list;
    QDateTime today;
};

}  // namespace

TEST_F(List, TheStatementForTheFilters) {
    auto& l = Open();
    EXPECT_EQ(l.windowTitle(), "Gestione contatti");
    EXPECT_EQ(l.dpDaData->Value().toDateTime(), today);
    EXPECT_TRUE(l.dpAData->Value().isNull());
    const QString head =
        "SELECT IDCONT,DATA,CONTATTI.UTENTE,DATAFINE,(IIF(ANAGRAFICA.COGNOME IS NULL,'',ANAGRAFICA.COGNOME) & ' ' & "
        "IIF(ANAGRAFICA.NOME IS NULL,'',ANAGRAFICA.NOME) & ' ' & IIF(ANAGRAFICA.AZIENDA IS NULL,'',ANAGRAFICA.AZIENDA)) "
        "AS RAGSOC,TIPICONTATTO.DESCRIZIONE AS DESCTIPO,LUOGO,CONTATTI.DESCRIZIONE AS DESCR,CONTATTI.NOTE FROM "
        "(CONTATTI LEFT JOIN TIPICONTATTO ON TIPICONTATTO.CODICE=CONTATTI.TIPOCONT) LEFT JOIN ANAGRAFICA ON "
        "ANAGRAFICA.ID=CONTATTI.IDANA";
    const QString order =
        " ORDER BY DATA,(IIF(ANAGRAFICA.COGNOME IS NULL,'',ANAGRAFICA.COGNOME) & ' ' & IIF(ANAGRAFICA.NOME IS "
        "NULL,'',ANAGRAFICA.NOME) & ' ' & IIF(ANAGRAFICA.AZIENDA IS NULL,'',ANAGRAFICA.AZIENDA));";
    l.dpDaData->SetValue(QVariant());
    QVariantList p;
    EXPECT_EQ(l.ListSql(p), head + order);
    EXPECT_TRUE(p.isEmpty());

    l.txID->setText("00000001");
    l.txIDAzienda->setText("3");
    l.dpDaData->SetValue(QDateTime(QDate(2024, 2, 28), QTime(0, 0)));
    l.dpAData->SetValue(QDateTime(QDate(2024, 2, 29), QTime(0, 0)));
    ChooseType(l, "Telefonata");
    l.txContent->setText(" l'of ");
    l.cbUtenti->SetListIndex(l.cbUtenti->findText("ROSSI"));
    EXPECT_EQ(l.ListSql(p), head +
                                " WHERE IDANA=1 AND CONTATTI.IDAZIENDA=3 AND DATA>=#02/28/2024# AND DATA<#03/01/2024# AND "
                                "TIPOCONT=? AND (CONTATTI.DESCRIZIONE LIKE ? OR CONTATTI.NOTE LIKE ? OR CONTATTI.LUOGO LIKE "
                                "?) AND CONTATTI.UTENTE =?" +
                                order);
    EXPECT_EQ(p, QVariantList({"T", "%l'of%", "%l'of%", "%l'of%", "ROSSI"}));
}

TEST_F(List, FiltersAsResults) {
    auto& l = Open();
    EXPECT_EQ(l.LV->ItemCount(), 0);  // empty until the first refresh
    EXPECT_EQ(Keys(), QStringList({"K1/ADMIN", "K2/ADMIN", "K1/ROSSI", "K5/"}));
    const auto first = l.LV->Item(1);
    EXPECT_EQ(first.Text(), Platform::FormatDate(today.addSecs(9 * 3600), "dd/mm/yy") + " 09.00");
    EXPECT_EQ(first.SubItem(1), "ADMIN");
    EXPECT_EQ(first.SubItem(2), "Rossi Anna Vetri");
    EXPECT_EQ(first.SubItem(3), "Telefonata");
    EXPECT_EQ(first.SubItem(4), "sede");
    EXPECT_EQ(first.SubItem(5), "l'offerta");
    EXPECT_EQ(first.SubItem(6), "nota");
    EXPECT_EQ(l.LV->Item(2).SubItem(2), "Neri Ugo");  // no company: the name still shows
    EXPECT_EQ(l.LV->Item(3).SubItem(2), "");          // no registry record
    EXPECT_EQ(l.LV->Column("luogo").Index(), 5);
    EXPECT_EQ(l.LV->Column(1).Text(), "data e ora");
    l.LV->Item(2).SetSelected(true);
    l.grab().save(TestKit::ProgramFolder() + "/../activity-list.png");

    // An end date equal to the start lists that whole day.
    l.dpAData->SetValue(today);
    EXPECT_EQ(Keys(), QStringList({"K1/ADMIN", "K2/ADMIN"}));
    // Inverted: told, then listed with both bounds, which is nothing.
    l.dpDaData->SetValue(today.addDays(1));
    EXPECT_TRUE(Keys().isEmpty());
    EXPECT_EQ(env.Prompts(), QStringList{"La data di fine periodo è inferiore a quella di inizio periodo"});
    l.dpDaData->SetValue(QVariant());
    l.dpAData->SetValue(QVariant());
    EXPECT_EQ(Keys().size(), 5);

    l.txContent->setText("l'off");
    EXPECT_EQ(Keys(), QStringList{"K1/ADMIN"});
    l.txContent->setText("FORLI");  // case and accents folded
    EXPECT_EQ(Keys(), QStringList{"K2/ADMIN"});
    l.txContent->clear();
    ChooseType(l, "Lettera");
    EXPECT_EQ(Keys(), QStringList{"K5/"});
    ChooseType(l, "");
    l.cbUtenti->SetListIndex(l.cbUtenti->findText("ROSSI"));
    EXPECT_EQ(Keys(), QStringList{"K1/ROSSI"});
    l.cbUtenti->SetListIndex(0);
    l.txID->setText("1");
    l.txIDAzienda->setText("00000003");
    EXPECT_EQ(Keys(), QStringList({"K6/ADMIN", "K1/ADMIN", "K5/"}));
    EXPECT_EQ(frmContatti::KeyNumber("K12/ROSSI"), 12);
    EXPECT_EQ(frmContatti::KeyNumber("K5/"), 5);
}

// The activities of one minute (a mailing's) list their names as people read
// them: case-blind, an accented initial with its letter.
TEST_F(List, ActivitiesOfOneMinuteListTheirNamesAsPeopleReadThem) {
    const char* names[] = {"Alberti", "D'Amico", "Zanetti", "", "bianchi", "de Rossi", "Èrcole", "Ölmez", "Bianco"};
    int id = 100;
    for (const char* name : names) {
        ++id;
        cn.Execute("INSERT INTO ANAGRAFICA (ID,IDAZIENDA,COGNOME,AZIENDA) VALUES (?,0,?,?)",
                   {id, *name ? QVariant(QString::fromUtf8(name)) : QVariant(),
                    *name ? QVariant() : QVariant("acme S.p.A.")});
        Add(id, "ADMIN", id, 0, "P", today.addSecs(12 * 3600), "", "mailing");
    }
    auto& l = Open();
    l.txContent->setText("mailing");
    l.cmdAggiorna_Click();
    QStringList listed;
    for (int i = 1; i <= l.LV->ItemCount(); ++i) listed << l.LV->Item(i).SubItem(2);
    EXPECT_EQ(listed, QStringList({"acme S.p.A.", "Alberti", "bianchi", "Bianco", "D'Amico", "de Rossi",
                                   QString::fromUtf8("Èrcole"), QString::fromUtf8("Ölmez"), "Zanetti"}));
}

TEST_F(List, DeleteUnderTheTableLock) {
    auto& l = Open();
    Keys();
    l.cmdElimina_Click();  // nothing selected
    EXPECT_TRUE(env.Boxes().isEmpty());

    l.LV->Item(4).SetSelected(true);  // K5/, a row without user
    env.AnswerNext(Platform::vbNo);
    l.cmdElimina_Click();
    EXPECT_EQ(env.Boxes()[0].prompt, "L'eliminazione del contatto selezionato è irreversibile. Confermi eliminazione?");
    EXPECT_EQ(env.Boxes()[0].style, Platform::vbYesNo + Platform::vbQuestion + Platform::vbDefaultButton2);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 5);

    HeldElsewhere("CONTATTI");
    env.ClearBoxes();
    env.AnswerNext(Platform::vbYes);
    l.cmdElimina_Click();
    EXPECT_EQ(env.Prompts().last(), "Contatto non eliminato");
    EXPECT_EQ(l.LV->ItemCount(), 4);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE IDCONT=5"), 1);

    cn.Execute("DELETE FROM LOCKS");
    cn.Execute("INSERT INTO CONTATTI (IDCONT,UTENTE,TIPOCONT,DATA) VALUES (5,'ROSSI','T',?)", {now});
    l.LV->Item("K5/").SetSelected(true);
    env.AnswerNext(Platform::vbYes);
    l.cmdElimina_Click();
    EXPECT_FALSE(l.LV->Item("K5/").IsValid());
    EXPECT_EQ(l.LV->ItemCount(), 3);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE IDCONT=5"), 1);  // ROSSI's number 5 stays
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
}

TEST_F(List, TheUserFilterFollowsUsersAndPermissions) {
    {
        auto& l = Open();
        EXPECT_FALSE(l.cbUtenti->isHidden());
        EXPECT_EQ(l.cbUtenti->Text(), "- tutti -");
        EXPECT_EQ(l.cbUtenti->ListCount(), 3);
    }
    cn.Execute("DELETE FROM UTENTI WHERE UTENTE='ROSSI'");
    {
        auto& l = Open();
        EXPECT_TRUE(l.cbUtenti->isHidden());
        EXPECT_TRUE(l.Label1[0]->isHidden());
        EXPECT_EQ(Keys().size(), 4);  // no user filter
    }
    cn.Execute("INSERT INTO UTENTI (UTENTE,ISADMIN) VALUES ('ROSSI',0)");
    Global::gCurrentUser = "ROSSI";
    auto& l = Open();
    EXPECT_EQ(l.cbUtenti->Text(), "ROSSI");
    EXPECT_FALSE(l.cbUtenti->isEnabled());
    EXPECT_EQ(Keys(), QStringList{"K1/ROSSI"});
    cn.Execute("INSERT INTO PERMESSI (UTENTE,PERMESSO) VALUES ('ROSSI','tutti i contatti')");
    auto& all = Open();
    EXPECT_TRUE(all.cbUtenti->isEnabled());
    EXPECT_EQ(Keys().size(), 4);
}

TEST_F(List, TheTipShowsTheSelectedRowsPlace) {
    auto& l = Open();
    l.resize(1200, 500);
    Keys();
    l.LV_MouseMove(5);
    EXPECT_EQ(l.Tooltip()->ToolText(l.LV), "");
    l.LV->Item(4).SetSelected(true);
    const int placeLeft = l.LV->header()->sectionViewportPosition(4);
    l.LV_MouseMove(placeLeft + 3);
    EXPECT_EQ(l.Tooltip()->ToolText(l.LV), "ufficio");
    l.LV_MouseMove(l.LV->header()->sectionViewportPosition(5) + 3);
    EXPECT_EQ(l.Tooltip()->ToolText(l.LV), "lettera");
    l.LV_MouseMove(2);  // another column leaves the tip as it was
    EXPECT_EQ(l.Tooltip()->ToolText(l.LV), "lettera");
}

// Until the user sets widths of his own, the columns share the list's width
// by their content; widths he drags are kept through a refresh and stored
// when the window closes, and only those.
TEST_F(List, TheColumnsShareTheWidthUntilTheUserSetsHisOwn) {
    auto sum = [](const frmContatti& l) {
        int total = 0;
        for (int i = 0; i < l.LV->ColumnCount(); ++i) total += l.LV->columnWidth(i);
        return total;
    };
    auto& l = Open();
    l.resize(980, 600);
    l.show();
    QApplication::processEvents();
    Keys();
    EXPECT_EQ(sum(l), l.LV->viewport()->width());
    for (int i = 0; i < l.LV->ColumnCount(); ++i) EXPECT_GE(l.LV->columnWidth(i), l.LV->header()->sectionSizeHint(i)) << i;
    // The date and time whole.
    EXPECT_GT(l.LV->columnWidth(0), QFontMetrics(l.LV->font()).horizontalAdvance(l.LV->Item(1).Text()));
    l.Unload();
    list.release();  // an unloaded window goes by itself
    EXPECT_EQ(Platform::GetSetting("Brivalto", "ListColumnWidths", "frmContatti.LV.1"), "");

    auto& again = Open();
    again.resize(980, 600);
    again.show();
    QApplication::processEvents();
    Keys();
    QHeaderView* header = again.LV->header();
    const int edge = header->sectionViewportPosition(5) + header->sectionSize(5) - 1;
    const int narrower = header->sectionSize(5) - 60;
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(edge, header->height() / 2));
    QTest::mouseMove(header->viewport(), QPoint(edge - 60, header->height() / 2));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(edge - 60, header->height() / 2));
    ASSERT_EQ(header->sectionSize(5), narrower);
    Keys();
    EXPECT_EQ(header->sectionSize(5), narrower);
    const double twips = again.LV->Column(6).Width();
    again.Unload();
    list.release();
    EXPECT_EQ(Platform::Val(Platform::GetSetting("Brivalto", "ListColumnWidths", "frmContatti.LV.6")), qRound64(twips));
}

TEST_F(List, PickersAndLookups) {
    auto& l = Open();
    Neighbours::Register("frmAziende", {nullptr, nullptr, nullptr, [] { return QString("0000003"); }});
    l.cmdCercaAzienda_Click();
    EXPECT_EQ(l.txIDAzienda->text(), "00000003");
    EXPECT_EQ(l.lbAzienda->text(), "Vetri Spa");
    SearchPicks("0000002");
    l.cmdRicerca_Click();
    EXPECT_EQ(l.txID->text(), "00000002");
    EXPECT_EQ(l.lbRagSoc->text(), "Neri Ugo");
    SearchPicks("");
    l.cmdRicerca_Click();
    EXPECT_EQ(l.txID->text(), "00000002");

    l.txID->setText("44");
    l.txID_LostFocus();
    l.txIDAzienda->setText("1");  // a person, not a company
    l.txIDAzienda_LostFocus();
    EXPECT_EQ(env.Prompts(), QStringList({"ID inesistente", "ID azienda inesistente"}));
    EXPECT_EQ(l.lbRagSoc->text(), "");
    EXPECT_EQ(l.lbAzienda->text(), "");
    l.txID->clear();
    l.txID_LostFocus();
    EXPECT_EQ(env.Boxes().size(), 2);

    int printed = 0;
    Neighbours::Register("frmPrint", {nullptr, nullptr, nullptr, [&] {
                                          ++printed;
                                          return QString();
                                      }});
    l.cmdStampa_Click();
    EXPECT_EQ(printed, 1);
}

TEST_F(List, TheCardOpensFromTheListWhichIsNotRefreshed) {
    auto& l = Open();
    Keys();
    l.LV->Item(2).SetSelected(true);  // K2/ADMIN
    Platform::SetModalHandler([](Form& f) {
        auto& card = dynamic_cast<frmContatto&>(f);
        EXPECT_EQ(card.Tag, "");
        EXPECT_EQ(card.lbIdContatto->text(), "2");
        EXPECT_EQ(card.txLuogo->text(), "Forlì");
        card.txLuogo->setText("Cesena");
        card.cmdConferma_Click();
    });
    l.cmdModifica_Click();
    EXPECT_TRUE(Platform::DefaultInstance<frmContatto>().isHidden());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE IDCONT=2 AND LUOGO='Cesena'"), 1);
    EXPECT_EQ(l.LV->Item(2).SubItem(4), "Forlì");

    Platform::SetModalHandler([](Form& f) {
        auto& card = dynamic_cast<frmContatto&>(f);
        EXPECT_EQ(card.lbIdContatto->text(), "");
        card.cbTipo->SetListIndex(0);
        card.cmdConferma_Click();
    });
    l.cmdNuovo_Click();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE IDCONT=7 AND UTENTE='ADMIN'"), 1);
    EXPECT_EQ(l.LV->ItemCount(), 4);

    // Cancelled with changes: closed without a save, after the question.
    Platform::SetModalHandler([](Form& f) {
        auto& card = dynamic_cast<frmContatto&>(f);
        card.txLuogo->setText("x");
        card.cmdAnnulla_Click();
    });
    env.AnswerNext(Platform::vbYes);
    l.cmdNuovo_Click();
    EXPECT_EQ(env.Prompts(), QStringList{"Sono state effettuate modifiche non ancora salvate. Proseguire ugualmente?"});
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 6);
}

TEST_F(List, WithoutADatabaseOnlyExitIsLeft) {
    Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + env.Root() + "/none/missing.mdb";
    auto& l = Open();
    EXPECT_TRUE(l.cmdEsci->isEnabled());
    EXPECT_FALSE(l.cmdAggiorna->isEnabled());
    EXPECT_FALSE(l.cmdNuovo->isEnabled());
    EXPECT_FALSE(l.LV->isEnabled());
}
