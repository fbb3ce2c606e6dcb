#pragma once
// Small controls of the original's toolbox: a progress bar with a
// fractional maximum and a browser that shows local HTML files.

#include <QProgressBar>
#include <QTextBrowser>
#include <functional>

namespace Platform {

// A control's LostFocus as the original raises it: on every focus-out,
// whether or not its text changed, but not when only the window loses
// activation (a message box, another program) or a popup opens over it.
// For an editable list, the list itself: its inner text field never sees the
// focus come or go.
void OnLostFocus(QWidget* control, std::function<void()> handler);

// A frame that comes and goes with the user's choices keeps its room while
// hidden, so that showing it neither grows its window nor moves the rest.
void KeepRoomWhenHidden(QWidget* frame);

class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);
    double Max() const { return max_; }
    void SetMax(double max);
    double Value() const { return value_; }
    void SetValue(double value);

private:
    void Apply();
    double max_ = 100;
    double value_ = 0;
};

class WebBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit WebBrowser(QWidget* parent = nullptr);
    void Navigate(const QString& pathOrUrl);
    QString LocationName() const;
    QString LocationURL() const { return source().toString(); }

signals:
    void DownloadComplete();
};

}  // namespace Platform
