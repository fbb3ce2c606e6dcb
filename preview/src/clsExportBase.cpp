#include "Exporters.h"

#include "Pages.h"
#include "clsSortPageElements.h"
#include "modGlobals.h"

#include <QSaveFile>
#include <cstdlib>

namespace Pagivex {
IExport::~IExport() = default;
}

namespace Pagivex::impl {

void clsExportBase::SetFileName(const QString& name) {
    if (name.isEmpty()) return;
    // Keep the folder, take the last component up to its first dot, add our extension.
    QString path = name;
    while (path.size() > 1 && path.endsWith('/')) path.chop(1);
    const qsizetype slash = path.lastIndexOf('/');
    const QString folder = slash >= 0 ? path.left(slash + 1) : QString();
    QString base = slash >= 0 ? path.mid(slash + 1) : path;
    const qsizetype dot = base.indexOf('.');
    if (dot >= 0) base = base.left(dot);
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

QString clsExportBase::EscapeControlChars(const QString& text) {
    QString out = text;
    out.replace("\r", "[Cr]").replace("\n", "[Lf]").replace("\t", "[Tab]");
    return out;
}

bool clsExportBase::IsRule(const PageElement& e) {
    return e.Type == 2 && std::llabs(qint64(e.Height) - e.Top) < std::llabs(qint64(e.Width) - e.Left);
}

qint32 clsExportBase::RuleLength(const PageElement& e) { return qint32(std::llabs(qint64(e.Width) - e.Left)); }

qint16 clsExportBase::Export(const std::shared_ptr<Pagivex::Pages>& oPages) {
    auto pages = std::dynamic_pointer_cast<impl::Pages>(oPages);
    if (!pages) modGlobals::RaiseLibError(1070, ObjectName(), "Export");
    // The pages keep their drawing order: the writers work on sorted copies.
    std::vector<SortedPage> sorted;
    sorted.reserve(pages->PageList().size());
    clsSortPageElements sorter;
    for (const auto& page : pages->PageList()) {
        SortedPage copy{page->Index(), page->Elements()};
        sorter.SortElements(copy.elements);
        sorted.push_back(std::move(copy));
    }
    const QString header = Header(sorted, oPages);
    QStringList blocks;
    for (const SortedPage& page : sorted) {
        blocks << PageBlock(page, oPages);
        modGlobals::DoEvents();
    }
    QString text;
    if (!header.isNull()) text += header + "\r\n";
    text += Body(blocks) + "\r\n";

    // Written to a temporary file and renamed, so a failed write leaves any old file intact
    // and is reported instead of passing for success.
    // The flush is checked before the commit: a short write that failed while
    // still in the buffer would otherwise be renamed over the old file.
    QSaveFile file(m_fileName);
    const QByteArray bytes = modGlobals::ToAnsi(text);
    if (m_fileName.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
        !file.flush() || !file.commit()) {
        modGlobals::RaiseLibError(modGlobals::ErrFileAccess, ObjectName(), "Export",
                                  "Path/File access error: " + m_fileName);
    }
    return 0;
}

}  // namespace Pagivex::impl
