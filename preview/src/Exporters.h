// The three file writers behind Preview::Export (CSV, plain text, HTML).
#pragma once

#include <Pagivex/Pagivex.h>

#include "clsSortPageElements.h"
#include "modGlobals.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace Pagivex::impl {

// Text in the file's code page (Windows-1252) as the writers make it: literals are ASCII,
// texts are turned into the code page as they are added.
class AnsiText {
public:
    template <size_t N>
    AnsiText& operator+=(const char (&ascii)[N]) {
        Put(ascii, qsizetype(N - 1));
        return *this;
    }
    AnsiText& operator+=(char c) {
        *Room(1) = c;
        ++size_;
        return *this;
    }
    AnsiText& operator+=(QStringView text) {
        modGlobals::ToAnsi(text, Room(text.size()));
        size_ += text.size();
        return *this;
    }
    void Ascii(const char* ascii) { Put(ascii, qsizetype(std::strlen(ascii))); }
    // Bytes already in the code page.
    void AppendBytes(const QByteArray& b) { Put(b.constData(), b.size()); }
    void AppendBytes(const char* p, qsizetype n) { Put(p, n); }
    void Number(qint64 n);
    void Fill(qsizetype n, char c) {
        if (n <= 0) return;
        std::memset(Room(n), c, size_t(n));
        size_ += n;
    }
    bool EndsWith(char c) const { return size_ > 0 && buffer_[size_t(size_ - 1)] == c; }
    void Chop(qsizetype n) { size_ = std::max<qsizetype>(0, size_ - n); }
    const char* Data() const { return buffer_.get(); }
    qsizetype Size() const { return size_; }
    void Clear() { size_ = 0; }
    // Where up to n more bytes go, written directly; Advance counts those written.
    char* Room(qsizetype n) {
        if (capacity_ - size_ < n) Grow(n);
        return buffer_.get() + size_;
    }
    void Advance(qsizetype n) { size_ += n; }

private:
    void Put(const char* p, qsizetype n) {
        if (n <= 0) return;  // an empty text may come with no characters at all
        std::memcpy(Room(n), p, size_t(n));
        size_ += n;
    }
    // Left uninitialised: every byte is written before it is read.
    void Grow(qsizetype n) {
        const qsizetype capacity = std::max(capacity_ * 2, size_ + n + 4096);
        std::unique_ptr<char[]> larger(new char[size_t(capacity)]);
        if (size_) std::memcpy(larger.get(), buffer_.get(), size_t(size_));
        buffer_ = std::move(larger);
        capacity_ = capacity;
    }
    std::unique_ptr<char[]> buffer_;
    qsizetype capacity_ = 0;
    qsizetype size_ = 0;
};

// What the writers share: the file name with its forced extension, the option text, the
// pages read in band order and the safe write of the file.
class clsExportBase : public Pagivex::IExport {
public:
    QString FileName() const override { return m_fileName; }
    void SetFileName(const QString& name) override;
    qint16 DoAction(qint16 iAction, const QVariant& vValue) override;
    qint16 Export(const std::shared_ptr<Pagivex::Pages>& oPages) override;
    QVariant QueryInfo(qint16 iType) const override;
    bool StillWorking() const override { return false; }

protected:
    // One page in band order. Its elements are read where the page keeps them, which
    // leaves the page's drawing order alone and copies nothing.
    struct SortedPage {
        qint32 index = 0;
        const std::vector<PageElement>* elements = nullptr;
        std::vector<clsSortPageElements::Placed> order;
        const PageElement& At(const clsSortPageElements::Placed& p) const { return (*elements)[p.index]; }
    };
    virtual const char* Extension() const = 0;
    virtual const char* ObjectName() const = 0;
    // Appends what comes before the first page, which the export follows with a line break;
    // false when nothing comes before it.
    virtual bool Header(const std::vector<qint32>&, const std::shared_ptr<Pagivex::Pages>&, AnsiText&) { return false; }
    // Appends one page's block.
    virtual void PageBlock(const SortedPage& page, const std::shared_ptr<Pagivex::Pages>& oPages, AnsiText& out) = 0;
    // What stands between two page blocks, and after the last one.
    virtual const char* PageSeparator() const = 0;
    virtual const char* Trailer() const { return ""; }
    // A rule is a line longer than it is high.
    static bool IsRule(const PageElement& e);
    static qint32 RuleLength(const PageElement& e);
    // The text with CR, LF and TAB as [Cr] [Lf] [Tab] (and, for CSV, each double quote doubled).
    static void AppendControlEscaped(AnsiText& out, const QString& text, bool doubleQuotes);
    static qsizetype ControlEscapedLength(const QString& text);

    QString m_fileName;
    QString m_option;
};

class ExportCSV final : public clsExportBase {
protected:
    const char* Extension() const override { return ".csv"; }
    const char* ObjectName() const override { return "ExportCSV"; }
    void PageBlock(const SortedPage& page, const std::shared_ptr<Pagivex::Pages>& oPages, AnsiText& out) override;
    const char* PageSeparator() const override { return "\r\n"; }
};

class ExportTXT final : public clsExportBase {
protected:
    const char* Extension() const override { return ".txt"; }
    const char* ObjectName() const override { return "ExportTXT"; }
    bool Header(const std::vector<qint32>&, const std::shared_ptr<Pagivex::Pages>&, AnsiText& out) override;
    void PageBlock(const SortedPage& page, const std::shared_ptr<Pagivex::Pages>& oPages, AnsiText& out) override;
    const char* PageSeparator() const override { return "\r\n"; }
};

class ExportHTML final : public clsExportBase {
public:
    ExportHTML();
    ~ExportHTML() override;

protected:
    const char* Extension() const override { return ".htm"; }
    const char* ObjectName() const override { return "ExportHTML"; }
    bool Header(const std::vector<qint32>& pages, const std::shared_ptr<Pagivex::Pages>& oPages, AnsiText& out) override;
    void PageBlock(const SortedPage& page, const std::shared_ptr<Pagivex::Pages>& oPages, AnsiText& out) override;
    const char* PageSeparator() const override { return ""; }
    const char* Trailer() const override { return "<HR SIZE=1 COLOR=\"RED\" WIDTH=\"100%\">\r\n</BODY>\r\n</HTML>"; }

private:
    static void AppendEscapedHTML(AnsiText& out, const QString& text);
    struct Tags;
    std::unique_ptr<Tags> m_tags;
};

}  // namespace Pagivex::impl
