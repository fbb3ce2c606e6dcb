#include "Widgets.h"

#include <QFileInfo>
#include <QUrl>
#include <cmath>

namespace Platform {

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false);
    setRange(0, 1000);
    setValue(0);
}

void ProgressBar::SetMax(double max) {
    max_ = max;
    Apply();
}

void ProgressBar::SetValue(double value) {
    value_ = value;
    Apply();
}

void ProgressBar::Apply() {
    // The bar works in thousandths so a fractional maximum shows smoothly.
    double share = max_ > 0 ? std::clamp(value_ / max_, 0.0, 1.0) : 0.0;
    setValue(static_cast<int>(std::lround(share * 1000)));
}

WebBrowser::WebBrowser(QWidget* parent) : QTextBrowser(parent) { setOpenExternalLinks(true); }

void WebBrowser::Navigate(const QString& pathOrUrl) {
    QUrl url = QFileInfo::exists(pathOrUrl) ? QUrl::fromLocalFile(QFileInfo(pathOrUrl).absoluteFilePath())
                                            : QUrl(pathOrUrl);
    setSource(url);
    emit DownloadComplete();
}

QString WebBrowser::LocationName() const {
    QString title = documentTitle();
    return title.isEmpty() ? QFileInfo(source().toLocalFile()).fileName() : title;
}

}  // namespace Platform
