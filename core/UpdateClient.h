#pragma once
// The update control's work: it reads the descriptor "update.ver" from the
// update server (an http or https address, or a folder on a share), compares
// the version it offers with the program's, and on the user's word downloads
// the set-up program and starts it, but only when the download is whole.
//
// The descriptor is a small INI text:
//   [Aggiornamento]
//   Versione=2.0.1        major.minor.revision
//   File=BrivaltoSetup    set-up program, beside the descriptor
//   Dimensione=1048576    its size in bytes
//   SHA256=9f86d0...      (optional) its SHA-256, 64 hexadecimal digits
//
// Only a set-up whose SHA-256 matches the descriptor's is run. A descriptor
// without one is trusted only as far as its road is: over https or from a
// folder, with a warning in the log; over plain http it is refused. An https
// server's redirect to plain http is never followed.

#include "LiveUpdt.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>
#include <optional>

class UpdateClient : public Platform::LiveUpdt {
    Q_OBJECT
public:
    explicit UpdateClient(QWidget* parent = nullptr);

    using Version = std::array<int, 3>;  // major, minor, revision

    struct Descriptor {
        Version version{};
        QString setupFile;
        qint64 size = 0;
        QByteArray sha256;  // lower-case hexadecimal; empty when the descriptor gives none
    };

    bool CheckForUpdate() override;

    // What the last check or download found wrong ("" when nothing).
    QString LastError() const { return lastError_; }
    // The version the server offers, valid after a check that answered True.
    const Descriptor& Offered() const { return offered_; }

    // Negative, zero or positive as a is older than, equal to or newer than b,
    // major first, then minor, then revision.
    static int CompareVersions(const Version& a, const Version& b);
    static std::optional<Descriptor> ParseDescriptor(const QByteArray& text);
    static QString VersionText(const Version& v);

    // An address of the server joined with a file name: a web address or a folder.
    static QString Join(const QString& base, const QString& file);
    static bool IsWebAddress(const QString& address);

    // Reads a whole (small) file from the server.
    static bool Fetch(const QString& address, int timeoutSeconds, QByteArray& body, QString& error);
    // Copies a file from the server to `destination`; false, with the file
    // removed, unless exactly `expectedSize` bytes arrived.
    using Progress = std::function<void(qint64 done, qint64 total)>;
    static bool Download(const QString& address, const QString& destination, qint64 expectedSize,
                         int timeoutSeconds, const Progress& progress, QString& error);

    // Copies the set-up the descriptor names from the server (beside the descriptor) into a
    // folder of its own, whole and, when the descriptor gives one, matching its SHA-256;
    // returns its path, or "" with the reason in `error` and nothing left behind.
    static QString FetchSetup(const QString& base, const Descriptor& descriptor, int timeoutSeconds,
                              const Progress& progress, QString& error);
    // Starts a set-up program fetched so; tests replace what starts it.
    static bool RunSetup(const QString& program);
    using Runner = std::function<bool(const QString& program)>;
    static Runner SetRunner(Runner runner);
    // Tests: the certificates an https server is checked against ("" the system's).
    static void SetCertificateAuthority(const QString& pemFile);

    static QByteArray Sha256Of(const QString& file);

protected:
    void StartUpdate() override;

private:
    Version Installed() const { return {Major, Minor, Revision}; }
    QString lastError_;
    Descriptor offered_;
};
