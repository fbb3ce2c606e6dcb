// The database file read by the standard sqlite3 shell with the program's
// extension loaded: the shell must order, filter and check it as the program does.
#include "ADODB.h"
#include "Global.h"
#include "TestKit.h"
#include "modAdoCommon.h"

#include <QProcess>
#include <gtest/gtest.h>

using namespace ADODB;

namespace {

// The shell's output for `sql` on `file`, with or without the extension.
std::string Shell(const QString& file, const QString& sql, bool extension = true, int* exitCode = nullptr) {
    QStringList args;
    if (extension) args << "-cmd" << QStringLiteral(".load %1").arg(BRIVALTO_SQLITE_EXTENSION_FILE);
    args << file << sql;
    QProcess shell;
#ifdef BRIVALTO_ASAN_RUNTIME
    // The extension of a sanitized build needs its runtime in a shell that has none.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LD_PRELOAD", BRIVALTO_ASAN_RUNTIME);
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    shell.setProcessEnvironment(env);
#endif
    shell.start("sqlite3", args);
    EXPECT_TRUE(shell.waitForFinished(30000));
    if (exitCode) *exitCode = shell.exitCode();
    return (shell.readAllStandardOutput() + shell.readAllStandardError()).trimmed().toStdString();
}

}  // namespace

TEST(SqliteShell, FiltersAndChecksADatabaseTheProgramWrote) {
    TestKit::Environment env;
    const QString file = env.DatabaseFile();
    {
        std::unique_ptr<Connection> cn;
        ASSERT_TRUE(modAdoCommon::OpenConnection(cn, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file));
        // Enough codes, accented and not, for the unique index to be ordered by the collation.
        Recordset rs;
        ASSERT_TRUE(modAdoCommon::OpenRecordset(rs, "SELECT * FROM CATEGORIE WHERE CODICE='?'", *cn, 1, 3));
        const QStringList codes = {"Forl", "àbc", "ABD", "abb", "Éta", "eTb", "zz", "Zy", "ÀBE", "òra", "Ora1"};
        for (const QString& code : codes) {
            rs.AddNew();
            rs.SetValue("CODICE", code);
            rs.SetValue("DESCRIZIONE", "Città di " + code);
            ASSERT_TRUE(modAdoCommon::UpdateRecordset(rs));
        }
        const QStringList cities = {"Forlì", "FORLI", "Rimini"};
        for (int i = 0; i < cities.size(); ++i)
            cn->Execute(QStringLiteral("INSERT INTO ANAGRAFICA (ID, IDAZIENDA, CITTA) VALUES (%1, 0, '%2')").arg(i + 1).arg(cities[i]));
    }

    // Without the extension the shell can neither check nor filter the file.
    int code = 0;
    EXPECT_TRUE(Shell(file, "PRAGMA integrity_check", false, &code).find("JETNOCASE") != std::string::npos);

    EXPECT_EQ(Shell(file, "PRAGMA integrity_check"), "ok");
    // LIKE and = blind to case and accents, as in the program.
    EXPECT_EQ(Shell(file, "SELECT ID FROM ANAGRAFICA WHERE CITTA LIKE 'forli%' ORDER BY ID"), "1\n2");
    EXPECT_EQ(Shell(file, "SELECT count(*) FROM ANAGRAFICA WHERE CITTA = 'FORLÌ'"), "2");
    EXPECT_EQ(Shell(file, "SELECT CODICE FROM CATEGORIE WHERE CODICE LIKE 'ab_' ORDER BY CODICE"), "abb\nàbc\nABD\nÀBE");
    // The unique index refuses in the shell what it refuses in the program.
    EXPECT_TRUE(Shell(file, "INSERT INTO CATEGORIE (CODICE) VALUES ('ETA')", true, &code).find("UNIQUE") != std::string::npos);
    EXPECT_NE(code, 0);
}
