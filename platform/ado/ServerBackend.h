#pragma once
// The database server behind the "SQLOLEDB" provider: PostgreSQL through libpq.

#include <QString>
#include <QVariant>
#include <vector>

struct pg_conn;

namespace ADODB {

struct ServerColumn {
    QString name;
    int definedSize = 0;
    unsigned int type = 0;
};

struct ServerResult {
    std::vector<ServerColumn> columns;
    std::vector<std::vector<QVariant>> rows;
    long affected = 0;
};

// A failure of the server, in the terms the data layer knows.
struct ServerFailure {
    long number;
    QString state;
    QString description;
};

class ServerBackend {
public:
    ~ServerBackend();
    // Throws ServerFailure.
    void Open(const QString& server, const QString& catalog, const QString& user, const QString& password, bool trusted);
    ServerResult Run(const QString& jetSql, const QVariantList& params);
    void Close();
    bool IsOpen() const { return conn_ != nullptr; }
    bool InTransaction() const;
    // The caller rolled back: a transaction lost with the connection needs no more telling.
    void ForgetLostTransaction() { lostTransaction_ = false; }

private:
    // After the server went away: connects again, or throws saying why not.
    void Reconnect();
    pg_conn* conn_ = nullptr;
    // The connection was lost inside a transaction: its work is gone, and
    // the next statement must say so rather than run outside it.
    bool lostTransaction_ = false;
};

// Jet text for the server's dialect ([names], #dates#, "&", '?' parameters, LIKE without case).
QString TranslateForServer(const QString& jetSql);

}  // namespace ADODB
