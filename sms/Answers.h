#pragma once
// Reading the gateways' answers. An answer comes from the network and may be
// anything: it is read with bounds on its size, its nesting and the number
// of its nodes, without recursion, and in time linear in its length.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace Tessivo::Answers {

// Answers larger than this are not the gateways' and are not read.
constexpr qint64 kMaxBytes = 1024 * 1024;
constexpr int kMaxDepth = 32;
constexpr int kMaxNodes = 100000;

// An element of an answer, attributes in document order, so that the
// account line can be logged as the gateway wrote it.
struct Element {
    QString name;  // "#text", "#comment", "#pi" for other nodes
    QList<QPair<QString, QString>> attributes;
    QString text;
    QList<Element> children;

    QString Attribute(const QString& upperName, bool* found = nullptr) const;
    QString Markup() const;
};

// The root element of a well-formed answer within the bounds, or false.
bool ParseXml(const QByteArray& bytes, Element& root);

// The tag cutter for error pages: the inner text of the first element named
// `tag` (case-insensitive), or the failure (50002 no end, 50003 unbalanced,
// 50004 parsing error) with its description.
struct Cut {
    QString text;
    qint32 error = 0;
    QString description;
};
Cut CutTag(const QString& text, const QString& tag);

// The second gateway's credit answer: true with the credit when it has one.
bool IdeaCredit(const QString& answer, qint32& credit);

}  // namespace Tessivo::Answers
