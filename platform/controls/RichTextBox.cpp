#include "RichTextBox.h"

#include "Errors.h"
#include "Files.h"
#include "Rtf.h"

#include <QFile>
#include <QFileInfo>
#include <QPagedPaintDevice>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QUrl>

namespace Platform {

namespace {

// The RTF into the box's document: false when it is not RTF. A letter too
// large to be one raises with the reason and leaves the box as it was: when
// the box holds anything, the letter is tried on a document of its own first.
bool ReadInto(QTextDocument& doc, const QByteArray& rtf) {
    if (!IsRtf(rtf)) return false;
    QString why;
    if (!doc.isEmpty()) {
        QTextDocument trial;
        if (!RtfToDocument(rtf, trial, &why)) Err().Raise(321, why);
    }
    if (!RtfToDocument(rtf, doc, &why)) Err().Raise(321, why);
    return true;
}

}  // namespace

RichTextBox::RichTextBox(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(true);
    setTabChangesFocus(false);
    connect(this, &QTextEdit::textChanged, this, &RichTextBox::Change);
}

QByteArray RichTextBox::TextRTF() const { return DocumentToRtf(*document()); }

void RichTextBox::SetTextRTF(const QByteArray& rtf) {
    if (!ReadInto(*document(), rtf)) {
        SetText(QString::fromLocal8Bit(rtf));
    } else {
        moveCursor(QTextCursor::Start);
        emit Change();
    }
}

QString RichTextBox::Text() const {
    QString text = document()->toRawText();
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u == QChar::ParagraphSeparator || u == QChar::LineSeparator || u == 0xFDD0 || u == 0xFDD1) c = '\n';
    }
    // The document's last paragraph mark is not text.
    if (text.endsWith('\n')) text.chop(1);
    return text;
}

void RichTextBox::SetText(const QString& text) {
    ResetRtfExtras(*document());
    setPlainText(text);
}

void RichTextBox::Clear() { SetText(QString()); }

QTextCursor RichTextBox::CursorAt(int start, int length) const {
    QTextCursor c(document());
    const int end = document()->characterCount() - 1;
    c.setPosition(qBound(0, start, end));
    c.setPosition(qBound(0, start + qMax(0, length), end), QTextCursor::KeepAnchor);
    return c;
}

int RichTextBox::SelStart() const { return textCursor().selectionStart(); }

void RichTextBox::SetSelStart(int start) { setTextCursor(CursorAt(start, 0)); }

int RichTextBox::SelLength() const { return textCursor().selectionEnd() - textCursor().selectionStart(); }

void RichTextBox::SetSelLength(int length) { setTextCursor(CursorAt(SelStart(), length)); }

QString RichTextBox::SelText() const {
    QString text = textCursor().selectedText();
    for (QChar& c : text) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = '\n';
    }
    return text;
}

void RichTextBox::SetSelText(const QString& text) {
    QTextCursor c = textCursor();
    QTextCharFormat format;
    if (c.hasSelection()) {
        QTextCursor first(document());
        first.setPosition(c.selectionStart() + 1);
        format = first.charFormat();
    } else {
        format = c.charFormat();
    }
    c.insertText(text, format);
    setTextCursor(c);
}

bool RichTextBox::SelBold() const { return currentCharFormat().fontWeight() >= QFont::DemiBold; }

void RichTextBox::SetSelBold(bool on) {
    QTextCharFormat f;
    f.setFontWeight(on ? QFont::Bold : QFont::Normal);
    mergeCurrentCharFormat(f);
}

bool RichTextBox::SelItalic() const { return currentCharFormat().fontItalic(); }

void RichTextBox::SetSelItalic(bool on) {
    QTextCharFormat f;
    f.setFontItalic(on);
    mergeCurrentCharFormat(f);
}

bool RichTextBox::SelUnderline() const { return currentCharFormat().fontUnderline(); }

void RichTextBox::SetSelUnderline(bool on) {
    QTextCharFormat f;
    f.setFontUnderline(on);
    mergeCurrentCharFormat(f);
}

bool RichTextBox::SelStrikeThru() const { return currentCharFormat().fontStrikeOut(); }

void RichTextBox::SetSelStrikeThru(bool on) {
    QTextCharFormat f;
    f.setFontStrikeOut(on);
    mergeCurrentCharFormat(f);
}

QColor RichTextBox::SelColor() const {
    const QTextCharFormat f = currentCharFormat();
    return f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color() : palette().text().color();
}

void RichTextBox::SetSelColor(const QColor& color) {
    QTextCharFormat f;
    f.setForeground(color);
    mergeCurrentCharFormat(f);
}

QString RichTextBox::SelFontName() const {
    const QStringList families = currentCharFormat().fontFamilies().toStringList();
    return families.isEmpty() ? document()->defaultFont().family() : families.first();
}

void RichTextBox::SetSelFontName(const QString& name) {
    QTextCharFormat f;
    f.setFontFamilies(QStringList{name});
    mergeCurrentCharFormat(f);
}

double RichTextBox::SelFontSize() const {
    const double size = currentCharFormat().fontPointSize();
    return size > 0 ? size : document()->defaultFont().pointSizeF();
}

void RichTextBox::SetSelFontSize(double points) {
    if (points <= 0) return;
    QTextCharFormat f;
    f.setFontPointSize(points);
    mergeCurrentCharFormat(f);
}

int RichTextBox::SelAlignment() const {
    const Qt::Alignment a = alignment();
    if (a & Qt::AlignHCenter) return rtfCenter;
    if (a & Qt::AlignRight) return rtfRight;
    return rtfLeft;
}

void RichTextBox::SetSelAlignment(int a) {
    setAlignment(a == rtfCenter ? Qt::AlignHCenter : a == rtfRight ? Qt::AlignRight : Qt::AlignLeft);
}

void RichTextBox::LoadFile(const QString& path, int fileType) {
    QFile file(path);
    if (!QFileInfo(path).isFile()) Err().Raise(53, QStringLiteral("Impossibile trovare il file"));
    if (!file.open(QIODevice::ReadOnly)) Err().Raise(75, QStringLiteral("Errore di accesso al percorso/file"));
    const QByteArray data = file.readAll();
    if (fileType == rtfText) {
        SetText(QString::fromLocal8Bit(data));
        return;
    }
    if (!ReadInto(*document(), data)) Err().Raise(321, QStringLiteral("Formato di file non valido"));
    moveCursor(QTextCursor::Start);
    emit Change();
}

void RichTextBox::SaveFile(const QString& path, int fileType) const {
    // Replaced whole or not at all: a full disk leaves the letter as last saved.
    const QByteArray data = fileType == rtfText ? Text().toLocal8Bit() : TextRTF();
    if (!WriteWholeFile(path, data)) Err().Raise(75, QStringLiteral("Errore di accesso al percorso/file"));
}

int RichTextBox::Find(const QString& text, int start) const {
    if (text.isEmpty()) return -1;
    const QTextCursor found = document()->find(text, qMax(0, start), QTextDocument::FindCaseSensitively);
    return found.isNull() ? -1 : found.selectionStart();
}

void RichTextBox::SelPrint(QPagedPaintDevice& device) const {
    const QTextCursor selection = textCursor();
    if (!selection.hasSelection()) {
        PrintRichText(*document(), device);
        return;
    }
    QTextDocument part;
    QTextCursor(&part).insertFragment(selection.selection());
    // Pictures live in the document's resources; the part needs its own.
    for (QTextBlock b = part.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!f.isImageFormat()) continue;
            const QUrl name(f.toImageFormat().name());
            part.addResource(QTextDocument::ImageResource, name,
                             document()->resource(QTextDocument::ImageResource, name));
        }
    }
    SetPageSetup(part, PageSetupOf(*document()));
    PrintRichText(part, device);
}

}  // namespace Platform
