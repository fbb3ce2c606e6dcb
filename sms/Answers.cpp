#include "Answers.h"

#include "SmsText.h"

#include <QXmlStreamReader>

namespace Tessivo::Answers {

QString Element::Attribute(const QString& upperName, bool* found) const {
    for (const auto& [attrName, value] : attributes)
        if (attrName.toUpper() == upperName) {
            if (found) *found = true;
            return value;
        }
    if (found) *found = false;
    return QString();
}

QString Element::Markup() const {
    if (name == QLatin1String("#text")) return SmsText::XmlEscape(text);
    if (name.startsWith('#')) return QString();
    QString out = '<' + name;
    for (const auto& [attrName, value] : attributes)
        out += ' ' + attrName + QStringLiteral("=\"") + SmsText::XmlEscape(value) + '"';
    if (children.isEmpty()) return out + QStringLiteral("/>");
    out += '>';
    for (const Element& child : children) out += child.Markup();
    return out + QStringLiteral("</") + name + '>';
}

bool ParseXml(const QByteArray& bytes, Element& root) {
    if (bytes.size() > kMaxBytes) return false;
    QXmlStreamReader reader(bytes);
    // The open elements, innermost last: the depth is bounded, so is this.
    QList<Element> stack;
    bool haveRoot = false;
    int nodes = 0;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (++nodes > kMaxNodes) return false;
        switch (token) {
        case QXmlStreamReader::DTD: return false;  // no gateway sends one; its entities could grow without end
        case QXmlStreamReader::StartElement: {
            if (stack.size() >= kMaxDepth) return false;
            Element node;
            node.name = reader.qualifiedName().toString();
            for (const QXmlStreamAttribute& a : reader.attributes())
                node.attributes.append({a.qualifiedName().toString(), a.value().toString()});
            stack.append(node);
            break;
        }
        case QXmlStreamReader::EndElement: {
            Element done = stack.takeLast();
            if (stack.isEmpty()) {
                root = std::move(done);
                haveRoot = true;
            } else {
                stack.last().children.append(std::move(done));
            }
            break;
        }
        case QXmlStreamReader::Characters:
            if (!stack.isEmpty() && !reader.isWhitespace())
                stack.last().children.append({QStringLiteral("#text"), {}, reader.text().toString(), {}});
            break;
        case QXmlStreamReader::Comment:
            if (!stack.isEmpty()) stack.last().children.append({QStringLiteral("#comment"), {}, {}, {}});
            break;
        case QXmlStreamReader::ProcessingInstruction:
            if (!stack.isEmpty()) stack.last().children.append({QStringLiteral("#pi"), {}, {}, {}});
            break;
        default:
            break;
        }
    }
    return !reader.hasError() && haveRoot;
}

Cut CutTag(const QString& text, const QString& tag) {
    const QString open = '<' + tag;
    const QString close = tag.isEmpty() ? QStringLiteral("/>") : QStringLiteral("</") + tag + '>';
    const auto cs = Qt::CaseInsensitive;
    auto fail = [](qint32 number, const QString& description) { return Cut{QString(), number, description}; };

    const qsizetype start = text.indexOf(open, 0, cs);
    if (start < 0) return {};
    qsizetype closeAt = text.indexOf(close, start + open.size(), cs);
    if (closeAt < 0)
        return fail(50002, QStringLiteral("Malformed HTML message (no tag end '") + close + QStringLiteral("')"));

    qsizetype o = text.indexOf(open, start + open.size(), cs);
    if (o >= 0 && o < closeAt) {
        // Nested elements of the same name are counted. The next opening and
        // closing found are kept until passed, so that each part of the text
        // is searched once: a page of many openings takes linear time.
        qsizetype depth = 1, pos = start + open.size(), c = closeAt;
        for (;;) {
            if (c >= 0 && c < pos) c = text.indexOf(close, pos, cs);
            if (o >= 0 && o < pos) o = text.indexOf(open, pos, cs);
            if (c < 0)
                return fail(50003, QStringLiteral("Malformed HTML message (unbalanced tag '") + tag + QStringLiteral("')"));
            if (o >= 0 && o < c) {
                ++depth;
                pos = o + open.size();
            } else {
                pos = c + close.size();
                if (--depth == 0) {
                    closeAt = c;
                    break;
                }
            }
        }
    }

    if (tag.isEmpty()) return {text.mid(start + 1, closeAt - start - 1), 0, QString()};
    const qsizetype end = text.indexOf('>', start);
    if (end < 0 || end >= closeAt)
        return fail(50004, QStringLiteral("Parsing error: ") + QStringLiteral("Chiamata di routine o argomento non validi") +
                               QStringLiteral(" on tag '") + tag + QStringLiteral("')"));
    return {text.mid(end + 1, closeAt - end - 1), 0, QString()};
}

bool IdeaCredit(const QString& answer, qint32& credit) {
    const QString marker = QStringLiteral(" di ");
    const qsizetype at = answer.indexOf(marker);
    if (at < 0) return false;
    QString number = answer.mid(at + marker.size()).trimmed();
    const qsizetype blank = number.indexOf(' ');
    if (blank >= 0) number.truncate(blank);
    credit = SmsText::RoundLong(SmsText::Val(number));
    return true;
}

}  // namespace Tessivo::Answers
