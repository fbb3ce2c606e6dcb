#include "Pages.h"

#include "FontMap.h"
#include "UiHooks.h"
#include "clsRangeSelector.h"
#include "modGlobals.h"

#include <QFontMetrics>

namespace Pagivex {
Pages::~Pages() = default;
PagesEvents::~PagesEvents() = default;
}  // namespace Pagivex

namespace Pagivex::impl {

Pages::Pages() : m_fonts(std::make_shared<impl::FontMap>()), m_selection(std::make_shared<clsRangeSelector>()) {}

Pages::~Pages() = default;

void Pages::SetScaleMode(qint32 mode) {
    if (!m_pages.empty()) {
        if (mode != m_scaleMode)
            modGlobals::RaiseLibError(1075, "Pages", "ScaleMode[Let]",
                                      "Could not change the ScaleMode property when pages already exists.");
        return;
    }
    const float factor = ScaleFactor(mode);
    if (factor == 0.0f) {
        Ui::MsgBox("Scala non supportata", 0);
        return;
    }
    m_scaleMode = mode;
    m_sheet.factor = factor;
}

void Pages::SetWidth(float v) { m_sheet.SetWidth(v); }

void Pages::SetHeight(float v) { m_sheet.SetHeight(v); }

void Pages::SetPaperSize(qint32 v) {
    m_sheet.SetPaperSize(v);
    m_sheet.height = m_sheet.displayHeight / m_sheet.factor;
    m_sheet.width = m_sheet.displayWidth / m_sheet.factor;
}

void Pages::SetLandscape(bool v) { m_sheet.SetLandscape(v, "Pages"); }

std::shared_ptr<Pagivex::FontMap> Pages::FontMap() const { return m_fonts; }

qint16 Pages::SetFont(const QString& FaceName, float Size, bool Bold, bool Italic, bool Underline, bool Strikethrough,
                      qint16 Rotation) {
    return m_fonts->Add(FaceName, Size, Bold, Italic, Underline, Strikethrough, Rotation);
}

std::shared_ptr<Pagivex::Page> Pages::ActivePage() const {
    if (m_current < 1 || m_current > Count()) return nullptr;
    return m_pages[size_t(m_current - 1)];
}

std::shared_ptr<Pagivex::Page> Pages::Add() {
    auto page = std::make_shared<Page>();
    page->InitPage(m_sheet.paperSize, m_scaleMode, m_sheet.factor, m_sheet.displayWidth, m_sheet.displayHeight,
                   m_sheet.landscape);
    page->SetHeight(m_sheet.height);
    page->SetWidth(m_sheet.width);
    page->Attach(Count() + 1, weak_from_this(), m_fonts, m_selection);
    m_pages.push_back(page);
    m_current = Count();
    qint32 count = Count();
    if (auto listener = m_listener.lock()) listener->OnPageAdded(count);
    if (m_sink) m_sink->PageAdded(count);
    return page;
}

void Pages::Clear() {
    while (!m_pages.empty()) m_pages.pop_back();
    if (auto listener = m_listener.lock()) listener->OnCleared();
    if (m_sink) m_sink->Cleared();
}

std::shared_ptr<Pagivex::Page> Pages::Item(qint32 Key) const {
    if (Key < 1 || Key > Count())
        modGlobals::RaiseLibError(modGlobals::ErrSubscript, "Pages", "Item", "Subscript out of range");
    return m_pages[size_t(Key - 1)];
}

void Pages::Remove(qint32 Key) {
    if (Key < 1 || Key > Count())
        modGlobals::RaiseLibError(modGlobals::ErrSubscript, "Pages", "Remove", "Subscript out of range");
    m_pages.erase(m_pages.begin() + (Key - 1));
}

std::vector<std::shared_ptr<Pagivex::Page>> Pages::NewEnum() const {
    return {m_pages.begin(), m_pages.end()};
}

QString Pages::Selection() const { return m_selection->SelectionString(); }

void Pages::SetSelection(const QString& text) {
    m_selection->SetSelectionString(text);
    if (auto listener = m_listener.lock()) listener->SetRangeCaption(m_selection->SelectionString());
}

void Pages::RaisePageSelected() {
    qint32 count = Count();
    if (auto listener = m_listener.lock()) listener->OnPageSelected(m_current, count);
    if (m_sink) m_sink->PageSelected(m_current, count);
}

qint32 Pages::SelectPage(qint32 Index) {
    if (Index < 1 || Index > Count()) return 0;
    m_current = Index;
    RaisePageSelected();
    return Index;
}

void Pages::MovePage(qint16 kind) {
    if (m_pages.empty()) return;
    switch (kind) {
    case 1: m_current = 1; break;
    case 2:
        if (m_current < 2) return;
        --m_current;
        break;
    case 4:
        if (m_current >= Count()) return;
        ++m_current;
        break;
    case 5: m_current = Count(); break;
    default: return;
    }
    RaisePageSelected();
}

bool Pages::CanMovePage(qint16 kind) const {
    if (m_pages.empty()) return false;
    switch (kind) {
    case 3: return Count() > 1;
    case 4: case 5: return m_current < Count();
    case 1: case 2: return m_current > 1;
    default: return false;
    }
}

void Pages::GetTextWidth(const QString& Text, qint16 FontIndex, float& CalculatedWidth, float& CalculatedHeight) const {
    auto font = m_fonts->ByPosition(FontIndex);
    if (!font) modGlobals::RaiseLibError(5, "Pages", "GetTextWidth", "Invalid procedure call or argument");
    QFont measure;
    if (auto listener = m_listener.lock()) measure = listener->MeasureFont();
    // Only face, size and weight are applied, as on the preview window's own font.
    measure.setFamily(font->FaceName());
    measure.setPixelSize(std::max(1, modGlobals::RoundEven(double(font->Size()) * 96.0 / 72.0)));
    measure.setWeight(font->Bold() ? QFont::Bold : QFont::Normal);
    const QRect r = QFontMetrics(measure).boundingRect(QRect(0, 0, 0, 0), 0, Text);
    CalculatedWidth = float(r.width()) / m_sheet.factor;
    CalculatedHeight = float(r.height()) / m_sheet.factor;
}

}  // namespace Pagivex::impl
