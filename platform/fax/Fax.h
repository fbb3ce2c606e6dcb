#pragma once
// Faxes leave through the HylaFAX client "sendfax" found on PATH, run with
// its arguments as a list (never through a shell), its exit code and output
// read: a fax counts as handed over only when sendfax accepted the job. The
// cover page and the document go to it as PDF files rendered here. The
// system fax service is a spool folder that takes the same files.

#include <QMap>
#include <QString>
#include <QStringList>
#include <memory>

namespace Platform {

// Digits, "+", "*", "#" and "," of the prefix and the number, in that order;
// "" when the number holds no digit.
QString FaxDialString(const QString& prefix, const QString& number);

// The fields of a cover page, by the name of their marker: a cover page
// holds "||OGGETTO||", "||DESTINATARIO||" and the like where they go.
using FaxCoverFields = QMap<QString, QString>;

// The cover page that the fax software uses when it has none of the user's:
// RTF with every marker of the cover record.
QByteArray DefaultFaxCover();

// The cover page as PDF: the RTF template (the default cover when the path
// is empty, missing or not RTF) with its markers filled in.
bool RenderFaxCover(const QString& templatePath, const FaxCoverFields& fields, const QString& pdf,
                    QString* error);
// A document as PDF: RTF through the program's own reader, PDF as it is,
// other documents (.doc, .xls...) through LibreOffice. A failure is told in
// `error` in the user's words, LibreOffice's own going to `detail`.
bool RenderFaxDocument(const QString& document, const QString& pdf, QString* error, QString* detail = nullptr);

// The sendfax command.
class FaxCommand {
public:
    static QString Program();
    static bool Available() { return !Program().isEmpty(); }

    struct Job {
        QString dialString;
        QString recipient;
        QString company;
        QString subject;
        QStringList files;  // sent in this order
    };
    bool Submit(const Job& job);
    // Why the job was not taken, in the user's words; the detail holds
    // sendfax's own, for the log.
    QString LastError() const { return lastError_; }
    QString LastErrorDetail() const { return lastDetail_; }
    // The job's number as sendfax reported it.
    QString JobId() const { return jobId_; }
    int TimeoutMs = 120000;

private:
    QString lastError_;
    QString lastDetail_;
    QString jobId_;
};

// The system fax service: each job a folder of its own in the spool folder
// (named by BRIVALTO_FAX_SPOOL), holding its PDF files and "job.txt".
class FaxService {
public:
    static bool Available();
    bool Submit(const FaxCommand::Job& job);
    QString LastError() const { return lastError_; }
    // The job's folder.
    QString JobFolder() const { return jobFolder_; }

private:
    QString lastError_;
    QString jobFolder_;
};

// The outside fax program, driven member by member as its automation
// object is: a message is built with Init, the attachments, the recipients,
// subject and cover text, and sent with Send.
class FaxProgram {
public:
    // Null when no fax command is installed.
    static std::unique_ptr<FaxProgram> Create();

    void Init();
    void AddAttachmentFile(const QString& path);
    QString Number;
    QString To;
    QString Company;
    // The rest of the recipient's entry in the program's address book, by
    // the cover page's marker names (address, city, telephone...).
    FaxCoverFields Details;
    void AddRecipient();
    void SetSubject(const QString& subject) { subject_ = subject; }
    void SetCoverText(const QString& text) { coverText_ = text; }
    void SetHold(int hold) { hold_ = hold; }
    void ShowSendScreen(int show) { Q_UNUSED(show); }
    void SetUseCover(int use) { useCover_ = use != 0; }
    // True when every recipient's fax was accepted; a held message is kept
    // and not sent.
    bool Send(int options = 0);
    void Done() { Init(); }
    QString LastError() const { return lastError_; }
    QString LastErrorDetail() const { return lastDetail_; }

    // The program's own configuration: its cover page template and the
    // sender printed on it.
    QString CoverTemplate;
    FaxCoverFields Sender;

private:
    struct Recipient {
        QString number, to, company;
        FaxCoverFields details;
    };
    QStringList attachments_;
    QList<Recipient> recipients_;
    QString subject_;
    QString coverText_;
    int hold_ = 0;
    bool useCover_ = false;
    QString lastError_;
    QString lastDetail_;
};

}  // namespace Platform
