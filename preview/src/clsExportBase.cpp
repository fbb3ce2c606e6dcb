#include "Exporters.h"

#include "Page.h"
#include "Pages.h"
#include "modGlobals.h"

#include <QSaveFile>
#include <cerrno>
#include <charconv>
#include <cstdlib>

namespace Pagivex {
IExport::~IExport() = default;
}

namespace Pagivex::impl {

void clsExportBase::SetFileName(const QString& name) {
    if (name.isEmpty()) return;
    // Keep the folder and the name; only the name's last extension gives way to ours, so
    // "report.2025.csv" and "report.2026.csv" stay two files.
    QString path = name;
    while (path.size() > 1 && path.endsWith('/')) path.chop(1);
    const qsizetype slash = path.lastIndexOf('/');
    const QString folder = slash >= 0 ? path.left(slash + 1) : QString();
    QString base = slash >= 0 ? path.mid(slash + 1) : path;
    const qsizetype dot = base.lastIndexOf('.');
    if (dot > 0) base = base.left(dot);
    m_fileName = folder + base + Extension();
}

qint16 clsExportBase::DoAction(qint16 iAction, const QVariant& vValue) {
    if (iAction == 1) m_option = vValue.toString();
    return 0;
}

QVariant clsExportBase::QueryInfo(qint16 iType) const {
    switch (iType) {
    case 0: return StillWorking();
    case 1: return m_fileName;
    default: return {};
    }
}

void AnsiText::Number(qint64 n) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    Put(digits, end - digits);
}

void clsExportBase::AppendControlEscaped(AnsiText& out, const QString& text, bool doubleQuotes) {
    // Written straight into the output: no character takes more than five bytes.
    char* const start = out.Room(text.size() * 5);
    char* d = start;
    auto put = [&d](const char* s, int n) {
        std::memcpy(d, s, size_t(n));
        d += n;
    };
    const char16_t* c = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* const end = c + text.size();
    for (; c < end; ++c) {
        switch (*c) {
        case '\r': put("[Cr]", 4); break;
        case '\n': put("[Lf]", 4); break;
        case '\t': put("[Tab]", 5); break;
        case '"':
            if (doubleQuotes) *d++ = '"';
            *d++ = '"';
            break;
        default: *d++ = *c < 0x80 ? char(*c) : modGlobals::AnsiByte(*c);
        }
    }
    out.Advance(d - start);
}

qsizetype clsExportBase::ControlEscapedLength(const QString& text) {
    qsizetype n = text.size();
    for (const QChar c : text) {
        if (c == u'\r' || c == u'\n') n += 3;
        else if (c == u'\t') n += 4;
    }
    return n;
}

bool clsExportBase::IsRule(const PageElement& e) {
    return e.Type == 2 && std::llabs(qint64(e.Height) - e.Top) < std::llabs(qint64(e.Width) - e.Left);
}

qint32 clsExportBase::RuleLength(const PageElement& e) { return qint32(std::llabs(qint64(e.Width) - e.Left)); }

qint16 clsExportBase::Export(const std::shared_ptr<Pagivex::Pages>& oPages) {
    auto pages = std::dynamic_pointer_cast<impl::Pages>(oPages);
    if (!pages) modGlobals::RaiseLibError(1070, ObjectName(), "Export");
    // Written to a temporary file and renamed, so a failed write leaves any old file intact
    // and is reported instead of passing for success.
    QSaveFile file(m_fileName);
    auto fail = [this] {
        // Taken at once: the system's reason is gone after the next call that fails.
        const int why = errno;
        QString text = QStringLiteral("Errore di accesso al percorso/file: ") + m_fileName;
        if (why == ENOSPC || why == EFBIG || why == EDQUOT) text += QStringLiteral("\r\nSpazio su disco insufficiente.");
        modGlobals::RaiseLibError(modGlobals::ErrFileAccess, ObjectName(), "Export", text);
    };
    if (m_fileName.isEmpty() || !file.open(QIODevice::WriteOnly)) fail();

    // The text of a page at a time is made, in the file's code page, and handed to the
    // file in pieces of about a quarter of a megabyte, small enough to be still in the
    // processor's cache when the file copies them: the whole document is never held.
    const std::vector<std::shared_ptr<Page>> list = pages->PageList();
    AnsiText text;
    auto spill = [&](bool last) {
        if (last || text.Size() >= (1 << 18)) {
            if (file.write(text.Data(), text.Size()) != text.Size()) fail();
            text.Clear();
        }
    };
    std::vector<qint32> indexes;
    indexes.reserve(list.size());
    for (const auto& page : list) indexes.push_back(page->Index());
    if (Header(indexes, oPages, text)) text += "\r\n";

    // Each page is put in band order when its turn comes, so a page changed while the
    // window paints between pages is read as it is then.
    clsSortPageElements sorter;
    SortedPage sorted;
    for (size_t i = 0; i < list.size(); ++i) {
        if (i) text.Ascii(PageSeparator());
        sorted.index = list[i]->Index();
        sorted.elements = &list[i]->Elements();
        sorter.Order(*sorted.elements, sorted.order);
        PageBlock(sorted, oPages, text);
        spill(false);
        modGlobals::DoEvents();
    }
    text.Ascii(Trailer());
    text += "\r\n";
    spill(true);
    // The flush is checked before the commit: a short write that failed while
    // still in the buffer would otherwise be renamed over the old file.
    if (!file.flush() || !file.commit()) fail();
    return 0;
}

}  // namespace Pagivex::impl
