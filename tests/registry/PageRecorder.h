#pragma once
// Stands in for the print-preview library's page collection: it keeps every
// call the layout makes, in the caller's units, so that tests can read the
// positions exactly as they were handed over. Members the layout has no
// business calling throw.

#include <Pagivex/Pagivex.h>

#include <QStringList>
#include <stdexcept>

namespace Recorder {

// The font that was active when an element was drawn: "Arial 12 bold".
struct Text {
    QString text;
    double left, top, width, height;
    qint32 fore, back, alignment;
    qint16 fontIndex;
    QString font;
};
struct Line {
    double x1, y1, x2, y2;
    qint32 colour;
    qint16 width;
};

[[noreturn]] inline void Unused(const char* member) {
    throw std::logic_error(std::string("the layout should not call ") + member);
}

class Pages;

class Page : public Pagivex::Page {
public:
    Page(Pages* owner, int index, float width, float height, bool landscape)
        : owner_(owner), index_(index), width_(width), height_(height), landscape_(landscape) {}
    QList<Text> texts;
    QList<Line> lines;

    qint16 SetFont(const QString& FaceName, float Size, bool Bold, bool, bool, bool, qint16) override;
    void DrawText(const QString& sText, float l, float t, float w, float h, qint32 fore, qint32 back, qint32 align,
                  qint16 font) override;
    void DrawLine(float X1, float Y1, float X2, float Y2, qint32 lColor, qint16 iWidth) override {
        lines.append({X1, Y1, X2, Y2, lColor, iWidth});
    }
    float Width() const override { return width_; }
    float Height() const override { return height_; }
    bool Landscape() const override { return landscape_; }
    qint16 Index() const override { return qint16(index_); }
    // The texts drawn at one height (a row of the table), left to right as drawn.
    QList<Text> Row(double top) const {
        QList<Text> row;
        for (const Text& t : texts)
            if (qAbs(t.top - top) < 1e-4) row.append(t);
        return row;
    }

    QString PrinterPort() const override { Unused("PrinterPort"); }
    void SetPrinterPort(const QString&) override { Unused("SetPrinterPort"); }
    qint16 PrinterTray() const override { Unused("PrinterTray"); }
    void SetPrinterTray(qint16) override { Unused("SetPrinterTray"); }
    void DrawBox(float, float, float, float, qint32, qint32, qint16) override { Unused("DrawBox"); }
    void DrawPicture(float, float, float, float, const QImage&, bool, const QString&) override { Unused("DrawPicture"); }
    void NewSection() override { Unused("NewSection"); }
    qint16 SectionType() const override { Unused("SectionType"); }
    void SetSectionType(qint16) override { Unused("SetSectionType"); }
    qint16 PaperSize() const override { Unused("PaperSize"); }
    qint16 Count() const override { Unused("Count"); }
    qint32 DisplayWidth() const override { Unused("DisplayWidth"); }
    qint32 DisplayHeight() const override { Unused("DisplayHeight"); }
    qint16 ElementCount() const override { Unused("ElementCount"); }
    Pagivex::PageElement Element(qint16) const override { Unused("Element"); }
    bool Enabled() const override { Unused("Enabled"); }
    std::shared_ptr<Pagivex::Pages> Parent() const override { Unused("Parent"); }
    void SetActive() override { Unused("SetActive"); }
    void Clear() override { Unused("Clear"); }
    void SetLandscape(bool) override { Unused("Page::SetLandscape"); }
    void SetHeight(float) override { Unused("Page::SetHeight"); }
    void StoreSection() override { Unused("StoreSection"); }
    void RestoreSection() override { Unused("RestoreSection"); }
    void SetWidth(float) override { Unused("Page::SetWidth"); }
    void SetPaperSize(qint16) override { Unused("Page::SetPaperSize"); }

private:
    Pages* owner_;
    int index_;
    float width_, height_;
    bool landscape_;
};

class Pages : public Pagivex::Pages {
public:
    // Every call on the collection itself, in order: "Landscape 0", "ScaleMode 7", "Width 21"...
    QStringList calls;
    std::vector<std::shared_ptr<Page>> pages;
    QString activeFont;
    int fonts = 0;

    float Width() const override { return width_; }
    float Height() const override { return height_; }
    bool Landscape() const override { return landscape_; }
    qint32 ScaleMode() const override { return scaleMode_; }
    void SetScaleMode(qint32 mode) override {
        if (!pages.empty()) Unused("SetScaleMode once pages exist");
        calls << QString("ScaleMode %1").arg(mode);
        scaleMode_ = mode;
    }
    void SetWidth(float v) override {
        calls << QString("Width %1").arg(v);
        width_ = v;
    }
    void SetHeight(float v) override {
        calls << QString("Height %1").arg(v);
        height_ = v;
    }
    // As the library does: the orientation is recorded and the sides swapped when they disagree with it.
    void SetLandscape(bool v) override {
        calls << QString("Landscape %1").arg(v);
        landscape_ = v;
        if ((v && width_ < height_) || (!v && width_ > height_)) std::swap(width_, height_);
    }
    qint16 SetFont(const QString& FaceName, float Size, bool Bold, bool, bool, bool, qint16) override {
        calls << "SetFont";
        return Font(FaceName, Size, Bold);
    }
    qint16 Font(const QString& face, float size, bool bold) {
        activeFont = QString("%1 %2%3").arg(face).arg(size).arg(bold ? " bold" : "");
        return qint16(++fonts);
    }
    std::shared_ptr<Pagivex::Page> Add() override {
        calls << "Add";
        pages.push_back(std::make_shared<Page>(this, int(pages.size()) + 1, width_, height_, landscape_));
        return pages.back();
    }
    std::shared_ptr<Pagivex::Page> ActivePage() const override {
        return pages.empty() ? nullptr : pages.back();
    }
    qint32 Count() const override { return qint32(pages.size()); }
    Page& At(int index) { return *pages.at(size_t(index - 1)); }

    qint32 PaperSize() const override { Unused("PaperSize"); }
    void SetPaperSize(qint32) override { Unused("SetPaperSize"); }
    std::shared_ptr<Pagivex::FontMap> FontMap() const override { Unused("FontMap"); }
    void Clear() override { Unused("Clear"); }
    std::shared_ptr<Pagivex::Page> Item(qint32) const override { Unused("Item"); }
    void Remove(qint32) override { Unused("Remove"); }
    std::vector<std::shared_ptr<Pagivex::Page>> NewEnum() const override { Unused("NewEnum"); }
    QString Selection() const override { Unused("Selection"); }
    void SetSelection(const QString&) override { Unused("SetSelection"); }
    qint32 SelectPage(qint32) override { Unused("SelectPage"); }
    void GetTextWidth(const QString&, qint16, float&, float&) const override { Unused("GetTextWidth"); }
    void SetEventSink(Pagivex::PagesEvents*) override { Unused("SetEventSink"); }

private:
    float width_ = 0, height_ = 0;
    bool landscape_ = false;
    qint32 scaleMode_ = 0;
};

inline qint16 Page::SetFont(const QString& FaceName, float Size, bool Bold, bool, bool, bool, qint16) {
    return owner_->Font(FaceName, Size, Bold);
}

inline void Page::DrawText(const QString& sText, float l, float t, float w, float h, qint32 fore, qint32 back,
                           qint32 align, qint16 font) {
    texts.append({sText, l, t, w, h, fore, back, align, font, owner_->activeFont});
}

}  // namespace Recorder
