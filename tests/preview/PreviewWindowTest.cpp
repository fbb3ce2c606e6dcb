// The preview window under the offscreen platform, driven as a user would.
#include "PreviewTestKit.h"

#include "Preview.h"
#include "frmPreview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>

namespace {

struct Window {
    Window() {
        preview = Pagivex::CreatePreview();
        impl = std::dynamic_pointer_cast<Pagivex::impl::Preview>(preview);
        auto pages = preview->Pages();
        pages->SetWidth(8.5f);
        pages->SetHeight(11);
        for (int i = 1; i <= 3; ++i) {
            auto page = pages->Add();
            page->SetFont("Arial", 28, true);
            page->DrawText(QString("Pagina %1").arg(i), 1, 1, 6.5f, 0.6f, 0x00800000, 0x00E0E0E0,
                           Pagivex::prvAlignCenter);
            page->DrawLine(1, 1.8f, 7.5f, 1.8f, 0, 2);
            page->DrawBox(1, 2, 6.5f, 3, 0x000000FF);
            page->SetFont("Arial", 10);
            for (int row = 0; row < 20; ++row)
                page->DrawText(QString("Riga %1 della pagina %2").arg(row + 1).arg(i), 1.2f, 5.2f + row * 0.25f, 5,
                               0.25f);
        }
        // A host 616 x 440 gives the panel a 600 x 400 viewport.
        host.resize(616, 440);
        host.show();
        preview->SetContainer(quintptr(host.winId()));
        preview->Show();  // returns at once: the panel lives in the host
        QApplication::processEvents();
    }
    Pagivex::frmPreview* form() const { return impl->Form(); }
    QWidget host;
    std::shared_ptr<Pagivex::Preview> preview;
    std::shared_ptr<Pagivex::impl::Preview> impl;
};

}  // namespace

TEST(PreviewWindow, WholePageZoomCentresTheSheet) {
    Window w;
    EXPECT_EQ(w.form()->picViewPort->size(), QSize(600, 400));
    EXPECT_EQ(w.impl->Zoom(), 5);
    EXPECT_EQ(w.impl->Button(10).Caption, "37%");
    EXPECT_FALSE(w.form()->HScroll1->isEnabled());
    EXPECT_FALSE(w.form()->VScroll1->isEnabled());
    EXPECT_EQ(w.form()->picPage->geometry(), QRect(148, 4, 303, 392));
    EXPECT_EQ(w.form()->lblPageIndex->text(), "Pag. 1/3");
    EXPECT_FALSE(w.impl->Button(1).Available);
    EXPECT_TRUE(w.impl->Button(4).Available);
    EXPECT_EQ(w.impl->Surface().Width(), 816);
    EXPECT_EQ(w.impl->Surface().Height(), 1056);
}

TEST(PreviewWindow, FullSizeZoomScrollsAndPans) {
    Window w;
    w.impl->SetZoomRatio(0);
    EXPECT_EQ(w.impl->Button(10).Caption, "100%");
    QScrollBar* v = w.form()->VScroll1;
    QScrollBar* h = w.form()->HScroll1;
    ASSERT_TRUE(v->isEnabled());
    ASSERT_TRUE(h->isEnabled());
    EXPECT_EQ(w.form()->picPage->pos(), QPoint(4, 4));
    EXPECT_EQ(v->value(), 0);
    EXPECT_EQ(v->maximum(), 4 - (392 - 1056));  // to the page's bottom edge
    EXPECT_EQ(h->maximum(), 4 - (592 - 816));
    EXPECT_EQ(w.form()->picPage->cursor().shape(), Qt::SizeAllCursor);
    v->setValue(304);
    EXPECT_EQ(w.form()->picPage->y(), -300);
    h->setValue(104);
    EXPECT_EQ(w.form()->picPage->x(), -100);
    v->setValue(v->maximum());
    EXPECT_EQ(w.form()->picPage->y() + 1056, 392);  // the bottom edge shows
    v->setValue(304);
    // Dragging the page up by 50 pixels moves it further on.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(100, 200), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(w.form()->picPage, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(10, 10), QPointF(100, 150), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w.form()->picPage, &release);
    EXPECT_EQ(v->value(), 354);
    EXPECT_EQ(w.form()->picPage->y(), -350);
    w.impl->SetZoomRatio(4);  // page width
    EXPECT_EQ(w.form()->picPage->width(), 592);
    EXPECT_FALSE(w.form()->HScroll1->isEnabled());
    EXPECT_TRUE(w.form()->VScroll1->isEnabled());
    EXPECT_EQ(w.form()->picPage->cursor().shape(), Qt::SizeVerCursor);
}

TEST(PreviewWindow, UserDefinedZoomAcceptsOnly10To100) {
    PreviewTest::ScriptedBoxes boxes;
    Window w;
    boxes.answers = {QString("5"), QString("150"), QString("50")};
    w.impl->SetZoomRatio(6);
    w.impl->SetZoomRatio(6);
    EXPECT_EQ(w.impl->Button(10).Caption, "37%");
    EXPECT_EQ(w.impl->Zoom(), 5);
    w.impl->SetZoomRatio(6);
    EXPECT_EQ(boxes.prompts.value(0), "Enter a zoom ratio between 10 and 100");
    EXPECT_EQ(w.impl->Button(10).Caption, "50%");
    EXPECT_EQ(w.impl->Zoom(), 50);
    w.host.resize(700, 500);  // a later layout keeps 50 %
    QApplication::processEvents();
    EXPECT_EQ(w.impl->Button(10).Caption, "50%");
    EXPECT_EQ(w.form()->picPage->width(), 408);
    // The menu item goes through the same road.
    w.form()->mnuRatio[3]->trigger();
    EXPECT_EQ(w.impl->Button(10).Caption, "25%");
}

TEST(PreviewWindow, NavigationByToolbarKeysAndGoTo) {
    PreviewTest::ScriptedBoxes boxes;
    Window w;
    auto pages = w.impl->PagesObject();
    w.impl->DoToolAction(4);
    EXPECT_EQ(pages->CurrentPage(), 2);
    EXPECT_EQ(w.form()->lblPageIndex->text(), "Pag. 2/3");
    EXPECT_TRUE(w.impl->Button(1).Available);
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
    QApplication::sendEvent(w.form()->picPreview, &end);
    EXPECT_EQ(pages->CurrentPage(), 3);
    EXPECT_FALSE(w.impl->Button(4).Available);
    QKeyEvent pageUp(QEvent::KeyPress, Qt::Key_PageUp, Qt::NoModifier);
    QApplication::sendEvent(w.form()->picPreview, &pageUp);
    EXPECT_EQ(pages->CurrentPage(), 2);
    QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier);
    QApplication::sendEvent(w.form()->picPreview, &home);
    EXPECT_EQ(pages->CurrentPage(), 1);

    boxes.answers = {QString("3"), QString("9")};
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(w.form()->lblPageIndex, &dbl);
    EXPECT_EQ(pages->CurrentPage(), 3);
    EXPECT_EQ(boxes.titles.value(0), "Tarvello");
    EXPECT_EQ(boxes.prompts.value(0),
              "Immettere il numero di pagina che si vuole visualizzare\n(un numero valido tra 1 e 3)");
    w.impl->DoToolAction(3);  // out of range: stays
    EXPECT_EQ(pages->CurrentPage(), 3);

    pages->Clear();
    EXPECT_EQ(w.form()->lblPageIndex->text(), "Nessuna pagina");
    EXPECT_FALSE(w.form()->picPage->isVisible());
    w.impl->DoToolAction(3);
    EXPECT_EQ(boxes.messages.value(0), "There are not created pages yet");
    EXPECT_FALSE(w.impl->Button(3).Available);
}

TEST(PreviewWindow, PageRangeFromTheLabelDimsPagesOutsideIt) {
    PreviewTest::ScriptedBoxes boxes;
    Window w;
    boxes.answers = {QString("3-5, 1")};
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(w.form()->lblRange, &dbl);
    EXPECT_EQ(boxes.defaults.value(0), "Tutte");
    EXPECT_EQ(w.form()->lblRange->text(), "1, 3-5");
    EXPECT_EQ(w.preview->Pages()->Selection(), "1, 3-5");
    EXPECT_FALSE(w.preview->Pages()->Item(2)->Enabled());

    // Page 1 at whole-page zoom is drawn normally, page 2 dimmed.
    auto darkShare = [&] {
        const QImage shot = w.form()->picPage->grab().toImage();
        int dark = 0;
        for (int y = 250; y < 300; ++y)
            for (int x = 50; x < 250; ++x) dark += qGray(shot.pixel(x, y)) < 40;
        return dark / 10000.0;
    };
    const double normal = darkShare();
    w.impl->DoToolAction(4);
    const double dimmed = darkShare();
    EXPECT_LT(normal, 0.2);
    EXPECT_GT(dimmed, 0.4);
    boxes.answers = {QString("  ")};  // an empty answer changes nothing
    w.impl->OnToolSelected(1);
    EXPECT_EQ(w.preview->Pages()->Selection(), "1, 3-5");
}

TEST(PreviewWindow, ScreenshotOfAPage) {
    Window w;
    w.impl->SetZoomRatio(0);
    QApplication::processEvents();
    const QImage shot = w.host.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const QString file = QString(PREVIEW_TEST_OUTPUT_DIR) + "/preview-page.png";
    EXPECT_TRUE(shot.save(file));
    // The page's title cell is filled with its light grey.
    const QImage page = w.form()->picPage->grab().toImage();
    EXPECT_EQ(QColor(page.pixel(100, 100)), QColor(0xE0, 0xE0, 0xE0));
    EXPECT_EQ(QColor(page.pixel(5, 5)), QColor(Qt::white));
}

TEST(PreviewWindow, ModalShowReturnsWhenTheWindowIsClosed) {
    auto preview = Pagivex::CreatePreview();
    auto impl = std::dynamic_pointer_cast<Pagivex::impl::Preview>(preview);
    preview->Pages()->SetWidth(8.5f);
    preview->Pages()->SetHeight(11);
    preview->Pages()->Add()->DrawText("x", 1, 1, 1, 1);
    preview->Pages()->SetSelection("1");
    bool wasVisible = false;
    bool closedByKey = false;
    QString rangeLabel, zoomCaption;
    Pagivex::Ui::ModalHook() = [&](QWidget*) {
        wasVisible = impl->Form()->isVisible();
        rangeLabel = impl->Form()->lblRange->text();
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(impl->Form()->picPreview, &esc);
        closedByKey = !impl->Form()->isVisible();
    };
    preview->Show();
    Pagivex::Ui::ModalHook() = nullptr;
    EXPECT_TRUE(closedByKey);
    EXPECT_TRUE(wasVisible);
    EXPECT_EQ(rangeLabel, "1");
    EXPECT_FALSE(impl->Form()->isVisible());
    EXPECT_TRUE(impl->Button(15).Available);
}

TEST(PreviewWindow, CustomCommandAndErrorsInsideWindowActions) {
    PreviewTest::ScriptedBoxes boxes;
    Window w;
    struct Sink : Pagivex::PreviewEvents {
        int commands = 0;
        void UserCommand() override { ++commands; }
    } sink;
    w.preview->SetEventSink(&sink);
    EXPECT_FALSE(w.impl->Button(13).Available);
    w.preview->SetCustomCommand("Invia");
    EXPECT_TRUE(w.impl->Button(13).Available);
    EXPECT_EQ(w.impl->Button(13).Tooltip, "Invia");
    w.impl->DoToolAction(13);
    EXPECT_EQ(sink.commands, 1);
    EXPECT_FALSE(w.impl->Button(15).Available);  // embedded: no close button
    // An export from the menu that fails shows the error instead of letting it escape.
    w.preview->SetOutputFile("/nonexistent-folder/x");
    w.form()->mnuFormat[1]->trigger();
    ASSERT_EQ(boxes.messages.size(), 1) << boxes.messages.join("|").toStdString();
    EXPECT_TRUE(boxes.messages[0].contains("Pagivex.ExportCSV.Export"));
    EXPECT_THROW(w.preview->SetContainer(quintptr(0x7fffffff)), Pagivex::Error);
}

TEST(PreviewWindow, TheSharedWindowShowsTheStateOfThePreviewUsingIt) {
    Window w;
    EXPECT_EQ(w.form()->lblPageIndex->text(), "Pag. 1/3");
    auto other = Pagivex::CreatePreview();
    auto otherImpl = std::dynamic_pointer_cast<Pagivex::impl::Preview>(other);
    EXPECT_EQ(otherImpl->Form(), w.form());  // one window per process
    // Made, not shown: the window keeps showing the first one.
    EXPECT_EQ(w.form()->lblPageIndex->text(), "Pag. 1/3");
    EXPECT_TRUE(w.form()->picPage->isVisible());
    other.reset();
    w.preview->SetContainer(quintptr(w.host.winId()));
    EXPECT_EQ(w.form()->lblPageIndex->text(), "Pag. 1/3");
}

// The caller's window goes first and the Preview is released afterwards: the
// panel comes back into the preview window instead of dying with the host,
// and the release touches nothing freed (the sanitizer build checks it).
TEST(PreviewWindow, AHostClosedBeforeTheReleaseGivesThePanelBack) {
    auto preview = Pagivex::CreatePreview();
    auto impl = std::dynamic_pointer_cast<Pagivex::impl::Preview>(preview);
    preview->Pages()->Add()->DrawText("x", 1, 1, 1, 1);
    auto* host = new QWidget;
    host->resize(400, 300);
    host->show();
    preview->SetContainer(quintptr(host->winId()));
    preview->Show();
    Pagivex::frmPreview* form = impl->Form();
    QPointer<QWidget> panel(form->picPreview);
    delete host;
    ASSERT_FALSE(panel.isNull());
    EXPECT_EQ(panel->parentWidget(), form);
    EXPECT_EQ(preview->Container(), quintptr(form->winId()));
    EXPECT_TRUE(impl->Button(15).Available);
    impl.reset();
    preview.reset();

    // The next caller finds a working window.
    auto next = Pagivex::CreatePreview();
    next->Pages()->Add()->DrawText("y", 1, 1, 1, 1);
    bool shown = false;
    Pagivex::Ui::ModalHook() = [&](QWidget* window) { shown = window->isVisible(); };
    next->Show();
    Pagivex::Ui::ModalHook() = nullptr;
    EXPECT_TRUE(shown);
}

// A second Preview (such as the throw-away one of the splash) made while one
// is shown leaves that one alone; showing it takes the window for a while,
// and releasing it gives the window back to the first with its handlers.
TEST(PreviewWindow, ASecondPreviewNeverBlanksTheShownOne) {
    Window w;
    auto other = Pagivex::CreatePreview();
    other->Pages()->SetWidth(8.5f);
    other->Pages()->SetHeight(11);
    other->Pages()->Add()->DrawText("altro", 1, 1, 2, 1);
    EXPECT_EQ(w.form()->lblPageIndex->text(), "Pag. 1/3");
    EXPECT_EQ(w.form()->picPreview->parentWidget(), &w.host);
    EXPECT_TRUE(w.form()->picPreview->onPaint != nullptr);

    QString label;
    Pagivex::Ui::ModalHook() = [&](QWidget*) { label = w.form()->lblPageIndex->text(); };
    other->Show();
    Pagivex::Ui::ModalHook() = nullptr;
    EXPECT_EQ(label, "Pag. 1/1");
    other.reset();

    EXPECT_EQ(w.form()->picPreview->parentWidget(), &w.host);
    EXPECT_EQ(w.form()->lblPageIndex->text(), "Pag. 1/3");
    ASSERT_TRUE(w.form()->picPreview->onPaint != nullptr);
    w.impl->DoToolAction(4);  // next page, through the first Preview's own state
    EXPECT_EQ(w.form()->lblPageIndex->text(), "Pag. 2/3");
}
