#include "Exporters.h"

#include "Page.h"
#include "Pages.h"
#include "modGlobals.h"

#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
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

namespace {

// Writes the pieces of an export on a thread of its own while the next ones are made, and
// has a second thread sync what is written every few megabytes, so that the commit's wait for
// the whole file to reach the disk is short. A disk that keeps what it is given in a cache of
// its own (a virtual one does) writes it out only when synced, and then takes about as long
// as the bytes it holds: a hint to start writing does not reach that cache. The piece being
// written, the one waiting and the one being made take turns, so the memory held stays three
// pieces.
class PieceWriter {
public:
    explicit PieceWriter(int fd) : fd_(fd), writer_([this] { Run(); }), flusher_([this] { Flush(); }) {}
    ~PieceWriter() {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        changed_.notify_all();
        writer_.join();
        flusher_.join();
    }
    // Hands the text over and leaves it empty; false once a piece could not be written.
    bool Put(AnsiText& text) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !full_ || error_; });
        if (error_) return false;
        std::swap(waiting_, text);
        text.Clear();
        full_ = true;
        lock.unlock();
        changed_.notify_all();
        return true;
    }
    // Waits until every piece handed over is written and no sync is under way, and syncs no
    // more (the commit syncs the rest); false when a piece could not be written or synced.
    bool Finish() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return (!full_ && !busy_) || error_; });
        finished_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return !syncing_; });
        return !error_;
    }
    // The system's reason for the failure.
    int Error() const {
        std::lock_guard lock(mutex_);
        return error_;
    }

private:
    // Fewer bytes than this are left to the commit: a small file is synced once.
    static constexpr qint64 kSyncEvery = qint64(4) << 20;

    void Run() {
        AnsiText piece;
        qint64 offset = 0;
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return full_ || closing_; });
            if (!full_) return;
            std::swap(piece, waiting_);
            full_ = false;
            busy_ = true;
            lock.unlock();
            changed_.notify_all();
            const int why = Write(piece.Data(), piece.Size(), offset);
            piece.Clear();
            lock.lock();
            busy_ = false;
            written_ = offset;
            if (why && !error_) error_ = why;
            changed_.notify_all();
            if (error_) return;
        }
    }
    int Write(const char* data, qint64 size, qint64& offset) const {
        while (size > 0) {
            const ssize_t n = ::write(fd_, data, size_t(size));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return n < 0 ? errno : EIO;
            data += n;
            size -= n;
            offset += n;
        }
        return 0;
    }
    // Syncs the file whenever a few megabytes more are written, while the writing goes on.
    void Flush() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return closing_ || finished_ || error_ || written_ - synced_ >= kSyncEvery; });
            if (closing_ || finished_ || error_) return;
            synced_ = written_;
            syncing_ = true;
            lock.unlock();
            const int why = ::fdatasync(fd_) == 0 ? 0 : errno;
            lock.lock();
            syncing_ = false;
            changed_.notify_all();
            // A file system that cannot sync is left alone, as the commit leaves it.
            if (why == EINVAL || why == EROFS || why == ENOSYS || why == EOPNOTSUPP) return;
            if (why && why != EINTR) {
                error_ = why;
                changed_.notify_all();
                return;
            }
        }
    }

    const int fd_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    AnsiText waiting_;
    bool full_ = false, busy_ = false, closing_ = false, finished_ = false, syncing_ = false;
    qint64 written_ = 0, synced_ = 0;
    int error_ = 0;
    // Last: they start once everything above is set.
    std::thread writer_;
    std::thread flusher_;
};

}  // namespace

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
    auto fail = [this](int why) {
        QString text = QStringLiteral("Errore di accesso al percorso/file: ") + m_fileName;
        if (why == ENOSPC || why == EFBIG || why == EDQUOT) text += QStringLiteral("\r\nSpazio su disco insufficiente.");
        modGlobals::RaiseLibError(modGlobals::ErrFileAccess, ObjectName(), "Export", text);
    };
    // Taken at once: the system's reason is gone after the next call that fails.
    if (m_fileName.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) fail(errno);

    // The text of a page at a time is made, in the file's code page, and handed to the
    // writer in pieces of about a quarter of a megabyte: the whole document is never held.
    const std::vector<std::shared_ptr<Page>> list = pages->PageList();
    AnsiText text;
    PieceWriter writer(file.handle());
    auto spill = [&](bool last) {
        if ((last || text.Size() >= (1 << 18)) && !writer.Put(text)) fail(writer.Error());
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
    if (!writer.Finish()) fail(writer.Error());
    // A file being replaced is held across the rename and let go of on a thread of its own:
    // the system frees a file's pages when the last hold on it goes, which for a long export
    // takes about as long as writing it.
    int replaced = ::open(QFile::encodeName(m_fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat held;
    if (replaced >= 0 && (::fstat(replaced, &held) != 0 || !S_ISREG(held.st_mode))) {
        ::close(replaced);
        replaced = -1;
    }
    const bool committed = file.commit();
    const int why = errno;
    if (replaced >= 0) std::thread([replaced] { ::close(replaced); }).detach();
    if (!committed) fail(why);
    return 0;
}

}  // namespace Pagivex::impl
