// The update check against a web server on 127.0.0.1 and a shared folder.
#include "Form.h"
#include "Keyboard.h"
#include "Global.h"
#include "MultiButton.h"
#include "Widgets.h"
#include "Settings.h"
#include "TestHttpServer.h"
#include "TestKit.h"
#include "UpdateClient.h"
#include "frmUpdate.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QMutex>
#include <QProcess>
#include <gtest/gtest.h>

using namespace Platform;

namespace {

QByteArray Descriptor(const QString& version, const QString& file, qint64 size, const QByteArray& sha256 = {}) {
    return QStringLiteral("; Brivalto\r\n[Aggiornamento]\r\nVersione=%1\r\nFile=%2\r\nDimensione=%3\r\n")
               .arg(version, file)
               .arg(size)
               .toUtf8() +
           (sha256.isEmpty() ? QByteArray() : "SHA256=" + sha256 + "\r\n");
}

// A descriptor with the size and fingerprint of the set-up it describes.
QByteArray Signed(const QString& version, const QString& file, const QByteArray& setup) {
    return Descriptor(version, file, setup.size(), QCryptographicHash::hash(setup, QCryptographicHash::Sha256).toHex());
}

// The update server: each path answers with what the test put there.
class UpdateServer {
public:
    UpdateServer() {
        server.Start();
        server.SetHandler([this](const TestHttp::Request& request) {
            QMutexLocker lock(&mutex);
            return answers.value(QString::fromUtf8(request.Path()), TestHttp::Response::Text("not found", 404));
        });
    }
    void Serve(const QString& path, const QByteArray& body) { Set(path, TestHttp::Response::Text(body)); }
    void Set(const QString& path, const TestHttp::Response& response) {
        QMutexLocker lock(&mutex);
        answers.insert(path, response);
    }
    QString BaseUrl() const { return server.Url() + "/"; }
    int RequestCount() const { return server.Requests().size(); }

private:
    TestHttp::Server server;
    QMutex mutex;
    QHash<QString, TestHttp::Response> answers;
};

class Update : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("no_proxy", "127.0.0.1,localhost");  // the server is on the loopback
        // Downloads land in this test's own folder, not beside other tests' downloads.
        qputenv("TMPDIR", env.Root().toLocal8Bit());
        previousRunner = UpdateClient::SetRunner([this](const QString& program) {
            QFile f(program);
            ran.append(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>"));
            started.append(program);
            return runnerAnswer;
        });
        lu.AppName = "Brivalto";
        lu.VerFile = "update.ver";
        lu.Caption = "Controllo aggiornamenti Brivalto";
        lu.Major = 2;
        lu.Minor = 0;
        lu.Revision = 0;
        lu.ShowProgress = true;
        lu.TimeoutSeconds = 5;
    }
    void TearDown() override {
        qunsetenv("TMPDIR");
        UpdateClient::SetRunner(previousRunner);
        for (const QString& program : started) QDir(QFileInfo(program).path()).removeRecursively();
    }

    // Presses "Aggiorna" as the user would and reports which event came back.
    QString Install() {
        int failed = 0, ended = 0;
        auto a = QObject::connect(&lu, &LiveUpdt::Failed, [&] { ++failed; });
        auto b = QObject::connect(&lu, &LiveUpdt::EndProgram, [&] { ++ended; });
        lu.cmdAggiorna->click();
        QObject::disconnect(a);
        QObject::disconnect(b);
        if (ended == 1 && failed == 0) return "end";
        if (failed == 1 && ended == 0) return "failed";
        return "?";
    }

    TestKit::Environment env;
    UpdateServer server;
    UpdateClient lu;
    UpdateClient::Runner previousRunner;
    QList<QByteArray> ran;
    QStringList started;
    bool runnerAnswer = true;
};

}  // namespace

TEST(UpdateVersions, CompareMajorThenMinorThenRevision) {
    using V = UpdateClient::Version;
    EXPECT_LT(UpdateClient::CompareVersions(V{1, 5, 0}, V{2, 0, 0}), 0);
    EXPECT_LT(UpdateClient::CompareVersions(V{1, 9, 9}, V{2, 0, 0}), 0);
    EXPECT_GT(UpdateClient::CompareVersions(V{2, 0, 1}, V{2, 0, 0}), 0);
    EXPECT_GT(UpdateClient::CompareVersions(V{2, 10, 0}, V{2, 9, 9}), 0);
    EXPECT_EQ(UpdateClient::CompareVersions(V{3, 1, 4}, V{3, 1, 4}), 0);
}

TEST(UpdateVersions, DescriptorsThatAreNotSoundAreRefused) {
    auto good = UpdateClient::ParseDescriptor(Descriptor("2.1.7", "BrivaltoSetup-2.1.7.run", 1234));
    ASSERT_TRUE(good.has_value());
    EXPECT_EQ(good->version, (UpdateClient::Version{2, 1, 7}));
    EXPECT_EQ(good->setupFile, "BrivaltoSetup-2.1.7.run");
    EXPECT_EQ(good->size, 1234);
    EXPECT_TRUE(good->sha256.isEmpty());
    const QByteArray sha(64, 'A');
    auto withSha = UpdateClient::ParseDescriptor(Descriptor("2.1.7", "a.run", 5, sha));
    ASSERT_TRUE(withSha.has_value());
    EXPECT_EQ(withSha->sha256, QByteArray(64, 'a'));
    for (const QByteArray& badSha : {QByteArray(63, 'a'), QByteArray(65, 'a'), QByteArray(64, 'g'), QByteArray(" ")})
        EXPECT_FALSE(UpdateClient::ParseDescriptor(Descriptor("2.1.7", "a.run", 5, badSha)).has_value()) << badSha.toStdString();
    // Section and keys in any case; other sections ignored.
    EXPECT_TRUE(UpdateClient::ParseDescriptor("[altro]\nVersione=9.9.9\n[AGGIORNAMENTO]\nversione=2.0.1\nfile=a.run\n"
                                              "DIMENSIONE=5\n")
                    .has_value());

    for (const QByteArray& bad : {QByteArray(), QByteArray("<html><body>404</body></html>"),
                                  QByteArray("\x89PNG\r\n\x1a\n\0\0", 10), Descriptor("2.0", "a.run", 5),
                                  Descriptor("2.0.x", "a.run", 5), Descriptor("2.0.1", "../../bin/sh", 5),
                                  Descriptor("2.0.1", "/tmp/a.run", 5), Descriptor("2.0.1", "", 5),
                                  Descriptor("2.0.1", "a.run", 0), QByteArray("[Aggiornamento]\nVersione=2.0.1\n"),
                                  QByteArray("[Aggiornamento]\nVersione=2.0.1\nFile=a.run\nDimensione=dieci\n"),
                                  QByteArray(70000, 'x')})
        EXPECT_FALSE(UpdateClient::ParseDescriptor(bad).has_value()) << bad.left(60).toStdString();
}

TEST_F(Update, OnlyANewerVersionIsOffered) {
    lu.BaseURL = server.BaseUrl() + "aggiornamenti";  // no trailing slash: one is added
    server.Serve("/aggiornamenti/update.ver", Signed("2.0.1", "setup.run", "abc"));
    EXPECT_TRUE(lu.CheckForUpdate());
    EXPECT_EQ(UpdateClient::VersionText(lu.Offered().version), "2.0.1");
    EXPECT_TRUE(lu.lblMessaggio->text().contains("2.0.1"));
    EXPECT_TRUE(lu.lblMessaggio->text().contains("2.0.0"));

    server.Serve("/aggiornamenti/update.ver", Signed("2.0.0", "setup.run", "abc"));
    EXPECT_FALSE(lu.CheckForUpdate());
    // Older, though its minor and revision numbers are larger than ours.
    server.Serve("/aggiornamenti/update.ver", Signed("1.9.9", "setup.run", "abc"));
    EXPECT_FALSE(lu.CheckForUpdate());
    EXPECT_EQ(server.RequestCount(), 3);
    EXPECT_TRUE(env.Boxes().isEmpty());
    EXPECT_TRUE(started.isEmpty());
}

TEST_F(Update, AnUnreachableServerIsNoUpdateAndNoMessage) {
    TestHttp::Server gone;
    ASSERT_TRUE(gone.Start());
    lu.BaseURL = gone.Url() + "/";
    gone.Stop();  // nobody listens there any more
    EXPECT_FALSE(lu.CheckForUpdate());
    EXPECT_FALSE(lu.LastError().isEmpty());

    lu.BaseURL = server.BaseUrl();  // reachable, but no descriptor there
    EXPECT_FALSE(lu.CheckForUpdate());
    EXPECT_TRUE(env.Boxes().isEmpty());
}

TEST_F(Update, ACorruptDescriptorIsRefusedWithAMessage) {
    lu.BaseURL = server.BaseUrl();
    server.Serve("/update.ver", "<html><head><title>Errore</title></head></html>");
    EXPECT_FALSE(lu.CheckForUpdate());
    ASSERT_EQ(env.Boxes().size(), 1);
    EXPECT_TRUE(env.Boxes()[0].prompt.contains("update.ver"));
    EXPECT_EQ(env.Boxes()[0].title, "Controllo aggiornamenti Brivalto");
}

TEST_F(Update, AWholeDownloadIsStartedAndTheProgramEnds) {
    const QByteArray setup(300000, 's');
    lu.BaseURL = server.BaseUrl();
    server.Serve("/update.ver", Signed("3.0.0", "BrivaltoSetup.run", setup));
    server.Serve("/BrivaltoSetup.run", setup);
    ASSERT_TRUE(lu.CheckForUpdate());
    EXPECT_EQ(Install(), "end");
    ASSERT_EQ(ran.size(), 1);
    EXPECT_EQ(ran[0], setup);
    EXPECT_TRUE(started[0].endsWith("/BrivaltoSetup.run"));
    EXPECT_EQ(lu.PB->Value(), setup.size());
    EXPECT_EQ(env.Prompts(), QStringList({"Sarà avviata l'installazione dell'aggiornamento di Brivalto. Seguire le "
                                          "istruzioni e rilanciare l'applicazione al termine"}));
}

TEST_F(Update, ADownloadThatIsCutShortOrWrongIsNeverRun) {
    const QByteArray setup(200000, 's');
    lu.BaseURL = server.BaseUrl();
    server.Serve("/update.ver", Signed("3.0.0", "setup.run", setup));

    // The connection drops before the file comes.
    server.Set("/setup.run", TestHttp::Response::Dropped());
    ASSERT_TRUE(lu.CheckForUpdate());
    EXPECT_EQ(Install(), "failed");
    // The server sends less than the descriptor announced.
    server.Serve("/setup.run", setup.left(150000));
    ASSERT_TRUE(lu.CheckForUpdate());
    EXPECT_EQ(Install(), "failed");
    // Larger than announced: not the file the descriptor describes.
    server.Serve("/setup.run", setup + "more");
    ASSERT_TRUE(lu.CheckForUpdate());
    EXPECT_EQ(Install(), "failed");
    // Missing on the server.
    server.Set("/setup.run", TestHttp::Response::Text("not found", 404));
    ASSERT_TRUE(lu.CheckForUpdate());
    EXPECT_EQ(Install(), "failed");

    EXPECT_TRUE(ran.isEmpty());
    ASSERT_EQ(env.Boxes().size(), 4);
    for (const MsgBoxCall& box : env.Boxes())
        EXPECT_TRUE(box.prompt.startsWith("Scaricamento dell'aggiornamento non riuscito")) << box.prompt.toStdString();
    // Nothing is left behind in the temporary folder.
    const QStringList leftovers = QDir(QDir::tempPath()).entryList({"Brivalto-aggiornamento-*"}, QDir::Dirs);
    for (const QString& folder : leftovers) EXPECT_FALSE(QFile::exists(QDir::tempPath() + "/" + folder + "/setup.run.part"));
}

TEST_F(Update, ASetupThatCannotStartIsReported) {
    lu.BaseURL = server.BaseUrl();
    server.Serve("/update.ver", Signed("2.1.0", "setup.run", "abcd"));
    server.Serve("/setup.run", "abcd");
    runnerAnswer = false;
    ASSERT_TRUE(lu.CheckForUpdate());
    EXPECT_EQ(Install(), "failed");
    EXPECT_EQ(env.Boxes().size(), 2);
}

namespace {
QStringList gWarnings;
void Collect(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtWarningMsg) gWarnings << message;
}
}  // namespace

// Without a fingerprint in its descriptor, a share is trusted with a warning in the log.
TEST_F(Update, AFolderOnAShareServesAsWell) {
    const QString share = env.Root() + "/Condivisa";
    QDir().mkpath(share);
    QFile ver(share + "/UPDATE.VER");  // the share does not tell cases apart
    ASSERT_TRUE(ver.open(QIODevice::WriteOnly));
    ver.write(Descriptor("2.0.2", "setup.run", 5));
    ver.close();
    QFile setup(share + "/setup.run");
    ASSERT_TRUE(setup.open(QIODevice::WriteOnly));
    setup.write("12345");
    setup.close();

    lu.BaseURL = share;
    gWarnings.clear();
    auto previous = qInstallMessageHandler(Collect);
    const bool offered = lu.CheckForUpdate();
    qInstallMessageHandler(previous);
    ASSERT_TRUE(offered);
    ASSERT_EQ(gWarnings.size(), 1);
    EXPECT_TRUE(gWarnings[0].contains("SHA-256"));
    EXPECT_EQ(Install(), "end");
    ASSERT_EQ(ran.size(), 1);
    EXPECT_EQ(ran[0], "12345");

    // A set-up on the share that does not match the descriptor is not run.
    ASSERT_TRUE(setup.open(QIODevice::WriteOnly | QIODevice::Truncate));
    setup.write("123");
    setup.close();
    ASSERT_TRUE(lu.CheckForUpdate());
    EXPECT_EQ(Install(), "failed");
    EXPECT_EQ(ran.size(), 1);
}

TEST_F(Update, TheWindowKeepsTheStartUpOptionAndClosesOnTheControlsEvents) {
    Global::gColFormBack = 0xBE956A;
    Global::gColBtnCancel = 0x9090;
    SaveSetting("Brivalto", "Config", "AutoUpdate", "1");
    auto& window = DefaultInstance<frmUpdate>();
    EXPECT_EQ(window.LU->ColBack, 0xBE956A);
    EXPECT_EQ(window.LU->ColCancel, 0x9090);
    ASSERT_TRUE(window.ckAutoUpdate->isChecked());
    // Unticking stores "0" at once, before the window closes.
    window.ckAutoUpdate->click();
    EXPECT_EQ(GetSetting("Brivalto", "Config", "Autoupdate"), "0");

    window.LU->BaseURL = server.BaseUrl();
    window.LU->VerFile = "update.ver";
    window.LU->AppName = "Brivalto";
    server.Serve("/update.ver", Signed("99.0.0", "setup.run", "abcd"));
    ASSERT_TRUE(window.LU->CheckForUpdate());
    auto* client = static_cast<UpdateClient*>(window.LU);
    Platform::SetModalHandler([client](Platform::Form&) { client->cmdAnnulla->click(); });
    frmUpdate::ShowUpdate();  // returns when "Annulla" unloads the window
    Platform::SetModalHandler({});
    EXPECT_TRUE(window.IsUnloaded());
    EXPECT_TRUE(started.isEmpty());
    // Escape answers "Annulla", as in every other window.
    auto& escaped = DefaultInstance<frmUpdate>();
    escaped.LU->BaseURL = server.BaseUrl();
    escaped.LU->VerFile = "update.ver";
    escaped.LU->AppName = "Brivalto";
    ASSERT_TRUE(escaped.LU->CheckForUpdate());
    Platform::SetModalHandler([](Platform::Form& shown) {
        TestKit::OnScreen(shown);
        TestKit::Press(Qt::Key_Escape);
    });
    frmUpdate::ShowUpdate();
    Platform::SetModalHandler({});
    EXPECT_TRUE(escaped.IsUnloaded());
    EXPECT_TRUE(started.isEmpty());

    // The request to end the program ends it.
    auto& again = DefaultInstance<frmUpdate>();
    emit again.LU->EndProgram();
    EXPECT_EQ(env.EndCalls(), 1);
    again.Unload();
}

// ---- what the update may be trusted with ------------------------------------------

TEST_F(Update, ASetupThatDoesNotMatchItsFingerprintIsNeverRun) {
    const QByteArray setup(5000, 's');
    QByteArray other = setup;
    other[100] = 'x';  // same size, other content
    lu.BaseURL = server.BaseUrl();
    server.Serve("/update.ver", Signed("3.0.0", "setup.run", setup));
    server.Serve("/setup.run", other);
    ASSERT_TRUE(lu.CheckForUpdate());
    EXPECT_EQ(Install(), "failed");
    EXPECT_TRUE(ran.isEmpty());
    EXPECT_TRUE(lu.LastError().contains("SHA-256"));
    ASSERT_EQ(env.Prompts().size(), 1);
    EXPECT_TRUE(env.Prompts()[0].startsWith("Scaricamento dell'aggiornamento non riuscito"));
}

TEST_F(Update, OverPlainHttpADescriptorWithoutFingerprintIsRefused) {
    lu.BaseURL = server.BaseUrl();
    server.Serve("/update.ver", Descriptor("3.0.0", "setup.run", 4));
    server.Serve("/setup.run", "abcd");
    EXPECT_FALSE(lu.CheckForUpdate());
    ASSERT_EQ(env.Prompts().size(), 1);
    EXPECT_TRUE(env.Prompts()[0].contains("non indica l'impronta SHA-256"));
    EXPECT_EQ(server.RequestCount(), 1);  // the set-up is never fetched
}

// An https server that sends every request on to a plain http one.
class RedirectingHttpsServer {
public:
    bool Start(const QString& folder, const QString& target) {
        QProcess openssl;
        openssl.start("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj", "/CN=127.0.0.1",
                                  "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", folder + "/key.pem", "-out",
                                  folder + "/cert.pem"});
        if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0) return false;
        certificate = folder + "/cert.pem";
        process.start("/usr/bin/python3",
                      {"-c",
                       "import http.server,ssl,sys\n"
                       "class H(http.server.BaseHTTPRequestHandler):\n"
                       "  def do_GET(self):\n"
                       "    self.send_response(302); self.send_header('Location', sys.argv[3]+self.path)\n"
                       "    self.send_header('Content-Length','0'); self.end_headers()\n"
                       "  def log_message(self,*a): pass\n"
                       "s=http.server.HTTPServer(('127.0.0.1',0),H)\n"
                       "c=ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER); c.load_cert_chain(sys.argv[1],sys.argv[2])\n"
                       "s.socket=c.wrap_socket(s.socket,server_side=True)\n"
                       "print(s.server_address[1],flush=True)\n"
                       "s.serve_forever()\n",
                       certificate, folder + "/key.pem", target});
        if (!process.waitForReadyRead(20000)) return false;
        port = process.readLine().trimmed().toInt();
        return port > 0;
    }
    ~RedirectingHttpsServer() {
        process.kill();
        process.waitForFinished();
    }
    QProcess process;
    QString certificate;
    int port = 0;
};

TEST_F(Update, AnHttpsServerIsNotFollowedToPlainHttp) {
    RedirectingHttpsServer https;
    ASSERT_TRUE(https.Start(env.Root(), server.BaseUrl().chopped(1)));
    UpdateClient::SetCertificateAuthority(https.certificate);
    server.Serve("/update.ver", Signed("3.0.0", "setup.run", "abcd"));
    lu.BaseURL = QString("https://127.0.0.1:%1/").arg(https.port);
    const bool offered = lu.CheckForUpdate();
    UpdateClient::SetCertificateAuthority(QString());
    EXPECT_FALSE(offered);
    EXPECT_EQ(server.RequestCount(), 0);  // the plain server was never asked
    EXPECT_FALSE(lu.LastError().isEmpty());
}

// ---- updating from a shared folder ----------------------------------------------------

namespace {
QString VersionText(int major, int minor, int revision) { return QString("%1.%2.%3").arg(major).arg(minor).arg(revision); }

void Put(const QString& file, const QByteArray& data) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}
}  // namespace

// The program's file on the share and the version its descriptor gives; a version is newer by
// its first number that differs.
TEST_F(Update, AShareOffersTheProgramWhenItsDescriptorGivesANewerVersion) {
    const QString share = env.Root() + "/Condivisa";
    QDir().mkpath(share);
    auto& window = DefaultInstance<frmUpdate>();
    const int major = App::Major(), minor = App::Minor(), revision = App::Revision();
    Put(share + "/update.ver", Descriptor(VersionText(major, minor, revision + 1), "setup.run", 4));
    EXPECT_FALSE(window.IsExeOnServer(share));
    EXPECT_FALSE(window.CheckNewServerVersion(share));

    Put(share + "/BRIVALTO", "programma");  // the share does not tell cases apart
    EXPECT_TRUE(window.IsExeOnServer(share));
    EXPECT_TRUE(window.IsExeOnServer(share + "/"));
    EXPECT_TRUE(window.CheckNewServerVersion(share));
    Put(share + "/update.ver", Descriptor(VersionText(major + 1, 0, 0), "setup.run", 4));
    EXPECT_TRUE(window.CheckNewServerVersion(share));

    // The same version, and an older one whose later numbers are larger, are not newer.
    Put(share + "/update.ver", Descriptor(VersionText(major, minor, revision), "setup.run", 4));
    EXPECT_FALSE(window.CheckNewServerVersion(share));
    Put(share + "/update.ver", Descriptor(VersionText(major - 1, minor + 5, revision + 5), "setup.run", 4));
    EXPECT_FALSE(window.CheckNewServerVersion(share));
    // A descriptor that is not one, or none.
    Put(share + "/update.ver", "Versione=99.0.0");
    EXPECT_FALSE(window.CheckNewServerVersion(share));
    QFile::remove(share + "/update.ver");
    EXPECT_FALSE(window.CheckNewServerVersion(share));
    EXPECT_TRUE(env.Boxes().isEmpty());
    window.Unload();
}

// The set-up is copied off the share, checked and started as the update check starts a
// downloaded one; whatever keeps it from starting is told with its number and cause.
TEST_F(Update, AShareSetUpIsStartedAsTheCheckStartsOneAndAFailureIsTold) {
    const QString share = env.Root() + "/Condivisa";
    QDir().mkpath(share);
    Put(share + "/Brivalto", "programma");
    const QString newer = VersionText(App::Major(), App::Minor(), App::Revision() + 1);
    Put(share + "/update.ver", Signed(newer, "setup.run", "abcd"));
    Put(share + "/setup.run", "abcd");
    auto& window = DefaultInstance<frmUpdate>();
    const QString announced = "Sarà avviata l'installazione dell'aggiornamento di Brivalto. Seguire le istruzioni e "
                              "rilanciare l'applicazione al termine";
    const QString failure = " - Recuparendo il file di installazione aggiornamento dal server";

    window.RunInstallFromServer(share);
    EXPECT_EQ(env.Prompts(), QStringList({announced}));
    EXPECT_EQ(env.Boxes()[0].style, vbOKOnly);
    ASSERT_EQ(ran.size(), 1);
    EXPECT_EQ(ran[0], "abcd");
    EXPECT_FALSE(started[0].startsWith(share));  // a copy of its own, not the share's file

    // A set-up that differs from the descriptor's fingerprint is never started.
    env.ClearBoxes();
    Put(share + "/setup.run", "abce");
    window.RunInstallFromServer(share);
    ASSERT_EQ(env.Prompts().size(), 2);
    EXPECT_EQ(env.Prompts()[0], announced);
    EXPECT_TRUE(env.Prompts()[1].startsWith("Errore 75: ")) << env.Prompts()[1].toStdString();
    EXPECT_TRUE(env.Prompts()[1].endsWith(failure));
    EXPECT_EQ(ran.size(), 1);

    // Missing from the share.
    env.ClearBoxes();
    QFile::remove(share + "/setup.run");
    window.RunInstallFromServer(share);
    ASSERT_EQ(env.Prompts().size(), 2);
    EXPECT_EQ(env.Prompts()[1], "Errore 53: Impossibile trovare il file " + share + "/setup.run" + failure);
    EXPECT_EQ(env.Boxes()[1].style, vbOKOnly);

    // The set-up cannot be started.
    env.ClearBoxes();
    Put(share + "/setup.run", "abcd");
    runnerAnswer = false;
    window.RunInstallFromServer(share);
    ASSERT_EQ(env.Prompts().size(), 2);
    EXPECT_TRUE(env.Prompts()[1].startsWith("Errore 75: ")) << env.Prompts()[1].toStdString();
    EXPECT_EQ(ran.size(), 2);

    // No descriptor: nothing is announced.
    env.ClearBoxes();
    QFile::remove(share + "/update.ver");
    window.RunInstallFromServer(share);
    EXPECT_EQ(env.Prompts(), QStringList({"Errore 53: Impossibile trovare il file " + share + "/update.ver" + failure}));
    window.Unload();
}
