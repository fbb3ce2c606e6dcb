// The merged letter's work file: a folder of its own for each workstation,
// and a full disk.
#include "MailingDb.h"

#include "FileSizeLimit.h"
#include "frmMailing.h"
#include "frmReport.h"

#include <qvxSMS2/qvxSMS2.h>

#include <QFileInfo>
#include <QLineEdit>

TEST_F(MailingDb, EachWorkstationWritesItsWorkFilesInAFolderOfItsOwn) {
    cn.Execute("INSERT INTO ANAGRAFICA (ID,COGNOME,NOME) VALUES (1,'Rossi','Anna')");
    cn.Execute("INSERT INTO ANAGRAFICA (ID,COGNOME,NOME) VALUES (2,'Verdi','Luca')");
    const QString letter = env.Root() + "/lettera.rtf";
    QFile f(letter);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("{\\rtf1\\ansi Gentile ||NOME|| ||COGNOME||}");
    f.close();
    // Two workstations of one user on one machine, each in the middle of its run.
    QStringList merged;
    for (const char* workstation : {"POSTAZIONE1", "POSTAZIONE2"}) {
        qputenv("BRIVALTO_COMPUTERNAME", workstation);
        frmMailing form;
        form.Load();
        form.txNomeFile->setText(letter);
        ADODB::Recordset rs;
        rs.Open(QString("SELECT * FROM ANAGRAFICA WHERE ID=%1").arg(merged.size() + 1), cn);
        merged << form.PersonalizzaRTF(rs);
        form.AddReport(rs, "posta", "");
        Platform::DefaultInstance<frmReport>().Unload();
        EXPECT_TRUE(form.qvxSMS->EventLogPath().startsWith(Platform::WorkFolder()));
    }
    qunsetenv("BRIVALTO_COMPUTERNAME");
    ASSERT_EQ(merged, QStringList({env.DataHome() + "/Brivalto/POSTAZIONE1/mail.rtf",
                                   env.DataHome() + "/Brivalto/POSTAZIONE2/mail.rtf"}));
    QFile first(merged[0]);
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_TRUE(first.readAll().contains("Gentile Anna Rossi")) << "the other workstation's letter took its place";
    for (const QString& file : merged) {
        const QString folder = QFileInfo(file).absolutePath();
        EXPECT_TRUE(QFile::exists(folder + "/LogInvio.log"));
        EXPECT_EQ(int(QFileInfo(folder).permissions() & 0x0077), 0) << "open to others: " << folder.toStdString();
    }
    EXPECT_EQ(QDir(program).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList({"libqvxSMS2.so"}));
}

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
    EXPECT_EQ(error, "impossibile scrivere " + work + "/mail.rtf: Disco pieno");
    EXPECT_FALSE(QFile::exists(work + "/mail.rtf"));
    // With room on the disk the same letter is merged whole.
    const QString path = form.PersonalizzaRTF(rs, &error);
    ASSERT_EQ(path, work + "/mail.rtf");
    QFile merged(path);
    ASSERT_TRUE(merged.open(QIODevice::ReadOnly));
    EXPECT_TRUE(merged.readAll().startsWith("{\\rtf1\\ansi Gentile Anna Rossi, xxx"));
}
