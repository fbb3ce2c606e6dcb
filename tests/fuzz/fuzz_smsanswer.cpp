// The SMS gateways' answers: the XML reader, the error-page tag cutter and
// the second gateway's credit line.
#include "Answers.h"
#include "FuzzKit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = FuzzKit::Bytes(data, size);
    Tessivo::Answers::Element root;
    if (Tessivo::Answers::ParseXml(bytes, root)) {
        root.Markup();
        for (const auto& child : root.children) child.Attribute(QStringLiteral("CREDIT"));
    }
    const QString text = QString::fromUtf8(bytes);
    Tessivo::Answers::CutTag(text, QStringLiteral("TITLE"));
    Tessivo::Answers::CutTag(text, QString());
    qint32 credit = 0;
    Tessivo::Answers::IdeaCredit(text, credit);
    return 0;
}
