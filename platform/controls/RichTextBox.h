#pragma once
// The rich-text box: a text editor whose contents read and write as RTF,
// with the selection members the program works through (start, length,
// text and its formatting), files loaded and saved as RTF or plain text,
// search, and printing with the document's page setup and headers.

#include "Rtf.h"

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QTextEdit>

class QPagedPaintDevice;
class QTextDocument;

namespace Platform {

enum RichTextFileType { rtfRTF = 0, rtfText = 1 };
enum RichTextAlignment { rtfLeft = 0, rtfRight = 1, rtfCenter = 2 };

class RichTextBox : public QTextEdit {
    Q_OBJECT
public:
    explicit RichTextBox(QWidget* parent = nullptr);

    // Contents as RTF. Setting a text that is not RTF sets it as plain text.
    QByteArray TextRTF() const;
    void SetTextRTF(const QByteArray& rtf);

    // Plain text. Positions in it are the positions SelStart and Find use:
    // each paragraph or cell ends with one "\n", a picture is one character.
    QString Text() const;
    void SetText(const QString& text);
    // Empties the box: no text, no header or footer, no page setup.
    void Clear();

    int SelStart() const;
    void SetSelStart(int start);  // also empties the selection
    int SelLength() const;
    void SetSelLength(int length);
    QString SelText() const;
    // Replaces the selection; the new text takes the formatting of the
    // selection's first character.
    void SetSelText(const QString& text);

    bool SelBold() const;
    void SetSelBold(bool on);
    bool SelItalic() const;
    void SetSelItalic(bool on);
    bool SelUnderline() const;
    void SetSelUnderline(bool on);
    bool SelStrikeThru() const;
    void SetSelStrikeThru(bool on);
    QColor SelColor() const;
    void SetSelColor(const QColor& color);
    QString SelFontName() const;
    void SetSelFontName(const QString& name);
    double SelFontSize() const;
    void SetSelFontSize(double points);
    int SelAlignment() const;
    void SetSelAlignment(int alignment);

    // Errors are raised as BasicError: 53 missing file, 75 unreadable or
    // unwritable, 321 not in the format asked for.
    void LoadFile(const QString& path, int fileType = rtfRTF);
    void SaveFile(const QString& path, int fileType = rtfRTF) const;

    // Position of the first exact match at or after start, -1 when none.
    int Find(const QString& text, int start = 0) const;

    // Prints the selection, or all of the text when nothing is selected.
    void SelPrint(QPagedPaintDevice& device) const;

signals:
    // Every change of the contents, by the user or by the program.
    void Change();

private:
    QTextCursor CursorAt(int start, int length) const;
};

}  // namespace Platform
