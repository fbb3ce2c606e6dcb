// The letter channel: a document personalised for one recipient with the
// merge markers, and printed.
#include "frmMailing.h"

#include "ADODB.h"
#include "Comuni.h"
#include "Errors.h"
#include "Files.h"
#include "Printer.h"
#include "RtfMerge.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTextDocument>

#if __has_include("Rtf.h")
#include "Rtf.h"
#define BRIVALTO_HAS_RTF_READER 1
#endif

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

// Reads a merged letter for printing, with its page, header and footer.
bool ReadLetter(const QByteArray& rtf, QTextDocument& body, DocumentPageSetup& setup,
                std::unique_ptr<QTextDocument>& header, std::unique_ptr<QTextDocument>& footer, QString* error) {
#ifdef BRIVALTO_HAS_RTF_READER
    if (!RtfToDocument(rtf, body, error)) return false;
    const RtfPageSetup page = PageSetupOf(body);
    auto mm = [](int twips) { return twips / 1440.0 * 25.4; };
    if (page.paperWidth > 0 && page.paperHeight > 0) setup.paper = QSizeF(mm(page.paperWidth), mm(page.paperHeight));
    setup.landscape = page.landscape;
    if (page.marginLeft > 0) setup.margins.setLeft(mm(page.marginLeft));
    if (page.marginRight > 0) setup.margins.setRight(mm(page.marginRight));
    if (page.marginTop > 0) setup.margins.setTop(mm(page.marginTop));
    if (page.marginBottom > 0) setup.margins.setBottom(mm(page.marginBottom));
    if (const QTextDocument* h = HeaderFooterDocument(body, QStringLiteral("header"))) header.reset(h->clone());
    if (const QTextDocument* f = HeaderFooterDocument(body, QStringLiteral("footer"))) footer.reset(f->clone());
    return true;
#else
    Q_UNUSED(setup);
    Q_UNUSED(header);
    Q_UNUSED(footer);
    if (!RtfMerge::IsRtf(rtf)) {
        if (error) *error = QStringLiteral("il documento non è in formato RTF");
        return false;
    }
    body.setPlainText(RtfMerge::VisibleText(rtf));
    return true;
#endif
}

}  // namespace

QString frmMailing::PersonalizzaRTF(ADODB::Recordset& rs, QString* error) {
    const QString document = txNomeFile->text();
    mergedLetter_.clear();
    if (DocumentType(document) != "RTF") return document;
    QFile file(document);
    if (!file.open(QIODevice::ReadOnly)) return document;
    QByteArray rtf = file.readAll();
    file.close();
    // A file named .rtf that is not RTF goes out as it is.
    if (!RtfMerge::IsRtf(rtf)) return document;
    for (const auto& marker : kMarkers) {
        const QString column = QString::fromLatin1(marker[1]);
        // A marker of a column the registry does not have stays in the letter.
        if (!rs.HasField(column)) continue;
        RtfMerge::Replace(rtf, QString::fromLatin1(marker[0]), Comuni::FieldStr(rs[column]));
    }
    // The previous recipient's work file must never stand in for this one's.
    const QString work = QDir(ProgramFolder()).filePath(QStringLiteral("mail.rtf"));
    QFile::remove(work);
    QString why;
    if (!Platform::WriteWholeFile(work, rtf, &why)) {
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
    try {
        if (type == "DOC" || type == "XLS" || type == "PDF") {
            Printer().PrintFile(document);
        } else if (type == "RTF") {
            const QString merged = PersonalizzaRTF(rs, &LastSendError);
            if (merged.isEmpty()) throw BasicError(75, LastSendError);
            if (mergedLetter_.isEmpty()) throw BasicError(75, QStringLiteral("il documento non è in formato RTF"));
            QTextDocument letter;
            DocumentPageSetup setup;
            std::unique_ptr<QTextDocument> header, footer;
            QString reason;
            if (!ReadLetter(mergedLetter_, letter, setup, header, footer, &reason)) throw BasicError(75, reason);
            Printer().PrintDocument(letter, setup, header.get(), footer.get());
        } else if (!document.isEmpty()) {
            throw BasicError(75, QStringLiteral("tipo di documento non stampabile"));
        }
    } catch (const std::exception& e) {
        Err().Set(e);
        LastSendError = Err().Description;
        Err().Clear();
        AddReport(rs, QStringLiteral("posta"), QStringLiteral("stampa non riuscita: ") + LastSendError);
        return;
    }
    RegistraInvio(rs, QStringLiteral("P"), QStringLiteral("posta"));
}
