#pragma once
// The multi-state button every window uses: a push button whose back and
// text colours are set by the colour scheme.

#include <QPushButton>
#include <cstdint>

namespace Platform {

class MultiButton : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(int ColorScheme READ ColorScheme WRITE SetColorScheme)
public:
    explicit MultiButton(QWidget* parent = nullptr);
    MultiButton(const QString& caption, QWidget* parent);
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    // Scheme 2 honours BackColor and ForeColor; others keep the style's colours.
    int ColorScheme() const { return colorScheme_; }
    void SetColorScheme(int scheme);

private:
    int colorScheme_ = 0;
};

// Back and text colours of any widget, as &HBBGGRR; -1 when never set.
void SetBackColor(QWidget* widget, std::int32_t bgr);
void SetForeColor(QWidget* widget, std::int32_t bgr);
std::int32_t BackColor(const QWidget* widget);
std::int32_t ForeColor(const QWidget* widget);

}  // namespace Platform
