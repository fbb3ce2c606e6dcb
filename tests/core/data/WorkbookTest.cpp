#include "ADODB.h"
#include "Errors.h"
#include "Global.h"
#include "TestKit.h"
#include "modAdoCommon.h"

#include <QFile>
#include <gtest/gtest.h>
#include <QProcess>

using namespace ADODB;

namespace {
QString MakeWorkbook(const QString& file) {
    QProcess::execute(QStringLiteral(MKXLSX), {file});
    return file;
}
}  // namespace

TEST(Workbook, EachSheetIsATableNamedByItsFirstRow) {
    TestKit::Environment env;
    const QString file = MakeWorkbook(env.Root() + "/Elenco.xlsx");
    std::unique_ptr<Connection> cn;
    ASSERT_TRUE(modAdoCommon::OpenDataSource(cn, file, 2, "", "", false, "", false, 19));
    EXPECT_EQ(Catalog::Tables(*cn), QStringList({"Clienti$", "Fornitori$"}));
    Recordset rs;
    ASSERT_TRUE(modAdoCommon::OpenRecordset(rs, "SELECT * FROM [Clienti$] WHERE CITTA='forli'", *cn, 1, 3));
    ASSERT_FALSE(rs.EOF_());
    EXPECT_EQ(rs["COGNOME"].toString(), "Rossi");
    EXPECT_EQ(rs["NUMERO"].toInt(), 12);
    EXPECT_EQ(Catalog::Columns(*cn, "Clienti$"), QStringList({"COGNOME", "CITTA", "NUMERO"}));
    Recordset second;
    second.Open("SELECT NUMERO FROM [Clienti$] WHERE COGNOME='Bianchi'", *cn);
    EXPECT_TRUE(second["NUMERO"].isNull());
    // Read only: the workbook is never changed.
    EXPECT_THROW(cn->Execute("DELETE FROM [Clienti$]"), Platform::BasicError);
}

TEST(Workbook, AFileThatIsNoWorkbookIsRefused) {
    TestKit::Environment env;
    QFile f(env.Root() + "/finto.xls");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("non è un foglio di lavoro");
    f.close();
    std::unique_ptr<Connection> cn;
    EXPECT_FALSE(modAdoCommon::OpenDataSource(cn, f.fileName(), 2, "", "", false, "", false, 19));
    ASSERT_EQ(env.Boxes().size(), 1);
    EXPECT_TRUE(env.Prompts().last().contains("3274"));
}
