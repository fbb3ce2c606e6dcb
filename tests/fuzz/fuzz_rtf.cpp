// libFuzzer target: the RTF reader over any bytes, and the letter built from
// them laid out on its pages as it is printed. Headers and footers never
// nest, a picture has a size within the page's limit, and a letter is either
// built or refused with its reason, never half built.
#include "FuzzKit.h"
#include "Rtf.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QTextDocument>
#include <cstdlib>
#include <memory>

namespace {

struct Check : Platform::RtfSink {
    bool inPart = false;
    void Text(const QString& text, const Platform::RtfCharFormat& chr, const Platform::RtfParaFormat&) override {
        if (text.isEmpty() || chr.pointSize <= 0 || chr.pointSize > 1638) std::abort();
    }
    void ParagraphEnd(const Platform::RtfParaFormat&, const Platform::RtfCharFormat&) override {}
    void CellEnd(const Platform::RtfParaFormat&, const Platform::RtfCharFormat&) override {}
    void RowEnd(const Platform::RtfRowFormat& row) override {
        if (row.cellRight.size() != row.cellBackground.size()) std::abort();
    }
    void Picture(const QImage& image, const QSizeF& points, const Platform::RtfCharFormat&,
                 const Platform::RtfParaFormat&) override {
        const double most = Platform::kRtfMaxTwips / 20.0;
        if (image.isNull() || !(points.width() <= most && points.height() <= most)) std::abort();
    }
    void PageBreak() override {}
    void BeginHeaderFooter(const QString& name) override {
        if (inPart || name.isEmpty()) std::abort();
        inPart = true;
    }
    void EndHeaderFooter() override {
        if (!inPart) std::abort();
        inPart = false;
    }
    void PageSetup(const Platform::RtfPageSetup& page) override {
        for (int twips : {page.paperWidth, page.paperHeight, page.marginLeft, page.marginRight, page.marginTop,
                          page.marginBottom})
            if (twips < 0 || twips > Platform::kRtfMaxTwips) std::abort();
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = FuzzKit::Bytes(data, size);
    Check check;
    if (Platform::ReadRtf(bytes, check) != Platform::IsRtf(bytes) || check.inPart) std::abort();

    QTextDocument doc;
    QString why;
    if (!Platform::RtfToDocument(bytes, doc, &why)) {
        if (why.isEmpty() || !doc.isEmpty()) std::abort();
        return 0;
    }
    // Laid out on A4 pages as the letter prints.
    std::unique_ptr<QTextDocument> laid(doc.clone());
    laid->setTextWidth(794 - 151);
    laid->setPageSize(QSizeF(794 - 151, 1123 - 151));
    (void)laid->documentLayout()->documentSize();
    (void)laid->pageCount();
    return 0;
}
