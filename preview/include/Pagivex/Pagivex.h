// Public interface of the print-preview library Pagivex.
//
// The member order of every interface is part of the binary contract: new members are
// only ever added at the end of a class.
//
// Ownership: CreatePreview() returns a shared pointer; Pages, Page, FontMap and IFont are
// handed out as shared pointers too. A Pages or Page kept after its Preview is released
// stays valid (it only loses the link to the preview window).
#pragma once

#include <Pagivex/Types.h>

#include <QVariant>
#include <memory>
#include <vector>

class QPaintDevice;

namespace Pagivex {

class Page;
class Pages;
class FontMap;

class PAGIVEX_EXPORT IFont {
public:
    virtual ~IFont();
    virtual bool Bold() const = 0;
    virtual void SetBold(bool) = 0;
    virtual bool Italic() const = 0;
    virtual void SetItalic(bool) = 0;
    virtual bool Underline() const = 0;
    virtual void SetUnderline(bool) = 0;
    virtual bool Strikethrough() const = 0;
    virtual void SetStrikethrough(bool) = 0;
    virtual QString HTMLColor(qint32 lColor) const = 0;
    virtual qint16 Index() const = 0;
    virtual qint16 Rotation() const = 0;
    virtual void SetRotation(qint16) = 0;
    virtual void SetSize(float) = 0;
    virtual float Size() const = 0;
    virtual void SetFaceName(const QString&) = 0;
    virtual QString FaceName() const = 0;
    // Non-zero once FontMap::Create has made the font for a device.
    virtual qint32 Handle() const = 0;
    virtual QString OpenTag(qint32 lColor = 0) const = 0;
    virtual QString CloseTag() const = 0;
};

class PAGIVEX_EXPORT FontMap {
public:
    virtual ~FontMap();
    virtual std::shared_ptr<IFont> ActiveFont() const = 0;
    virtual void Clear() = 0;
    // Makes every font for the device (the screen when none is given).
    virtual void Create(QPaintDevice* device = nullptr) = 0;
    virtual qint16 Add(const QString& FaceName, float Size, bool Bold = false, bool Italic = false,
                       bool Underline = false, bool Strikethrough = false, qint16 Rotation = 0) = 0;
    // By position (a number) or by key (a text); a missing entry raises error 5.
    virtual std::shared_ptr<IFont> Item(const QVariant& Key) const = 0;
    virtual qint32 Count() const = 0;
    virtual void Remove(const QVariant& Key) = 0;
    virtual std::vector<std::shared_ptr<IFont>> NewEnum() const = 0;
};

class PAGIVEX_EXPORT PagesEvents {
public:
    virtual ~PagesEvents();
    virtual void PageAdded(qint32& iCount) {}
    virtual void Cleared() {}
    virtual void PageSelected(qint32 lPage, qint32& lCount) {}
};

class PAGIVEX_EXPORT Page {
public:
    virtual ~Page();
    virtual QString PrinterPort() const = 0;
    virtual void SetPrinterPort(const QString&) = 0;
    virtual qint16 PrinterTray() const = 0;
    virtual void SetPrinterTray(qint16) = 0;
    virtual void DrawBox(float Left, float Top, float Width, float Height, qint32 lForeColor = 0,
                         qint32 lBackColor = -1, qint16 iLineWidth = 1) = 0;
    virtual void DrawLine(float X1, float Y1, float X2, float Y2, qint32 lColor = 0, qint16 iWidth = 1) = 0;
    virtual void DrawPicture(float Left, float Top, float Width, float Height, const QImage& oPicture,
                             bool bKeepRatio = true, const QString& sFileName = QString()) = 0;
    virtual void NewSection() = 0;
    virtual qint16 SectionType() const = 0;
    virtual void SetSectionType(qint16) = 0;
    virtual qint16 PaperSize() const = 0;
    virtual qint16 SetFont(const QString& FaceName, float Size, bool Bold = false, bool Italic = false,
                           bool Underline = false, bool Strikethrough = false, qint16 Rotation = 0) = 0;
    virtual qint16 Count() const = 0;
    virtual qint32 DisplayWidth() const = 0;
    virtual qint32 DisplayHeight() const = 0;
    virtual void DrawText(const QString& sText, float lLeft, float lTop, float lWidth, float lHeight,
                          qint32 lFColor = 0, qint32 lBColor = -1, qint32 lAligment = prvAlignleft,
                          qint16 iFontIndex = 0) = 0;
    virtual qint16 ElementCount() const = 0;
    virtual PageElement Element(qint16 Index) const = 0;
    virtual bool Enabled() const = 0;
    virtual qint16 Index() const = 0;
    // Null once the collection is gone.
    virtual std::shared_ptr<Pagivex::Pages> Parent() const = 0;
    virtual void SetActive() = 0;
    virtual void Clear() = 0;
    virtual void SetLandscape(bool) = 0;
    virtual bool Landscape() const = 0;
    virtual void SetHeight(float) = 0;
    virtual void StoreSection() = 0;
    virtual void RestoreSection() = 0;
    virtual float Width() const = 0;
    virtual float Height() const = 0;
    virtual void SetWidth(float) = 0;
    virtual void SetPaperSize(qint16) = 0;
};

class PAGIVEX_EXPORT Pages {
public:
    virtual ~Pages();
    virtual float Width() const = 0;
    virtual float Height() const = 0;
    virtual qint32 PaperSize() const = 0;
    virtual void SetPaperSize(qint32) = 0;
    virtual std::shared_ptr<Pagivex::FontMap> FontMap() const = 0;
    virtual qint16 SetFont(const QString& FaceName, float Size, bool Bold = false, bool Italic = false,
                           bool Underline = false, bool Strikethrough = false, qint16 Rotation = 0) = 0;
    virtual std::shared_ptr<Page> ActivePage() const = 0;
    virtual void SetScaleMode(qint32) = 0;
    virtual qint32 ScaleMode() const = 0;
    virtual std::shared_ptr<Page> Add() = 0;
    virtual void Clear() = 0;
    // 1-based; a missing page raises error 9.
    virtual std::shared_ptr<Page> Item(qint32 Key) const = 0;
    virtual qint32 Count() const = 0;
    virtual void Remove(qint32 Key) = 0;
    virtual std::vector<std::shared_ptr<Page>> NewEnum() const = 0;
    virtual QString Selection() const = 0;
    virtual void SetSelection(const QString&) = 0;
    virtual qint32 SelectPage(qint32 Index) = 0;
    virtual void SetLandscape(bool) = 0;
    virtual bool Landscape() const = 0;
    virtual void SetHeight(float) = 0;
    virtual void SetWidth(float) = 0;
    virtual void GetTextWidth(const QString& Text, qint16 FontIndex, float& CalculatedWidth,
                              float& CalculatedHeight) const = 0;
    // Events for the caller; nullptr removes the sink.
    virtual void SetEventSink(PagesEvents* sink) = 0;
};

class PAGIVEX_EXPORT IExport {
public:
    virtual ~IExport();
    virtual QString FileName() const = 0;
    virtual void SetFileName(const QString&) = 0;
    virtual qint16 DoAction(qint16 iAction, const QVariant& vValue) = 0;
    virtual qint16 Export(const std::shared_ptr<Pages>& oPages) = 0;
    virtual QVariant QueryInfo(qint16 iType) const = 0;
    virtual bool StillWorking() const = 0;
};

class PAGIVEX_EXPORT PreviewEvents {
public:
    virtual ~PreviewEvents();
    virtual void UserCommand() {}
    virtual void Printing() {}
    // A handler may set OutputFile and LaunchFile.
    virtual void Exporting(ZVDestination iFormat) {}
    virtual void Done(ZVDestination iFormat) {}
};

class PAGIVEX_EXPORT Preview {
public:
    virtual ~Preview();
    virtual QString OutputFile() const = 0;
    virtual void SetOutputFile(const QString&) = 0;
    virtual bool LaunchFile() const = 0;
    virtual void SetLaunchFile(bool) = 0;
    virtual QString Application() const = 0;
    virtual void SetApplication(const QString& bApplicationName) = 0;
    virtual bool LockRedraw() const = 0;
    virtual void SetLockRedraw(bool bLock) = 0;
    virtual void Redraw() = 0;
    virtual qint32 SyncShell(const QString& sCmdLine) = 0;
    virtual void Export(ZVDestination iFormat) = 0;
    virtual void Cls() = 0;
    virtual std::shared_ptr<Pagivex::Pages> Pages() const = 0;
    // A native window id of this process (0 = the library's own preview window).
    virtual void SetContainer(quintptr hWnd) = 0;
    virtual quintptr Container() const = 0;
    virtual void SetCustomCommand(const QString& sCaption) = 0;
    virtual void Show() = 0;
    virtual bool SetPrinter(const QString& PrinterDeviceName) = 0;
    virtual void PrintPages() = 0;
    // Added after the original members.
    virtual void SetEventSink(PreviewEvents* sink) = 0;
    // When not empty, PrintPages writes a PDF file of that name instead of using a printer.
    virtual QString PrintFile() const = 0;
    virtual void SetPrintFile(const QString& fileName) = 0;
};

// The one creatable class. Must be called on the GUI thread of a QApplication.
PAGIVEX_EXPORT std::shared_ptr<Preview> CreatePreview();

}  // namespace Pagivex
