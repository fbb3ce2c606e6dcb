#include "Fax.h"

#include "Automation.h"
#include "Files.h"
#include "Office.h"
#include "Rtf.h"
#include "Runtime.h"
#include "Values.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QUuid>

namespace Platform {

QString FaxDialString(const QString& prefix, const QString& number) {
    auto keep = [](const QString& text) {
        QString out;
        for (QChar c : text) {
            if (c.isDigit() || c == '+' || c == '*' || c == '#' || c == ',') out += c;
        }
        return out;
    };
    const QString digits = keep(number);
    bool any = false;
    for (QChar c : digits) any = any || c.isDigit();
    return any ? keep(prefix) + digits : QString();
}

QByteArray DefaultFaxCover() {
    return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss DejaVu Sans;}}\n"
           "\\pard\\qc\\fs56\\b FAX\\par\n"
           "\\pard\\ql\\fs22\\b0\\sb240 {\\b Data:} ||DATA||\\par\n"
           "\\pard\\sb240 {\\b A:} ||TITOLO|| ||DESTINATARIO||\\par\n"
           "\\pard {\\b Societ\\'e0:} ||AZIENDA||\\par\n"
           "\\pard ||INDIRIZZO|| - ||CAP|| ||CITTA|| ||PROVINCIA|| ||NAZIONE||\\par\n"
           "\\pard {\\b Fax:} ||NUMEROFAX||   {\\b Telefono:} ||TELEFONO||\\par\n"
           "\\pard\\sb240 {\\b Da:} ||MITT_CONTATTO|| - ||MITT_AZIENDA||\\par\n"
           "\\pard ||MITT_INDIRIZZO||\\par\n"
           "\\pard {\\b Fax:} ||MITT_FAX||   {\\b Telefono:} ||MITT_TELEFONO||\\par\n"
           "\\pard\\sb360 {\\b Oggetto:} ||OGGETTO||\\par\n"
           "\\pard\\sb240 ||NOTA||\\par\n}\n";
}

namespace {

bool PrintToPdf(const QTextDocument& doc, const QString& pdf, QString* error) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    PrintRichText(doc, printer);
    if (QFileInfo(pdf).size() > 0) return true;
    if (error) *error = QStringLiteral("impossibile scrivere ") + pdf;
    return false;
}

void Fill(QTextDocument& doc, const FaxCoverFields& fields) {
    for (auto field = fields.constBegin(); field != fields.constEnd(); ++field) {
        const QString marker = "||" + field.key() + "||";
        QTextCursor found = doc.find(marker, 0, QTextDocument::FindCaseSensitively);
        while (!found.isNull()) {
            QTextCursor first(&doc);
            first.setPosition(found.selectionStart() + 1);
            found.insertText(field.value(), first.charFormat());
            found = doc.find(marker, found.position(), QTextDocument::FindCaseSensitively);
        }
    }
    // Markers the fax knows nothing about print as nothing, not as code.
    static const QRegularExpression unknown(QStringLiteral("\\|\\|[A-Z_]+\\|\\|"));
    for (QTextCursor c = doc.find(unknown); !c.isNull(); c = doc.find(unknown, c.position())) c.removeSelectedText();
}

}  // namespace

bool RenderFaxCover(const QString& templatePath, const FaxCoverFields& fields, const QString& pdf, QString* error) {
    QByteArray rtf;
    QFile file(templatePath);
    if (!templatePath.isEmpty() && file.open(QIODevice::ReadOnly)) rtf = file.readAll();
    QTextDocument doc;
    if (!RtfToDocument(rtf, doc)) RtfToDocument(DefaultFaxCover(), doc);
    Fill(doc, fields);
    return PrintToPdf(doc, pdf, error);
}

bool RenderFaxDocument(const QString& document, const QString& pdf, QString* error, QString* detail) {
    const QString type = QFileInfo(document).suffix().toLower();
    if (!QFileInfo(document).isFile()) {
        if (error) *error = QStringLiteral("documento inesistente: ") + document;
        return false;
    }
    if (type == "pdf") {
        QFile::remove(pdf);
        if (QFile::copy(document, pdf)) return true;
        if (error) *error = QStringLiteral("impossibile copiare ") + document;
        return false;
    }
    if (type == "rtf") {
        QFile file(document);
        QTextDocument doc;
        const QByteArray data = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        QString why;
        if (RtfToDocument(data, doc, &why)) return PrintToPdf(doc, pdf, error);
        // RTF too large to be a letter is refused here, not handed on; a file
        // named .rtf that is not RTF is left to the office suite.
        if (IsRtf(data)) {
            if (error) *error = why;
            return false;
        }
    }
    Office office;
    const QString converted = office.ConvertToPdf(document, QFileInfo(pdf).absolutePath());
    if (converted.isEmpty()) {
        if (error) *error = office.LastError();
        if (detail) *detail = office.LastErrorDetail();
        return false;
    }
    if (QFileInfo(converted).absoluteFilePath() == QFileInfo(pdf).absoluteFilePath()) return true;
    QFile::remove(pdf);
    if (QFile::rename(converted, pdf)) return true;
    if (error) *error = QStringLiteral("impossibile scrivere ") + pdf;
    return false;
}

QString FaxCommand::Program() { return FaxProgramPath(); }

namespace {

// Why sendfax refused a job, from what it wrote.
QString Refusal(const QString& output, int exitCode) {
    auto says = [&output](const char* words) { return output.contains(QLatin1String(words), Qt::CaseInsensitive); };
    if (says("can not reach server") || says("unable to connect") || says("connection refused") ||
        says("no route to host") || says("timed out"))
        return QStringLiteral("impossibile collegarsi al server dei fax");
    if (says("unknown host") || says("name or service not known"))
        return QStringLiteral("il server dei fax non è stato trovato");
    if (says("permission denied") || says("login") || says("password"))
        return QStringLiteral("il server dei fax ha rifiutato l'accesso");
    if (says("rejected")) return QStringLiteral("il server dei fax ha rifiutato il fax");
    return QStringLiteral("sendfax non ha accettato il fax (codice %1)").arg(exitCode);
}

}  // namespace

bool FaxCommand::Submit(const Job& job) {
    lastError_.clear();
    lastDetail_.clear();
    jobId_.clear();
    const QString program = Program();
    if (program.isEmpty()) {
        lastError_ = QStringLiteral("nessun programma per l'invio di fax (sendfax) su questa macchina");
        return false;
    }
    if (job.dialString.isEmpty()) {
        lastError_ = QStringLiteral("numero di fax non valido");
        return false;
    }
    // The cover page is ours: sendfax makes none (-n).
    QString destination = job.dialString;
    QString name = job.recipient;
    name.remove('@');
    if (!name.trimmed().isEmpty()) destination = name.trimmed() + "@" + job.dialString;
    QStringList arguments{QStringLiteral("-n"), QStringLiteral("-d"), destination};
    if (!job.company.trimmed().isEmpty()) arguments << QStringLiteral("-x") << job.company.trimmed();
    if (!job.subject.trimmed().isEmpty()) arguments << QStringLiteral("-r") << job.subject.trimmed();
    arguments << job.files;

    QProcess sendfax;
    sendfax.setProcessChannelMode(QProcess::MergedChannels);
    sendfax.start(program, arguments);
    if (!sendfax.waitForStarted(30000)) {
        lastError_ = QStringLiteral("impossibile avviare sendfax");
        lastDetail_ = sendfax.errorString();
        return false;
    }
    if (!sendfax.waitForFinished(TimeoutMs)) {
        sendfax.kill();
        sendfax.waitForFinished(5000);
        lastError_ = QStringLiteral("sendfax non ha risposto in tempo");
        return false;
    }
    const QString output = QString::fromLocal8Bit(sendfax.readAll()).trimmed();
    if (sendfax.exitStatus() != QProcess::NormalExit) {
        lastError_ = QStringLiteral("sendfax si è interrotto");
        lastDetail_ = output.simplified();
        return false;
    }
    if (sendfax.exitCode() != 0) {
        lastError_ = Refusal(output, sendfax.exitCode());
        lastDetail_ = output.isEmpty() ? QStringLiteral("sendfax: exit %1").arg(sendfax.exitCode()) : output.simplified();
        return false;
    }
    static const QRegularExpression request(QStringLiteral("request id is (\\S+)"));
    const QRegularExpressionMatch m = request.match(output);
    if (m.hasMatch()) jobId_ = m.captured(1);
    return true;
}

bool FaxService::Available() { return FaxServiceAvailable(); }

bool FaxService::Submit(const FaxCommand::Job& job) {
    lastError_.clear();
    jobFolder_.clear();
    if (!Available()) {
        lastError_ = QStringLiteral("servizio fax non disponibile");
        return false;
    }
    if (job.dialString.isEmpty()) {
        lastError_ = QStringLiteral("numero di fax non valido");
        return false;
    }
    // Written under a hidden name and renamed, so the service never takes half a job.
    const QDir spool(FaxSpoolFolder());
    const QString id = Now().toString(QStringLiteral("yyyyMMdd-hhmmss-")) +
                       QUuid::createUuid().toString(QUuid::WithoutBraces).left(8);
    const QString partial = spool.filePath("." + id);
    if (!spool.mkpath(partial)) {
        lastError_ = QStringLiteral("impossibile scrivere nella coda del servizio fax ") + spool.path();
        return false;
    }
    QStringList names;
    for (int i = 0; i < job.files.size(); ++i) {
        const QString name = QStringLiteral("%1-%2").arg(i + 1).arg(QFileInfo(job.files[i]).fileName());
        if (!QFile::copy(job.files[i], QDir(partial).filePath(name))) {
            QDir(partial).removeRecursively();
            lastError_ = QStringLiteral("impossibile copiare nella coda del servizio fax ") + job.files[i];
            return false;
        }
        names << name;
    }
    const QByteArray text = "numero=" + job.dialString.toUtf8() + "\ndestinatario=" + job.recipient.toUtf8() +
                      "\nazienda=" + job.company.toUtf8() + "\noggetto=" + job.subject.simplified().toUtf8() +
                      "\nfile=" + names.join(';').toUtf8() + "\n";
    if (!WriteWholeFile(QDir(partial).filePath(QStringLiteral("job.txt")), text) || !QDir().rename(partial, spool.filePath(id))) {
        QDir(partial).removeRecursively();
        lastError_ = QStringLiteral("impossibile scrivere nella coda del servizio fax ") + spool.path();
        return false;
    }
    jobFolder_ = spool.filePath(id);
    return true;
}

std::unique_ptr<FaxProgram> FaxProgram::Create() {
    if (!FaxCommand::Available()) return nullptr;
    return std::make_unique<FaxProgram>();
}

void FaxProgram::Init() {
    attachments_.clear();
    recipients_.clear();
    Number.clear();
    To.clear();
    Company.clear();
    Details.clear();
    subject_.clear();
    coverText_.clear();
    hold_ = 0;
    useCover_ = false;
}

void FaxProgram::AddAttachmentFile(const QString& path) {
    if (!path.isEmpty()) attachments_.append(path);
}

void FaxProgram::AddRecipient() { recipients_.append({Number, To, Company, Details}); }

bool FaxProgram::Send(int options) {
    Q_UNUSED(options);
    lastError_.clear();
    lastDetail_.clear();
    if (hold_) return true;  // kept for the user to send from the program
    if (recipients_.isEmpty()) {
        lastError_ = QStringLiteral("nessun destinatario");
        return false;
    }
    QTemporaryDir work;
    QStringList documents;
    for (int i = 0; i < attachments_.size(); ++i) {
        const QString pdf = work.filePath(QStringLiteral("documento%1.pdf").arg(i + 1));
        if (!RenderFaxDocument(attachments_[i], pdf, &lastError_, &lastDetail_)) return false;
        documents << pdf;
    }
    bool all = true;
    for (int i = 0; i < recipients_.size(); ++i) {
        const Recipient& r = recipients_[i];
        QStringList files;
        if (useCover_) {
            FaxCoverFields fields = Sender;
            fields.insert(r.details);
            fields.insert(QStringLiteral("DESTINATARIO"), r.to);
            fields.insert(QStringLiteral("AZIENDA"), r.company);
            fields.insert(QStringLiteral("NUMEROFAX"), r.number);
            fields.insert(QStringLiteral("OGGETTO"), subject_);
            fields.insert(QStringLiteral("NOTA"), coverText_);
            fields.insert(QStringLiteral("DATA"), FormatDate(Now(), QStringLiteral("dd/mm/yyyy")));
            const QString cover = work.filePath(QStringLiteral("copertina%1.pdf").arg(i + 1));
            if (!RenderFaxCover(CoverTemplate, fields, cover, &lastError_)) return false;
            files << cover;
        }
        files << documents;
        if (files.isEmpty()) {
            lastError_ = QStringLiteral("nessun documento da inviare");
            return false;
        }
        FaxCommand command;
        if (!command.Submit({FaxDialString(QString(), r.number), r.to, r.company, subject_, files})) {
            lastError_ = command.LastError();
            lastDetail_ = command.LastErrorDetail();
            all = false;
        }
    }
    return all;
}

}  // namespace Platform
