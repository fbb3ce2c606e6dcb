#pragma once
// What a printed PDF holds, read back with poppler's tools: its page count,
// its text, and each word with its box in millimetres from the page's top
// left corner.

#include <QList>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace PdfText {

struct Word {
    int page = 0;  // 1-based
    QRectF box;    // millimetres
    QString text;
};

inline QString Run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000)) return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline int Pages(const QString& pdf) {
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(Run(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

inline QString Text(const QString& pdf) { return Run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}); }

inline QList<Word> Words(const QString& pdf) {
    const QString html = Run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    static const QRegularExpression tag(QStringLiteral(
        "<page |<word xMin=\"(-?[\\d.]+)\" yMin=\"(-?[\\d.]+)\" xMax=\"(-?[\\d.]+)\" yMax=\"(-?[\\d.]+)\">([^<]*)</word>"));
    QList<Word> words;
    int page = 0;
    const double mm = 25.4 / 72.0;
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0).startsWith(QStringLiteral("<page"))) {
            ++page;
            continue;
        }
        Word w;
        w.page = page;
        w.box = QRectF(QPointF(m.captured(1).toDouble() * mm, m.captured(2).toDouble() * mm),
                       QPointF(m.captured(3).toDouble() * mm, m.captured(4).toDouble() * mm));
        w.text = m.captured(5).replace(QStringLiteral("&amp;"), QStringLiteral("&"))
                     .replace(QStringLiteral("&apos;"), QStringLiteral("'"))
                     .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
                     .replace(QStringLiteral("&lt;"), QStringLiteral("<"))
                     .replace(QStringLiteral("&gt;"), QStringLiteral(">"));
        words << w;
    }
    return words;
}

// The first word with this text, or an empty word.
inline Word Find(const QList<Word>& words, const QString& text, int page = 0) {
    for (const Word& w : words)
        if (w.text == text && (page == 0 || w.page == page)) return w;
    return {};
}

}  // namespace PdfText
