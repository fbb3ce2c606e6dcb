#include "ADODB.h"
#include "ComboBox.h"
#include "DelimitedText.h"
#include "Errors.h"
#include "FileSizeLimit.h"
#include "Locks.h"
#include "CommonDialog.h"
#include "Global.h"
#include "ListView.h"
#include "MultiButton.h"
#include "Runtime.h"
#include "Settings.h"
#include "Values.h"
#include "RegistryDb.h"
#include "frmCercaAnagrafica.h"
#include "frmImporta.h"
#include "frmProgress.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QGroupBox>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <sys/fsuid.h>
#include <unistd.h>

using namespace Platform;

namespace {
const QString kData = QStringLiteral(BRIVALTO_TEST_DATA);

enum Local { CATEGORIA, AZIENDA, TITOLO, COGNOME, NOME, RUOLO, INDIRIZZO, CAP, CITTA, PROVINCIA, NAZIONE, EMAIL,
             TELEFONO, TELEFONOCASA, CELLULARE, FAX };
}  // namespace

class Importa : public RegistryDb {
protected:
    void TearDown() override {
        frmImporta::PaceMs = 50;
        SetFileDialogHandler(nullptr);
        if (IsDefaultInstanceLoaded<frmImporta>()) DefaultInstance<frmImporta>().Unload();
    }
    frmImporta& Open(int format) {
        auto& w = DefaultInstance<frmImporta>();
        w.cbFormato->SetListIndex(format);
        return w;
    }
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = env.Root() + "/" + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    void Choose(frmImporta& w, const QString& file) {
        SetFileDialogHandler([file](const FileDialogCall&) { return file; });
        w.cmdBrowse_Click();
    }
    QStringList Items(const ComboBox* cb) {
        QStringList items;
        for (int i = 0; i < cb->ListCount(); ++i) items << cb->itemText(i);
        return items;
    }
    QStringList Columns(const ListView& lv) {
        QStringList names;
        for (int i = 1; i <= lv.ColumnCount(); ++i) names << const_cast<ListView&>(lv).Column(i).Text();
        return names;
    }
    QVariant Value(const QString& sql) {
        ADODB::Recordset rs;
        rs.Open(sql, cn);
        return rs.EOF_() ? QVariant() : rs.Fields(0).Value();
    }
    // Contacts as the workstation's Outlook gives them: "Cognome<i>" and the
    // rest of the delimited rows' fields.
    QString Contacts(const QString& name, int count) {
        QByteArray cards;
        for (int i = 0; i < count; ++i) {
            const QByteArray n = QByteArray::number(i);
            cards += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Cognome" + n + ";Nome" + n + ";;;\r\nADR;TYPE=WORK:;;Via Roma " + n +
                     ";Forli;;47121;\r\nEMAIL:c" + n + "@example.it\r\nEND:VCARD\r\n";
        }
        return Write(name, cards);
    }
    // Another workstation, in a process of its own.
    QProcess* Workstation(const QString& program, const QStringList& args, const QString& station) {
        auto* p = new QProcess;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("BRIVALTO_COMPUTERNAME", station);
        p->setProcessEnvironment(e);
        p->start(program, args);
        return p;
    }
};

TEST_F(Importa, CommaSeparatedUtf8WithHeaderAndQuotes) {
    const QString file = Write("clienti.csv",
                               "\xEF\xBB\xBF\"NOME\",COGNOME,CAP,CITTA,EMAIL\r\n"
                               "\"Mario\",\"Rossi\",471210000,\"Forl\xC3\xAC\",mario@example.it\r\n"
                               "\r\n"
                               "Anna,Bianchi\r\n"
                               "\"alfa\",\"beta, gamma\",40100,Bologna,x@y.it\r\n");
    auto& w = Open(frmImporta::Testo);
    EXPECT_FALSE(w.frTxt->isHidden());
    Choose(w, file);
    EXPECT_EQ(w.txFileName->text(), file);
    EXPECT_EQ(Columns(*w.LV), QStringList({"NOME", "COGNOME", "CAP", "CITTA", "EMAIL"}));
    EXPECT_EQ(Items(w.cbRemoteField[0]), QStringList({"", "\"NOME\"", "COGNOME", "CAP", "CITTA", "EMAIL"}));
    ASSERT_EQ(w.LV->ItemCount(), 3);  // the blank line neither shows nor counts
    EXPECT_EQ(w.LV->Item(1).SubItem(3), QString::fromUtf8("Forlì"));
    // A separator inside quotes belongs to the field.
    EXPECT_EQ(w.LV->Item(3).Text(), "alfa");
    EXPECT_EQ(w.LV->Item(3).SubItem(1), "beta, gamma");
    EXPECT_EQ(w.LV->Item(3).SubItem(2), "40100");
    w.show();
    w.grab().save(TestKit::ProgramFolder() + "/../importa.png");
    w.cbRemoteField[NOME]->SetListIndex(1);
    w.cbRemoteField[COGNOME]->SetListIndex(2);
    w.cbRemoteField[CAP]->SetListIndex(3);
    w.cbRemoteField[CITTA]->SetListIndex(4);
    w.cbRemoteField[EMAIL]->SetListIndex(5);
    env.SetClock(QDateTime(QDate(2024, 5, 6), QTime(10, 0)));
    w.cmdStart_Click();
    EXPECT_EQ(env.Prompts().last(), "Importazione di 3 record terminata");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAGRAFICA"), 3);
    ADODB::Recordset rs;
    rs.Open("SELECT * FROM ANAGRAFICA ORDER BY ID", cn);
    EXPECT_EQ(rs["ID"].toInt(), 1);
    EXPECT_EQ(rs["NOME"].toString(), "Mario");
    EXPECT_EQ(rs["COGNOME"].toString(), "Rossi");
    EXPECT_EQ(rs["CAP"].toString(), "4712100");  // cut to the column's 7 characters
    EXPECT_EQ(rs["CITTA"].toString(), QString::fromUtf8("Forlì"));
    EXPECT_EQ(rs["EMAIL"].toString(), "mario@example.it");
    EXPECT_TRUE(rs["AZIENDA"].isNull());  // not mapped: not assigned
    EXPECT_EQ(rs["UTENTE"].toString(), "ADMIN");
    EXPECT_EQ(rs["IDAZIENDA"].toInt(), 0);
    EXPECT_EQ(rs["U_MOD"].toDateTime(), QDateTime(QDate(2024, 5, 6), QTime(10, 0)));
    rs.MoveNext();
    EXPECT_EQ(rs["ID"].toInt(), 2);
    EXPECT_EQ(rs["COGNOME"].toString(), "Bianchi");
    EXPECT_TRUE(rs["CAP"].isNull());  // the line has no such field
    rs.MoveNext();
    EXPECT_EQ(rs["COGNOME"].toString(), "beta, gamma");
    EXPECT_EQ(rs["CAP"].toString(), "40100");
    rs.Close();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
    // A second run counts only its own rows.
    w.cmdStart_Click();
    EXPECT_EQ(env.Prompts().last(), "Importazione di 3 record terminata");
    EXPECT_EQ(Value("SELECT MAX(ID) FROM ANAGRAFICA").toInt(), 6);
}

TEST_F(Importa, QuotedFieldsHoldSeparatorsLineBreaksAndDoubledQuotes) {
    const QString file = Write("virgolette.csv",
                               "COGNOME;\"NOTE; varie\";CITTA\r\n"
                               "\"Bianchi, Verdi & C.\";\"riga uno\r\nriga due\";Forl\xC3\xAC\r\n"
                               "\"Il \"\"Capo\"\"\";\"\";\"a;b\"\r\n"
                               // Quotes that do not close as a field's end: the line is split as it always was.
                               "\"Rossi;\"Mario\";Roma\r\n"
                               "\"aperto;senza;fine\r\n"
                               "Neri;x;\"Lugo\"\r\n");
    auto& w = Open(frmImporta::Testo);
    w.opSeparatore[2]->setChecked(true);
    Choose(w, file);
    EXPECT_EQ(Columns(*w.LV), QStringList({"COGNOME", "NOTE; varie", "CITTA"}));
    EXPECT_EQ(Items(w.cbRemoteField[0]), QStringList({"", "COGNOME", "\"NOTE; varie\"", "CITTA"}));
    ASSERT_EQ(w.LV->ItemCount(), 5);
    const QStringList rows[5] = {{"Bianchi, Verdi & C.", "riga uno\r\nriga due", QString::fromUtf8("Forlì")},
                                 {"Il \"Capo\"", "", "a;b"},
                                 {"\"Rossi", "Mario", "Roma"},
                                 {"\"aperto", "senza", "fine"},
                                 {"Neri", "x", "Lugo"}};
    for (int r = 0; r < 5; ++r) {
        EXPECT_EQ(w.LV->Item(r + 1).Text(), rows[r][0]) << r;
        EXPECT_EQ(w.LV->Item(r + 1).SubItem(1), rows[r][1]) << r;
        EXPECT_EQ(w.LV->Item(r + 1).SubItem(2), rows[r][2]) << r;
    }
    // The run stores what the preview shows.
    w.cbRemoteField[COGNOME]->SetListIndex(1);
    w.cbRemoteField[INDIRIZZO]->SetListIndex(2);
    w.cbRemoteField[CITTA]->SetListIndex(3);
    w.cmdStart_Click();
    EXPECT_EQ(env.Prompts().last(), "Importazione di 5 record terminata");
    ADODB::Recordset rs;
    rs.Open("SELECT COGNOME, INDIRIZZO, CITTA FROM ANAGRAFICA ORDER BY ID", cn);
    for (int r = 0; r < 5; ++r, rs.MoveNext()) {
        ASSERT_FALSE(rs.EOF_());
        EXPECT_EQ(rs["COGNOME"].toString(), rows[r][0]) << r;
        EXPECT_EQ(rs["INDIRIZZO"].toString(), rows[r][1]) << r;
        EXPECT_EQ(rs["CITTA"].toString(), rows[r][2]) << r;
    }
}

TEST_F(Importa, QuotedCsvWrittenByLibreOfficeInUtf8AndWindows1252) {
    const QStringList rows[3] = {
        {"Rossi, Mario", "Mario", "Bianchi, Verdi & C.", "Via Roma 1, int. 3", "47121", QString::fromUtf8("Forlì, FC")},
        {"D'Angelo", "Anna \"Nina\"", QString::fromUtf8("Caffè; Bar"), "Piazza Saffi 2\nScala B", "40100", "Bologna"},
        {QString::fromUtf8("Núñez"), QString::fromUtf8("José"), QString::fromUtf8("Società \"La Torre\""),
         "Corso Italia, 10", "00100", "Roma"}};
    const QStringList columns = {"COGNOME", "NOME", "AZIENDA", "INDIRIZZO", "CAP", "CITTA"};
    for (const char* name : {"clienti-libreoffice-utf8.csv", "clienti-libreoffice-1252.csv"}) {
        SCOPED_TRACE(name);
        cn.Execute("DELETE FROM ANAGRAFICA");
        auto& w = Open(frmImporta::Testo);
        Choose(w, kData + "/import/" + name);
        EXPECT_EQ(Columns(*w.LV), columns);
        ASSERT_EQ(w.LV->ItemCount(), 3);
        EXPECT_EQ(w.LV->Item(2).SubItem(3), rows[1][3]);
        const Local locals[6] = {COGNOME, NOME, AZIENDA, INDIRIZZO, CAP, CITTA};
        for (int k = 0; k < 6; ++k) w.cbRemoteField[locals[k]]->SetListIndex(k + 1);
        env.ClearBoxes();
        w.cmdStart_Click();
        EXPECT_EQ(env.Prompts(), QStringList({"Importazione di 3 record terminata"}));
        ADODB::Recordset rs;
        rs.Open("SELECT * FROM ANAGRAFICA ORDER BY ID", cn);
        for (int r = 0; r < 3; ++r, rs.MoveNext()) {
            ASSERT_FALSE(rs.EOF_());
            for (int k = 0; k < 6; ++k) EXPECT_EQ(rs[columns[k]].toString(), rows[r][k]) << r << " " << k;
        }
    }
}

TEST_F(Importa, ATextFileThatCannotBeReadIsToldByItsCause) {
    const QString folder = env.Root() + "/cartella.csv";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString missing = env.Root() + "/manca.csv";
    // A file the system refuses to read from its first byte on.
    const QString unreadable = QStringLiteral("/proc/self/mem");
    const std::pair<QString, QString> cases[] = {
        {folder, "Errore 75: Errore di accesso al percorso/file " + folder},
        {missing, "Errore 53: Impossibile trovare il file " + missing},
        {unreadable, "Errore 57: Errore di I/O della periferica " + unreadable}};
    for (const auto& [path, said] : cases) {
        SCOPED_TRACE(path.toStdString());
        auto& w = Open(frmImporta::Testo);
        Choose(w, path);
        EXPECT_EQ(w.LV->ColumnCount(), 0);  // the preview stops without a word
        env.ClearBoxes();
        w.cmdStart_Click();
        EXPECT_EQ(env.Prompts(), QStringList({said + " - in importazione file", "Importazione di 0 record terminata"}));
    }
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
    // A file its reader may not read: the administrator reads anything, so
    // the test reads it as nobody when it runs as the administrator.
    const QString closed = Write("chiuso.csv", "COGNOME\nRossi\n");
    ASSERT_TRUE(QFile::setPermissions(closed, {}));
    DelimitedText::Reader reader(',');
    const bool administrator = geteuid() == 0;
    if (administrator) setfsuid(65534);
    const bool opened = reader.Open(closed);
    if (administrator) setfsuid(0);
    EXPECT_FALSE(opened);
    try {
        DelimitedText::CannotRead(reader.Failure(), closed);
    } catch (const BasicError& e) {
        EXPECT_EQ(e.Number(), 70);
        EXPECT_EQ(e.Description(), "Autorizzazione negata " + closed);
    }
}

// Inputs fuzz_delimited found read differently in pieces than whole: a
// UTF-8 mark before bytes that are not UTF-8, a lone CR ending the file.
TEST(DelimitedText, InputsTheFuzzerFoundReadInPiecesAsWhole) {
    const char* found[] = {"Z++7v25Db2eRkNbWKSkpKSkpKSkpKSkAAAAAAAAAbGxlZm8pKSkpKXJkaQlMbWUVAAAAAAAAACxDaXR0YQ0KUm9zc2ksTQ8PD2FyaW8saW8sIg==",
                           "eCJDT0dOT01FIiwieE9URTsgdmFyaWUiDQoiQmlhbmNoaSwgVmVyZGkiLCJyaWdhDXVDb2dub21lLE5vbWUsQ2l0dGEKDQ=="};
    for (const char* input : found) {
        const QByteArray all = QByteArray::fromBase64(input);
        const QByteArray bytes = all.mid(1);
        for (qsizetype piece = 1; piece <= 16; ++piece) {
            DelimitedText::Reader inPieces(','), whole(',');
            inPieces.SetBytes(bytes, piece);
            whole.SetText(Platform::DecodeText(bytes));
            DelimitedText::Record a, b;
            for (;;) {
                const bool more = inPieces.Next(a, true);
                ASSERT_EQ(more, whole.Next(b, true)) << piece;
                if (!more) break;
                EXPECT_EQ(a.fields, b.fields) << piece;
                EXPECT_EQ(a.written, b.written) << piece;
            }
        }
    }
}

TEST_F(Importa, SemicolonAndTabWindows1252WithoutHeader) {
    const QString file = Write("vecchio.txt", "Caff\xE8 Nero;Verdi;via Po 1\r\n\r\nT\xE8 Verde;Neri\r\n");
    auto& w = Open(frmImporta::Testo);
    w.opSeparatore[2]->setChecked(true);
    w.ckIntestazioni->setChecked(false);
    Choose(w, file);
    EXPECT_EQ(Columns(*w.LV), QStringList({"Col.#1", "Col.#2", "Col.#3"}));
    EXPECT_EQ(Items(w.cbRemoteField[5]), QStringList({"", "Col.#1", "Col.#2", "Col.#3"}));
    EXPECT_EQ(w.LV->Item(1).Text(), QString::fromUtf8("Caffè Nero"));
    w.cbRemoteField[AZIENDA]->SetListIndex(1);
    w.cbRemoteField[COGNOME]->SetListIndex(2);
    w.cbRemoteField[INDIRIZZO]->SetListIndex(3);
    w.cmdStart_Click();
    EXPECT_EQ(env.Prompts().last(), "Importazione di 2 record terminata") << env.Prompts().join("|").toStdString();
    EXPECT_EQ(Value("SELECT AZIENDA FROM ANAGRAFICA WHERE COGNOME='Neri'").toString(), QString::fromUtf8("Tè Verde"));
    EXPECT_TRUE(Value("SELECT INDIRIZZO FROM ANAGRAFICA WHERE COGNOME='Neri'").isNull());

    // The same file read with tabs: one field a line; changing the option reads it again.
    const QString tabbed = Write("tab.txt", "NOME\tCOGNOME\n\"Luca\"\tGialli\n");
    Choose(w, tabbed);
    w.opSeparatore[1]->setChecked(true);
    EXPECT_EQ(Columns(*w.LV), QStringList({"Col.#1", "Col.#2"}));
    w.ckIntestazioni->click();
    EXPECT_TRUE(w.ckIntestazioni->isChecked());
    EXPECT_EQ(Columns(*w.LV), QStringList({"NOME", "COGNOME"}));
    EXPECT_EQ(w.LV->Item(1).Text(), "Luca");
}

TEST_F(Importa, EmptyFilesImportNothingWithOneMessage) {
    for (const QByteArray& content : {QByteArray(), QByteArray("NOME,COGNOME\r\n"), QByteArray("\r\n\r\n\n")}) {
        const QString file = Write("vuoto.csv", content);
        auto& w = Open(frmImporta::Testo);
        Choose(w, file);
        w.cbRemoteField[COGNOME]->SetListIndex(w.cbRemoteField[COGNOME]->ListCount() > 1 ? 1 : 0);
        env.ClearBoxes();
        w.cmdStart_Click();
        EXPECT_EQ(env.Prompts(), QStringList({"Importazione di 0 record terminata"}));
    }
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAGRAFICA"), 0);
}

TEST_F(Importa, ChecksBeforeTheRunAndMappingsLeftFromAnotherSource) {
    auto& w = Open(frmImporta::Testo);
    w.cmdStart_Click();
    EXPECT_EQ(env.Prompts().last(), "Indicare il file da cui si vuole effettuare l'importazione");
    w.cbFormato->SetListIndex(frmImporta::Excel);
    Choose(w, kData + "/import/clienti.xls");
    w.cmdStart_Click();
    EXPECT_EQ(env.Prompts().last(), "Selezionare la tabella da cui si vuole effettuare l'importazione");
    w.cbTables->SetListIndex(0);
    ASSERT_GT(w.LV->ColumnCount(), 0);
    ASSERT_GT(w.cbRemoteField[0]->ListCount(), 1);
    // The format changes to text: what was shown and mapped went with the sheet; a path is typed.
    w.cbFormato->SetListIndex(frmImporta::Testo);
    EXPECT_EQ(w.LV->ColumnCount(), 0);
    EXPECT_EQ(w.LV->ItemCount(), 0);
    for (auto* cb : w.cbRemoteField) EXPECT_EQ(cb->ListCount(), 0);
    Choose(w, Write("b.csv", "x,y\n1,2\n"));
    ASSERT_EQ(w.LV->ItemCount(), 1);
    w.txFileName->setText("");
    QTest::keyClicks(w.txFileName, Write("a.csv", "x,y\n1,2\n"));
    EXPECT_EQ(w.LV->ItemCount(), 0);  // a path typed by hand is another file
    EXPECT_EQ(w.cbRemoteField[0]->ListCount(), 0);
    env.ClearBoxes();
    w.cmdStart_Click();
    ASSERT_EQ(env.Boxes().size(), 1);
    EXPECT_TRUE(env.Prompts().last().startsWith("L'abbinamento dei campi non corrisponde"));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAGRAFICA"), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
}

TEST_F(Importa, ExcelWorkbookWithProposedMapping) {
    auto& w = Open(frmImporta::Excel);
    EXPECT_TRUE(w.frTxt->isHidden());
    Choose(w, kData + "/import/clienti.xls");
    ASSERT_EQ(w.cbTables->ListCount(), 2);
    EXPECT_EQ(w.cbTables->itemText(1), "Clienti$");
    w.cbTables->SetListIndex(0);  // "Anni$": a column named by a number
    EXPECT_EQ(w.LV->Column("|2005").Text(), "2005");
    w.cbTables->SetListIndex(1);
    EXPECT_EQ(w.LV->ItemCount(), 3);
    // "Ragione sociale" comes first, and both name captions hold it.
    EXPECT_EQ(w.cbRemoteField[COGNOME]->currentText(), "Ragione sociale");
    EXPECT_EQ(w.cbRemoteField[NOME]->currentText(), "Ragione sociale");
    w.cbRemoteField[COGNOME]->SetText("COGNOME");
    w.cbRemoteField[NOME]->SetText("NOME");
    EXPECT_EQ(w.cbRemoteField[CAP]->currentText(), "CAP");
    EXPECT_EQ(w.cbRemoteField[CITTA]->currentText(), "CITTA");
    EXPECT_EQ(w.cbRemoteField[EMAIL]->currentText(), "EMAIL");
    EXPECT_EQ(w.cbRemoteField[AZIENDA]->ListIndex(), -1);  // nothing matches: left empty
    w.cbRemoteField[AZIENDA]->SetText("Ragione sociale");
    w.cbRemoteField[TELEFONO]->SetText("Telefono");
    w.cbRemoteField[PROVINCIA]->SetText("PROV");
    w.cbRemoteField[CATEGORIA]->SetText("Note");
    w.cmdStart_Click();
    EXPECT_EQ(env.Prompts().last(), "Importazione di 3 record terminata");
    ADODB::Recordset rs;
    rs.Open("SELECT * FROM ANAGRAFICA ORDER BY ID", cn);
    EXPECT_EQ(rs["AZIENDA"].toString(), "Rossi S.p.A.");
    EXPECT_EQ(rs["CITTA"].toString(), QString::fromUtf8("Forlì"));
    EXPECT_EQ(rs["TELEFONO"].toString(), "0543 123456");
    EXPECT_TRUE(rs["CATEGORIA"].isNull());  // an empty cell stays Null
    EXPECT_EQ(rs["TITOLO"].toString(), "");   // not mapped: "" for a table source
    rs.MoveNext();
    EXPECT_EQ(rs["CAP"].toString(), "40121");  // a number becomes text
    rs.MoveNext();
    EXPECT_EQ(rs["INDIRIZZO"].toString().size(), 50);
    EXPECT_EQ(rs["CAP"].toString(), "4712100");
    // A date cell becomes text, as the program shows the date.
    EXPECT_EQ(rs["CATEGORIA"].toString(), "15/03/2024");
    EXPECT_EQ(rs["AZIENDA"].toString(), "Gialli & C. s.n.c.");

    // Dates of every kind reach a text column as the program shows them: a time alone
    // without the day it is counted from.
    rs.Close();
    cn.Execute("DELETE FROM ANAGRAFICA");
    Choose(w, kData + "/workbook/Date.xlsx");
    w.cbTables->SetListIndex(0);
    w.cbRemoteField[COGNOME]->SetText("GIORNO");
    w.cbRemoteField[NOME]->SetText("ORARIO");
    w.cbRemoteField[CITTA]->SetText("ORA");
    w.cmdStart_Click();
    EXPECT_EQ(env.Prompts().last(), "Importazione di 2 record terminata") << env.Prompts().join("|").toStdString();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAGRAFICA WHERE COGNOME='15/03/2024' AND NOME='15/03/2024 10:30:00' "
                   "AND CITTA='10:30:00'"),
              1);
}

// A workbook file cut short inside the unused tail of its last sector still
// holds all its data: it is read, every cell of it.
TEST_F(Importa, AnXlsFileCutShortInItsLastSectorsUnusedTailIsRead) {
    auto& w = Open(frmImporta::Excel);
    Choose(w, kData + "/workbook/LungoTroncato.xls");
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();
    ASSERT_EQ(Items(w.cbTables), QStringList({"Note$"}));
    w.cbTables->SetListIndex(0);
    ASSERT_EQ(w.LV->ItemCount(), 2);
    EXPECT_EQ(w.LV->Item(1).SubItem(1).size(), 32767);
    EXPECT_EQ(w.LV->Item(2).Text(), "Bianchi");
    EXPECT_EQ(w.LV->Item(2).SubItem(1), "breve");
}

TEST_F(Importa, DatabaseTableWhoseNameHasABlank) {
    const QString file = env.Root() + "/vecchio.mdb";
    ASSERT_TRUE(ADODB::Catalog::CreateDatabase(file));
    {
        ADODB::Connection src;
        src.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file);
        src.Execute("CREATE TABLE [Vecchi clienti] (NOME TEXT(30), COGNOME TEXT(30), TEL TEXT(40))");
        src.Execute("INSERT INTO [Vecchi clienti] VALUES ('Mario', 'Rossi', '0543 1234567890123456789012345')");
        src.Execute("INSERT INTO [Vecchi clienti] (COGNOME) VALUES ('Solo')");
        src.Execute("CREATE TABLE Altri (\"Nome[\" TEXT(30), CITTA TEXT(30))");
        src.Execute("INSERT INTO Altri VALUES ('Ada', 'Cesena')");
    }
    auto& w = Open(frmImporta::Access);
    Choose(w, file);
    ASSERT_EQ(w.cbTables->ListCount(), 2);
    // A column name with an unbalanced "[" is a plain character in the proposal: no box, no match.
    w.cbTables->SetText("Altri");
    EXPECT_TRUE(env.Boxes().isEmpty());
    EXPECT_EQ(w.LV->Column(1).Text(), "Nome[");
    EXPECT_EQ(w.cbRemoteField[NOME]->ListIndex(), -1);
    EXPECT_EQ(w.cbRemoteField[CITTA]->currentText(), "CITTA");
    w.cbTables->SetText("Vecchi clienti");
    // NOME comes first and the surname's caption holds it too.
    EXPECT_EQ(w.cbRemoteField[COGNOME]->currentText(), "NOME");
    EXPECT_EQ(w.cbRemoteField[NOME]->currentText(), "NOME");
    w.cbRemoteField[COGNOME]->SetText("COGNOME");
    w.cbRemoteField[TELEFONO]->SetText("TEL");
    w.cmdStart_Click();
    EXPECT_EQ(env.Prompts().last(), "Importazione di 2 record terminata") << env.Prompts().join("|").toStdString();
    EXPECT_EQ(Value("SELECT TELEFONO FROM ANAGRAFICA WHERE COGNOME='Rossi'").toString().size(), 25);
    EXPECT_TRUE(Value("SELECT NOME FROM ANAGRAFICA WHERE COGNOME='Solo'").isNull());
}

TEST_F(Importa, NoRowIsWrittenWithIdentifierZero) {
    cn.Execute("INSERT INTO ANAGRAFICA (ID, COGNOME) VALUES (-1, 'Prima')");
    auto& w = Open(frmImporta::Testo);
    Choose(w, Write("a.csv", "COGNOME\nRossi\nBianchi\n"));
    w.cbRemoteField[COGNOME]->SetListIndex(1);
    w.cmdStart_Click();
    ASSERT_EQ(env.Prompts().size(), 2);
    EXPECT_TRUE(env.Prompts()[0].startsWith("Errore 3022: Impossibile calcolare il nuovo identificativo"));
    EXPECT_EQ(env.Prompts()[1], "Importazione di 0 record terminata");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAGRAFICA WHERE ID=0"), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
}

TEST_F(Importa, TheLockIsKeptFreshAndTheRunCannotBeEnteredAgain) {
    QByteArray lines = "COGNOME\n";
    for (int i = 0; i < 5; ++i) lines += "Riga" + QByteArray::number(i) + "\n";
    const QString text = Write("a.csv", lines);
    SaveSetting(App::EXEName(), "Outlook", "FileContatti", Contacts("cinque.vcf", 5));
    // The delimited import and the contacts import hold the lock alike.
    for (const int format : {int(frmImporta::Testo), int(frmImporta::Outlook)}) {
        SCOPED_TRACE(format);
        auto& w = Open(format);
        if (format == frmImporta::Testo) {
            Choose(w, text);
            w.cbRemoteField[COGNOME]->SetListIndex(1);
        }
        frmImporta::PaceMs = 0;  // the bar moves at every row
        const QDateTime start(QDate(2024, 5, 6), QTime(9, 0));
        env.SetClock(start);
        env.ClearBoxes();
        int rows = 0;
        QList<QDateTime> stamps;
        auto* bar = DefaultInstance<frmProgress>().PB;
        QMetaObject::Connection hook = QObject::connect(bar, &QProgressBar::valueChanged, &w, [&] {
            if (bar->Value() < 1) return;
            ++rows;
            // Each row takes 20 seconds: the lock row must not age past the 30-second purge.
            ADODB::Connection other;
            other.Open(Global::gConnString);
            ADODB::Recordset rs;
            rs.Open("SELECT U_MOD FROM LOCKS WHERE TABELLA='ANAGRAFICA'", other);
            if (!rs.EOF_()) stamps << rs["U_MOD"].toDateTime();
            env.SetClock(start.addSecs(20 * rows));
            w.cmdStart_Click();  // refused while running
            w.cmdAnnulla_Click();
        });
        w.cmdStart_Click();
        QObject::disconnect(hook);
        EXPECT_EQ(rows, 5);
        ASSERT_EQ(stamps.size(), 5);
        for (int i = 0; i < stamps.size(); ++i) EXPECT_GE(stamps[i], start.addSecs(20 * i)) << i;
        EXPECT_EQ(env.Prompts(), QStringList({"Importazione di 5 record terminata"}));
        EXPECT_FALSE(w.IsUnloaded());
        EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
    }
    EXPECT_EQ(Rows("SELECT COUNT(DISTINCT ID) FROM ANAGRAFICA"), 10);
}

TEST_F(Importa, TheBarFollowsTheBytesOfTheFileToItsEnd) {
    // Three short records, a long one, and blank lines that end the file.
    const QByteArray text = "COGNOME\nA\nB\nC\n" + QByteArray(40, 'D') + "\n\n\n";
    auto& w = Open(frmImporta::Testo);
    Choose(w, Write("a.csv", text));
    w.cbRemoteField[COGNOME]->SetListIndex(1);
    frmImporta::PaceMs = 0;  // the bar moves at every row
    QList<double> shown, ends;
    auto* bar = DefaultInstance<frmProgress>().PB;
    QMetaObject::Connection hook = QObject::connect(bar, &QProgressBar::valueChanged, &w, [&] {
        if (bar->Value() <= 0) return;
        shown << bar->Value();
        ends << bar->Max();
    });
    w.cmdStart_Click();
    QObject::disconnect(hook);
    // Each record moves the bar as far as its bytes go, and the file's end ends it.
    EXPECT_EQ(shown, QList<double>({10, 12, 14, 55, 57}));
    EXPECT_EQ(ends, QList<double>(5, 57));
    EXPECT_EQ(env.Prompts().last(), "Importazione di 4 record terminata");
}

TEST_F(Importa, AFullDiskEndsTheRunWithItsCauseAndCountsTheRowsStored) {
    QByteArray lines = "COGNOME,NOME,INDIRIZZO\n";
    for (int i = 0; i < 60000; ++i)
        lines += "Cognome" + QByteArray::number(i) + ",Nome" + QByteArray::number(i) + ",Via Roma " + QByteArray::number(i) + "\n";
    auto& w = Open(frmImporta::Testo);
    Choose(w, Write("molti.csv", lines));
    for (int k : {COGNOME, NOME, INDIRIZZO}) w.cbRemoteField[k]->SetListIndex(k == COGNOME ? 1 : k == NOME ? 2 : 3);
    // Several slices are committed before the file reaches its limit.
    const int slice = Locks::HeldLock::SliceMs;
    Locks::HeldLock::SliceMs = 5;
    env.ClearBoxes();
    {
        TestKit::FileSizeLimit full(QFileInfo(env.DatabaseFile()).size() + 600 * 1024);
        w.cmdStart_Click();
    }
    Locks::HeldLock::SliceMs = slice;
    const int stored = Rows("SELECT COUNT(*) FROM ANAGRAFICA");
    EXPECT_GT(stored, 0);
    EXPECT_LT(stored, 60000);
    ASSERT_GE(env.Prompts().size(), 2) << env.Prompts().join("|").toStdString();
    EXPECT_TRUE(env.Prompts()[0].startsWith("Errore ")) << env.Prompts().join("|").toStdString();
    EXPECT_TRUE(env.Prompts()[0].endsWith(": Spazio su disco insufficiente. - in importazione file")) << env.Prompts()[0].toStdString();
    EXPECT_FALSE(env.Prompts().join("|").contains("sintassi"));
    EXPECT_EQ(env.Prompts().last(), QString("Importazione di %1 record terminata").arg(stored));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
}

TEST_F(Importa, OutlookContactsPreviewAndImport) {
    auto& w = Open(frmImporta::Outlook);
    // Not set up: one message, the lists as they were.
    EXPECT_EQ(env.Prompts(), QStringList({"Microsoft Outlook non è disponibile"}));
    EXPECT_EQ(env.Boxes().last().title, "Errore nell'apertura di Outlook");
    EXPECT_EQ(w.cbRemoteField[0]->ListCount(), 0);
    env.ClearBoxes();
    w.cmdStart_Click();
    EXPECT_EQ(env.Prompts(), QStringList({"Microsoft Outlook non è disponibile"}));

    SaveSetting(App::EXEName(), "Outlook", "FileContatti", kData + "/vcard/contacts30.vcf");
    env.ClearBoxes();
    w.cbFormato->SetListIndex(frmImporta::Access);
    w.cbFormato->SetListIndex(frmImporta::Outlook);
    EXPECT_TRUE(env.Boxes().isEmpty());
    EXPECT_FALSE(w.txFileName->isEnabled());
    EXPECT_EQ(w.cbRemoteField[5]->currentText(), "Contact.jobTitle");
    EXPECT_EQ(w.LV->ColumnCount(), 16);
    EXPECT_EQ(w.LV->Column(1).Text(), "Categories");
    EXPECT_EQ(w.LV->Column(16).Text(), "BusinessTelefax");
    ASSERT_EQ(w.LV->ItemCount(), 2);
    EXPECT_EQ(w.LV->Item(1).Text(), "Clienti, Milano");
    EXPECT_EQ(w.LV->Item(1).SubItem(6), "Piazza Duomo 1");
    EXPECT_EQ(w.LV->Item(2).SubItem(12), "0521 334455");
    w.show();
    w.grab().save(TestKit::ProgramFolder() + "/../importa_outlook.png");

    cn.Execute("INSERT INTO ANAGRAFICA (ID, COGNOME) VALUES (41, 'Esistente')");
    w.cmdStart_Click();
    EXPECT_EQ(env.Prompts().last(), "Importazione di 2 record terminata") << env.Prompts().join("|").toStdString();
    ADODB::Recordset rs;
    rs.Open("SELECT * FROM ANAGRAFICA WHERE ID>41 ORDER BY ID", cn);
    EXPECT_EQ(rs["ID"].toInt(), 42);
    EXPECT_EQ(rs["COGNOME"].toString(), "Ferrari");
    EXPECT_EQ(rs["AZIENDA"].toString(), "Studio Ferrari, Neri e Associati");
    EXPECT_EQ(rs["INDIRIZZO"].toString(), "Piazza Duomo 1");
    EXPECT_EQ(rs["EMAIL"].toString(), "lucia@example.org");
    EXPECT_EQ(rs["CELLULARE"].toString(), "+39 335 111 2222");
    EXPECT_TRUE(rs["TELEFONO"].isNull());
    EXPECT_TRUE(rs["FAX"].isNull());
    EXPECT_EQ(rs["PREFERENZA"].toString(), "");
    EXPECT_EQ(rs["CATEGORIA"].toString(), "Clienti, Milano");
    rs.MoveNext();
    EXPECT_EQ(rs["ID"].toInt(), 43);
    EXPECT_EQ(rs["INDIRIZZO"].toString(), "");  // a home address only
    rs.Close();

    // A contacts file that cannot be read: one message, nothing written.
    SaveSetting(App::EXEName(), "Outlook", "FileContatti", env.Root() + "/manca.vcf");
    env.ClearBoxes();
    w.cmdStart_Click();
    ASSERT_EQ(env.Boxes().size(), 2);
    // The message as it stands, the cause on a line of its own.
    const QStringList said = env.Prompts()[0].split("\r\n");
    ASSERT_EQ(said.size(), 2) << env.Prompts()[0].toStdString();
    EXPECT_EQ(said[0], "Non è stato possibile determinatre la cartella di default dei Contatti");
    EXPECT_TRUE(said[1].contains("manca.vcf")) << said[1].toStdString();
    EXPECT_EQ(env.Prompts()[1], "Importazione di 0 record terminata");
}

TEST_F(Importa, OutlookContactsFieldCuts) {
    const QString file = Write("tagli.vcf",
                               "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Cognome;Nome;;Titolo lungo venti c;\r\n"
                               "ORG:" + QByteArray(49, 'x') + "\xF0\x9F\x98\x80yz\r\n"
                               "ADR;TYPE=WORK:;;Via A\\nScala B;Citta;Provin;123456789;\r\n"
                               "TEL;TYPE=HOME: 0543 1\r\nTEL;TYPE=HOME,FAX:0543 9\r\nEMAIL:\r\n"
                               "EMAIL;TYPE=WORK:secondo@example.it\r\nEND:VCARD\r\n");
    SaveSetting(App::EXEName(), "Outlook", "FileContatti", file);
    auto& w = Open(frmImporta::Outlook);
    w.cmdStart_Click();
    ADODB::Recordset rs;
    rs.Open("SELECT * FROM ANAGRAFICA", cn);
    EXPECT_EQ(rs["TITOLO"].toString(), "Titolo lungo ve");
    // Fifty characters, the last one outside the basic plane and whole.
    EXPECT_EQ(rs["AZIENDA"].toString(), QString(49, 'x') + QString::fromUtf8("\xF0\x9F\x98\x80"));
    EXPECT_EQ(rs["INDIRIZZO"].toString(), "Via A");
    EXPECT_EQ(rs["PROVINCIA"].toString(), "Prov");
    EXPECT_EQ(rs["CAP"].toString(), "1234567");
    EXPECT_EQ(rs["TELEFONOCASA"].toString(), " 0543 1");  // the leading blank stays
    EXPECT_EQ(rs["FAX"].toString(), "0543 9");            // the home fax when no business one
    EXPECT_EQ(rs["EMAIL"].toString(), "secondo@example.it");
}

TEST_F(Importa, TwoWorkstationsImportingAtOnce) {
    QByteArray lines = "NOME,COGNOME\n";
    for (int i = 0; i < 300; ++i) lines += "N" + QByteArray::number(i) + ",C" + QByteArray::number(i) + "\n";
    const QString file = Write("molti.csv", lines);
    auto run = [&](const QString& station) {
        return Workstation(QStringLiteral(IMPORT_RUNNER), {env.DatabaseFile(), file, env.SettingsFolder()}, station);
    };
    std::unique_ptr<QProcess> a(run("POSTAZIONE1")), b(run("POSTAZIONE2"));
    ASSERT_TRUE(a->waitForFinished(120000));
    ASSERT_TRUE(b->waitForFinished(120000));
    EXPECT_EQ(a->exitCode(), 0) << a->readAllStandardOutput().toStdString();
    EXPECT_EQ(b->exitCode(), 0) << b->readAllStandardOutput().toStdString();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAGRAFICA"), 600);
    EXPECT_EQ(Rows("SELECT COUNT(DISTINCT ID) FROM ANAGRAFICA"), 600);
    EXPECT_EQ(Rows("SELECT MAX(ID) FROM ANAGRAFICA"), 600);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
}

TEST_F(Importa, ALongImportAndTwoCardSaversNeverAskToRetry) {
    QByteArray lines = "NOME,COGNOME\n";
    for (int i = 0; i < 200000; ++i) lines += "N" + QByteArray::number(i) + ",C" + QByteArray::number(i) + "\n";
    const QString file = Write("grande.csv", lines);
    lines.clear();
    std::unique_ptr<QProcess> import(
        Workstation(QStringLiteral(IMPORT_RUNNER), {env.DatabaseFile(), file, env.SettingsFolder()}, "POSTAZIONE1"));
    std::unique_ptr<QProcess> alfa(Workstation(QStringLiteral(CARD_SAVER),
                                               {env.DatabaseFile(), "Alfa", "10", env.SettingsFolder()}, "POSTAZIONE2"));
    std::unique_ptr<QProcess> beta(Workstation(QStringLiteral(CARD_SAVER),
                                               {env.DatabaseFile(), "Beta", "10", env.SettingsFolder()}, "POSTAZIONE3"));
    // Now and then a fourth workstation's commit holds the file for a second,
    // as a slow one does on a busy network share.
    std::unique_ptr<QProcess> busy(new QProcess);
    busy->start("/usr/bin/python3", {"-c",
                                     "import sqlite3,time,sys\n"
                                     "c=sqlite3.connect(sys.argv[1],isolation_level=None,timeout=60)\n"
                                     "while True:\n"
                                     "  time.sleep(1.5)\n"
                                     "  c.execute('BEGIN EXCLUSIVE')\n"
                                     "  time.sleep(1.0)\n"
                                     "  c.execute('COMMIT')\n",
                                     env.DatabaseFile()});
    // A loaded machine may take long; the suite's own limit stays above these.
    for (QProcess* p : {import.get(), alfa.get(), beta.get()}) ASSERT_TRUE(p->waitForFinished(600000));
    busy->kill();
    busy->waitForFinished();
    const QString said = "import:\n" + import->readAllStandardOutput() + "Alfa:\n" + alfa->readAllStandardError() +
                         "Beta:\n" + beta->readAllStandardError();
    EXPECT_FALSE(said.contains("Record bloccato")) << said.toStdString();
    EXPECT_TRUE(said.contains("Importazione di 200000 record terminata")) << said.toStdString();
    for (QProcess* p : {import.get(), alfa.get(), beta.get()}) EXPECT_EQ(p->exitCode(), 0) << said.toStdString();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAGRAFICA"), 200020);
    EXPECT_EQ(Rows("SELECT COUNT(DISTINCT ID) FROM ANAGRAFICA"), 200020);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
}

TEST_F(Importa, AContactsImportHoldsItsLockWhileAnotherWorkstationSaves) {
    const QString contacts = Contacts("tanti.vcf", 50000);
    std::unique_ptr<QProcess> import(
        Workstation(QStringLiteral(IMPORT_RUNNER), {env.DatabaseFile(), contacts, env.SettingsFolder()}, "POSTAZIONE1"));
    // The saver's clock runs 20 seconds ahead: a lock row not stamped anew
    // for 10 seconds is stale to it, and it takes the table.
    std::unique_ptr<QProcess> saver(Workstation(
        QStringLiteral(CARD_SAVER), {env.DatabaseFile(), "Alfa", "10", env.SettingsFolder(), "20"}, "POSTAZIONE2"));
    const QString imported = "SELECT COUNT(*) FROM ANAGRAFICA WHERE EMAIL<>'a@b.it'";
    int halfway = 0, unlocked = 0;
    while (!import->waitForFinished(50)) {
        // While part of the contacts are in, the importing workstation holds the table.
        const int rows = Rows(imported);
        if (rows == 0 || rows == 50000) continue;
        ++halfway;
        if (Rows("SELECT COUNT(*) FROM LOCKS WHERE COMPUTER='POSTAZIONE1' AND TABELLA='ANAGRAFICA'") == 0 &&
            Rows(imported) < 50000)
            ++unlocked;
    }
    ASSERT_TRUE(saver->waitForFinished(600000));
    const QString said = "import:\n" + import->readAllStandardOutput() + "saver:\n" + saver->readAllStandardError();
    EXPECT_EQ(unlocked, 0) << halfway << " looks\n" << said.toStdString();
    EXPECT_EQ(import->exitCode(), 0) << said.toStdString();
    EXPECT_EQ(saver->exitCode(), 0) << said.toStdString();
    EXPECT_TRUE(said.contains("Importazione di 50000 record terminata")) << said.toStdString();
    EXPECT_EQ(Rows(imported), 50000);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAGRAFICA WHERE EMAIL='a@b.it'"), 10);
    EXPECT_EQ(Rows("SELECT COUNT(DISTINCT ID) FROM ANAGRAFICA"), 50010);
    // No card was written in the middle of the import.
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAGRAFICA WHERE EMAIL='a@b.it' AND ID > (SELECT MIN(ID) FROM ANAGRAFICA "
                   "WHERE EMAIL<>'a@b.it') AND ID < (SELECT MAX(ID) FROM ANAGRAFICA WHERE EMAIL<>'a@b.it')"),
              0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
}

TEST_F(Importa, TheSearchsImportButtonOpensTheWindowModally) {
    QString shown;
    auto previous = SetModalHandler([&](Form& form) {
        shown = form.windowTitle();
        form.Unload();
    });
    DefaultInstance<frmCercaAnagrafica>().cmdImporta_Click();
    SetModalHandler(previous);
    EXPECT_EQ(shown, "Importazione dati anagrafici");
    DefaultInstance<frmCercaAnagrafica>().Unload();
}

TEST_F(Importa, ARealAccessFileReadOnly) {
    auto& w = Open(frmImporta::Access);
    Choose(w, kData + "/import/fruit.mdb");
    QStringList tables;
    for (int i = 0; i < w.cbTables->ListCount(); ++i) tables << w.cbTables->itemText(i);
    // Every table of the catalogue, the system ones too.
    EXPECT_TRUE(tables.contains("Fruit Salad"));
    EXPECT_TRUE(tables.contains("Muffin/Bread"));
    EXPECT_TRUE(tables.contains("MSysObjects"));
    w.cbTables->SetText("Fruit");
    ASSERT_GT(w.LV->ItemCount(), 10);
    EXPECT_EQ(w.LV->Item(1).Text(), "Apple");
    EXPECT_EQ(w.LV->Item(2).SubItem(5), "420");  // Vit A of the apricot
    w.cbRemoteField[COGNOME]->SetText("Fruit");
    w.cbRemoteField[CAP]->SetText("Vit A");
    env.ClearBoxes();
    w.cmdStart_Click();
    const int rows = Rows("SELECT COUNT(*) FROM ANAGRAFICA");
    EXPECT_EQ(env.Prompts().last(), QString("Importazione di %1 record terminata").arg(rows));
    EXPECT_EQ(rows, w.LV->ItemCount());
    EXPECT_EQ(Value("SELECT CAP FROM ANAGRAFICA WHERE COGNOME='Apricot'").toString(), "420");
    EXPECT_EQ(Value("SELECT NOME FROM ANAGRAFICA WHERE COGNOME='Apricot'").toString(), "");
    // A table whose name holds a blank.
    w.cbTables->SetText("Fruit Salad");
    EXPECT_GT(w.LV->ItemCount(), 0);
}

// The first 70,000 bytes of a real Access file: the catalogue lists tables
// whose pages are not there. The file is said to be damaged, never offered
// as a database without them.
TEST_F(Importa, ATruncatedAccessFileIsSaidToBeDamaged) {
    QFile original(kData + "/import/fruit.mdb");
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QString file = Write("troncato.mdb", original.read(70000));
    auto& w = Open(frmImporta::Access);
    env.ClearBoxes();
    Choose(w, file);
    EXPECT_EQ(w.cbTables->ListCount(), 0);
    ASSERT_FALSE(env.Prompts().isEmpty());
    EXPECT_TRUE(env.Prompts().last().contains("non è leggibile: il file Access è danneggiato"))
        << env.Prompts().last().toStdString();
}

TEST_F(Importa, TheWindowKeepsItsSizeWhileFormatsAndListsChange) {
    auto& w = Open(frmImporta::Access);
    w.show();
    QApplication::processEvents();
    const QSize size = w.size();
    const QPoint start = w.cmdStart->mapTo(&w, QPoint());
    Choose(w, kData + "/import/fruit.mdb");
    w.cbFormato->SetListIndex(frmImporta::Testo);  // its separators' frame appears
    Choose(w, Write("lunghi.csv", "NOME_COMPLETO_DEL_CLIENTE_PRINCIPALE,COGNOME_E_SECONDO_COGNOME,CITTA_DI_RESIDENZA\r\n"
                                  "Mario,Rossi,Forli\r\n"));
    QApplication::processEvents();
    EXPECT_EQ(w.size(), size);
    EXPECT_EQ(w.cmdStart->mapTo(&w, QPoint()), start);
}
