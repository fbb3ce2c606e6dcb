#include "Exporters.h"

#include "Page.h"
#include "Pages.h"
#include "modGlobals.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <charconv>
#include <utility>
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

// Writes the pieces of an export on a thread of its own while the next ones are made. The
// piece being written, the one waiting and the one being made take turns, so the memory held
// stays three pieces.
class PieceWriter {
public:
    explicit PieceWriter(int fd) : fd_(fd), writer_([this] { Run(); }) {}
    ~PieceWriter() {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        changed_.notify_all();
        writer_.join();
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
    // Waits until every piece handed over is written; false when one could not be.
    bool Finish() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return (!full_ && !busy_) || error_; });
        return !error_;
    }
    // The system's reason for the failure.
    int Error() const {
        std::lock_guard lock(mutex_);
        return error_;
    }

private:
    void Run() {
        AnsiText piece;
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return full_ || closing_; });
            if (!full_) return;
            std::swap(piece, waiting_);
            full_ = false;
            busy_ = true;
            lock.unlock();
            changed_.notify_all();
            const int why = Write(piece.Data(), piece.Size());
            piece.Clear();
            lock.lock();
            busy_ = false;
            if (why && !error_) error_ = why;
            changed_.notify_all();
            if (error_) return;
        }
    }
    int Write(const char* data, qint64 size) const {
        while (size > 0) {
            const ssize_t n = ::write(fd_, data, size_t(size));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return n < 0 ? errno : EIO;
            data += n;
            size -= n;
        }
        return 0;
    }

    const int fd_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    AnsiText waiting_;
    bool full_ = false, busy_ = false, closing_ = false;
    int error_ = 0;
    // Last: it starts once everything above is set.
    std::thread writer_;
};

// The export's file, written under a name of its own beside it and renamed over it once
// whole, so a failed write leaves any old file intact and is reported instead of passing for
// success. A new file gets the mode any new file of the user gets, a replaced one keeps its
// own, and a link is followed to the file it names. The file is not forced to the disk: an
// export is made again from the data at will, and waiting for the disk took longer than
// writing a long export.
class ReplacingFile {
public:
    explicit ReplacingFile(const QString& name) {
        QFileInfo target(name);
        for (int depth = 0; depth < 128 && target.isSymLink(); ++depth) target.setFile(target.symLinkTarget());
        final_ = QFile::encodeName(target.isSymLink() ? name : target.filePath());
        struct stat old;
        const bool replacing = ::stat(final_.constData(), &old) == 0;
        if (replacing && (!S_ISREG(old.st_mode) || ::access(final_.constData(), W_OK) != 0)) {
            why_ = S_ISDIR(old.st_mode) ? EISDIR : EACCES;
            return;
        }
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            temp_ = final_ + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
            fd_ = ::open(temp_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0 && errno != EEXIST) break;
        }
        if (fd_ < 0) {
            why_ = errno;
            return;
        }
        if (replacing) ::fchmod(fd_, old.st_mode & 07777);
    }
    ~ReplacingFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!temp_.isEmpty()) ::unlink(temp_.constData());
    }
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    int Handle() const { return fd_; }
    // The system's reason when the file could not be made or renamed.
    int Error() const { return why_; }
    const QByteArray& Path() const { return final_; }
    // Puts the written file in the old one's place; false, with the reason, when it cannot.
    bool Commit() {
        const int fd = std::exchange(fd_, -1);
        if (::close(fd) != 0 && errno != EINTR) {
            why_ = errno;
            return false;
        }
        if (::rename(temp_.constData(), final_.constData()) != 0) {
            why_ = errno;
            return false;
        }
        temp_.clear();
        return true;
    }

private:
    QByteArray final_, temp_;
    int fd_ = -1;
    int why_ = 0;
};

}  // namespace

bool clsExportBase::IsRule(const PageElement& e) {
    return e.Type == 2 && std::llabs(qint64(e.Height) - e.Top) < std::llabs(qint64(e.Width) - e.Left);
}

qint32 clsExportBase::RuleLength(const PageElement& e) { return qint32(std::llabs(qint64(e.Width) - e.Left)); }

qint16 clsExportBase::Export(const std::shared_ptr<Pagivex::Pages>& oPages) {
    auto pages = std::dynamic_pointer_cast<impl::Pages>(oPages);
    if (!pages) modGlobals::RaiseLibError(1070, ObjectName(), "Export");
    auto fail = [this](int why) {
        QString text = QStringLiteral("Errore di accesso al percorso/file: ") + m_fileName;
        if (why == ENOSPC || why == EFBIG || why == EDQUOT) text += QStringLiteral("\r\nSpazio su disco insufficiente.");
        modGlobals::RaiseLibError(modGlobals::ErrFileAccess, ObjectName(), "Export", text);
    };
    if (m_fileName.isEmpty()) fail(ENOENT);
    ReplacingFile file(m_fileName);
    if (file.Handle() < 0) fail(file.Error());

    // The text of a page at a time is made, in the file's code page, and handed to the
    // writer in pieces of about a quarter of a megabyte: the whole document is never held.
    const std::vector<std::shared_ptr<Page>> list = pages->PageList();
    AnsiText text;
    PieceWriter writer(file.Handle());
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
    int replaced = ::open(file.Path().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat held;
    if (replaced >= 0 && (::fstat(replaced, &held) != 0 || !S_ISREG(held.st_mode))) {
        ::close(replaced);
        replaced = -1;
    }
    const bool committed = file.Commit();
    if (replaced >= 0) std::thread([replaced] { ::close(replaced); }).detach();
    if (!committed) fail(file.Error());
    return 0;
}

}  // namespace Pagivex::impl
