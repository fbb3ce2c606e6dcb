#include "ADODB.h"
#include "ComboBox.h"
#include "FileSizeLimit.h"
#include "CommonDialog.h"
#include "Dialogs.h"
#include "ListView.h"
#include "RegistryDb.h"
#include "Runtime.h"
#include "frmExport.h"
#include "frmImporta.h"
#include "MultiButton.h"
#include "Values.h"
#include "modAdoCommon.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <sys/stat.h>

using namespace Platform;

namespace {
const char* kPython = "/usr/bin/python3";

// Runs a script of Debian's python on a file; its standard output.
QString Python(const QString& script, const QString& file) {
    QProcess p;
    p.start(kPython, {"-c", script, file});
    p.waitForFinished(120000);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}
}  // namespace

class Export : public RegistryDb {
protected:
    void SetUp() override {
        RegistryDb::SetUp();
        App::SetPath(env.Root());
        work = WorkFolder();
        list = new ListView;
    }
    void TearDown() override {
        if (IsDefaultInstanceLoaded<frmImporta>()) DefaultInstance<frmImporta>().Unload();
        if (window) window->Unload();
        delete list;
    }
    // Records 1..n, each with every field, listed in order.
    void Seed(int n) {
        cn.BeginTrans();
        for (int i = 1; i <= n; ++i)
            cn.Execute("INSERT INTO ANAGRAFICA (ID, CATEGORIA, IDAZIENDA, AZIENDA, TITOLO, COGNOME, NOME, RUOLO, "
                       "INDIRIZZO, CAP, CITTA, PROVINCIA, NAZIONE, EMAIL, TELEFONO, TELEFONOCASA, CELLULARE, FAX) "
                       "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                       {i, "Cat" + QString::number(i % 7), i % 3, QString::fromUtf8("Società %1").arg(i), "dott.",
                        "Cognome" + QString::number(i), QString::fromUtf8("Nome Ò%1").arg(i), "ruolo",
                        "Via Roma " + QString::number(i), "47121", QString::fromUtf8("Forlì"), "FC", "Italia",
                        QString("c%1@example.it").arg(i), "0543 1", "0543 2", "333 3", "0543 4"});
        cn.CommitTrans();
        for (int i = 1; i <= n; ++i) list->AddItem(QString(), Format(i, "0000000"));
    }
    frmExport& Open(int format, const QString& name) {
        window = &DefaultInstance<frmExport>();
        window->SetSource(cn, *list);
        window->opTipoExport[format]->setChecked(true);
        window->txNomeFile->setText(name);
        return *window;
    }
    void Only(frmExport& w, std::initializer_list<int> fields) {
        for (auto* ck : w.ckFields) ck->setChecked(false);
        for (int f : fields) w.ckFields[f]->setChecked(true);
    }
    QByteArray Read(const QString& path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        return f.readAll();
    }
    ListView* list = nullptr;
    QString work;
    frmExport* window = nullptr;
};

TEST_F(Export, TextLinesQuotesSeparatorsAndSkippedRecords) {
    cn.Execute("INSERT INTO ANAGRAFICA (ID, COGNOME, NOME) VALUES (7, 'Rossi', 'Il \"Capo\"')");
    cn.Execute("INSERT INTO ANAGRAFICA (ID, AZIENDA) VALUES (8, 'Sola Azienda')");
    cn.Execute("INSERT INTO ANAGRAFICA (ID, COGNOME) VALUES (9, 'Bianchi')");
    for (const char* id : {"0000007", "0000008", "0000099", "0000009"}) list->AddItem(QString(), id);
    auto& w = Open(2, "  elenco.csv  ");
    w.show();
    w.grab().save(TestKit::ProgramFolder() + "/../esporta.png");
    EXPECT_FALSE(w.Frame1->isHidden());
    // The window names the folder the file goes to, and so does the end.
    EXPECT_TRUE(w.Label2->text().contains(" " + work + " ")) << w.Label2->text().toStdString();
    EXPECT_FALSE(w.Label2->text().contains("installazione"));
    Only(w, {0, 5, 6});
    w.cmdGo_Click();
    EXPECT_EQ(env.Prompts().last(), "Completata esportazione sul file " + work + "/elenco.csv.txt");
    EXPECT_EQ(w.txNomeFile->text(), "elenco.csv");
    // Record 8 has nothing in the ticked fields but its ID; 99 no longer exists.
    // A quote inside a value is doubled, so that the value reads back whole.
    EXPECT_EQ(Read(work + "/elenco.csv.txt"), "7,\"Rossi\",\"Il \"\"Capo\"\"\"\r\n8,\"\",\"\"\r\n9,\"Bianchi\",\"\"\r\n");
    Only(w, {5, 6});
    w.opSeparatore[1]->setChecked(true);
    env.AnswerNext(vbNo);
    w.cmdGo_Click();
    EXPECT_EQ(env.Prompts().last(), QString::fromUtf8("Il file elenco.csv.txt esiste già. Si desidera sovrascriverlo?"));
    EXPECT_EQ(env.Boxes().last().style, vbYesNo + vbQuestion + vbDefaultButton2);
    EXPECT_TRUE(Read(work + "/elenco.csv.txt").startsWith("7,"));
    env.AnswerNext(vbYes);
    w.cmdGo_Click();
    EXPECT_EQ(Read(work + "/elenco.csv.txt"), "\"Rossi\"\t\"Il \"\"Capo\"\"\"\r\n\"Bianchi\"\t\"\"\r\n");
}

TEST_F(Export, RefusalsAndAFileThatCannotBeWritten) {
    Seed(2);
    auto& w = Open(2, "   ");
    w.cmdGo_Click();
    EXPECT_EQ(env.Prompts().last(), "E' necessario indicare un nome file valido");
    w.txNomeFile->setText("x");
    Only(w, {});
    w.cmdGo_Click();
    EXPECT_EQ(env.Prompts().last(), "E' necessario selezionare almeno un campo da esportare");
    Only(w, {0, 5});
    // A name is a file's name only: a folder in it, relative or absolute, is
    // refused before anything is written.
    const QString outside = QDir(work + "/../../..").absolutePath();
    for (const QString& name : {QString("../../../victim"), outside + "/assoluto", QString("..\\..\\victim")}) {
        for (int format : {0, 1, 2}) {
            w.opTipoExport[format]->setChecked(true);
            w.txNomeFile->setText(name);
            env.ClearBoxes();
            w.cmdGo_Click();
            ASSERT_EQ(env.Boxes().size(), 1) << format;
            EXPECT_EQ(env.Prompts().last(),
                      "Indicare solo il nome del file, senza cartella: il file sarà creato nella cartella " + work);
        }
    }
    EXPECT_EQ(QDir(outside).entryList({"victim*", "assoluto*"}), QStringList());
    EXPECT_EQ(QDir(work).entryList(QDir::Files), QStringList());
    for (int format : {0, 1, 2}) {
        w.opTipoExport[format]->setChecked(true);
        w.txNomeFile->setText(QString(300, 'x'));  // longer than a file's name may be
        env.ClearBoxes();
        w.cmdGo_Click();
        ASSERT_EQ(env.Boxes().size(), 1) << format;
        EXPECT_TRUE(env.Prompts().last().startsWith("Errore 75: ")) << env.Prompts().last().toStdString();
        EXPECT_TRUE(env.Prompts().last().endsWith(" in esportazione file"));
        EXPECT_TRUE(w.cmdGo->isEnabled());
        EXPECT_TRUE(w.cmdAnnulla->isEnabled());
    }
}

TEST_F(Export, AFullDiskKeepsTheOldFileOfEachFormatAndSaysSo) {
    Seed(50);
    auto& w = Open(2, "elenco");
    // Small enough that each new file fails part way, as on a disk that fills up.
    const std::pair<int, rlim_t> formats[] = {{2, 16}, {0, 4096}, {1, 4096}};
    for (const auto& [format, room] : formats) {
        w.opTipoExport[format]->setChecked(true);
        Only(w, {0, 5});
        w.cmdGo_Click();
        const QString path = w.TargetPath();
        const QByteArray before = Read(path);
        ASSERT_FALSE(before.isEmpty()) << format;
        Only(w, {0, 5, 6, 8, 10, 13});
        env.AnswerNext(vbYes);
        env.ClearBoxes();
        {
            TestKit::FileSizeLimit full(room);
            w.cmdGo_Click();
        }
        ASSERT_FALSE(env.Prompts().isEmpty());
        // The data layer words the engine's refusal its own way.
        EXPECT_EQ(env.Prompts().last().toStdString(), format == 0 ? "Errore -2147467259: Spazio su disco insufficiente. in esportazione file"
                                                                  : "Errore 61: Disco pieno in esportazione file");
        EXPECT_EQ(Read(path), before) << format;
        // Nothing is left beside it.
        const QString name = QFileInfo(path).fileName();
        EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList({name + "*"}, QDir::Files | QDir::Hidden), QStringList({name})) << format;
    }
}

// Each format's file is made as any new file of the user: the umask decides.
TEST_F(Export, EveryFormatsFileGetsTheModeOfANewFile) {
    Seed(2);
    struct Umask {
        mode_t saved = ::umask(027);
        ~Umask() { ::umask(saved); }
    } umask;
    auto& w = Open(0, "modo");
    for (int format : {0, 1, 2}) {
        w.opTipoExport[format]->setChecked(true);
        w.cmdGo_Click();
        ASSERT_TRUE(env.Prompts().last().startsWith("Completata esportazione")) << format;
        struct stat made;
        ASSERT_EQ(::stat(QFile::encodeName(w.TargetPath()).constData(), &made), 0) << format;
        EXPECT_EQ(made.st_mode & 0777, 0640u) << format;
    }
}

TEST_F(Export, ANullStaysNullAndATextTooLongForACellIsCutAndToldOf) {
    // A registry kept elsewhere may hold texts longer than a workbook cell takes.
    cn.Execute("DROP TABLE ANAGRAFICA");
    cn.Execute("CREATE TABLE ANAGRAFICA (ID LONG, IDAZIENDA LONG, COGNOME MEMO)");
    cn.Execute("INSERT INTO ANAGRAFICA (ID, COGNOME) VALUES (1, 'Rossi')");
    cn.Execute("INSERT INTO ANAGRAFICA (ID, IDAZIENDA, COGNOME) VALUES (2, 0, ?)", {QString(40000, QChar(0x00E8))});
    cn.Execute("INSERT INTO ANAGRAFICA (ID, IDAZIENDA, COGNOME) VALUES (3, 7, 'Verdi')");
    for (const char* id : {"0000001", "0000002", "0000003"}) list->AddItem(QString(), id);
    auto& w = Open(0, "lunghi");
    Only(w, {0, 2});
    w.cmdGo_Click();
    EXPECT_EQ(env.Prompts().last(), "Completata esportazione sul file " + work + "/lunghi.mdb");
    {
        ADODB::Connection mdb;
        mdb.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + work + "/lunghi.mdb");
        ADODB::Recordset rs;
        rs.Open("SELECT IDAZIENDA FROM ANAGRAFICA ORDER BY ID", mdb);
        EXPECT_TRUE(rs["IDAZIENDA"].isNull());
        rs.MoveNext();
        EXPECT_EQ(rs["IDAZIENDA"].toInt(), 0);
    }

    w.opTipoExport[1]->setChecked(true);
    Only(w, {0, 2, 5});
    w.cmdGo_Click();
    EXPECT_EQ(env.Prompts().last(), "Completata esportazione sul file " + work +
                                        QString::fromUtf8("/lunghi.xlsx\nUn testo più lungo di 32767 caratteri, il "
                                                          "massimo di una cella di Excel, è stato troncato (anagrafica 2, "
                                                          "campo COGNOME)."));
    std::unique_ptr<ADODB::Connection> book;
    ASSERT_TRUE(modAdoCommon::OpenDataSource(book, work + "/lunghi.xlsx", 2, "", "", false, "", false, 19));
    ADODB::Recordset rs;
    rs.Open("SELECT * FROM [ANAGRAFICA$] ORDER BY ID", *book);
    EXPECT_EQ(rs["COGNOME"].toString(), "Rossi");
    rs.MoveNext();
    EXPECT_EQ(rs["COGNOME"].toString(), QString(32767, QChar(0x00E8)));
    rs.MoveNext();
    EXPECT_EQ(rs["COGNOME"].toString(), "Verdi");
}

TEST_F(Export, ClosesWithTheWindowThatOwnsTheList) {
    auto* owner = new Form;
    owner->Load();
    auto& w = DefaultInstance<frmExport>();
    w.SetSource(cn, *list, owner);
    w.Show();
    owner->Show();
    owner->Unload();
    EXPECT_TRUE(w.IsUnloaded());
    // The list itself going away closes it too.
    auto& again = DefaultInstance<frmExport>();
    auto* other = new ListView;
    again.SetSource(cn, *other);
    delete other;
    EXPECT_TRUE(again.IsUnloaded());
}

TEST_F(Export, TenThousandRecordsToEachFormatReadBackIndependently) {
    Seed(10000);
    // Access: an SQLite file read by python's own sqlite3.
    auto& w = Open(0, "anagrafiche");
    w.cmdGo_Click();
    EXPECT_EQ(env.Prompts().last(), "Completata esportazione sul file " + work + "/anagrafiche.mdb");
    if (!QFile::exists(kPython)) GTEST_SKIP() << "no python3 to read the files back";
    EXPECT_EQ(Python("import sqlite3,sys\n"
                     "c=sqlite3.connect(sys.argv[1])\n"
                     "print(c.execute('select count(*), count(distinct ID), sum(ID) from ANAGRAFICA').fetchone())\n"
                     "print('|'.join(str(v) for v in c.execute('select * from ANAGRAFICA where ID=1234').fetchone()))\n",
                     work + "/anagrafiche.mdb"),
              QString::fromUtf8("(10000, 10000, 50005000)\n"
                                "1234|Cat2|1|Società 1234|dott.|Cognome1234|Nome Ò1234|ruolo|Via Roma 1234|47121|Forlì|"
                                "FC|Italia|c1234@example.it|0543 1|0543 2|333 3|0543 4"));

    // Excel: the workbook's XML read with python's zipfile, then imported back.
    w.opTipoExport[1]->setChecked(true);
    w.cmdGo_Click();
    EXPECT_EQ(env.Prompts().last(), "Completata esportazione sul file " + work + "/anagrafiche.xlsx");
    EXPECT_EQ(Python("import sys,zipfile,xml.etree.ElementTree as ET\n"
                     "z=zipfile.ZipFile(sys.argv[1]); ns={'s':'http://schemas.openxmlformats.org/spreadsheetml/2006/main'}\n"
                     "ss=[si.find('s:t',ns).text for si in ET.fromstring(z.read('xl/sharedStrings.xml')).findall('s:si',ns)]\n"
                     "rows=ET.fromstring(z.read('xl/worksheets/sheet1.xml')).findall('.//s:row',ns)\n"
                     "cell=lambda r:[ss[int(c.find('s:v',ns).text)] for c in r.findall('s:c',ns)]\n"
                     "print(len(rows)); print('|'.join(cell(rows[0]))); print('|'.join(cell(rows[10000])))\n",
                     work + "/anagrafiche.xlsx"),
              QString::fromUtf8("10001\n"
                                "ID|CATEGORIA|IDAZIENDA|AZIENDA|TITOLO|COGNOME|NOME|RUOLO|INDIRIZZO|CAP|CITTA|PROVINCIA|"
                                "NAZIONE|EMAIL|TELEFONO|TELEFONOCASA|CELLULARE|FAX\n"
                                "10000|Cat4|1|Società 10000|dott.|Cognome10000|Nome Ò10000|ruolo|Via Roma 10000|47121|"
                                "Forlì|FC|Italia|c10000@example.it|0543 1|0543 2|333 3|0543 4"));
    auto& imp = DefaultInstance<frmImporta>();
    imp.cbFormato->SetListIndex(frmImporta::Excel);
    SetFileDialogHandler([&](const FileDialogCall&) { return work + "/anagrafiche.xlsx"; });
    imp.cmdBrowse_Click();
    SetFileDialogHandler(nullptr);
    ASSERT_EQ(imp.cbTables->ListCount(), 1);
    imp.cbTables->SetListIndex(0);
    EXPECT_EQ(imp.LV->ItemCount(), 100);
    for (int i = 0; i < 16; ++i) imp.cbRemoteField[i]->SetText(imp.LocalColumn(i));
    imp.cmdStart_Click();
    EXPECT_EQ(env.Prompts().last(), "Importazione di 10000 record terminata");

    // Text: read back by the import itself.
    w.opTipoExport[2]->setChecked(true);
    w.cmdGo_Click();
    EXPECT_EQ(env.Prompts().last(), "Completata esportazione sul file " + work + "/anagrafiche.txt");
    imp.cbFormato->SetListIndex(frmImporta::Testo);
    imp.ckIntestazioni->setChecked(false);
    SetFileDialogHandler([&](const FileDialogCall&) { return work + "/anagrafiche.txt"; });
    imp.cmdBrowse_Click();
    SetFileDialogHandler(nullptr);
    ASSERT_EQ(imp.LV->ColumnCount(), 18);
    for (int i = 0; i < 16; ++i) imp.cbRemoteField[i]->SetListIndex(i < 1 ? 2 : i + 3);  // after ID, CATEGORIA, IDAZIENDA
    imp.cbRemoteField[0]->SetListIndex(2);
    imp.cmdStart_Click();
    EXPECT_EQ(env.Prompts().last(), "Importazione di 10000 record terminata");
    const QString same = "SELECT COUNT(*) FROM ANAGRAFICA a JOIN ANAGRAFICA b ON b.ID = a.ID + %1 WHERE a.ID <= 10000 "
                         "AND a.CATEGORIA=b.CATEGORIA AND a.AZIENDA=b.AZIENDA AND a.TITOLO=b.TITOLO AND "
                         "a.COGNOME=b.COGNOME AND a.NOME=b.NOME AND a.RUOLO=b.RUOLO AND a.INDIRIZZO=b.INDIRIZZO AND "
                         "a.CAP=b.CAP AND a.CITTA=b.CITTA AND a.PROVINCIA=b.PROVINCIA AND a.NAZIONE=b.NAZIONE AND "
                         "a.EMAIL=b.EMAIL AND a.TELEFONO=b.TELEFONO AND a.TELEFONOCASA=b.TELEFONOCASA AND "
                         "a.CELLULARE=b.CELLULARE AND a.FAX=b.FAX";
    EXPECT_EQ(Rows(same.arg(10000)), 10000);  // from the workbook
    EXPECT_EQ(Rows(same.arg(20000)), 10000);  // from the text file
}

// A workbook keeps a CR as "_x000D_", and a text that reads as such an escape
// is itself escaped: both come back as they were.
TEST_F(Export, SeparatorsQuotesLineBreaksAndEscapesInEveryColumnImportBackTheSameFromTextAndWorkbook) {
    // Each text column holds, in one record or another, commas, semicolons,
    // tabs, quotes, line breaks of every kind and the text of a workbook's
    // escape, each value cut to fit its column.
    const char* kColumns[16] = {"CATEGORIA", "AZIENDA", "TITOLO", "COGNOME", "NOME", "RUOLO", "INDIRIZZO", "CAP",
                                "CITTA", "PROVINCIA", "NAZIONE", "EMAIL", "TELEFONO", "TELEFONOCASA", "CELLULARE", "FAX"};
    const int kWidths[16] = {50, 50, 15, 50, 50, 50, 50, 7, 50, 4, 50, 100, 25, 25, 25, 25};
    const QStringList samples = {"A,\"B\";C", "D\tE\r\nF", "G\"H\nI;", "\"Q\",\tR", "\"\"\rS\"", "x;\"y\"\r\n",
                                 "_x000D_\r\n_x005F_x000d_"};
    QList<QStringList> records;
    cn.BeginTrans();
    for (int r = 0; r < samples.size(); ++r) {
        QStringList values;
        QVariantList params = {r + 1};
        for (int c = 0; c < 16; ++c) {
            // Every record a different sample in each column.
            values << samples[(r + c) % samples.size()].left(kWidths[c]);
            params << values.last();
        }
        records << values;
        cn.Execute(QString("INSERT INTO ANAGRAFICA (ID, %1) VALUES (?%2)")
                       .arg(QStringList(std::begin(kColumns), std::end(kColumns)).join(','), QString(",?").repeated(16)),
                   params);
        list->AddItem(QString(), Format(r + 1, "0000000"));
    }
    cn.CommitTrans();
    auto& w = Open(2, "ritorno");
    auto& imp = DefaultInstance<frmImporta>();
    // The text file with each separator, then the workbook.
    for (const int pass : {0, 1, 2}) {
        SCOPED_TRACE(pass);
        const bool workbook = pass == 2;
        const QString file = work + (workbook ? "/ritorno.xlsx" : "/ritorno.txt");
        w.opTipoExport[workbook ? 1 : 2]->setChecked(true);
        if (!workbook) w.opSeparatore[pass]->setChecked(true);
        env.AnswerNext(vbYes);
        w.cmdGo_Click();
        ASSERT_EQ(env.Prompts().last(), "Completata esportazione sul file " + file);
        imp.cbFormato->SetListIndex(workbook ? frmImporta::Excel : frmImporta::Testo);
        if (!workbook) {
            imp.ckIntestazioni->setChecked(false);
            imp.opSeparatore[pass]->setChecked(true);
        }
        SetFileDialogHandler([&](const FileDialogCall&) { return file; });
        imp.cmdBrowse_Click();
        SetFileDialogHandler(nullptr);
        if (workbook) imp.cbTables->SetListIndex(0);
        // The preview shows each record whole, as the run stores it.
        ASSERT_EQ(imp.LV->ColumnCount(), 18);
        ASSERT_EQ(imp.LV->ItemCount(), samples.size());
        EXPECT_EQ(imp.LV->Item(2).SubItem(1), records[1][0]);
        for (int i = 0; i < 16; ++i) {
            if (workbook) imp.cbRemoteField[i]->SetText(imp.LocalColumn(i));
            else imp.cbRemoteField[i]->SetListIndex(i == 0 ? 2 : i + 3);
        }
        imp.cmdStart_Click();
        ASSERT_EQ(env.Prompts().last(), QString("Importazione di %1 record terminata").arg(samples.size()));
        ADODB::Recordset rs;
        rs.Open("SELECT * FROM ANAGRAFICA WHERE ID > ? ORDER BY ID", cn, ADODB::adOpenForwardOnly, ADODB::adLockReadOnly,
                {int(samples.size())});
        for (int r = 0; r < samples.size(); ++r, rs.MoveNext()) {
            ASSERT_FALSE(rs.EOF_());
            for (int c = 0; c < 16; ++c)
                EXPECT_EQ(rs[kColumns[c]].toString(), records[r][c]) << kColumns[c] << " of record " << r + 1;
        }
        EXPECT_TRUE(rs.EOF_());
        rs.Close();
        cn.Execute("DELETE FROM ANAGRAFICA WHERE ID > ?", {int(samples.size())});
    }
}

TEST_F(Export, TheDatabaseFileIsReadAndSortedByAnySqliteTool) {
    for (const char* name : {"Zanetti", "bianchi", "Àlberti", "Rossi"})
        cn.Execute("INSERT INTO ANAGRAFICA (ID, COGNOME) VALUES ((SELECT COUNT(*) + 1 FROM ANAGRAFICA), ?)",
                   {QString::fromUtf8(name)});
    for (const char* id : {"0000001", "0000002", "0000003", "0000004"}) list->AddItem(QString(), id);
    auto& w = Open(0, "per_altri");
    Only(w, {0, 5});
    w.cmdGo_Click();
    ASSERT_EQ(env.Prompts().last(), "Completata esportazione sul file " + work + "/per_altri.mdb");
    // The sqlite3 shell, without the program's extension.
    QProcess shell;
    shell.start("sqlite3", {work + "/per_altri.mdb", "SELECT ID, COGNOME FROM ANAGRAFICA ORDER BY COGNOME"});
    ASSERT_TRUE(shell.waitForFinished(60000));
    EXPECT_EQ(QString::fromUtf8(shell.readAllStandardError()), "");
    EXPECT_EQ(shell.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(shell.readAllStandardOutput()),
              QString::fromUtf8("4|Rossi\n1|Zanetti\n2|bianchi\n3|Àlberti\n"));
}
