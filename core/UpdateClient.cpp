#include "UpdateClient.h"

#include "Dialogs.h"
#include "MultiButton.h"
#include "Runtime.h"
#include "Widgets.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <curl/curl.h>
#include <mutex>

namespace {

// A descriptor is a few lines; anything larger is not one.
constexpr qint64 kMaxDescriptorBytes = 64 * 1024;

UpdateClient::Runner& CurrentRunner() {
    static UpdateClient::Runner runner = [](const QString& program) {
        QFile::setPermissions(program, QFile::permissions(program) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
        return QProcess::startDetached(program, {});
    };
    return runner;
}

QString& CertificateAuthority() {
    static QString file;
    return file;
}

void InitCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Sink {
    QByteArray* memory = nullptr;
    QFile* file = nullptr;
    qint64 limit = -1;  // bytes accepted at most; more aborts the transfer
    qint64 written = 0;
    bool overflow = false;
};

size_t WriteSink(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const qint64 n = static_cast<qint64>(size * count);
    if (sink->limit >= 0 && sink->written + n > sink->limit) {
        sink->overflow = true;
        return 0;
    }
    if (sink->memory) sink->memory->append(data, n);
    else if (sink->file && sink->file->write(data, n) != n) return 0;
    sink->written += n;
    return static_cast<size_t>(n);
}

int TransferInfo(void* user, curl_off_t total, curl_off_t done, curl_off_t, curl_off_t) {
    auto* progress = static_cast<const UpdateClient::Progress*>(user);
    if (progress && *progress) (*progress)(static_cast<qint64>(done), static_cast<qint64>(total));
    return 0;
}

// One transfer over http or https into the sink. The timeout bounds the
// connection and a stalled transfer, not a slow but moving download.
bool CurlGet(const QString& address, int timeoutSeconds, Sink& sink, const UpdateClient::Progress* progress,
             QString& error) {
    InitCurl();
    CURL* curl = curl_easy_init();
    if (!curl) {
        error = QStringLiteral("libreria di rete non disponibile");
        return false;
    }
    const QByteArray url = address.toUtf8();
    const long timeout = timeoutSeconds > 0 ? timeoutSeconds : 20;
    char message[CURL_ERROR_SIZE] = {0};
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // What came over https is never taken from a plain http server it points to.
    const bool secure = address.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    const QByteArray authority = QFile::encodeName(CertificateAuthority());
    if (!authority.isEmpty()) curl_easy_setopt(curl, CURLOPT_CAINFO, authority.constData());
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, timeout);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, timeout);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, message);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteSink);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    if (progress) {
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, TransferInfo);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, progress);
    }
    const CURLcode rc = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    if (rc == CURLE_OK) return true;
    if (sink.overflow) error = QStringLiteral("il file è più grande del previsto");
    else error = QString::fromUtf8(message[0] ? message : curl_easy_strerror(rc));
    return false;
}

// A folder address: a plain path or a file:// address, looked up without
// regard to case as the share would be.
QString LocalPath(const QString& address) {
    QString path = address.startsWith(QLatin1String("file:"), Qt::CaseInsensitive) ? QUrl(address).toLocalFile() : address;
    return Platform::ResolvePathNoCase(QDir::fromNativeSeparators(path));
}

}  // namespace

UpdateClient::UpdateClient(QWidget* parent) : Platform::LiveUpdt(parent) {}

void UpdateClient::SetCertificateAuthority(const QString& pemFile) { CertificateAuthority() = pemFile; }

QByteArray UpdateClient::Sha256Of(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&f)) return {};
    return hash.result().toHex();
}

UpdateClient::Runner UpdateClient::SetRunner(Runner runner) {
    Runner previous = CurrentRunner();
    CurrentRunner() = std::move(runner);
    return previous;
}

int UpdateClient::CompareVersions(const Version& a, const Version& b) {
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    return 0;
}

QString UpdateClient::VersionText(const Version& v) {
    return QStringLiteral("%1.%2.%3").arg(v[0]).arg(v[1]).arg(v[2]);
}

std::optional<UpdateClient::Descriptor> UpdateClient::ParseDescriptor(const QByteArray& raw) {
    if (raw.isEmpty() || raw.size() > kMaxDescriptorBytes || raw.contains('\0')) return std::nullopt;
    const QString text = QString::fromUtf8(raw);
    if (text.contains(QChar::ReplacementCharacter)) return std::nullopt;

    QString section, versione, file, dimensione, sha256;
    bool inUpdate = false;
    for (QString line : text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(';')) continue;
        if (line.startsWith('[')) {
            if (!line.endsWith(']')) return std::nullopt;
            inUpdate = line.mid(1, line.size() - 2).trimmed().compare(QLatin1String("Aggiornamento"), Qt::CaseInsensitive) == 0;
            continue;
        }
        const int eq = line.indexOf('=');
        if (eq <= 0) return std::nullopt;
        if (!inUpdate) continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        // The first occurrence of a key wins, as in the program's INI files.
        auto take = [&](const char* name, QString& into) {
            if (key.compare(QLatin1String(name), Qt::CaseInsensitive) == 0 && into.isNull()) into = value;
        };
        take("Versione", versione);
        take("File", file);
        take("Dimensione", dimensione);
        take("SHA256", sha256);
    }

    static const QRegularExpression versionPattern(QStringLiteral("^(\\d{1,5})\\.(\\d{1,5})\\.(\\d{1,5})$"));
    const auto match = versionPattern.match(versione);
    if (!match.hasMatch()) return std::nullopt;
    // The set-up program lies beside the descriptor: a bare file name only,
    // never a path that could lead elsewhere on this computer or the server.
    static const QRegularExpression namePattern(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._-]{0,127}$"));
    if (!namePattern.match(file).hasMatch() || file.contains(QLatin1String(".."))) return std::nullopt;
    bool ok = false;
    const qint64 size = dimensione.toLongLong(&ok);
    if (!ok || size <= 0) return std::nullopt;

    static const QRegularExpression hexPattern(QStringLiteral("^[0-9A-Fa-f]{64}$"));
    if (!sha256.isNull() && !hexPattern.match(sha256).hasMatch()) return std::nullopt;

    Descriptor d;
    d.sha256 = sha256.toLower().toLatin1();
    d.version = {match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt()};
    d.setupFile = file;
    d.size = size;
    return d;
}

bool UpdateClient::IsWebAddress(const QString& address) {
    return address.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           address.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

QString UpdateClient::Join(const QString& base, const QString& file) {
    if (IsWebAddress(base)) return base.endsWith('/') ? base + file : base + '/' + file;
    return Platform::WithSeparator(base) + file;
}

bool UpdateClient::Fetch(const QString& address, int timeoutSeconds, QByteArray& body, QString& error) {
    body.clear();
    if (IsWebAddress(address)) {
        Sink sink;
        sink.memory = &body;
        sink.limit = kMaxDescriptorBytes;
        return CurlGet(address, timeoutSeconds, sink, nullptr, error);
    }
    QFile file(LocalPath(address));
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    body = file.read(kMaxDescriptorBytes + 1);
    if (body.size() > kMaxDescriptorBytes) {
        error = QStringLiteral("il file è più grande del previsto");
        return false;
    }
    return true;
}

bool UpdateClient::Download(const QString& address, const QString& destination, qint64 expectedSize,
                            int timeoutSeconds, const Progress& progress, QString& error) {
    QFile out(destination);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        error = out.errorString();
        return false;
    }
    bool ok = false;
    if (IsWebAddress(address)) {
        Sink sink;
        sink.file = &out;
        sink.limit = expectedSize;
        ok = CurlGet(address, timeoutSeconds, sink, &progress, error);
    } else {
        QFile in(LocalPath(address));
        ok = in.open(QIODevice::ReadOnly);
        if (!ok) error = in.errorString();
        qint64 done = 0;
        while (ok && !in.atEnd()) {
            const QByteArray chunk = in.read(256 * 1024);
            if (chunk.isEmpty() && in.error() != QFileDevice::NoError) {
                error = in.errorString();
                ok = false;
            } else if (done + chunk.size() > expectedSize) {
                error = QStringLiteral("il file è più grande del previsto");
                ok = false;
            } else if (out.write(chunk) != chunk.size()) {
                error = out.errorString();
                ok = false;
            } else {
                done += chunk.size();
                if (progress) progress(done, expectedSize);
            }
        }
    }
    out.close();
    if (ok && out.error() != QFileDevice::NoError) {
        error = out.errorString();
        ok = false;
    }
    if (ok && QFileInfo(destination).size() != expectedSize) {
        error = QStringLiteral("il file ricevuto è incompleto");
        ok = false;
    }
    if (!ok) QFile::remove(destination);
    return ok;
}

bool UpdateClient::CheckForUpdate() {
    lastError_.clear();
    offered_ = {};
    QByteArray body;
    if (!Fetch(Join(BaseURL, VerFile), TimeoutSeconds, body, lastError_)) {
        // An unreachable server is no news: the program simply starts.
        return false;
    }
    const auto descriptor = ParseDescriptor(body);
    if (!descriptor) {
        lastError_ = QStringLiteral("descrittore non valido");
        Platform::MsgBox(QStringLiteral("Il file ") + VerFile +
                             QStringLiteral(" ricevuto dal server degli aggiornamenti non è valido: l'aggiornamento non è possibile"),
                         Platform::vbExclamation, Caption);
        return false;
    }
    if (CompareVersions(descriptor->version, Installed()) <= 0) return false;
    if (descriptor->sha256.isEmpty()) {
        // Without the file's fingerprint, only the road it comes by vouches for it.
        if (IsWebAddress(BaseURL) && !BaseURL.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) {
            lastError_ = QStringLiteral("descrittore senza impronta SHA-256 ricevuto via http");
            Platform::MsgBox(QStringLiteral("Il file ") + VerFile +
                                 QStringLiteral(" ricevuto via http dal server degli aggiornamenti non indica l'impronta "
                                                "SHA-256 del file di installazione: l'aggiornamento non è possibile"),
                             Platform::vbExclamation, Caption);
            return false;
        }
        qWarning("Aggiornamento: il descrittore %s di %s non indica l'impronta SHA-256 del file di installazione; "
                 "il file sarà verificato solo per dimensione",
                 qPrintable(VerFile), qPrintable(BaseURL));
    }

    offered_ = *descriptor;
    lblMessaggio->setText(QStringLiteral("È disponibile la versione %1 di %2 (versione installata %3). Aggiornare ora?")
                              .arg(VersionText(offered_.version), AppName, VersionText(Installed())));
    PB->setVisible(false);
    cmdAggiorna->setEnabled(true);
    cmdAnnulla->setEnabled(true);
    return true;
}

QString UpdateClient::FetchSetup(const QString& base, const Descriptor& descriptor, int timeoutSeconds,
                                const Progress& progress, QString& error) {
    QTemporaryDir folder(QDir::tempPath() + '/' + Platform::App::EXEName() + QStringLiteral("-aggiornamento-XXXXXX"));
    folder.setAutoRemove(false);  // the set-up program outlives this process
    const QString setup = folder.filePath(descriptor.setupFile);
    const QString partial = setup + QStringLiteral(".part");
    bool ok = folder.isValid();
    if (!ok) error = folder.errorString();
    if (ok) ok = Download(Join(base, descriptor.setupFile), partial, descriptor.size, timeoutSeconds, progress, error);
    if (ok && !descriptor.sha256.isEmpty() && Sha256Of(partial) != descriptor.sha256) {
        error = QStringLiteral("il file ricevuto non corrisponde all'impronta SHA-256 del descrittore");
        ok = false;
    }
    if (ok && !QFile::rename(partial, setup)) {
        error = QStringLiteral("impossibile preparare il file di installazione");
        ok = false;
    }
    if (ok) return setup;
    if (folder.isValid()) QDir(folder.path()).removeRecursively();
    return QString();
}

bool UpdateClient::RunSetup(const QString& program) { return CurrentRunner()(program); }

void UpdateClient::StartUpdate() {
    lastError_.clear();
    if (ShowProgress) {
        PB->SetMax(static_cast<double>(offered_.size));
        PB->SetValue(0);
        PB->setVisible(true);
    }
    Progress progress = [this](qint64 done, qint64) {
        if (ShowProgress) PB->SetValue(static_cast<double>(done));
        Platform::DoEvents();
    };
    const QString setup = FetchSetup(BaseURL, offered_, TimeoutSeconds, progress, lastError_);
    if (setup.isEmpty()) {
        Platform::MsgBox(QStringLiteral("Scaricamento dell'aggiornamento non riuscito: ") + lastError_, Platform::vbExclamation, Caption);
        emit Failed();
        return;
    }

    Platform::MsgBox(QStringLiteral("Sarà avviata l'installazione dell'aggiornamento di ") + AppName +
                         QStringLiteral(". Seguire le istruzioni e rilanciare l'applicazione al termine"),
                     Platform::vbOKOnly, Caption);
    if (!RunSetup(setup)) {
        lastError_ = QStringLiteral("impossibile avviare ") + setup;
        Platform::MsgBox(QStringLiteral("Impossibile avviare l'installazione dell'aggiornamento: ") + setup, Platform::vbExclamation, Caption);
        emit Failed();
        return;
    }
    emit EndProgram();
}
