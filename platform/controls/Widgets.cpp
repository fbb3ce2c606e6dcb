#include "Widgets.h"

#include <QFileInfo>
#include <QFocusEvent>
#include <QUrl>
#include <cmath>

namespace Platform {

namespace {
class LostFocusFilter : public QObject {
public:
    LostFocusFilter(QWidget* control, std::function<void()> handler)
        : QObject(control), handler_(std::move(handler)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FocusOut) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) handler_();
        }
        return false;
    }

private:
    std::function<void()> handler_;
};
}  // namespace

void OnLostFocus(QWidget* control, std::function<void()> handler) {
    control->installEventFilter(new LostFocusFilter(control, std::move(handler)));
}

void KeepRoomWhenHidden(QWidget* frame) {
    QSizePolicy policy = frame->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    frame->setSizePolicy(policy);
}

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
