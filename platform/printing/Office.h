#pragma once
// Word, Excel and PDF documents are printed by LibreOffice in headless mode:
// "soffice" found on PATH, run with a profile of this process's own so that
// it never meets a LibreOffice the user has open. Arguments go to the program
// as a list, never through a shell. Absent means "not available".

#include <QString>
#include <QStringList>

namespace Platform {

class Office {
public:
    // The soffice program on PATH, "" when there is none.
    static QString Program();
    // Whether documents of the word processor (.doc, .rtf) and of the
    // spreadsheet (.xls) can be opened here.
    static bool HasWriter();
    static bool HasCalc();

    // Prints a document on a printer ("" = the system's default printer).
    bool Print(const QString& file, const QString& printer = QString());
    // Converts a document to PDF in a folder; the PDF's path, "" on failure.
    QString ConvertToPdf(const QString& file, const QString& folder);

    // Why the last call failed, in the user's words: LibreOffice writes its
    // own in English, and they go to LastErrorDetail, for a log.
    QString LastError() const { return lastError_; }
    QString LastErrorDetail() const { return lastDetail_; }
    // The longest wait for one document, in milliseconds.
    int TimeoutMs = 180000;

private:
    bool Run(const QStringList& arguments, const QString& file, bool converting);
    bool Fail(const QString& error, const QString& detail = QString());
    QString lastError_;
    QString lastDetail_;
};

}  // namespace Platform
