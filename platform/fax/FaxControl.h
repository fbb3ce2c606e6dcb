#pragma once
// Stand-in for the fax control: it sends one fax with a cover page made from
// its cover record and cover file, through the fax command or the system fax
// service. Cover pages are RTF, which the program edits itself.

#include <QObject>
#include <QString>
#include <QStringList>
#include <array>

#include "Fax.h"

namespace Platform {

// The cover record: 23 text fields; position 1 is Field[0].
struct FaxCoverRecord {
    std::array<QString, 23> Field;
    // The marker name of each position ("" for the positions no cover shows).
    static const std::array<const char*, 23>& Names();
    FaxCoverFields Fields() const;
};

class qvxFAX : public QObject {
    Q_OBJECT
public:
    explicit qvxFAX(QObject* parent = nullptr);
    // The extension of cover files, with its dot (".rtf").
    QString CoverExt;
    // The cover page template; "" sends no cover page. A file that is not
    // there (or not RTF) gets the default cover page.
    QString CoverFile;
    // Dialled before every number.
    QString Prefix;

    // Sends the cover page and the document (either may be missing, not
    // both) to the number. True when the fax command accepted the job; else
    // the error event says why.
    bool Send(const QString& number, FaxCoverRecord& cover, const QString& document);
    QString LastError() const { return lastError_; }
    // The fax software's own words about the last refusal, for the log.
    QString LastErrorDetail() const { return lastDetail_; }
    // The job number of the last fax accepted.
    QString JobId() const { return jobId_; }

    // Through the system fax service's spool instead of the fax command.
    bool UseFaxService = false;

signals:
    void OnError(const QString& text);

private:
    bool Fail(const QString& text, const QString& detail = QString());
    QString lastError_;
    QString lastDetail_;
    QString jobId_;
};

}  // namespace Platform
