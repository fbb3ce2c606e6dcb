#include "clsLogFile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

struct LogFileTest : ::testing::Test {
    QTemporaryDir dir;
    QString path;
    clsLogFile log;
    std::vector<QString> prompts;
    clsLogFile::AskHandler previous;

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("SMS.log");
        log.setFileName(path);
        log.setActive(true);
        previous = clsLogFile::SetAskHandler([this](const QString& prompt) {
            prompts.push_back(prompt);
            return false;
        });
    }
    void TearDown() override { clsLogFile::SetAskHandler(previous); }
};

}  // namespace

TEST_F(LogFileTest, InactiveOrUnnamedWritesNothing) {
    clsLogFile fresh;
    fresh.setFileName(path);
    EXPECT_FALSE(fresh.WriteLine("x", false, false));
    fresh.setActive(true);
    fresh.setFileName(QString());
    EXPECT_FALSE(fresh.WriteLine("x", true, true));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(LogFileTest, LineFormats) {
    log.setPrintTimeStamp(true);
    ASSERT_TRUE(log.WriteLine("", false, false));
    ASSERT_TRUE(log.WriteLine("Inizio invio", true, false));
    log.setPrintTimeStamp(false);
    ASSERT_TRUE(log.WriteLine(QString::fromUtf8("perché €"), false, false));

    // Each line in UTF-8, ended by CR LF.
    const QList<QByteArray> lines = ReadAll(path).split('\n');
    ASSERT_EQ(lines.size(), 5);  // four lines and the empty rest after the last LF
    const QRegularExpression stamp("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d - ");
    EXPECT_TRUE(stamp.match(QString::fromLatin1(lines[0])).hasMatch());
    EXPECT_EQ(lines[0].size(), 23);  // the stamp, " - " and CR: nothing else
    EXPECT_EQ(lines[1], QByteArray(79, '-') + "\r");
    EXPECT_TRUE(lines[2].endsWith(" - Inizio invio\r"));
    EXPECT_TRUE(stamp.match(QString::fromLatin1(lines[2])).hasMatch());
    EXPECT_EQ(lines[3], QString::fromUtf8("perché €\r").toUtf8());
    EXPECT_EQ(lines[4], QByteArray());
    // A line break inside a text ends its line as every line ends.
    ASSERT_TRUE(log.WriteLine("uno\r\ndue\rtre\nquattro", false, false));
    EXPECT_TRUE(ReadAll(path).endsWith("uno\r\ndue\r\ntre\r\nquattro\r\n"));
}

TEST_F(LogFileTest, CapKeepsNewestWholeLines) {
    QByteArray fifteen;
    for (int i = 1; i <= 15; ++i) fifteen += QByteArray("RIGA") + QByteArray::number(i).rightJustified(4, '0') + "\r\n";
    ASSERT_EQ(fifteen.size(), 150);
    WriteAll(path, fifteen);

    log.setMaxLogLength(100);
    ASSERT_TRUE(log.WriteLine("NUOVA", false, false));
    // 50 bytes end exactly at a line end, so the sixth line goes as well.
    EXPECT_EQ(ReadAll(path), fifteen.mid(60) + "NUOVA\r\n");

    // A cut in the middle of a line drops the rest of that line.
    WriteAll(path, fifteen);
    log.setMaxLogLength(95);
    ASSERT_TRUE(log.WriteLine("NUOVA", false, false));
    EXPECT_EQ(ReadAll(path), fifteen.mid(60) + "NUOVA\r\n");

    // A cut inside the last line empties the file.
    WriteAll(path, fifteen);
    log.setMaxLogLength(5);
    ASSERT_TRUE(log.WriteLine("NUOVA", false, false));
    EXPECT_EQ(ReadAll(path), QByteArray("NUOVA\r\n"));

    for (int cap : {0, 150, 1000}) {
        WriteAll(path, fifteen);
        log.setMaxLogLength(cap);
        ASSERT_TRUE(log.WriteLine("NUOVA", false, false));
        EXPECT_EQ(ReadAll(path), fifteen + "NUOVA\r\n") << cap;
    }
}

// A log written in Windows-1252 before is read and rewritten in UTF-8 on its
// first append, keeping its CR LF, whether the cap trims it or not; one whose
// lines end with LF alone gets CR LF in their place.
TEST_F(LogFileTest, AnOlderWindowsLogIsReadAndKeptInUtf8) {
    QByteArray older;
    for (int i = 1; i <= 10; ++i) older += "posta (D'Al\xF2 Luc\xED" "a) - riga " + QByteArray::number(i) + "\r\n";
    WriteAll(path, older);
    log.setMaxLogLength(100);
    ASSERT_TRUE(log.WriteLine(QString::fromUtf8("e-mail (Müller) - Inviato"), false, false));
    EXPECT_EQ(ReadAll(path), QString::fromUtf8("posta (D'Alò Lucía) - riga 8\r\nposta (D'Alò Lucía) - riga 9\r\n"
                                                "posta (D'Alò Lucía) - riga 10\r\n"
                                                "e-mail (Müller) - Inviato\r\n").toUtf8());

    clsLogFile fresh;
    fresh.setFileName(path);
    fresh.setActive(true);
    fresh.setMaxLogLength(65536);
    WriteAll(path, older.left(60));
    ASSERT_TRUE(fresh.WriteLine("nuova", false, false));
    EXPECT_EQ(ReadAll(path), QString::fromUtf8("posta (D'Alò Lucía) - riga 1\r\nposta (D'Alò Lucía) - riga 2\r\nnuova\r\n").toUtf8());
    // What is UTF-8 already stays as it is.
    ASSERT_TRUE(fresh.WriteLine(QString::fromUtf8("città"), false, false));
    EXPECT_TRUE(ReadAll(path).endsWith(QString::fromUtf8("nuova\r\ncittà\r\n").toUtf8()));

    clsLogFile again;
    again.setFileName(path);
    again.setActive(true);
    WriteAll(path, QString::fromUtf8("città\nperché\n").toUtf8());
    ASSERT_TRUE(again.WriteLine("nuova", false, false));
    EXPECT_EQ(ReadAll(path), QString::fromUtf8("città\r\nperché\r\nnuova\r\n").toUtf8());
}

TEST_F(LogFileTest, ClearFileStartsAfreshWithoutTrimming) {
    WriteAll(path, "vecchia riga\r\n");
    log.setMaxLogLength(1);
    ASSERT_TRUE(log.WriteLine("nuova", true, true));
    EXPECT_EQ(ReadAll(path), QByteArray(79, '-') + "\r\nnuova\r\n");
}

TEST_F(LogFileTest, SilentFailureReturnsFalseWithTheError) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("SMS.log"));  // a folder cannot be opened as the log
    log.setSilent(true);
    int raised = 0;
    QObject::connect(&log, &clsLogFile::GetError, [&raised](bool&) { ++raised; });
    EXPECT_FALSE(log.WriteLine("riga", false, false));
    EXPECT_EQ(raised, 1);
    EXPECT_TRUE(prompts.empty());
    EXPECT_NE(log.LastError().Number, 0);
    EXPECT_FALSE(log.LastError().Description.isEmpty());

    // The next call starts with no error.
    log.setActive(false);
    log.WriteLine("riga", false, false);
    EXPECT_EQ(log.LastError().Number, 0);
}

TEST_F(LogFileTest, HandlerAsksForRetry) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("SMS.log"));
    QObject::connect(&log, &clsLogFile::GetError, [this](bool& tryResume) {
        QDir(dir.path()).rmdir("SMS.log");
        tryResume = true;
    });
    EXPECT_TRUE(log.WriteLine("riga", false, false));
    EXPECT_EQ(ReadAll(path), QByteArray("riga\r\n"));
    EXPECT_TRUE(prompts.empty());
    EXPECT_NE(log.LastError().Number, 0);  // the failure stays readable
}

TEST_F(LogFileTest, UserIsAskedAndDecides) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("SMS.log"));
    EXPECT_FALSE(log.WriteLine("riga", false, false));
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0], "Errore: " + log.LastError().Description + ". Riprovo?");

    // Yes after the cause is gone writes the line.
    clsLogFile::SetAskHandler([this](const QString&) { return QDir(dir.path()).rmdir("SMS.log"); });
    EXPECT_TRUE(log.WriteLine("riga", false, false));
    EXPECT_EQ(ReadAll(path), QByteArray("riga\r\n"));
}
