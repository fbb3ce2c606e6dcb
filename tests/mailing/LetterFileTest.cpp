// The merged letter's work file when the disk is full.
#include "MailingDb.h"

#include "FileSizeLimit.h"
#include "frmMailing.h"

#include <QLineEdit>

TEST_F(MailingDb, AWorkFileThatCannotBeWrittenIsNotPrintedAsIfWhole) {
    cn.Execute("INSERT INTO ANAGRAFICA (ID,COGNOME,NOME) VALUES (1,'Rossi','Anna')");
    const QString letter = env.Root() + "/lettera.rtf";
    QFile f(letter);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("{\\rtf1\\ansi Gentile ||NOME|| ||COGNOME||, " + QByteArray(200, 'x') + "}");
    f.close();
    frmMailing form;
    form.Load();
    form.txNomeFile->setText(letter);
    ADODB::Recordset rs;
    rs.Open("SELECT * FROM ANAGRAFICA WHERE ID=1", cn);
    QString error;
    {
        TestKit::FileSizeLimit full(64);
        EXPECT_EQ(form.PersonalizzaRTF(rs, &error), "");
    }
    EXPECT_TRUE(error.startsWith("impossibile scrivere")) << error.toStdString();
    EXPECT_FALSE(QFile::exists(program + "/mail.rtf"));
    // With room on the disk the same letter is merged whole.
    const QString work = form.PersonalizzaRTF(rs, &error);
    ASSERT_EQ(work, program + "/mail.rtf");
    QFile merged(work);
    ASSERT_TRUE(merged.open(QIODevice::ReadOnly));
    EXPECT_TRUE(merged.readAll().startsWith("{\\rtf1\\ansi Gentile Anna Rossi, xxx"));
}
