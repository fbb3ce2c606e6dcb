#include "Preview.h"

#include "Exporters.h"
#include "FontMap.h"
#include "UiHooks.h"
#include "clsPrintDialog.h"
#include "clsRangeSelector.h"
#include "frmPreview.h"
#include "modGlobals.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QToolTip>
#include <QUrl>

namespace Pagivex {
Preview::~Preview() = default;
PreviewEvents::~PreviewEvents() = default;

std::shared_ptr<Pagivex::Preview> CreatePreview() {
    auto preview = std::make_shared<impl::Preview>();
    preview->Init();
    return preview;
}
}  // namespace Pagivex

namespace Pagivex::impl {

namespace {
// The one preview window of the process, and the Previews that drove it, the
// one driving it now last: when that one lets go, the one before takes the
// window back with its own pages and handlers.
QPointer<frmPreview> g_form;
int g_formUsers = 0;
std::vector<Preview*> g_attached;

Preview* Attached() { return g_attached.empty() ? nullptr : g_attached.back(); }

// Marks a print or export as running, so that a second one cannot start from the window
// while the first lets events through.
class BusyGuard {
public:
    explicit BusyGuard(bool& flag) : m_flag(flag) { m_flag = true; }
    ~BusyGuard() { m_flag = false; }

private:
    bool& m_flag;
};
}  // namespace

Preview::Preview() : m_pages(std::make_shared<impl::Pages>()) {}

void Preview::Init() {
    m_pages->SetPreviewLink(std::static_pointer_cast<PagesListener>(shared_from_this()));
    m_zoom = 5;
    LoadPreviewWindow();
    BuildToolbar();
    LoadToolbarImages();
}

Preview::~Preview() { ReleasePreviewWindow(); }

void Preview::RaisePreviewError(qint32 number, const QString& procedure, const QString& description) {
    modGlobals::RaiseLibError(number, "Preview", procedure, description);
}

template <typename F>
void Preview::Guarded(F&& action) {
    try {
        action();
    } catch (const Pagivex::Error& e) {
        Ui::MsgBox("Errore " + QString::number(e.Number()) + "\n" + e.Description() + "\n(" + e.Source() + ")", 16);
    } catch (const std::exception& e) {
        Ui::MsgBox(QString::fromLocal8Bit(e.what()), 16);
    }
}

// ---- the shared window -------------------------------------------------------------

void Preview::LoadPreviewWindow() {
    if (!g_form) g_form = new frmPreview();
    ++g_formUsers;
    m_form = g_form;
    // A new Preview takes the window only when nobody drives it: one made
    // while another is shown must not blank that one.
    if (!Attached()) AttachWindow();
}

void Preview::AttachWindow() {
    if (!m_form || Attached() == this) return;
    if (Preview* previous = Attached()) previous->DetachWindow();
    std::erase(g_attached, this);
    g_attached.push_back(this);
    frmPreview* f = m_form;
    // The panel goes where this Preview keeps it: its host, or the window.
    QWidget* place = m_host ? m_host.data() : static_cast<QWidget*>(f);
    if (f->picPreview->parentWidget() != place) {
        f->picPreview->setParent(place);
        f->picPreview->setGeometry(place->rect());
        f->picPreview->show();
    }
    QObject::connect(f, &frmPreview::ChangeZoomRatio, this, [this](int i) { Guarded([&] { SetZoomRatio(i); }); });
    QObject::connect(f, &frmPreview::DoScroll, this, [this](int v, bool vertical) { DoScroll(v, vertical); });
    QObject::connect(f, &frmPreview::GotoPage, this, [this] { Guarded([&] { DoToolAction(3); }); });
    QObject::connect(f, &frmPreview::ExportAction, this, [this](int i) { Guarded([&] { OnExportAction(i); }); });
    QObject::connect(f, &frmPreview::ToolSelected, this, [this](int i) { Guarded([&] { OnToolSelected(i); }); });
    f->picPreview->onPaint = [this](QPainter& p) { PaintPanel(p); };
    f->picPreview->onResize = [this] {
        if (m_form->isMinimized()) return;
        m_form->LayoutPanel();
        Guarded([&] { SetZoomRatio(m_zoom); });
    };
    f->picPreview->onMousePress = [this](QMouseEvent* e) { PanelMousePress(e); };
    f->picPreview->onMouseMove = [this](QMouseEvent* e) { PanelMouseMove(e); };
    f->picPreview->onMouseRelease = [this](QMouseEvent* e) { Guarded([&] { PanelMouseRelease(e); }); };
    f->picPreview->onKeyPress = [this](QKeyEvent* e) { Guarded([&] { PanelKeyPress(e); }); };
    f->picPage->onPaint = [this](QPainter& p) { PaintPageBox(p); };
    f->picPage->onMousePress = [this](QMouseEvent* e) { PageMousePress(e); };
    f->picPage->onMouseRelease = [this](QMouseEvent* e) { PageMouseRelease(e); };
    // The window may have shown another Preview's pages: show this one's state.
    f->lblRange->setText(m_pages->Selection());
    if (m_pages->Count() == 0) {
        f->lblPageIndex->setText("Nessuna pag.");
        f->picPage->hide();
    } else {
        UpdateButtons(m_pages->Count());
    }
    f->picPreview->update();
    f->picPage->update();
}

void Preview::DetachWindow() {
    if (Attached() != this) return;
    if (!m_form) return;
    QObject::disconnect(m_form, nullptr, this, nullptr);
    for (PictureBox* box : {m_form->picPreview, m_form->picPage}) {
        box->onPaint = nullptr;
        box->onResize = nullptr;
        box->onMousePress = box->onMouseMove = box->onMouseRelease = nullptr;
        box->onKeyPress = nullptr;
    }
}

void Preview::TakePanelBack(QWidget* from) {
    QObject::disconnect(m_hostDestroyed);
    if (m_host) m_host->removeEventFilter(this);
    m_host = nullptr;
    if (!m_form) return;
    // Only from this Preview's own host: another Preview may hold it elsewhere.
    if (from && m_form->picPreview->parentWidget() == from) {
        m_form->picPreview->setParent(m_form);
        m_form->picPreview->setGeometry(m_form->rect());
        m_form->picPreview->show();
    }
    m_toolbar[14].Available = true;
}

void Preview::ReleasePreviewWindow() {
    if (!m_form) return;
    const bool driving = Attached() == this;
    if (m_host && driving) TakePanelBack(m_host.data());
    QObject::disconnect(m_hostDestroyed);
    m_host = nullptr;
    DetachWindow();
    std::erase(g_attached, this);
    // The Preview before this one gets the window back, whole.
    if (driving && Attached()) {
        Preview* previous = Attached();
        g_attached.pop_back();
        previous->AttachWindow();
        previous->LayoutPanel();
    }
    m_form = nullptr;
    if (--g_formUsers == 0 && g_form) {
        g_form->hide();
        delete g_form;
    }
}

// ---- simple members ----------------------------------------------------------------

QString Preview::Application() const { return modGlobals::ApplicationName(); }

void Preview::SetApplication(const QString& name) { modGlobals::ApplicationName() = name; }

void Preview::SetLockRedraw(bool bLock) {
    if (bLock == m_lockRedraw) return;
    if (bLock) m_lockRedraw = true;
    else Redraw();
}

void Preview::Redraw() {
    m_lockRedraw = false;
    if (m_updateLock) {
        if (m_form) m_form->picViewPort->setUpdatesEnabled(true);
        m_updateLock = false;
    } else {
        PaintActivePage();
    }
}

qint32 Preview::SyncShell(const QString& sCmdLine) {
    try {
        const QUrl url = QFileInfo::exists(sCmdLine) ? QUrl::fromLocalFile(QFileInfo(sCmdLine).absoluteFilePath())
                                                     : QUrl::fromUserInput(sCmdLine);
        // The shell's convention: above 32 is success, 2 means "file not found".
        return QDesktopServices::openUrl(url) ? 33 : 2;
    } catch (...) {
        return 0;
    }
}

void Preview::Cls() {
    m_memDC.Clear();
    if (m_form) m_form->picPage->update();
}

void Preview::SetCustomCommand(const QString& sCaption) {
    ToolButton& b = m_toolbar[12];
    b.Available = !sCaption.isEmpty();
    b.Tooltip = sCaption.isEmpty() ? QString("Custom Command") : sCaption;
    DrawToolButton(13, false);
}

bool Preview::SetPrinter(const QString& PrinterDeviceName) {
    try {
        const QString wanted = PrinterDeviceName.toLower();
        if (wanted == CurrentPrinter().DeviceName.toLower()) return false;
        for (const QString& name : InstalledPrinters()) {
            if (name.toLower() == wanted) {
                CurrentPrinter().DeviceName = name;
                return true;
            }
        }
        // Choosing a printer never prints anything on it.
        return false;
    } catch (...) {
        return false;
    }
}

// ---- container -----------------------------------------------------------------------

quintptr Preview::Container() const {
    if (m_host) return quintptr(m_host->winId());
    return m_form ? quintptr(m_form->winId()) : 0;
}

void Preview::SetContainer(quintptr hWnd) {
    if (!m_form) return;
    AttachWindow();
    if (hWnd == Container()) {
        LayoutPanel();
        return;
    }
    QWidget* target = nullptr;
    if (hWnd != 0 && hWnd != quintptr(m_form->winId())) {
        target = QWidget::find(WId(hWnd));
        if (!target) RaisePreviewError(13084, "Container[Let]");
    }
    if (m_host) m_host->removeEventFilter(this);
    QObject::disconnect(m_hostDestroyed);
    m_host = target;
    QWidget* parent = target ? target : static_cast<QWidget*>(m_form);
    m_form->picPreview->setParent(parent);
    m_form->picPreview->show();
    if (target) {
        target->installEventFilter(this);
        // A host closed before this Preview is released would take the panel
        // with it: it comes back into the preview window first (a widget
        // says it goes before its children do).
        m_hostDestroyed =
            QObject::connect(target, &QObject::destroyed, this, [this, target] { TakePanelBack(target); });
    }
    m_toolbar[14].Available = (target == nullptr);
    LayoutPanel();
}

bool Preview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_host && event->type() == QEvent::Resize) Guarded([&] { LayoutPanel(); });
    return QObject::eventFilter(watched, event);
}

void Preview::LayoutPanel() {
    if (!m_form) return;
    QWidget* parent = m_host ? m_host.data() : static_cast<QWidget*>(m_form);
    m_form->picPreview->setGeometry(parent->rect());
    m_form->LayoutPanel();
    SetZoomRatio(m_zoom);
}

// ---- show, print, export -------------------------------------------------------------

void Preview::Show() {
    AttachWindow();
    m_pages->Fonts()->Create(nullptr);
    if (m_pages->Count() > 0) {
        m_pages->SelectPage(1);
        SetLockRedraw(false);
        PaintActivePage();
        SetZoomRatio(5);
    }
    if (!m_host && m_form) {
        m_toolbar[9].Caption = "Zoom";
        DrawToolButton(10, false);
        m_form->lblRange->setText(m_pages->Selection());
        m_form->Start();
    }
}

void Preview::PrintPages() {
    if (m_busy) RaisePreviewError(1075, "PrintPages");
    BusyGuard busy(m_busy);
    // A PDF file named by the caller, or chosen in this preview's printer set-up, needs no printer.
    const QString pdfFile = m_printFile;
    if (pdfFile.isEmpty() && InstalledPrinters().isEmpty()) RaisePreviewError(1082, "PrintPages");
    if (m_sink) m_sink->Printing();

    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setDocName(modGlobals::ApplicationName().isEmpty() ? QString("Pagivex") : modGlobals::ApplicationName());
    if (!pdfFile.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfFile);
    } else {
        const CurrentPrinterState& current = CurrentPrinter();
        if (!current.DeviceName.isEmpty()) printer.setPrinterName(current.DeviceName);
        printer.setCopyCount(current.Copies);
        printer.setDuplex(current.Duplex);
    }
    QPainter painter;
    PrintJob job{&printer, &painter, false};
    const modGlobals::PrintHeap heap;
    const modGlobals::FastCompression compression;
    for (const auto& page : m_pages->PageList()) page->RenderPage(job);
    if (job.started && !painter.end()) RaisePreviewError(1074, "PrintPages");
    if (m_sink) m_sink->Done(zvPrinter);
}

void Preview::Export(ZVDestination iFormat) {
    if (iFormat == zvPrinter) {
        PrintPages();
        return;
    }
    if (m_busy) RaisePreviewError(1075, "Export");
    BusyGuard busy(m_busy);
    std::unique_ptr<clsExportBase> writer;
    switch (iFormat) {
    case zvText: writer = std::make_unique<ExportTXT>(); break;
    case zvCSV: writer = std::make_unique<ExportCSV>(); break;
    case zvHTML: writer = std::make_unique<ExportHTML>(); break;
    default: break;
    }
    if (m_sink) m_sink->Exporting(iFormat);
    // No writer for this format: nothing is written and nothing is reported.
    if (!writer) return;
    if (!m_outputFile.isEmpty()) {
        writer->SetFileName(m_outputFile);
    } else {
        const std::optional<QString> answer = Ui::InputBox("Nome del file:", "Anteprima - esportazione", "report");
        // A cancelled or empty answer writes nothing.
        if (!answer || answer->trimmed().isEmpty()) return;
        QString name = *answer;
        if (!name.contains('/')) name = modGlobals::WorkFolder() + "/" + name;
        writer->SetFileName(name);
    }
    writer->Export(m_pages);
    m_outputFile = writer->FileName();
    if (m_launchFile) SyncShell(m_outputFile);
    if (m_sink) m_sink->Done(iFormat);
}

// ---- events of the collection --------------------------------------------------------

void Preview::UpdateButtons(qint32 count) {
    for (int n = 1; n <= 5; ++n) m_toolbar[size_t(n - 1)].Available = m_pages->CanMovePage(qint16(n));
    m_toolbar[6].Available = !InstalledPrinters().isEmpty() || !m_printFile.isEmpty();
    m_toolbar[7].Available = m_toolbar[8].Available = m_toolbar[9].Available = true;
    if (!m_lockRedraw) DrawToolButton(0, false);
    if (m_form && Attached() == this)
        m_form->lblPageIndex->setText("Pag. " + QString::number(m_currentPage) + "/" + QString::number(count));
}

void Preview::OnPageAdded(qint32 count) { UpdateButtons(count); }

void Preview::OnCleared() {
    for (int n = 0; n < 10; ++n) m_toolbar[size_t(n)].Available = false;
    if (!m_lockRedraw) DrawToolButton(0, false);
    m_currentPage = 0;
    if (m_form && Attached() == this) {
        m_form->lblPageIndex->setText("Nessuna pagina");
        m_form->picPage->hide();
    }
}

void Preview::OnPageSelected(qint32 page, qint32 count) {
    m_currentPage = page;
    UpdateButtons(count);
    PaintActivePage();
}

void Preview::SetRangeCaption(const QString& text) {
    if (m_form) m_form->lblRange->setText(text);
}

QFont Preview::MeasureFont() const { return m_form ? m_form->font() : QApplication::font(); }

// ---- painting --------------------------------------------------------------------------

void Preview::PaintActivePage() {
    if (m_lockRedraw) return;
    auto page = std::dynamic_pointer_cast<impl::Page>(m_pages->ActivePage());
    if (!page) return;
    m_pageWidth = page->DisplayWidth();
    m_pageHeight = page->DisplayHeight();
    const bool sizeChanged = m_memDC.Width() != m_pageWidth || m_memDC.Height() != m_pageHeight;
    // The surface is always exactly the page's size, so nothing of a larger earlier page
    // is left around a smaller one.
    if (sizeChanged) m_memDC.Resize(m_pageWidth, m_pageHeight);
    else m_memDC.Clear();
    auto fonts = m_pages->Fonts();
    for (const PageElement& e : page->Elements()) {
        switch (e.Type) {
        case 2:
            m_memDC.DrawLine(e.Left, e.Top, e.Width, e.Height, e.ForeColor,
                             modGlobals::CLng(e.Size, "Preview", "PaintActivePage"));
            break;
        case 3:
            m_memDC.DrawBox(e.Left, e.Top, e.Width, e.Height, modGlobals::CInt(e.Size, "Preview", "PaintActivePage"),
                            e.ForeColor, e.BackColor);
            break;
        case 4:
            try {
                m_memDC.DrawPicture(e.Picture, e.Left, e.Top, modGlobals::RoundEven(e.Width * 1.16),
                                    modGlobals::RoundEven(e.Height * 1.16), true, true, true);
            } catch (const Pagivex::Error&) {
                // A picture that cannot be drawn is left out of the preview.
            }
            break;
        case 1: {
            const QFont previous = m_memDC.Font();
            if (auto f = fonts->ByPosition(e.FontIndex))
                m_memDC.SetFont(f->Handle() != 0 ? f->Created() : f->MakeFont(96), f->Rotation());
            m_memDC.DrawText(e.Text, e.Left, e.Top, e.Width, e.Height, e.ForeColor, e.BackColor, e.Aligment);
            m_memDC.SetFont(previous);
            break;
        }
        default: break;
        }
    }
    if (sizeChanged) {
        SetZoomRatio(m_zoom);
    } else if (m_form) {
        m_form->picPage->show();
        m_form->picPage->update();
    }
}

void Preview::PaintPageBox(QPainter& p) {
    auto page = m_pages->ActivePage();
    if (!m_form || !m_form->picPage->isVisible() || !page) return;
    m_memDC.BlitImage(p, 0, 0, m_form->picPage->width(), m_form->picPage->height(), page->Enabled());
}

void Preview::SetZoomRatio(qint32 zoom) {
    if (m_pages->Count() == 0 || !m_form) return;
    frmPreview* f = m_form;
    const QRect area = f->picViewPort->rect().adjusted(4, 4, -4, -4);
    const int W = std::max(0, area.width()), H = std::max(0, area.height());
    double ratio = 1.0;
    qint32 remembered = zoom;
    switch (zoom) {
    case 0: ratio = 1.0; break;
    case 1: ratio = 0.75; break;
    case 2: ratio = 0.5; break;
    case 3: ratio = 0.25; break;
    case 4:
        if (m_pageWidth == 0) return f->picPage->update();
        ratio = double(W) / m_pageWidth;
        break;
    case 5:
        if (m_pageWidth == 0 || m_pageHeight == 0 || W == 0) return f->picPage->update();
        ratio = double(H) / W > double(m_pageHeight) / m_pageWidth ? double(W) / m_pageWidth
                                                                     : double(H) / m_pageHeight;
        break;
    case 6: {
        const std::optional<QString> answer = Ui::InputBox("Enter a zoom ratio between 10 and 100");
        if (!answer) return;
        const double v = modGlobals::Val(*answer);
        if (v < 10 || v > 100) return;
        ratio = v / 100.0;
        remembered = modGlobals::RoundEven(v);
        break;
    }
    case 7:
        f->picPage->hide();
        f->HScroll1->setEnabled(false);
        f->VScroll1->setEnabled(false);
        m_toolbar[9].Caption = "Zoom Level";
        DrawToolButton(10, false);
        return;
    default: ratio = zoom / 100.0; break;
    }
    m_zoom = remembered;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (ratio < 0.1) ratio = 0.1;
    m_toolbar[9].Caption = QString::number(qint64(std::floor(ratio * 100 + 0.5))) + "%";
    DrawToolButton(10, false);
    f->picPage->unsetCursor();

    const int w = modGlobals::RoundEven(ratio * m_pageWidth), h = modGlobals::RoundEven(ratio * m_pageHeight);
    int left = 0, top = 0;
    const QSignalBlocker blockH(f->HScroll1), blockV(f->VScroll1);
    const bool horizontal = W < w, vertical = H < h;
    if (horizontal) {
        f->HScroll1->setEnabled(true);
        f->HScroll1->setRange(0, frmPreview::BarValue(W - w));
        f->HScroll1->setPageStep(h);
        f->HScroll1->setSingleStep(std::max(1, h / 5));
        f->HScroll1->setValue(0);
        left = 4;
    } else {
        left = modGlobals::RoundEven((W - w) / 2.0 + 4);
        f->HScroll1->setEnabled(false);
    }
    if (vertical) {
        f->VScroll1->setEnabled(true);
        f->VScroll1->setRange(0, frmPreview::BarValue(H - h));
        f->VScroll1->setPageStep(w);
        f->VScroll1->setSingleStep(std::max(1, w / 5));
        f->VScroll1->setValue(0);
        top = 4;
    } else {
        top = modGlobals::RoundEven((H - h) / 2.0 + 4);
        f->VScroll1->setEnabled(false);
    }
    if (horizontal && vertical) f->picPage->setCursor(Qt::SizeAllCursor);
    else if (horizontal) f->picPage->setCursor(Qt::SizeHorCursor);
    else if (vertical) f->picPage->setCursor(Qt::SizeVerCursor);

    f->picPage->setGeometry(left, top, w, h);
    f->picPage->show();
    f->picPage->update();
    // While the caller holds redrawing, the viewport stays frozen until Redraw.
    if (m_lockRedraw && (horizontal || vertical) && !m_updateLock) {
        f->picViewPort->setUpdatesEnabled(false);
        m_updateLock = true;
    }
    QApplication::restoreOverrideCursor();
}

void Preview::DoScroll(int value, bool vertical) {
    if (!m_form) return;
    QWidget* page = m_form->picPage;
    if (vertical) page->move(page->x(), value);
    else page->move(value, page->y());
}

void Preview::PageMousePress(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !m_form || !m_form->picPage->testAttribute(Qt::WA_SetCursor)) return;
    m_dragStart = e->globalPosition().toPoint();
    m_dragging = true;
}

void Preview::PageMouseRelease(QMouseEvent* e) {
    if (!m_dragging || !m_form) return;
    const QPoint delta = e->globalPosition().toPoint() - m_dragStart;
    // The page follows the mouse: dragging it up shows what lies below.
    for (auto [bar, step] : {std::pair{m_form->HScroll1, delta.x()}, std::pair{m_form->VScroll1, delta.y()}}) {
        if (bar->isEnabled() && bar->maximum() > 0)
            bar->setValue(std::clamp(bar->value() - step, bar->minimum(), bar->maximum()));
    }
    m_dragging = false;
}

// ---- toolbar -----------------------------------------------------------------------------

void Preview::AddToolButton(const QString& key, const QString& caption, qint16 image, const QString& tooltip,
                            bool available, bool separator) {
    ToolButton b;
    b.Key = key;
    b.Caption = caption;
    b.Image = image;
    b.Tooltip = tooltip;
    b.Available = available;
    b.Separator = separator;
    b.Left = m_toolbar.empty() ? 0 : m_toolbar.back().Right + 1;
    const int captionWidth =
        m_form ? m_form->picPreview->fontMetrics().horizontalAdvance(caption) : int(caption.size()) * 6;
    if (separator) b.Right = b.Left + 4;
    else if (image < 0) b.Right = b.Left + captionWidth + 8;
    else if (!caption.isEmpty()) b.Right = b.Left + 24 + captionWidth + 4;
    else b.Right = b.Left + 23;
    m_toolbar.push_back(b);
}

void Preview::BuildToolbar() {
    m_toolbar.clear();
    AddToolButton("first", "", 0, "Prima pagina", false);
    AddToolButton("previous", "", 1, "Pagina precedente", false);
    AddToolButton("goto", "", 2, "Vai a pagina", false);
    AddToolButton("next", "", 3, "Prossima pagina", false);
    AddToolButton("last", "", 4, "Ultima pagina", false);
    AddToolButton("", "", -1, "", false, true);
    AddToolButton("print", "stampa", 7, "Invia a stampante", false);
    AddToolButton("export", "", 10, "Esporta il report", false);
    AddToolButton("", "", -1, "", false, true);
    AddToolButton("zoom", " zoom ", 6, "Ingrandimento pagina", false);
    AddToolButton("", "", -1, "", false, true);
    AddToolButton("printer", "", 8, "Seleziona stampante di default", true);
    AddToolButton("custom", "", 5, "", false);
    AddToolButton("", "", -1, "", false, true);
    AddToolButton("close", "chiudi", -1, "Chiudi l'anteprima", true);
}

void Preview::LoadToolbarImages() {
    m_images.Create(16);
    m_images.Clear();
    if (!m_form) return;
    for (int i = 0; i < 13; ++i) m_images.AddFromPixmap(m_form->picImages, 16 * i, 0, -1);
}

void Preview::DrawToolButton(int n, bool pressed) {
    // Buttons are drawn in the panel's paint; this asks for the strip to be repainted.
    if (!m_form || m_lockRedraw) return;
    if (n == 0) {
        m_form->picPreview->update(0, 0, m_form->picPreview->width(), frmPreview::ToolbarHeight);
        return;
    }
    const ToolButton& b = m_toolbar[size_t(n - 1)];
    m_form->picPreview->update(b.Left, 0, b.Right - b.Left + 1, frmPreview::ToolbarHeight);
    (void)pressed;
}

void Preview::PaintPanel(QPainter& p) {
    const QPalette pal = m_form->palette();
    for (int n = 1; n <= int(m_toolbar.size()); ++n) {
        const ToolButton& b = m_toolbar[size_t(n - 1)];
        if (b.Separator) continue;
        const bool pressed = (n == m_hovered) && (QApplication::mouseButtons() & Qt::LeftButton) && b.Available;
        const QRect r(b.Left, 1, b.Right - b.Left, 21);
        p.fillRect(r, pal.color(QPalette::Button));
        p.setPen(pressed ? pal.color(QPalette::Mid) : pal.color(QPalette::Base));
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(pressed ? pal.color(QPalette::Base) : pal.color(QPalette::Mid));
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        const int shift = pressed ? 1 : 0;
        if (b.Image >= 0) m_images.DrawImage(b.Image, p, qint16(b.Left + 3 + shift), qint16(4 + shift), false,
                                             !b.Available);
        if (!b.Caption.isEmpty()) {
            p.setPen(b.Available ? QColor(Qt::black) : pal.color(QPalette::Mid));
            const int x = b.Left + (b.Image >= 0 ? 24 : 4) + shift;
            p.drawText(QRect(x, 4 + shift, b.Right - x, 16), Qt::AlignLeft | Qt::AlignVCenter, b.Caption);
        }
    }
}

int Preview::HitTestToolButton(int x) const {
    for (int n = 1; n <= int(m_toolbar.size()); ++n) {
        const ToolButton& b = m_toolbar[size_t(n - 1)];
        if (b.Left <= x && x <= b.Right) return n;
    }
    return 0;
}

void Preview::PanelMouseMove(QMouseEvent* e) {
    const int hit = e->position().y() < frmPreview::ToolbarHeight ? HitTestToolButton(int(e->position().x())) : 0;
    m_hovered = hit;
    m_form->picPreview->setToolTip(hit ? m_toolbar[size_t(hit - 1)].Tooltip : QString());
}

void Preview::PanelMousePress(QMouseEvent* e) {
    m_hovered = e->position().y() < frmPreview::ToolbarHeight ? HitTestToolButton(int(e->position().x())) : 0;
    if (m_hovered && m_toolbar[size_t(m_hovered - 1)].Available) DrawToolButton(m_hovered, true);
}

void Preview::PanelMouseRelease(QMouseEvent* e) {
    const int hit = e->position().y() < frmPreview::ToolbarHeight ? HitTestToolButton(int(e->position().x())) : 0;
    if (m_hovered) DrawToolButton(m_hovered, false);
    if (hit && hit == m_hovered && m_toolbar[size_t(hit - 1)].Available) DoToolAction(qint16(hit));
}

void Preview::PanelKeyPress(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Escape: DoToolAction(15); break;
    case Qt::Key_PageUp: DoToolAction(2); break;
    case Qt::Key_PageDown: DoToolAction(4); break;
    case Qt::Key_End: DoToolAction(5); break;
    case Qt::Key_Home: DoToolAction(1); break;
    default: break;
    }
}

void Preview::DoToolAction(qint16 n) {
    switch (n) {
    case 1: case 2: case 3: case 4: case 5: NavigatePage(n); break;
    case 7: PrintPages(); break;
    case 8: case 10: case 12: {
        if (!m_form) break;
        QMenu* menu = n == 8 ? m_form->mnuExport : n == 10 ? m_form->mnuZoom : m_form->mnuTools;
        const ToolButton& b = m_toolbar[size_t(n - 1)];
        menu->popup(m_form->picPreview->mapToGlobal(QPoint(b.Left, 24)));
        break;
    }
    case 13:
        if (m_sink) m_sink->UserCommand();
        break;
    case 15:
        if (m_form) m_form->hide();
        break;
    default: break;
    }
}

void Preview::NavigatePage(qint16 n) {
    if (n != 3) {
        m_pages->MovePage(n);
        return;
    }
    if (m_pages->Count() == 0) {
        m_toolbar[2].Available = false;
        DrawToolButton(3, false);
        Ui::MsgBox("There are not created pages yet", 64);
        return;
    }
    const std::optional<QString> answer =
        Ui::InputBox("Immettere il numero di pagina che si vuole visualizzare\n(un numero valido tra 1 e " +
                         QString::number(m_pages->Count()) + ")",
                     "Tarvello");
    if (!answer) return;
    const double v = modGlobals::Val(*answer);
    if (v > -2147483648.5 && v < 2147483647.5) m_pages->SelectPage(modGlobals::RoundEven(v));
}

void Preview::OnToolSelected(int index) {
    if (index == 0) {
        clsPrintDialog dialog;
        dialog.SetMin(1);
        dialog.SetMax(1000);
        dialog.Flags = 12;
        dialog.hWndOwner = m_host ? m_host.data() : static_cast<QWidget*>(m_form);
        dialog.PrintFile = m_printFile;
        if (dialog.ShowPrinter()) {
            // What is chosen here is where this preview prints: a PDF file, or the printer.
            m_printFile = dialog.PrintFile;
            if (m_pages->Count() > 0) UpdateButtons(m_pages->Count());
        }
    } else if (index == 1) {
        const std::optional<QString> answer =
            Ui::InputBox("Enter pages range separated with commas.\n(i.e. '1,3-5,7-*'), '*' for all pages.", QString(),
                         m_pages->Selection());
        if (answer && !answer->trimmed().isEmpty()) m_pages->SetSelection(*answer);
        if (m_form) m_form->picPage->update();
    }
}

void Preview::OnExportAction(int index) {
    static const ZVDestination formats[] = {zvText, zvCSV, zvHTML, zvRTF, zvJPG};
    if (index >= 0 && index < 5) Export(formats[index]);
}

}  // namespace Pagivex::impl
