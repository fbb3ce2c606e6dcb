// The three file writers behind Preview::Export (CSV, plain text, HTML).
#pragma once

#include <Pagivex/Pagivex.h>

#include <vector>

namespace Pagivex::impl {

// What the writers share: the file name with its forced extension, the option text, the
// band-sorted copies of the pages and the safe write of the file.
class clsExportBase : public Pagivex::IExport {
public:
    QString FileName() const override { return m_fileName; }
    void SetFileName(const QString& name) override;
    qint16 DoAction(qint16 iAction, const QVariant& vValue) override;
    qint16 Export(const std::shared_ptr<Pagivex::Pages>& oPages) override;
    QVariant QueryInfo(qint16 iType) const override;
    bool StillWorking() const override { return false; }

    // "\r" "\n" and TAB as [Cr] [Lf] [Tab].
    static QString EscapeControlChars(const QString& text);

protected:
    struct SortedPage {
        qint32 index = 0;
        std::vector<PageElement> elements;
    };
    virtual const char* Extension() const = 0;
    virtual const char* ObjectName() const = 0;
    virtual QString Header(const std::vector<SortedPage>& pages, const std::shared_ptr<Pagivex::Pages>& oPages) = 0;
    virtual QString PageBlock(const SortedPage& page, const std::shared_ptr<Pagivex::Pages>& oPages) = 0;
    virtual QString Body(const QStringList& blocks) = 0;
    // A rule is a line longer than it is high.
    static bool IsRule(const PageElement& e);
    static qint32 RuleLength(const PageElement& e);

    QString m_fileName;
    QString m_option;
};

class ExportCSV final : public clsExportBase {
protected:
    const char* Extension() const override { return ".csv"; }
    const char* ObjectName() const override { return "ExportCSV"; }
    QString Header(const std::vector<SortedPage>&, const std::shared_ptr<Pagivex::Pages>&) override { return {}; }
    QString PageBlock(const SortedPage& page, const std::shared_ptr<Pagivex::Pages>& oPages) override;
    QString Body(const QStringList& blocks) override;
};

class ExportTXT final : public clsExportBase {
protected:
    const char* Extension() const override { return ".txt"; }
    const char* ObjectName() const override { return "ExportTXT"; }
    QString Header(const std::vector<SortedPage>&, const std::shared_ptr<Pagivex::Pages>&) override;
    QString PageBlock(const SortedPage& page, const std::shared_ptr<Pagivex::Pages>& oPages) override;
    QString Body(const QStringList& blocks) override;
};

class ExportHTML final : public clsExportBase {
public:
    static QString EscapeHTML(const QString& text);

protected:
    const char* Extension() const override { return ".htm"; }
    const char* ObjectName() const override { return "ExportHTML"; }
    QString Header(const std::vector<SortedPage>& pages, const std::shared_ptr<Pagivex::Pages>& oPages) override;
    QString PageBlock(const SortedPage& page, const std::shared_ptr<Pagivex::Pages>& oPages) override;
    QString Body(const QStringList& blocks) override;
};

}  // namespace Pagivex::impl
