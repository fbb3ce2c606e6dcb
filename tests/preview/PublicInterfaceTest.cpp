// The shared library seen as the program sees it: only <Pagivex/Pagivex.h> and libPagivex.so.
#include <Pagivex/Pagivex.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A preview of one A4 page in centimetres.
std::shared_ptr<Pagivex::Preview> A4Page() {
    auto preview = Pagivex::CreatePreview();
    auto pages = preview->Pages();
    pages->SetScaleMode(7);
    pages->SetWidth(21);
    pages->SetHeight(29.7f);
    pages->Add();
    return preview;
}

}  // namespace

TEST(PublicInterface, ComposeExportAndCatchTheLibrarysErrors) {
    auto preview = A4Page();
    auto pages = preview->Pages();
    auto page = pages->Item(1);
    EXPECT_EQ(pages->ActivePage(), page);
    page->DrawText("Rossi", 1, 1, 4, 0.5f);
    EXPECT_EQ(page->Element(1).Left, 38);
    EXPECT_EQ(page->DisplayWidth(), 800);
    try {
        pages->SetScaleMode(5);
        FAIL() << "no error";
    } catch (const Pagivex::Error& e) {  // the type crosses the library boundary
        EXPECT_EQ(e.Number(), 1075);
        EXPECT_EQ(e.Source(), "Pagivex.Pages.ScaleMode[Let]");
    }
    QTemporaryDir dir;
    struct Sink : Pagivex::PreviewEvents {
        Pagivex::Preview* preview = nullptr;
        QString file;
        int done = 0;
        void Exporting(Pagivex::ZVDestination) override { preview->SetOutputFile(file); }
        void Done(Pagivex::ZVDestination) override { ++done; }
    } sink;
    sink.preview = preview.get();
    sink.file = dir.filePath("lista");
    preview->SetEventSink(&sink);
    preview->Export(Pagivex::zvCSV);
    EXPECT_EQ(sink.done, 1);
    EXPECT_EQ(preview->OutputFile(), dir.filePath("lista.csv"));
    EXPECT_TRUE(QFile::exists(preview->OutputFile()));
    auto font = pages->FontMap()->Item(1);
    EXPECT_EQ(font->FaceName(), "Arial");
}

// A printed page's streams are deflated at zlib's fastest level (the second byte of their
// header says which), in the program's own process; outside printing zlib keeps its default.
TEST(PublicInterface, PrintingDeflatesItsPagesAtTheFastestLevel) {
    QTemporaryDir dir;
    auto preview = A4Page();
    auto page = preview->Pages()->Item(1);
    for (int row = 0; row < 40; ++row) page->DrawText(QString("Riga %1 della lista").arg(row), 1, 1 + row * 0.5f, 8, 0.5f);
    preview->SetPrintFile(dir.filePath("lista.pdf"));
    preview->PrintPages();
    QFile pdf(dir.filePath("lista.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    int streams = 0;
    for (qsizetype at = bytes.indexOf("stream\n"); at >= 0; at = bytes.indexOf("stream\n", at + 1)) {
        if (at > 0 && bytes[at - 1] == 'd') continue;  // "endstream"
        const QByteArray header = bytes.mid(at + 7, 2);
        if (header[0] != '\x78') continue;  // not deflated
        ++streams;
        EXPECT_EQ(header[1], '\x01') << "stream at " << at;
    }
    EXPECT_GT(streams, 0);
    EXPECT_EQ(qCompress(QByteArray(1000, 'x')).mid(4, 2), QByteArray("\x78\x9c"));
}

int main(int argc, char** argv) {
    QTemporaryDir logs;
    qputenv("PAGIVEX_LOG_DIR", logs.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
