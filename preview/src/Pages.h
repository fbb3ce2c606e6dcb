// The page collection of one Preview and the settings new pages inherit.
#pragma once

#include <Pagivex/Pagivex.h>

#include "Page.h"

#include <memory>
#include <vector>

namespace Pagivex {
class clsRangeSelector;
}

namespace Pagivex::impl {

class FontMap;

// What the owning Preview hears of its collection.
class PagesListener {
public:
    virtual ~PagesListener() = default;
    virtual void OnPageAdded(qint32 count) = 0;
    virtual void OnCleared() = 0;
    virtual void OnPageSelected(qint32 page, qint32 count) = 0;
    virtual void SetRangeCaption(const QString& text) = 0;
    // Font used to measure text (the preview window's own font).
    virtual QFont MeasureFont() const = 0;
};

class Pages final : public Pagivex::Pages, public std::enable_shared_from_this<Pages> {
public:
    Pages();
    ~Pages() override;
    float Width() const override { return m_sheet.width; }
    float Height() const override { return m_sheet.height; }
    qint32 PaperSize() const override { return m_sheet.paperSize; }
    void SetPaperSize(qint32) override;
    std::shared_ptr<Pagivex::FontMap> FontMap() const override;
    qint16 SetFont(const QString& FaceName, float Size, bool Bold = false, bool Italic = false, bool Underline = false,
                   bool Strikethrough = false, qint16 Rotation = 0) override;
    std::shared_ptr<Pagivex::Page> ActivePage() const override;
    void SetScaleMode(qint32) override;
    qint32 ScaleMode() const override { return m_scaleMode; }
    std::shared_ptr<Pagivex::Page> Add() override;
    void Clear() override;
    std::shared_ptr<Pagivex::Page> Item(qint32 Key) const override;
    qint32 Count() const override { return qint32(m_pages.size()); }
    void Remove(qint32 Key) override;
    std::vector<std::shared_ptr<Pagivex::Page>> NewEnum() const override;
    QString Selection() const override;
    void SetSelection(const QString&) override;
    qint32 SelectPage(qint32 Index) override;
    void SetLandscape(bool) override;
    bool Landscape() const override { return m_sheet.landscape; }
    void SetHeight(float) override;
    void SetWidth(float) override;
    void GetTextWidth(const QString& Text, qint16 FontIndex, float& CalculatedWidth,
                      float& CalculatedHeight) const override;
    void SetEventSink(PagesEvents* sink) override { m_sink = sink; }

    // Library side.
    void SetPreviewLink(std::weak_ptr<PagesListener> listener) { m_listener = std::move(listener); }
    void MovePage(qint16 kind);
    bool CanMovePage(qint16 kind) const;
    float PixelWidth() const { return m_sheet.displayWidth; }
    float PixelHeight() const { return m_sheet.displayHeight; }
    qint32 CurrentPage() const { return m_current; }
    const std::vector<std::shared_ptr<Page>>& PageList() const { return m_pages; }
    std::shared_ptr<impl::FontMap> Fonts() const { return m_fonts; }
    const clsRangeSelector& Selector() const { return *m_selection; }

private:
    void RaisePageSelected();

    std::vector<std::shared_ptr<Page>> m_pages;
    qint32 m_current = 0;
    qint32 m_scaleMode = 5;
    Sheet m_sheet;
    std::shared_ptr<impl::FontMap> m_fonts;
    std::shared_ptr<clsRangeSelector> m_selection;
    std::weak_ptr<PagesListener> m_listener;
    PagesEvents* m_sink = nullptr;
};

}  // namespace Pagivex::impl
