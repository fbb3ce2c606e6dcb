// One sheet of a report: its elements in display pixels, size, paper and orientation.
#pragma once

#include <Pagivex/Pagivex.h>

#include <memory>
#include <vector>

class QPainter;
class QPrinter;

namespace Pagivex {
class clsRangeSelector;
}

namespace Pagivex::impl {

class Pages;
class FontMap;

// Display pixels per user unit for a ScaleMode; 0 for a mode the library does not support.
float ScaleFactor(qint32 scaleMode);

// Paper code and orientation from a display size (exact comparison on the Single values).
void DerivePaperSize(float displayWidth, float displayHeight, qint16& paperSize, bool& landscape);

// Display size of a standard paper code; false for any other code.
bool StandardPaper(qint32 paperSize, float& width, float& height);

// Size, paper and orientation of a sheet, shared by the collection's settings and each page.
struct Sheet {
    float factor = 96;  // display pixels per user unit
    qint16 paperSize = 1;
    float displayWidth = 816, displayHeight = 1056;
    float width = 0, height = 0;  // user units, as last set
    bool landscape = false;

    void SetWidth(float v);
    void SetHeight(float v);
    void SetLandscape(bool v, const char* object);
    // A standard code sets the display size (turned for landscape); any other code is kept
    // as 256 with the size unchanged.
    void SetPaperSize(qint32 code);
};

// State of one print run across its pages.
struct PrintJob {
    QPrinter* printer = nullptr;
    QPainter* painter = nullptr;
    bool started = false;  // a page has been put on the printer already
};

class Page final : public Pagivex::Page {
public:
    QString PrinterPort() const override { return m_printerPort; }
    void SetPrinterPort(const QString& v) override { m_printerPort = v; }
    qint16 PrinterTray() const override { return m_printerTray; }
    void SetPrinterTray(qint16 v) override { m_printerTray = v; }
    void DrawBox(float Left, float Top, float Width, float Height, qint32 lForeColor = 0, qint32 lBackColor = -1,
                 qint16 iLineWidth = 1) override;
    void DrawLine(float X1, float Y1, float X2, float Y2, qint32 lColor = 0, qint16 iWidth = 1) override;
    void DrawPicture(float Left, float Top, float Width, float Height, const QImage& oPicture, bool bKeepRatio = true,
                     const QString& sFileName = QString()) override;
    void NewSection() override;
    qint16 SectionType() const override { return m_section; }
    void SetSectionType(qint16 v) override { m_section = v; }
    qint16 PaperSize() const override { return m_sheet.paperSize; }
    qint16 SetFont(const QString& FaceName, float Size, bool Bold = false, bool Italic = false, bool Underline = false,
                   bool Strikethrough = false, qint16 Rotation = 0) override;
    qint16 Count() const override { return qint16(m_elements.size()); }
    qint32 DisplayWidth() const override;
    qint32 DisplayHeight() const override;
    void DrawText(const QString& sText, float lLeft, float lTop, float lWidth, float lHeight, qint32 lFColor = 0,
                  qint32 lBColor = -1, qint32 lAligment = prvAlignleft, qint16 iFontIndex = 0) override;
    qint16 ElementCount() const override { return Count(); }
    PageElement Element(qint16 Index) const override;
    bool Enabled() const override;
    qint16 Index() const override { return qint16(m_index); }
    std::shared_ptr<Pagivex::Pages> Parent() const override;
    void SetActive() override;
    void Clear() override;
    void SetLandscape(bool) override;
    bool Landscape() const override { return m_sheet.landscape; }
    void SetHeight(float) override;
    void StoreSection() override { m_savedSection = m_section; }
    void RestoreSection() override { m_section = m_savedSection; }
    float Width() const override { return m_sheet.width; }
    float Height() const override { return m_sheet.height; }
    void SetWidth(float) override;
    void SetPaperSize(qint16) override;

    // Library side.
    void InitPage(qint16 paperSize, qint32 scaleMode, float factor, float displayWidth, float displayHeight,
                  bool landscape);
    void Attach(qint32 index, const std::weak_ptr<Pages>& parent, std::shared_ptr<FontMap> fonts,
                std::shared_ptr<clsRangeSelector> selection);
    const std::vector<PageElement>& Elements() const { return m_elements; }
    float DisplayWidthF() const { return m_sheet.displayWidth; }
    float DisplayHeightF() const { return m_sheet.displayHeight; }
    // Puts the page on the printer when it lies in the print range.
    void RenderPage(PrintJob& job);

private:
    qint32 Scale(float value, const char* procedure) const;
    void SetCoordinates(PageElement& e, float a, float b, float c, float d, const char* procedure) const;
    void Append(PageElement e);

    std::vector<PageElement> m_elements;
    qint16 m_section = 0, m_savedSection = 0;
    std::weak_ptr<Pages> m_parent;
    std::shared_ptr<FontMap> m_fonts;
    std::shared_ptr<clsRangeSelector> m_selection;
    qint32 m_index = 0;
    qint32 m_scaleMode = 5;
    Sheet m_sheet;
    QString m_printerPort;
    qint16 m_printerTray = 7;
};

}  // namespace Pagivex::impl
