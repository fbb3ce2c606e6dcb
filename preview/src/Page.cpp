#include "Page.h"

#include "FontMap.h"
#include "Pages.h"
#include "Painters.h"
#include "clsPrintDialog.h"
#include "clsRangeSelector.h"
#include "modGlobals.h"

#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <optional>

namespace Pagivex {
Page::~Page() = default;
}

namespace Pagivex::impl {

using modGlobals::CLng;
using modGlobals::CInt;

float ScaleFactor(qint32 scaleMode) {
    switch (scaleMode) {
    case 1: return float(1.0 / 15.0);
    case 2: return float(20.0 / 15.0);
    case 3: return 1.0f;
    case 5: return float(1440.0 / 15.0);
    case 6: return float(57.13577 / 15.0);
    case 7: return float(571.3577 / 15.0);
    default: return 0.0f;
    }
}

void DerivePaperSize(float w, float h, qint16& paperSize, bool& landscape) {
    if (w == 816.0f) {
        paperSize = h == 1056.0f ? 1 : h == 1152.0f ? 9 : h == 1344.0f ? 5 : 256;
    } else if (w == 1056.0f || w == 1152.0f || w == 1344.0f) {
        paperSize = h != 816.0f ? 256 : w == 1056.0f ? 1 : w == 1152.0f ? 9 : 5;
    } else {
        paperSize = 256;
    }
    landscape = w > h;
}

bool StandardPaper(qint32 paperSize, float& width, float& height) {
    width = 816;
    switch (paperSize) {
    case 1: height = 1056; return true;
    case 9: height = 1152; return true;
    case 5: height = 1344; return true;
    default: return false;
    }
}

void Sheet::SetWidth(float v) {
    width = v;
    displayWidth = v * factor;
    DerivePaperSize(displayWidth, displayHeight, paperSize, landscape);
}

void Sheet::SetHeight(float v) {
    height = v;
    displayHeight = v * factor;
    DerivePaperSize(displayWidth, displayHeight, paperSize, landscape);
}

void Sheet::SetLandscape(bool v, const char* object) {
    landscape = v;
    if ((v && displayWidth < displayHeight) || (!v && displayWidth > displayHeight)) {
        const float oldWidth = displayWidth;
        displayWidth = displayHeight;
        displayHeight = float(CLng(oldWidth, object, "Landscape[Let]"));
    }
}

void Sheet::SetPaperSize(qint32 code) {
    float w = 0, h = 0;
    if (!StandardPaper(code, w, h)) {
        paperSize = 256;
        return;
    }
    paperSize = qint16(code);
    if (landscape) std::swap(w, h);
    displayWidth = w;
    displayHeight = h;
}

void Page::InitPage(qint16 paperSize, qint32 scaleMode, float factor, float displayWidth, float displayHeight,
                    bool landscape) {
    m_sheet.paperSize = paperSize;
    m_scaleMode = scaleMode;
    m_sheet.factor = factor;
    m_sheet.displayWidth = displayWidth;
    m_sheet.displayHeight = displayHeight;
    m_sheet.landscape = landscape;
    const QStringList printers = InstalledPrinters();
    m_printerPort = printers.isEmpty() ? QString("[Unknown]")
                    : CurrentPrinter().DeviceName.isEmpty() ? printers.first()
                                                            : CurrentPrinter().DeviceName;
}

void Page::Attach(qint32 index, const std::weak_ptr<Pages>& parent, std::shared_ptr<FontMap> fonts,
                  std::shared_ptr<clsRangeSelector> selection) {
    m_index = index;
    m_parent = parent;
    m_fonts = std::move(fonts);
    m_selection = std::move(selection);
}

qint32 Page::Scale(float value, const char* procedure) const {
    // Single arithmetic, as the stored coordinates have always been computed.
    const float product = value * m_sheet.factor;
    return CLng(double(product), "Page", procedure);
}

void Page::SetCoordinates(PageElement& e, float a, float b, float c, float d, const char* procedure) const {
    e.Left = Scale(a, procedure);
    e.Top = Scale(b, procedure);
    e.Width = Scale(c, procedure);
    e.Height = Scale(d, procedure);
}

void Page::Append(PageElement e) {
    e.SectionType = m_section;
    m_elements.push_back(std::move(e));
}

void Page::DrawBox(float Left, float Top, float Width, float Height, qint32 lForeColor, qint32 lBackColor,
                   qint16 iLineWidth) {
    PageElement e;
    e.Type = 3;
    SetCoordinates(e, Left, Top, Width, Height, "DrawBox");
    e.ForeColor = lForeColor;
    e.BackColor = lBackColor;
    e.Size = iLineWidth;
    Append(std::move(e));
}

void Page::DrawLine(float X1, float Y1, float X2, float Y2, qint32 lColor, qint16 iWidth) {
    PageElement e;
    e.Type = 2;
    SetCoordinates(e, X1, Y1, X2, Y2, "DrawLine");
    e.ForeColor = lColor;
    e.Size = iWidth;
    e.BackColor = 0;
    Append(std::move(e));
}

void Page::DrawPicture(float Left, float Top, float Width, float Height, const QImage& oPicture, bool bKeepRatio,
                       const QString& sFileName) {
    PageElement e;
    e.Type = 4;
    SetCoordinates(e, Left, Top, Width, Height, "DrawPicture");
    e.Picture = oPicture;
    e.Text = sFileName;
    Append(std::move(e));
}

void Page::DrawText(const QString& sText, float lLeft, float lTop, float lWidth, float lHeight, qint32 lFColor,
                    qint32 lBColor, qint32 lAligment, qint16 iFontIndex) {
    PageElement e;
    e.Type = 1;
    e.Text = sText;
    SetCoordinates(e, lLeft, lTop, lWidth, lHeight, "DrawText");
    e.ForeColor = lFColor;
    e.BackColor = lBColor;
    e.Aligment = lAligment;
    if (iFontIndex != 0) {
        e.FontIndex = iFontIndex;
    } else if (m_fonts) {
        if (auto active = m_fonts->ActiveFont()) e.FontIndex = active->Index();
    }
    Append(std::move(e));
}

void Page::NewSection() {
    if (m_section == 32767) modGlobals::RaiseLibError(modGlobals::ErrOverflow, "Page", "NewSection", "Overflow");
    ++m_section;
}

qint16 Page::SetFont(const QString& FaceName, float Size, bool Bold, bool Italic, bool Underline, bool Strikethrough,
                     qint16 Rotation) {
    if (!m_fonts) return 0;
    return m_fonts->Add(FaceName, Size, Bold, Italic, Underline, Strikethrough, Rotation);
}

qint32 Page::DisplayWidth() const { return CLng(m_sheet.displayWidth, "Page", "DisplayWidth"); }
qint32 Page::DisplayHeight() const { return CLng(m_sheet.displayHeight, "Page", "DisplayHeight"); }

PageElement Page::Element(qint16 Index) const {
    if (Index < 1 || Index > qint16(m_elements.size()))
        modGlobals::RaiseLibError(modGlobals::ErrSubscript, "Page", "Element", "Subscript out of range");
    return m_elements[size_t(Index - 1)];
}

bool Page::Enabled() const { return !m_selection || m_selection->ElementInRange(m_index); }

std::shared_ptr<Pagivex::Pages> Page::Parent() const { return m_parent.lock(); }

void Page::SetActive() {
    if (auto parent = m_parent.lock()) parent->SelectPage(m_index);
}

void Page::Clear() {
    m_elements.clear();
    m_section = 0;
}

void Page::SetLandscape(bool v) { m_sheet.SetLandscape(v, "Page"); }

void Page::SetWidth(float v) { m_sheet.SetWidth(v); }

void Page::SetHeight(float v) { m_sheet.SetHeight(v); }

void Page::SetPaperSize(qint16 v) { m_sheet.SetPaperSize(v); }

// The printer bin codes callers give (1 upper ... 7 automatic ... 15 form source).
static std::optional<QPrinter::PaperSource> PaperSource(qint16 bin) {
    if (bin >= 1 && bin <= 11) return QPrinter::PaperSource(bin - 1);
    if (bin == 14) return QPrinter::Cassette;
    if (bin == 15) return QPrinter::FormSource;
    return std::nullopt;
}

static QPageLayout PrinterLayout(const Sheet& sheet) {
    QPageSize size;
    QPageLayout::Orientation orientation = sheet.landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
    switch (sheet.paperSize) {
    case 1: size = QPageSize(QPageSize::Letter); break;
    case 5: size = QPageSize(QPageSize::Legal); break;
    case 9: size = QPageSize(QPageSize::A4); break;
    default: {
        // A user-defined sheet is given as its portrait size plus the orientation.
        const double w = std::max<double>(1, sheet.displayWidth) / 96.0;
        const double h = std::max<double>(1, sheet.displayHeight) / 96.0;
        size = QPageSize(QSizeF(std::min(w, h), std::max(w, h)), QPageSize::Inch, QString(), QPageSize::ExactMatch);
        orientation = w > h ? QPageLayout::Landscape : QPageLayout::Portrait;
        break;
    }
    }
    return QPageLayout(size, orientation, QMarginsF(0, 0, 0, 0));
}

void Page::RenderPage(PrintJob& job) {
    if (!Enabled()) return;
    QPrinter& printer = *job.printer;
    QPainter& painter = *job.painter;
    printer.setPageLayout(PrinterLayout(m_sheet));
    // The first printed page opens the job; every later one starts a new sheet, so a range
    // whose lowest page does not exist never yields a blank first sheet.
    if (auto source = PaperSource(m_printerTray); source && printer.paperSource() != *source) {
        printer.setPaperSource(*source);  // a bin the printer lacks is simply not used
    }
    if (job.started) {
        printer.newPage();
    } else {
        if (!painter.begin(&printer))
            modGlobals::RaiseLibError(1074, "Page", "RenderPage", "Invalid Device Context.");
        job.started = true;
    }
    const double sx = printer.logicalDpiX() / 96.0, sy = printer.logicalDpiY() / 96.0;
    const int dpiY = printer.logicalDpiY();
    qint16 currentFont = 0;
    QFont font;
    auto selectFont = [&](qint16 index) {
        currentFont = index;
        if (auto f = m_fonts ? m_fonts->ByPosition(index) : nullptr) font = f->MakeFont(dpiY);
    };
    selectFont(1);
    modGlobals::DoEvents();
    // Display pixels to printer dots.
    auto X = [sx](double v) { return CLng(v * sx, "Page", "RenderPage"); };
    auto Y = [sy](double v) { return CLng(v * sy, "Page", "RenderPage"); };
    for (const PageElement& e : m_elements) {
        switch (e.Type) {
        case 1: {
            if (e.FontIndex != currentFont) selectFont(e.FontIndex);
            auto f = m_fonts ? m_fonts->ByPosition(e.FontIndex) : nullptr;
            Painters::RenderText(painter, e.Text, QRect(X(e.Left), Y(e.Top), X(e.Width), Y(e.Height)), e.ForeColor,
                                 e.BackColor, e.Aligment, font, f ? f->Rotation() : 0);
            break;
        }
        case 2:
            Painters::RenderLine(painter, QPoint(X(e.Left), Y(e.Top)), QPoint(X(e.Width), Y(e.Height)), e.ForeColor,
                                 CInt(e.Size * sy, "Page", "RenderPage"));
            break;
        case 3:
            Painters::RenderBox(painter, QRect(X(e.Left), Y(e.Top), X(e.Width), Y(e.Height)),
                                CInt(e.Size * sy, "Page", "RenderPage"), e.ForeColor, e.BackColor);
            break;
        case 4:
            // Pictures come out 18 % larger on paper, as they always have.
            Painters::RenderPicture(painter, e.Picture,
                                    QRect(X(e.Left), Y(e.Top), X(e.Width * 1.18), Y(e.Height * 1.18)), true, true,
                                    true, "Page");
            break;
        default: break;
        }
    }
    modGlobals::DoEvents();
}

}  // namespace Pagivex::impl
