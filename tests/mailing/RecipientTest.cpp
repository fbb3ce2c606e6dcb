// The recipient list: the statement of every filter, the records it picks
// from a registry of 1,000, and the list's own rules.
#include "MailingDb.h"
#include "Registry1000.h"

#include "ComboBox.h"
#include "DatePicker.h"
#include "Keyboard.h"
#include "MultiButton.h"
#include "Settings.h"
#include "frmCercaAnagrafica.h"
#include "frmMailing.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QListWidget>
#include <QSet>
#include <functional>

namespace {

using Filter = std::function<void(frmMailing&)>;
using Oracle = std::function<bool(const Person&)>;

class Recipients : public MailingDb {
protected:
    void SetUp() override {
        MailingDb::SetUp();
        people = MakeRegistry();
        Store(cn, people);
    }
    frmMailing& Open() {
        form = std::make_unique<frmMailing>();
        form->Load();
        return *form;
    }
    QSet<qint32> Listed() const {
        QSet<qint32> ids;
        for (int i = 1; i <= form->LV->ItemCount(); ++i) ids.insert(form->LV->Item(i).Text().toInt());
        return ids;
    }
    QSet<qint32> Expected(const Oracle& wanted) const {
        QSet<qint32> ids;
        for (const Person& p : people)
            if (wanted(p)) ids.insert(p.id);
        return ids;
    }
    void Select(const QStringList& codes) {
        for (int i = 0; i < form->lsCatMer->count(); ++i)
            form->lsCatMer->item(i)->setSelected(codes.contains(form->CategoryCodes.value(i)));
    }
    std::vector<Person> people;
    std::unique_ptr<frmMailing> form;
};

QDateTime Day(int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0)); }

}  // namespace

TEST_F(Recipients, TheStatementOfEveryFilterWithItsBoundValues) {
    auto& f = Open();
    const QString head = "SELECT ID,(IIF(COGNOME IS NULL,'',COGNOME) & ' ' & IIF(NOME IS NULL,'',NOME)) AS RAGSOC, "
                         "AZIENDA FROM ANAGRAFICA LEFT JOIN ANACAT ON ANACAT.ANA_ID=ANAGRAFICA.ID";
    const QString tail = " ORDER BY (IIF(COGNOME IS NULL,'',COGNOME) & ' ' & IIF(NOME IS NULL,'',NOME));";
    QVariantList p;
    EXPECT_EQ(f.RecipientSql(p), head + tail);
    EXPECT_TRUE(p.isEmpty());

    f.txCAP->setText(" 40121 ");
    f.ckProvincia->setChecked(true);
    f.txProvincia->setText("BO");
    f.ckCategoria->setChecked(true);
    f.cbCategoria->setEditText("Clienti");
    f.ckCatMer->setChecked(true);
    Select({"A", "C"});
    f.txCitta->setText("Reggio nell'Emilia");
    f.txNazione->setText("Italia");
    f.ckDatNas->setChecked(true);
    f.dpDaData->SetValue(Day(1980, 3, 15));
    f.dpAData->SetValue(Day(1990, 12, 31));
    f.txID->setText("42");
    f.ckCompleanno->setChecked(true);
    f.dpCompleanno->SetValue(Day(2001, 2, 9));
    EXPECT_EQ(f.RecipientSql(p), head +
                                     " WHERE CAP =? AND PROVINCIA =? AND CATEGORIA =? AND CAT_CODICE IN (?,?) AND "
                                     "CITTA=? AND NAZIONE=? AND DATNAS>=? AND DATNAS<? AND ID=? AND MONTH(DATNAS)=? AND "
                                     "DAY(DATNAS)=?" +
                                     tail);
    EXPECT_EQ(p, QVariantList({"40121", "BO", "Clienti", "A", "C", "Reggio nell'Emilia", "Italia", Day(1980, 3, 15),
                               Day(1991, 1, 1), qint64(42), 2, 9}));
}

TEST_F(Recipients, EveryFilterAloneAndTogetherOverAThousandRecords) {
    auto& f = Open();
    struct Case {
        const char* name;
        Filter set;
        Oracle wanted;
    };
    const QDate from(1970, 1, 1), to(1979, 12, 31);
    const Case cases[] = {
        {"none", [](frmMailing&) {}, [](const Person&) { return true; }},
        {"CAP", [](frmMailing& m) { m.txCAP->setText("47121"); }, [](const Person& p) { return p.cap == "47121"; }},
        {"provincia", [](frmMailing& m) { m.ckProvincia->setChecked(true); m.txProvincia->setText("bo"); },
         [](const Person& p) { return p.provincia == "BO"; }},
        {"categoria", [](frmMailing& m) { m.ckCategoria->setChecked(true); m.cbCategoria->setEditText("Fornitori"); },
         [](const Person& p) { return p.categoria == "Fornitori"; }},
        {"cat.merceol.", [this](frmMailing& m) { m.ckCatMer->setChecked(true); Select({"B", "C"}); },
         [](const Person& p) { return p.catMer.contains("B") || p.catMer.contains("C"); }},
        {"città", [](frmMailing& m) { m.txCitta->setText("Reggio nell'Emilia"); },
         [](const Person& p) { return p.citta == "Reggio nell'Emilia"; }},
        {"città senza accento", [](frmMailing& m) { m.txCitta->setText("FORLI"); },
         [](const Person& p) { return p.citta == QString::fromUtf8("Forlì"); }},
        {"nazione", [](frmMailing& m) { m.txNazione->setText("Svizzera"); },
         [](const Person& p) { return p.nazione == "Svizzera"; }},
        {"nascita", [=](frmMailing& m) {
             m.ckDatNas->setChecked(true);
             m.dpDaData->SetValue(QDateTime(from, QTime()));
             m.dpAData->SetValue(QDateTime(to, QTime()));
         },
         [=](const Person& p) { return p.datnas.isValid() && p.datnas >= from && p.datnas <= to; }},
        {"id", [](frmMailing& m) { m.txID->setText("0000640"); }, [](const Person& p) { return p.id == 640; }},
        {"compleanno", [](frmMailing& m) { m.ckCompleanno->setChecked(true); m.dpCompleanno->SetValue(Day(2024, 5, 5)); },
         [](const Person& p) { return p.datnas.isValid() && p.datnas.month() == 5 && p.datnas.day() == 5; }},
        {"insieme", [this](frmMailing& m) {
             m.txCAP->setText("40121");
             m.ckCategoria->setChecked(true);
             m.cbCategoria->setEditText("Clienti");
             m.ckCatMer->setChecked(true);
             Select({"B"});
             m.txNazione->setText("Italia");
         },
         [](const Person& p) {
             return p.cap == "40121" && p.categoria == "Clienti" && p.catMer.contains("B") && p.nazione == "Italia";
         }},
    };
    for (const Case& c : cases) {
        for (QCheckBox* box : f.findChildren<QCheckBox*>()) box->setChecked(false);
        for (QLineEdit* box : {f.txCAP, f.txProvincia, f.txCitta, f.txNazione, f.txID}) box->clear();
        f.cmdVuotaLista_Click();
        c.set(f);
        f.cmdAdd_Click();
        const QSet<qint32> expected = Expected(c.wanted);
        EXPECT_FALSE(expected.isEmpty()) << c.name;
        EXPECT_EQ(Listed(), expected) << c.name;
        EXPECT_EQ(f.lbNumSchede->text(), QString::number(expected.size())) << c.name;
        EXPECT_TRUE(env.Boxes().isEmpty()) << c.name;
    }
}

TEST_F(Recipients, TheListGrowsByUnionSortedByNameWithOneEntryPerRecord) {
    auto& f = Open();
    f.ckCatMer->setChecked(true);
    Select({"A", "B"});
    f.cmdAdd_Click();
    const int first = f.LV->ItemCount();
    f.cmdAdd_Click();
    EXPECT_EQ(f.LV->ItemCount(), first);
    // Record 50 is a company: its name column shows the company.
    f.ckCatMer->setChecked(false);
    f.txID->setText("50");
    f.cmdAdd_Click();
    EXPECT_EQ(f.LV->ItemCount(), first + 1);
    const auto company = f.LV->Item("K50");
    ASSERT_TRUE(company.IsValid());
    EXPECT_EQ(company.SubItem(1), "Officina 50 S.r.l.");
    EXPECT_EQ(f.LV->Item("K1").SubItem(1), "Bianchi Anna");
    QStringList names = Texts(*f.LV, 1);
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) { return a.localeAwareCompare(b) < 0; });
    EXPECT_EQ(names.first(), sorted.first());
}

// Names as people read them: case-blind, an accented initial with its letter.
// Labels print in the list's order.
TEST_F(Recipients, TheListSortsNamesAsPeopleReadThemAndTheRunFollowsIt) {
    const char* names[] = {"Alberti", "D'Amico", "Zanetti", "", "bianchi", "de Rossi", "Èrcole", "Ölmez", "Bianco"};
    qint32 id = 2000;
    for (const char* name : names)
        cn.Execute("INSERT INTO ANAGRAFICA (ID,IDAZIENDA,COGNOME,AZIENDA,INDIRIZZO,CAP,CITTA) "
                   "VALUES (?,0,?,?,'Via Roma 1','00100','Roma')",
                   {++id, *name ? QVariant(QString::fromUtf8(name)) : QVariant(),
                    *name ? QVariant() : QVariant("acme S.p.A.")});
    auto& f = Open();
    f.txCAP->setText("00100");
    f.cmdAdd_Click();
    const QStringList expected = {"acme S.p.A.", "Alberti", "bianchi", "Bianco", "D'Amico", "de Rossi",
                                  QString::fromUtf8("Èrcole"), QString::fromUtf8("Ölmez"), "Zanetti"};
    EXPECT_EQ(Texts(*f.LV, 1), expected);
    Platform::SaveSetting(Platform::App::EXEName(), "DATIINDIRIZZO", "TIPO", "E");
    f.opTipoInvio[4]->setChecked(true);
    f.txSubject->clear();
    f.txText->clear();
    f.cmdGo_Click();
    EXPECT_EQ(Texts(*Platform::DefaultInstance<frmReport>().LV, 1), expected);
}

TEST_F(Recipients, BirthRangesAndBirthdays) {
    auto& f = Open();
    cn.Execute("UPDATE ANAGRAFICA SET DATNAS=? WHERE ID IN (6,12)", {Day(1980, 3, 15)});
    cn.Execute("UPDATE ANAGRAFICA SET DATNAS=? WHERE ID=18", {QDateTime(QDate(1980, 3, 16), QTime(0, 0))});
    f.ckDatNas->setChecked(true);
    f.dpDaData->SetValue(Day(1980, 3, 15));
    f.dpAData->SetValue(Day(1980, 3, 15));
    f.cmdAdd_Click();
    QSet<qint32> born = Expected([](const Person& p) { return p.datnas == QDate(1980, 3, 15); });
    born << 6 << 12;
    EXPECT_EQ(Listed(), born);

    f.cmdVuotaLista_Click();
    EXPECT_EQ(f.lbNumSchede->text(), "0");
    f.ckDatNas->setChecked(false);
    f.ckCompleanno->setChecked(true);
    f.dpCompleanno->SetValue(Day(2025, 3, 16));
    f.cmdAdd_Click();
    EXPECT_TRUE(Listed().contains(18));
    for (qint32 id : Listed()) EXPECT_NE(id, 6);
}

TEST_F(Recipients, RefusedFiltersLeaveTheListAsItWas) {
    auto& f = Open();
    f.txID->setText("3");
    f.cmdAdd_Click();
    ASSERT_EQ(f.LV->ItemCount(), 1);
    // Ticked without a category, the filter would have mailed the whole registry.
    f.ckID->setChecked(false);
    f.ckCatMer->setChecked(true);
    f.cmdAdd_Click();
    EXPECT_EQ(f.LV->ItemCount(), 1);
    ASSERT_EQ(env.Boxes().size(), 1);
    EXPECT_TRUE(env.Boxes()[0].prompt.startsWith("Selezionare almeno una categoria merceologica"));

    f.ckCatMer->setChecked(false);
    f.ckDatNas->setChecked(true);
    f.dpDaData->SetValue(Day(1990, 1, 2));
    f.dpAData->SetValue(Day(1990, 1, 1));
    f.cmdAdd_Click();
    EXPECT_EQ(f.LV->ItemCount(), 1);
    EXPECT_EQ(env.Boxes().last().prompt,
              "La data di inizio dell'intervallo date di nascita non può essere maggiore della data di fine");
    // Text typed into the ID is a value, never part of the statement.
    f.ckDatNas->setChecked(false);
    f.txID->setText("0 OR 1=1");
    f.cmdAdd_Click();
    EXPECT_EQ(f.LV->ItemCount(), 1);
    // An ID that is no number adds nothing, and says why.
    env.ClearBoxes();
    for (const char* id : {"abc", "7abc", ""}) {
        f.txID->setText(id);
        f.ckID->setChecked(true);
        f.cmdAdd_Click();
    }
    EXPECT_EQ(f.LV->ItemCount(), 1);
    EXPECT_EQ(env.Prompts(), QStringList({"Il valore di \"id anagrafica\" non è un numero: \"abc\"",
                                          "Il valore di \"id anagrafica\" non è un numero: \"7abc\"",
                                          "Il valore di \"id anagrafica\" non è un numero: \"\""}));
}

TEST_F(Recipients, TypingTicksAndNeverUnticks) {
    auto& f = Open();
    f.txCAP->setText("   ");
    EXPECT_FALSE(f.ckCAP->isChecked());
    f.txCAP->setText("40121");
    EXPECT_TRUE(f.ckCAP->isChecked());
    f.txCAP->clear();
    EXPECT_TRUE(f.ckCAP->isChecked());
    f.txCitta->setText("Imola");
    f.txNazione->setText("Italia");
    f.txID->setText("7");
    EXPECT_TRUE(f.ckCitta->isChecked() && f.ckNazione->isChecked() && f.ckID->isChecked());
    f.cbCategoria->setCurrentIndex(1);
    emit f.cbCategoria->activated(1);
    EXPECT_TRUE(f.ckCategoria->isChecked());
}

// The category filter is what is typed, never an entry that begins with it.
TEST_F(Recipients, TheCategoryIsWhatIsTyped) {
    auto& f = Open();
    TestKit::OnScreen(f);
    f.ckCategoria->setFocus();
    TestKit::Press(Qt::Key_Space);
    f.cbCategoria->setFocus();
    TestKit::Type("Client");
    TestKit::Press(Qt::Key_Tab);
    QVariantList p;
    f.RecipientSql(p);
    EXPECT_EQ(p, QVariantList{"Client"});
}

TEST_F(Recipients, RemovingSelectedEntries) {
    auto& f = Open();
    f.txCAP->setText("40026");
    f.cmdAdd_Click();
    ASSERT_GT(f.LV->ItemCount(), 10);
    const int before = f.LV->ItemCount();
    const QStringList gone = {f.LV->Item(2).Text(), f.LV->Item(3).Text(), f.LV->Item(9).Text()};
    for (int i : {2, 3, 9})
        f.LV->selectionModel()->select(f.LV->model()->index(i - 1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    f.cmdRemove_Click();
    EXPECT_EQ(f.LV->ItemCount(), before - 3);
    for (const QString& id : gone) EXPECT_FALSE(Texts(*f.LV).contains(id));
    EXPECT_EQ(f.lbNumSchede->text(), QString::number(before - 3));
}

TEST_F(Recipients, RecordsCheckedInTheRegistrySearch) {
    auto& f = Open();
    f.txID->setText("2");
    f.cmdAdd_Click();
    QStringList checked;
    QString picked;
    Platform::SetModalHandler([&](Platform::Form&) {
        auto& search = Platform::DefaultInstance<frmCercaAnagrafica>();
        search.txNome->setText("Officina");
        search.cmdAggiorna_Click();
        for (int i = 1; i <= 3; ++i) {
            search.LV->Item(i).SetChecked(true);
            checked << search.LV->Item(i).Text();
        }
        search.LV->Item(4).SetSelected(true);
        picked = search.LV->Item(4).Text();
        search.cmdSeleziona_Click();
    });
    f.cmdCercaID_Click();
    Platform::SetModalHandler({});
    EXPECT_FALSE(Platform::IsDefaultInstanceLoaded<frmCercaAnagrafica>());
    // The picked record only fills the ID filter; the checked ones join the list.
    EXPECT_EQ(f.txID->text(), QString::number(picked.toInt()));
    EXPECT_EQ(Texts(*f.LV), QStringList({"2"}) + checked);
    EXPECT_EQ(f.LV->Item("K" + QString::number(checked[1].toInt())).SubItem(1),
              "Officina " + QString::number(checked[1].toInt()) + " S.r.l.");
    EXPECT_EQ(f.lbNumSchede->text(), "4");
    // The same records checked again stay single.
    Platform::SetModalHandler([](Platform::Form&) {
        auto& search = Platform::DefaultInstance<frmCercaAnagrafica>();
        search.txNome->setText("Officina");
        search.cmdAggiorna_Click();
        search.LV->Item(1).SetChecked(true);
        search.cmdSeleziona_Click();
    });
    f.cmdCercaID_Click();
    Platform::SetModalHandler({});
    EXPECT_EQ(f.LV->ItemCount(), 4);
}
