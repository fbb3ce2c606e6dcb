// The program's build of the log file: the retry question names the number.
#include "clsLogFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(LogFileProgramBuild, QuestionShowsTheErrorNumber) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("LogInvio.log"));
    QString prompt;
    auto previous = clsLogFile::SetAskHandler([&prompt](const QString& p) {
        prompt = p;
        return false;
    });
    clsLogFile log;
    log.setFileName(dir.filePath("LogInvio.log"));
    log.setActive(true);
    EXPECT_FALSE(log.WriteLine("riga", false, false));
    clsLogFile::SetAskHandler(previous);
    EXPECT_EQ(prompt, "Errore: " + QString::number(log.LastError().Number) + "-" +
                          log.LastError().Description + ". Riprovo?");
}
