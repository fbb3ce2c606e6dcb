#include "ServerBackend.h"

#include "ADODB.h"

#include <QDateTime>
#include <QRegularExpression>
#include <libpq-fe.h>

namespace ADODB {

namespace {

const long kServerMissing = static_cast<long>(static_cast<qint32>(0x80040000u));
const long kBadLogin = static_cast<long>(static_cast<qint32>(0x80044814u));

// Type identifiers of the server's catalogue.
enum : unsigned { kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kText = 25, kFloat4 = 700, kFloat8 = 701,
                  kBpChar = 1042, kVarChar = 1043, kDate = 1082, kTimestamp = 1114, kTimestampTz = 1184, kNumeric = 1700 };

QString MapState(const QString& sqlState) {
    if (sqlState == "23505") return "3022";
    if (sqlState == "23503") return "3201";
    if (sqlState == "22001") return "3163";
    if (sqlState == "23502") return "3314";
    if (sqlState == "55P03" || sqlState == "40001" || sqlState == "40P01" || sqlState == "57014") return "3260";
    if (sqlState == "42P01") return "3078";
    if (sqlState == "42703") return "3061";
    return "3075";
}

QVariant Value(PGresult* r, int row, int col) {
    if (PQgetisnull(r, row, col)) return QVariant();
    const QString text = QString::fromUtf8(PQgetvalue(r, row, col));
    switch (PQftype(r, col)) {
    case kBool: return text == "t";
    case kInt2:
    case kInt4: return text.toInt();
    case kInt8: return text.toLongLong();
    case kFloat4:
    case kFloat8:
    case kNumeric: return text.toDouble();
    case kDate: return QDateTime(QDate::fromString(text, Qt::ISODate), QTime(0, 0));
    case kTimestamp:
    case kTimestampTz: return QDateTime::fromString(text.left(19), "yyyy-MM-dd HH:mm:ss");
    default: return text;
    }
}

QByteArray ParamText(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Bool: return v.toBool() ? "true" : "false";
    case QMetaType::QDateTime: return v.toDateTime().toString("yyyy-MM-dd HH:mm:ss").toUtf8();
    case QMetaType::QDate: return v.toDate().toString(Qt::ISODate).toUtf8();
    default: return v.toString().toUtf8();
    }
}

}  // namespace

QString TranslateForServer(const QString& s) {
    QString out;
    int param = 0;
    auto quotedEnd = [&s](int open, QChar quote) {
        const int end = QuotedEnd(s, open, quote);
        if (end < 0) Refuse(QStringLiteral(" nella stringa"), s.mid(open));
        return end;
    };
    for (int i = 0; i < s.size();) {
        QChar c = s[i];
        if (c == '\'') {
            const int j = quotedEnd(i, c);
            out += s.mid(i, j - i + 1);
            i = j + 1;
        } else if (c == '"') {
            // Text between double quotes is a literal in Jet.
            const int j = quotedEnd(i, c);
            QString body = s.mid(i + 1, j - i - 1);
            body.replace(QStringLiteral("\"\""), QStringLiteral("\"")).replace('\'', QStringLiteral("''"));
            out += '\'' + body + '\'';
            i = j + 1;
        } else if (c == '[') {
            int j = s.indexOf(']', i + 1);
            if (j < 0) Refuse(QString(), s.mid(i));
            const QString name = s.mid(i + 1, j - i - 1);
            static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
            // A plain name goes unquoted, so that it matches whatever case it
            // was created in; any other needs its quotes.
            out += plain.match(name).hasMatch() ? name : '"' + QString(name).replace('"', QStringLiteral("\"\"")) + '"';
            i = j + 1;
        } else if (c == '#') {
            int j = s.indexOf('#', i + 1);
            if (j < 0) Refuse(QStringLiteral(" nella data"), s.mid(i));
            out += "TIMESTAMP '" + JetDateLiteral(s.mid(i + 1, j - i - 1)).toString("yyyy-MM-dd HH:mm:ss") + "'";
            i = j + 1;
        } else if (c == '&') {
            out += "||";
            ++i;
        } else if (c == '?') {
            out += "$" + QString::number(++param);
            ++i;
        } else if (c.isLetter()) {
            int j = i;
            while (j < s.size() && (s[j].isLetterOrNumber() || s[j] == '_')) ++j;
            const QString word = s.mid(i, j - i);
            // Text compares without regard to case, as on the database file.
            out += word.compare("LIKE", Qt::CaseInsensitive) == 0 ? QStringLiteral("ILIKE") : word;
            i = j;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

ServerBackend::~ServerBackend() { Close(); }

void ServerBackend::Close() {
    if (conn_) PQfinish(conn_);
    conn_ = nullptr;
}

void ServerBackend::Open(const QString& server, const QString& catalog, const QString& user, const QString& password,
                         bool trusted) {
    Close();
    QString host = server, port;
    if (server.contains(',')) {  // "host,port" as the server is named
        host = server.section(',', 0, 0);
        port = server.section(',', 1, 1);
    }
    QByteArray hostB = host.toUtf8(), portB = port.toUtf8(), db = catalog.toUtf8(), userB = user.toUtf8(),
               pwd = password.toUtf8();
    std::vector<const char*> keys{"host", "dbname", "connect_timeout", "client_encoding"};
    std::vector<const char*> values{hostB.constData(), db.constData(), "10", "UTF8"};
    if (!port.isEmpty()) {
        keys.push_back("port");
        values.push_back(portB.constData());
    }
    // A trusted login is the operating system's own user.
    if (!trusted) {
        keys.push_back("user");
        values.push_back(userB.constData());
        keys.push_back("password");
        values.push_back(pwd.constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    conn_ = PQconnectdbParams(keys.data(), values.data(), 0);
    if (PQstatus(conn_) != CONNECTION_OK) {
        const QString message = QString::fromUtf8(PQerrorMessage(conn_)).trimmed();
        Close();
        const bool auth = message.contains("password", Qt::CaseInsensitive) ||
                          message.contains("authentication", Qt::CaseInsensitive) ||
                          message.contains("role", Qt::CaseInsensitive);
        throw ServerFailure{auth ? kBadLogin : kServerMissing, QString(), message};
    }
    // The server's notices are not the program's business.
    PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
    // Waits on locks end soon: the retry rules of the data layer do the waiting.
    PQclear(PQexec(conn_, "SET lock_timeout = '2s'"));
}

bool ServerBackend::InTransaction() const {
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK) return false;
    const PGTransactionStatusType t = PQtransactionStatus(conn_);
    return t == PQTRANS_INTRANS || t == PQTRANS_INERROR || t == PQTRANS_ACTIVE;
}

void ServerBackend::Reconnect() {
    PQreset(conn_);
    if (PQstatus(conn_) == CONNECTION_OK) {
        PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
        PQclear(PQexec(conn_, "SET lock_timeout = '2s'"));
        return;
    }
    const QString why = QString::fromUtf8(PQerrorMessage(conn_)).trimmed();
    throw ServerFailure{kServerMissing, QStringLiteral("3151"),
                        QStringLiteral("Connessione al server del database persa e non ripristinabile") +
                            (why.isEmpty() ? QString() : QStringLiteral(": ") + why)};
}

ServerResult ServerBackend::Run(const QString& jetSql, const QVariantList& params) {
    if (!conn_) throw ServerFailure{E_OBJECTCLOSED, QString(), QStringLiteral("Operazione non consentita se l'oggetto è chiuso.")};
    // A connection lost earlier is made again for this statement.
    if (PQstatus(conn_) != CONNECTION_OK) Reconnect();
    if (lostTransaction_) {
        lostTransaction_ = false;
        // A COMMIT or ROLLBACK has nothing left to end; anything else would
        // run outside the transaction its caller believes open.
        const QString verb = jetSql.trimmed().section(' ', 0, 0).toUpper();
        if (verb != QLatin1String("ROLLBACK"))
            throw ServerFailure{kServerMissing, QStringLiteral("3151"),
                                QStringLiteral("La connessione al server del database si era interrotta durante una "
                                               "transazione: le modifiche non confermate sono andate perse.")};
        return {};
    }
    const bool inTransaction = InTransaction();
    QByteArray sql;
    try {
        sql = TranslateForServer(jetSql).toUtf8();
    } catch (const JetSyntaxError& e) {
        throw ServerFailure{E_FAIL_PROVIDER, QStringLiteral("3075"), e.description};
    }
    std::vector<QByteArray> texts;
    std::vector<const char*> values;
    for (const QVariant& v : params) texts.push_back(ParamText(v));
    for (int i = 0; i < params.size(); ++i)
        values.push_back(params[i].isValid() && !params[i].isNull() ? texts[i].constData() : nullptr);
    PGresult* r = PQexecParams(conn_, sql.constData(), int(params.size()), nullptr, values.data(), nullptr, nullptr, 0);
    const ExecStatusType status = PQresultStatus(r);
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
        const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
        QString message = QString::fromUtf8(r ? PQresultErrorMessage(r) : PQerrorMessage(conn_)).trimmed();
        if (message.isEmpty()) message = QString::fromUtf8(PQerrorMessage(conn_)).trimmed();
        ServerFailure failure{E_FAIL_PROVIDER, MapState(state ? QString::fromLatin1(state) : QString()), message};
        PQclear(r);
        if (PQstatus(conn_) != CONNECTION_OK) {
            // The server went away (restarted, network cut): the next
            // statement connects again.
            failure.number = kServerMissing;
            failure.state = QStringLiteral("3151");
            failure.description = QStringLiteral("Connessione al server del database persa") +
                                  (message.isEmpty() ? QString() : QStringLiteral(": ") + message);
            lostTransaction_ = inTransaction;
        } else if (failure.description.isEmpty()) {
            failure.description = QStringLiteral("Errore del server del database");
        }
        throw failure;
    }
    ServerResult result;
    for (int c = 0; c < PQnfields(r); ++c) {
        ServerColumn col{QString::fromUtf8(PQfname(r, c)), 0, PQftype(r, c)};
        const int mod = PQfmod(r, c);
        if ((col.type == kVarChar || col.type == kBpChar) && mod > 4) col.definedSize = mod - 4;
        result.columns.push_back(col);
    }
    for (int row = 0; row < PQntuples(r); ++row) {
        std::vector<QVariant> values;
        for (int c = 0; c < PQnfields(r); ++c) values.push_back(Value(r, row, c));
        result.rows.push_back(std::move(values));
    }
    result.affected = QByteArray(PQcmdTuples(r)).toLong();
    PQclear(r);
    return result;
}

}  // namespace ADODB
