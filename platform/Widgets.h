#pragma once
// Small controls of the original's toolbox: a progress bar with a
// fractional maximum and a browser that shows local HTML files.

#include <QProgressBar>
#include <QTextBrowser>

namespace Platform {

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
