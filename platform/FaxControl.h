#pragma once
// Stand-in for the fax control: what kind of cover page the installed fax
// software takes. The system fax service reads ".cov" cover files; the fax
// program is handed cover pages the program writes itself, as RTF.

#include <QObject>
#include <QString>

namespace Platform {

class qvxFAX : public QObject {
    Q_OBJECT
public:
    explicit qvxFAX(QObject* parent = nullptr);
    // The extension of cover files, with its dot: ".cov" or ".rtf".
    QString CoverExt;
};

}  // namespace Platform
