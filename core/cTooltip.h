#pragma once
// One tip window for one form: controls are registered with a text, the
// text can change while the form runs (the activity list shows a row's full
// text as the mouse moves over it), and the tip's colours, margins, width
// and delays can be set. Nothing happens until Create has made the window.

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <cstdint>

class QLabel;
class QWidget;

class cTooltip : public QObject {
    Q_OBJECT
public:
    // Which delay DelayTime reads or sets (masked with 3).
    enum { TTDT_AUTOMATIC = 0, TTDT_RESHOW = 1, TTDT_AUTOPOP = 2, TTDT_INITIAL = 3 };

    explicit cTooltip(QObject* parent = nullptr);
    ~cTooltip() override;

    // Makes the tip window for `form`; true when it exists afterwards.
    bool Create(QWidget* form);
    // False when the control already has a tip (its text stays) or there is
    // no tip window. An empty text becomes "Tool" and the new tool's number.
    bool AddTool(QWidget* control, const QString& text);
    bool RemoveTool(QWidget* control);

    std::int32_t BackColor() const;  // &HBBGGRR
    void SetBackColor(std::int32_t colour);
    std::int32_t ForeColor() const;
    void SetForeColor(std::int32_t colour);
    std::int32_t DelayTime(std::int32_t which) const;  // milliseconds
    void SetDelayTime(std::int32_t which, std::int32_t milliseconds);
    // Side 0 left, 1 top, 2 right, 3 bottom; pixels.
    std::int32_t Margin(std::int32_t side) const;
    void SetMargin(std::int32_t side, std::int32_t value);
    // Pixels; -1 means no limit, the tip on one line.
    std::int16_t MaxTipWidth() const;
    void SetMaxTipWidth(std::int16_t width);
    std::int16_t ToolCount() const;
    QString ToolText(QWidget* control) const;  // "" when the control has no tip
    void SetToolText(QWidget* control, const QString& text);

    // The tip window; nullptr until Create.
    QWidget* hWnd() const;
    // Whether an object is a control that can carry a tip.
    static bool HasHWnd(QObject* object);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Tool {
        QPointer<QWidget> control;
        QString text;
    };
    int FindTool(QWidget* control) const;
    void ShowTip();
    void HideTip();
    void Reflow();

    QPointer<QLabel> tip_;
    QList<Tool> tools_;
    std::int32_t margins_[4] = {0, 0, 0, 0};
    std::int16_t maxWidth_ = -1;
    std::int32_t initial_, autopop_, reshow_;
    QTimer showTimer_;
    QTimer hideTimer_;
    QPointer<QWidget> hovered_;  // the control under the mouse
    QPointer<QWidget> shown_;    // the control whose tip is on screen
    QElapsedTimer sinceHidden_;
};
