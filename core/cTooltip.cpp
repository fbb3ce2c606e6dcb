#include "cTooltip.h"

#include "Values.h"

#include <QCursor>
#include <algorithm>
#include <QEvent>
#include <QLabel>
#include <QToolTip>
#include <QWidget>

namespace {
// The delays tips have when nobody sets them.
constexpr std::int32_t kInitial = 500;
constexpr std::int32_t kAutopop = 5000;
constexpr std::int32_t kReshow = 100;

// Tip texts end at a NUL, as the texts handed to the tip window always did.
QString TrimAtNull(const QString& text) {
    const int nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}
}  // namespace

cTooltip::cTooltip(QObject* parent) : QObject(parent), initial_(kInitial), autopop_(kAutopop), reshow_(kReshow) {
    showTimer_.setSingleShot(true);
    hideTimer_.setSingleShot(true);
    connect(&showTimer_, &QTimer::timeout, this, &cTooltip::ShowTip);
    connect(&hideTimer_, &QTimer::timeout, this, &cTooltip::HideTip);
}

cTooltip::~cTooltip() {
    for (const Tool& tool : tools_)
        if (tool.control) tool.control->removeEventFilter(this);
    delete tip_.data();
}

bool cTooltip::Create(QWidget* form) {
    if (tip_) return true;
    if (!form) return false;
    auto* tip = new QLabel(form, Qt::ToolTip | Qt::BypassGraphicsProxyWidget);
    tip->setObjectName(QStringLiteral("tooltips_class32"));
    tip->setAutoFillBackground(true);
    tip->setPalette(QToolTip::palette());
    tip->setFont(QToolTip::font());
    tip->setMargin(2);
    tip->setTextFormat(Qt::PlainText);
    tip->hide();
    tip_ = tip;
    Reflow();
    return true;
}

int cTooltip::FindTool(QWidget* control) const {
    if (!control) return -1;
    for (int i = 0; i < tools_.size(); ++i)
        if (tools_[i].control == control) return i;
    return -1;
}

bool cTooltip::AddTool(QWidget* control, const QString& text) {
    if (!tip_ || !control || FindTool(control) >= 0) return false;
    QString tipText = text.isEmpty() ? QStringLiteral("Tool") + QString::number(ToolCount() + 1) : text;
    tools_.append({control, tipText});
    control->installEventFilter(this);
    connect(control, &QObject::destroyed, this, [this](QObject* gone) {
        tools_.erase(std::remove_if(tools_.begin(), tools_.end(),
                                    [gone](const Tool& t) { return t.control.isNull() || t.control.data() == gone; }),
                     tools_.end());
    });
    return true;
}

bool cTooltip::RemoveTool(QWidget* control) {
    if (!tip_) return false;
    const int i = FindTool(control);
    if (i < 0) return false;
    control->removeEventFilter(this);
    disconnect(control, &QObject::destroyed, this, nullptr);
    tools_.removeAt(i);
    if (shown_ == control || hovered_ == control) HideTip();
    return true;
}

std::int32_t cTooltip::BackColor() const {
    return tip_ ? Platform::ColorToBgr(tip_->palette().color(QPalette::Window)) : 0;
}

void cTooltip::SetBackColor(std::int32_t colour) {
    if (!tip_) return;
    QPalette p = tip_->palette();
    p.setColor(QPalette::Window, Platform::BgrToColor(colour));
    tip_->setPalette(p);
}

std::int32_t cTooltip::ForeColor() const {
    return tip_ ? Platform::ColorToBgr(tip_->palette().color(QPalette::WindowText)) : 0;
}

void cTooltip::SetForeColor(std::int32_t colour) {
    if (!tip_) return;
    QPalette p = tip_->palette();
    p.setColor(QPalette::WindowText, Platform::BgrToColor(colour));
    tip_->setPalette(p);
}

std::int32_t cTooltip::DelayTime(std::int32_t which) const {
    if (!tip_) return 0;
    switch (which & 3) {
    case TTDT_RESHOW: return reshow_;
    case TTDT_AUTOPOP: return autopop_;
    default: return initial_;
    }
}

void cTooltip::SetDelayTime(std::int32_t which, std::int32_t milliseconds) {
    if (!tip_) return;
    const bool reset = milliseconds < 0;
    switch (which & 3) {
    case TTDT_AUTOMATIC:
        // One value sets all three in the usual proportions.
        initial_ = reset ? kInitial : milliseconds;
        autopop_ = reset ? kAutopop : milliseconds * 10;
        reshow_ = reset ? kReshow : milliseconds / 5;
        break;
    case TTDT_RESHOW: reshow_ = reset ? kReshow : milliseconds; break;
    case TTDT_AUTOPOP: autopop_ = reset ? kAutopop : milliseconds; break;
    case TTDT_INITIAL: initial_ = reset ? kInitial : milliseconds; break;
    }
}

std::int32_t cTooltip::Margin(std::int32_t side) const {
    if (!tip_ || side < 0 || side > 3) return 0;
    return margins_[side];
}

void cTooltip::SetMargin(std::int32_t side, std::int32_t value) {
    if (!tip_ || side < 0 || side > 3) return;
    margins_[side] = value;
    Reflow();
}

std::int16_t cTooltip::MaxTipWidth() const { return tip_ ? maxWidth_ : 0; }

void cTooltip::SetMaxTipWidth(std::int16_t width) {
    if (!tip_) return;
    maxWidth_ = width < 1 ? std::int16_t(-1) : width;
    Reflow();
}

std::int16_t cTooltip::ToolCount() const { return tip_ ? std::int16_t(tools_.size()) : 0; }

QString cTooltip::ToolText(QWidget* control) const {
    if (!tip_) return QString();
    const int i = FindTool(control);
    return i < 0 ? QString() : TrimAtNull(tools_[i].text);
}

void cTooltip::SetToolText(QWidget* control, const QString& text) {
    if (!tip_) return;
    const int i = FindTool(control);
    if (i < 0) return;
    tools_[i].text = text;
    if (shown_ == control && tip_->isVisible()) {
        tip_->setText(TrimAtNull(text));
        tip_->adjustSize();
    }
}

QWidget* cTooltip::hWnd() const { return tip_; }

bool cTooltip::HasHWnd(QObject* object) { return qobject_cast<QWidget*>(object) != nullptr; }

void cTooltip::Reflow() {
    if (!tip_) return;
    tip_->setContentsMargins(margins_[0], margins_[1], margins_[2], margins_[3]);
    tip_->setWordWrap(maxWidth_ > 0);
    tip_->setMaximumWidth(maxWidth_ > 0 ? maxWidth_ : QWIDGETSIZE_MAX);
    tip_->adjustSize();
}

void cTooltip::ShowTip() {
    const int i = FindTool(hovered_);
    if (!tip_ || i < 0) return;
    shown_ = hovered_;
    tip_->setText(TrimAtNull(tools_[i].text));
    tip_->adjustSize();
    tip_->move(QCursor::pos() + QPoint(0, 20));
    tip_->show();
    tip_->raise();
    if (autopop_ > 0) hideTimer_.start(autopop_);
}

void cTooltip::HideTip() {
    showTimer_.stop();
    hideTimer_.stop();
    if (tip_ && tip_->isVisible()) {
        tip_->hide();
        sinceHidden_.start();
    }
    shown_ = nullptr;
}

bool cTooltip::eventFilter(QObject* watched, QEvent* event) {
    auto* control = qobject_cast<QWidget*>(watched);
    if (!control || !tip_ || FindTool(control) < 0) return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Enter: {
        // Moving from one tip straight to the next shows it after the short delay.
        const bool recent = (tip_->isVisible()) || (sinceHidden_.isValid() && sinceHidden_.elapsed() < kAutopop / 10);
        HideTip();
        hovered_ = control;
        showTimer_.start(recent ? reshow_ : initial_);
        break;
    }
    case QEvent::Leave:
        hovered_ = nullptr;
        HideTip();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
        HideTip();
        break;
    case QEvent::ToolTip:
        return true;  // this window shows the control's tip, not the style's
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
