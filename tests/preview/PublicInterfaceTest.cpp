// The shared library seen as the program sees it: only <Pagivex/Pagivex.h> and libPagivex.so.
#include <Pagivex/Pagivex.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(PublicInterface, ComposeExportAndCatchTheLibrarysErrors) {
    auto preview = Pagivex::CreatePreview();
    auto pages = preview->Pages();
    pages->SetScaleMode(7);
    pages->SetWidth(21);
    pages->SetHeight(29.7f);
    auto page = pages->Add();
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

int main(int argc, char** argv) {
    QTemporaryDir logs;
    qputenv("PAGIVEX_LOG_DIR", logs.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
