#pragma once
// The benchmarks' list: N pages of 50 rows of five cells under a ruled line each, composed
// through the library's public interface. pagivex_bench times it; the list printing's
// benchmark prints it beside its own list as the measure of a page element's cost.

#include <Pagivex/Pagivex.h>

#include <QString>
#include <memory>

namespace BenchList {

inline std::shared_ptr<Pagivex::Preview> Compose(int pageCount) {
    auto preview = Pagivex::CreatePreview();
    preview->SetApplication("Brivalto");
    auto pages = preview->Pages();
    pages->SetScaleMode(7);
    pages->SetWidth(21);
    pages->SetHeight(29.7f);
    const float widths[] = {2.0f, 5.0f, 5.0f, 4.0f, 3.0f};
    for (int p = 1; p <= pageCount; ++p) {
        auto page = pages->Add();
        page->SetFont("Arial", 12, true);
        page->DrawText(QString("Elenco contatti - pagina %1").arg(p), 1, 1, 19, 0.8f, 0, -1, Pagivex::prvAlignCenter);
        page->NewSection();
        page->SetFont("Arial", 8);
        for (int row = 0; row < 50; ++row) {
            const float top = 2.5f + row * 0.5f;
            float left = 1;
            const int n = (p - 1) * 50 + row + 1;
            const QString cells[] = {QString::number(n), QString("Cognome %1").arg(n), QString("Nome %1").arg(n),
                                     QString("Città %1").arg(n % 97), QString("0%1").arg(n * 7919 % 100000000)};
            for (int c = 0; c < 5; ++c) {
                page->DrawText(cells[c], left, top, widths[c], 0.45f, 0, -1,
                               c == 0 ? Pagivex::prvAlignRight : Pagivex::prvAlignleft);
                left += widths[c];
            }
            page->DrawLine(1, top + 0.48f, 20, top + 0.48f, 0x00C0C0C0, 1);
        }
    }
    return preview;
}

// Elements on all the pages.
inline qint64 Elements(Pagivex::Preview& preview) {
    qint64 count = 0;
    auto pages = preview.Pages();
    for (qint32 i = 1; i <= pages->Count(); ++i) count += pages->Item(i)->ElementCount();
    return count;
}

}  // namespace BenchList
