// The letter channel: a document personalised for one recipient with the
// merge markers, and printed.
#include "frmMailing.h"

#include "ADODB.h"
#include "Comuni.h"
#include "Dialogs.h"
#include "Errors.h"
#include "Printer.h"
#include "RichTextBox.h"
#include "Rtf.h"
#include "RtfMerge.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTextDocument>

#include <cerrno>

using namespace Platform;

namespace {

// The markers, each with the column that fills it, in the order they are filled.
const char* const kMarkers[13][2] = {
    {"||TITOLO||", "TITOLO"},       {"||CATEGORIA||", "CATEGORIA"}, {"||COGNOME||", "COGNOME"},
    {"||NOME||", "NOME"},           {"||CONTATTO||", "CONTATTO"},   {"||INDIRIZZO||", "INDIRIZZO"},
    {"||CAP||", "CAP"},             {"||CITTA||", "CITTA"},         {"||PROVINCIA||", "PROVINCIA"},
    {"||NAZIONE||", "NAZIONE"},     {"||EMAIL||", "EMAIL"},         {"||TELEFONO||", "TELEFONO"},
    {"||FAX||", "FAX"},
};

QString DocumentType(const QString& path) { return path.right(3).toUpper(); }

// The work file is scratch, made anew for every recipient and read at once:
// written plainly over the last one, without the syncs of a file kept for
// later, and cut to its length afterwards (emptied first, the file system
// would write it out at once). One that could not be written whole is
// removed, so no half letter (and no letter of another recipient) is sent.
// Why, in the user's words ("Disco pieno").
bool WriteScratch(const QString& path, const QByteArray& data, QString* why) {
    QFile file(path);
    errno = 0;
    if (file.open(QIODevice::ReadWrite) && file.write(data) == data.size() && file.resize(data.size()) && file.flush())
        return true;
    *why = ErrorText(FileErrorNumber(errno));
    file.close();
    QFile::remove(path);
    return false;
}

}  // namespace

QString frmMailing::PersonalizzaRTF(ADODB::Recordset& rs, QString* error) {
    const QString document = txNomeFile->text();
    mergedLetter_.clear();
    if (DocumentType(document) != "RTF") return document;
    bool readable = false;
    QByteArray rtf = DocumentBytes(document, &readable);
    if (!readable) return document;
    // A file named .rtf that is not RTF goes out as it is.
    if (!RtfMerge::IsRtf(rtf)) return document;
    QList<QPair<QString, QString>> values;
    for (const auto& marker : kMarkers) {
        const QString column = QString::fromLatin1(marker[1]);
        // A marker of a column the registry does not have stays in the letter.
        if (rs.HasField(column)) values.append({QString::fromLatin1(marker[0]), Comuni::FieldStr(rs[column])});
    }
    RtfMerge::Replace(rtf, values);
    // The previous recipient's work file must never stand in for this one's:
    // it is emptied before this one is written, or removed when it cannot be.
    const QString work = QDir(WorkFolder()).filePath(QStringLiteral("mail.rtf"));
    QString why;
    if (!WriteScratch(work, rtf, &why)) {
        if (error) *error = QStringLiteral("impossibile scrivere ") + work + ": " + why;
        return QString();
    }
    mergedLetter_ = rtf;
    return work;
}

void frmMailing::PrintLetter(ADODB::Recordset& rs) {
    LastSendError.clear();
    const QString document = txNomeFile->text();
    const QString type = DocumentType(document);
    QString detail;  // LibreOffice's own words, for the send log
    try {
        if (type == "DOC" || type == "XLS" || type == "PDF") {
            Printer().PrintFile(document, &detail);
        } else if (type == "RTF") {
            const QString merged = PersonalizzaRTF(rs, &LastSendError);
            if (merged.isEmpty()) throw BasicError(75, LastSendError);
            QTextDocument letter;
            QString reason;
            if (mergedLetter_.isEmpty() || !RtfToDocument(mergedLetter_, letter, &reason))
                throw BasicError(321, reason.isEmpty() ? QStringLiteral("il documento non è in formato RTF") : reason);
            Printer().PrintJob([&](QPagedPaintDevice& device) { PrintRichText(letter, device); });
        } else if (!document.isEmpty()) {
            throw BasicError(75, QStringLiteral("tipo di documento non stampabile"));
        }
    } catch (const std::exception& e) {
        Err().Set(e);
        LastSendError = Err().Description;
        Err().Clear();
        AddReport(rs, QStringLiteral("posta"), QStringLiteral("stampa non riuscita: ") + LastSendError, detail);
        return;
    }
    RegistraInvio(rs, QStringLiteral("P"), QStringLiteral("posta"));
}
