// The memory surface, pictures, redraw locking and text measuring of the preview.
#include "PreviewTestKit.h"

#include "Preview.h"
#include "frmPreview.h"

#include <QApplication>
#include <QFile>

namespace {

struct TwoSizes {
    TwoSizes() {
        preview = Pagivex::CreatePreview();
        impl = std::dynamic_pointer_cast<Pagivex::impl::Preview>(preview);
        auto pages = preview->Pages();
        pages->SetWidth(8.5f);
        pages->SetHeight(11);
        auto big = pages->Add();
        QImage red(10, 10, QImage::Format_RGB32);
        red.fill(Qt::red);
        big->DrawPicture(1, 1, 0.5f, 0.5f, red, true, "rosso.bmp");
        big->DrawPicture(3, 3, 0.5f, 0.5f, QImage());  // cannot be drawn
        auto small = pages->Add();
        small->SetWidth(4);
        small->SetHeight(3);
        host.resize(616, 440);
        host.show();
        preview->SetContainer(quintptr(host.winId()));
        preview->Show();
    }
    QWidget host;
    std::shared_ptr<Pagivex::Preview> preview;
    std::shared_ptr<Pagivex::impl::Preview> impl;
};

}  // namespace

TEST(Surface, IsAlwaysExactlyThePageSize) {
    TwoSizes t;
    EXPECT_EQ(t.impl->Surface().Image().size(), QSize(816, 1056));
    t.impl->DoToolAction(5);
    EXPECT_EQ(t.impl->Surface().Image().size(), QSize(384, 288));
    t.impl->DoToolAction(1);
    EXPECT_EQ(t.impl->Surface().Image().size(), QSize(816, 1056));
}

TEST(Surface, PicturesAreScaledIntoTheirBoxAndBadOnesLeftOut) {
    TwoSizes t;
    const QImage& surface = t.impl->Surface().Image();
    EXPECT_EQ(QColor(surface.pixel(100, 100)), QColor(Qt::red));
    EXPECT_EQ(QColor(surface.pixel(150, 150)), QColor(Qt::red));  // 48 x 1.16 = 56 pixels
    EXPECT_EQ(QColor(surface.pixel(155, 155)), QColor(Qt::white));
    EXPECT_EQ(t.preview->Pages()->Item(1)->Element(1).Text, "rosso.bmp");

    // On paper the picture that cannot be drawn is an error.
    QTemporaryDir dir;
    t.preview->SetPrintFile(dir.filePath("p.pdf"));
    try {
        t.preview->PrintPages();
        FAIL() << "no error";
    } catch (const Pagivex::Error& e) {
        EXPECT_EQ(e.Number(), 1070);
        EXPECT_EQ(e.Description(), "Invalid picture format.");
    }
}

TEST(Surface, LockRedrawHoldsRepaintingUntilRedraw) {
    TwoSizes t;
    t.preview->SetLockRedraw(true);
    t.impl->DoToolAction(5);
    EXPECT_EQ(t.impl->Surface().Image().size(), QSize(816, 1056));
    t.preview->Redraw();
    EXPECT_FALSE(t.preview->LockRedraw());
    EXPECT_EQ(t.impl->Surface().Image().size(), QSize(384, 288));
    t.preview->Cls();
    EXPECT_EQ(QColor(t.impl->Surface().Image().pixel(10, 10)), QColor(Qt::white));
}

TEST(Surface, ThePanelGoesBackHomeAndTheCloseButtonReturns) {
    TwoSizes t;
    EXPECT_EQ(t.impl->Form()->picPreview->parentWidget(), &t.host);
    EXPECT_EQ(t.preview->Container(), quintptr(t.host.winId()));
    t.preview->SetContainer(0);
    EXPECT_EQ(t.impl->Form()->picPreview->parentWidget(), t.impl->Form());
    EXPECT_EQ(t.preview->Container(), quintptr(t.impl->Form()->winId()));
    EXPECT_TRUE(t.impl->Button(15).Available);
}

TEST(Surface, TextWidthIsMeasuredInTheCallersUnit) {
    auto preview = Pagivex::CreatePreview();
    auto pages = preview->Pages();
    pages->SetScaleMode(3);
    const qint16 font = pages->SetFont("DejaVu Sans", 20);
    float w1 = 0, h1 = 0, w2 = 0, h2 = 0;
    pages->GetTextWidth("Brivalto", font, w1, h1);
    pages->GetTextWidth("BrivaltoBrivalto", font, w2, h2);
    EXPECT_GT(w1, 50);
    EXPECT_NEAR(w2, 2 * w1, 3);
    EXPECT_NEAR(h1, 30, 8);  // 20 points at 96 dpi are about 27 pixels of em
    auto inches = Pagivex::CreatePreview()->Pages();
    float wi = 0, hi = 0;
    inches->GetTextWidth("Brivalto", inches->SetFont("DejaVu Sans", 20), wi, hi);
    EXPECT_NEAR(wi, w1 / 96.0f, 0.01f);
}
