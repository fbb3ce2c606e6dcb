#include "frmPreview.h"

#include "UiHooks.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>

namespace Pagivex {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (onPaint) onPaint(p);
}
void PictureBox::resizeEvent(QResizeEvent*) {
    if (onResize) onResize();
}
void PictureBox::mousePressEvent(QMouseEvent* e) {
    if (onMousePress) onMousePress(e);
}
void PictureBox::mouseMoveEvent(QMouseEvent* e) {
    if (onMouseMove) onMouseMove(e);
}
void PictureBox::mouseReleaseEvent(QMouseEvent* e) {
    if (onMouseRelease) onMouseRelease(e);
}
void PictureBox::keyPressEvent(QKeyEvent* e) {
    if (onKeyPress) onKeyPress(e);
    else QWidget::keyPressEvent(e);
}

frmPreview::frmPreview(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Anteprima");
    setModal(true);
    resize(900, 700);

    picPreview = new PictureBox(this);
    picPreview->setMouseTracking(true);
    picPreview->setFocusPolicy(Qt::StrongFocus);
    picPreview->setAutoFillBackground(true);

    picViewPort = new PictureBox(picPreview);
    picViewPort->setAutoFillBackground(true);
    QPalette viewportPalette = picViewPort->palette();
    viewportPalette.setColor(QPalette::Window, palette().color(QPalette::Dark));
    picViewPort->setPalette(viewportPalette);

    picPage = new PictureBox(picViewPort);
    picPage->setAutoFillBackground(true);
    QPalette pagePalette = picPage->palette();
    pagePalette.setColor(QPalette::Window, palette().color(QPalette::Base));
    picPage->setPalette(pagePalette);
    picPage->hide();

    VScroll1 = new QScrollBar(Qt::Vertical, picPreview);
    HScroll1 = new QScrollBar(Qt::Horizontal, picPreview);
    VScroll1->setEnabled(false);
    HScroll1->setEnabled(false);
    // The bars count how far the page has moved; DoScroll reports the page's position,
    // which is 4 at the start and negative further on.
    connect(VScroll1, &QScrollBar::valueChanged, this, [this](int v) { emit DoScroll(PagePosition(v), true); });
    connect(HScroll1, &QScrollBar::valueChanged, this, [this](int v) { emit DoScroll(PagePosition(v), false); });

    QFont labelFont("Tahoma");
    lblPageIndex = new QLabel("Nessuna pag.", picPreview);
    lblPageIndex->setFont(labelFont);
    lblPageIndex->setGeometry(388, 1, 95, 20);
    lblPageIndex->setAlignment(Qt::AlignCenter);
    lblPageIndex->installEventFilter(this);
    lblRange = new QLabel("Tutte", picPreview);
    lblRange->setGeometry(484, 1, 95, 20);
    lblRange->setAlignment(Qt::AlignCenter);
    lblRange->installEventFilter(this);

    mnuZoom = new QMenu("Zoom", this);
    const char* ratios[] = {"100 %", "75 %", "50 %", "25 %", "Larghezza pagina", "Pagina intera",
                            "Definito dall'utente"};
    for (int i = 0; i < 7; ++i) {
        QAction* a = mnuZoom->addAction(QString::fromUtf8(ratios[i]));
        connect(a, &QAction::triggered, this, [this, i] { emit ChangeZoomRatio(i); });
        mnuRatio.push_back(a);
    }
    mnuExport = new QMenu("Export", this);
    const char* formats[] = {"File di testo", "CSV", "HTML", "RTF", "JPG"};
    for (int i = 0; i < 5; ++i) {
        QAction* a = mnuExport->addAction(formats[i]);
        connect(a, &QAction::triggered, this, [this, i] { emit ExportAction(i); });
        if (i >= 3) {
            a->setVisible(false);
            a->setEnabled(false);
        }
        mnuFormat.push_back(a);
    }
    mnuTools = new QMenu("Tools", this);
    const char* tools[] = {"Scegli stampante", "Scegli pagine"};
    for (int i = 0; i < 2; ++i) {
        QAction* a = mnuTools->addAction(tools[i]);
        connect(a, &QAction::triggered, this, [this, i] { emit ToolSelected(i); });
        mnuSet.push_back(a);
    }
    DrawToolbarImages();
}

void frmPreview::DrawToolbarImages() {
    // Thirteen 16 x 16 images side by side, on a silver ground that serves as the mask.
    picImages = QPixmap(16 * 13, 16);
    picImages.fill(QColor(0xC0, 0xC0, 0xC0));
    QPainter p(&picImages);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0x20, 0x20, 0x60);
    auto triangle = [&](int x, bool right) {
        QPainterPath path;
        if (right) {
            path.moveTo(x + 5, 3);
            path.lineTo(x + 12, 8);
            path.lineTo(x + 5, 13);
        } else {
            path.moveTo(x + 11, 3);
            path.lineTo(x + 4, 8);
            path.lineTo(x + 11, 13);
        }
        path.closeSubpath();
        p.fillPath(path, ink);
    };
    triangle(0, false);  // 0 first
    p.fillRect(2, 3, 2, 10, ink);
    triangle(16, false);  // 1 previous
    p.setPen(ink);        // 2 go to: a page with a line
    p.drawRect(32 + 3, 2, 9, 12);
    p.drawLine(32 + 5, 8, 32 + 10, 8);
    triangle(48, true);  // 3 next
    triangle(64, true);  // 4 last
    p.fillRect(64 + 12, 3, 2, 10, ink);
    p.fillRect(80 + 3, 3, 10, 10, QColor(0x30, 0x90, 0x30));  // 5 custom
    p.drawEllipse(96 + 2, 2, 9, 9);                              // 6 zoom
    p.drawLine(96 + 10, 10, 96 + 14, 14);
    p.drawRect(112 + 2, 6, 12, 6);  // 7 print
    p.drawRect(112 + 5, 2, 6, 4);
    p.drawRect(128 + 2, 5, 12, 8);  // 8 printer set-up
    p.drawLine(128 + 4, 9, 128 + 12, 9);
    p.drawRect(144 + 3, 3, 9, 10);  // 9 spare
    p.drawRect(160 + 3, 2, 9, 12);  // 10 export: a page with an arrow
    p.drawLine(160 + 6, 8, 160 + 14, 8);
    p.drawLine(160 + 11, 5, 160 + 14, 8);
    p.drawLine(160 + 11, 11, 160 + 14, 8);
    p.drawRect(176 + 3, 3, 10, 10);  // 11 spare
    p.drawRect(192 + 4, 4, 8, 8);    // 12 spare
}

void frmPreview::Start() {
    picPreview->setGeometry(rect());
    LayoutPanel();
    if (Ui::ModalHook()) {
        show();
        Ui::ModalHook()(this);
        if (isVisible()) reject();
        return;
    }
    exec();
}

void frmPreview::LayoutPanel() {
    const int width = picPreview->width(), height = picPreview->height();
    picViewPort->setGeometry(0, ToolbarHeight, std::max(0, width - ScrollBarSize),
                             std::max(0, height - ToolbarHeight - ScrollBarSize));
    VScroll1->setGeometry(picViewPort->width(), ToolbarHeight, ScrollBarSize, picViewPort->height());
    HScroll1->setGeometry(0, ToolbarHeight + picViewPort->height(), picViewPort->width(), ScrollBarSize);
}

void frmPreview::resizeEvent(QResizeEvent*) {
    if (picPreview->parentWidget() == this) picPreview->setGeometry(rect());
}

void frmPreview::closeEvent(QCloseEvent* event) {
    // Closing from the frame only hides the window, which ends the modal Show.
    event->ignore();
    reject();
}

bool frmPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == lblPageIndex) {
            emit GotoPage();
            return true;
        }
        if (watched == lblRange) {
            emit ToolSelected(1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace Pagivex
