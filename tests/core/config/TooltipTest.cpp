// The tooltip wrapper on a live form.
#include "Values.h"
#include "cTooltip.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

class Tooltip : public ::testing::Test {
protected:
    void SetUp() override {
        list = new QLineEdit(&form);
        button = new QPushButton(&form);
        other = new QPushButton(&form);
    }
    void Hover(QWidget* w) {
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(w, &enter);
    }
    bool WaitVisible(QWidget* tip, bool visible) {
        QElapsedTimer t;
        t.start();
        while (tip->isVisible() != visible && t.elapsed() < 2000) QApplication::processEvents(QEventLoop::AllEvents, 10);
        return tip->isVisible() == visible;
    }
    QWidget form;
    QLineEdit* list;
    QPushButton* button;
    QPushButton* other;
};

}  // namespace

TEST_F(Tooltip, NothingHappensBeforeCreate) {
    cTooltip tip;
    EXPECT_FALSE(tip.AddTool(button, "x"));
    EXPECT_EQ(tip.ToolCount(), 0);
    EXPECT_EQ(tip.ToolText(button), "");
    EXPECT_FALSE(tip.RemoveTool(button));
    tip.SetMaxTipWidth(200);
    EXPECT_EQ(tip.MaxTipWidth(), 0);
    tip.SetBackColor(0x123456);
    EXPECT_EQ(tip.BackColor(), 0);
    EXPECT_EQ(tip.ForeColor(), 0);
    EXPECT_EQ(tip.DelayTime(cTooltip::TTDT_INITIAL), 0);
    EXPECT_EQ(tip.Margin(0), 0);
    EXPECT_EQ(tip.hWnd(), nullptr);
}

TEST_F(Tooltip, ToolsAreAddedOnceAndNamedWhenTheirTextIsEmpty) {
    cTooltip tip;
    ASSERT_TRUE(tip.Create(&form));
    QWidget* window = tip.hWnd();
    ASSERT_TRUE(tip.Create(&form));
    EXPECT_EQ(tip.hWnd(), window);  // made once

    EXPECT_TRUE(tip.AddTool(list, "prima"));
    EXPECT_FALSE(tip.AddTool(list, "seconda"));
    EXPECT_EQ(tip.ToolText(list), "prima");
    EXPECT_TRUE(tip.AddTool(button, "b"));
    EXPECT_TRUE(tip.AddTool(other, ""));
    EXPECT_EQ(tip.ToolText(other), "Tool3");
    EXPECT_EQ(tip.ToolCount(), 3);

    const QString longText(500, 'z');
    tip.SetToolText(list, longText);
    EXPECT_EQ(tip.ToolText(list), longText);
    tip.SetToolText(list, QString("corto") + QChar(0) + "resto");
    EXPECT_EQ(tip.ToolText(list), "corto");

    QLabel stray(&form);
    EXPECT_EQ(tip.ToolText(&stray), "");
    tip.SetToolText(&stray, "x");  // no tool: nothing
    EXPECT_EQ(tip.ToolCount(), 3);

    EXPECT_TRUE(tip.RemoveTool(button));
    EXPECT_FALSE(tip.RemoveTool(button));
    EXPECT_EQ(tip.ToolCount(), 2);
    delete other;  // a control that goes away takes its tool with it
    EXPECT_EQ(tip.ToolCount(), 1);

    EXPECT_TRUE(cTooltip::HasHWnd(list));
    EXPECT_FALSE(cTooltip::HasHWnd(&tip));
    EXPECT_FALSE(cTooltip::HasHWnd(nullptr));
}

TEST_F(Tooltip, LookWidthAndDelays) {
    cTooltip tip;
    ASSERT_TRUE(tip.Create(&form));
    const auto back = tip.BackColor();
    const auto fore = tip.ForeColor();
    EXPECT_EQ(tip.ForeColor(), fore);  // reading changes nothing
    EXPECT_EQ(tip.BackColor(), back);
    tip.SetBackColor(0xC0FFFF);
    tip.SetForeColor(0x800000);
    EXPECT_EQ(tip.BackColor(), 0xC0FFFF);
    EXPECT_EQ(tip.ForeColor(), 0x800000);
    EXPECT_EQ(tip.hWnd()->palette().color(QPalette::Window), Platform::BgrToColor(0xC0FFFF));

    EXPECT_EQ(tip.MaxTipWidth(), -1);
    tip.SetMaxTipWidth(300);
    EXPECT_EQ(tip.MaxTipWidth(), 300);
    EXPECT_EQ(tip.hWnd()->maximumWidth(), 300);
    tip.SetMaxTipWidth(0);
    EXPECT_EQ(tip.MaxTipWidth(), -1);
    tip.SetMaxTipWidth(-20);
    EXPECT_EQ(tip.MaxTipWidth(), -1);

    tip.SetMargin(1, 6);
    EXPECT_EQ(tip.Margin(1), 6);
    EXPECT_EQ(tip.Margin(0), 0);
    EXPECT_EQ(tip.Margin(7), 0);

    tip.SetDelayTime(cTooltip::TTDT_AUTOMATIC, 400);
    EXPECT_EQ(tip.DelayTime(cTooltip::TTDT_INITIAL), 400);
    EXPECT_EQ(tip.DelayTime(cTooltip::TTDT_AUTOPOP), 4000);
    EXPECT_EQ(tip.DelayTime(cTooltip::TTDT_RESHOW), 80);
    tip.SetDelayTime(4 + cTooltip::TTDT_RESHOW, 30);  // only the low two bits choose
    EXPECT_EQ(tip.DelayTime(cTooltip::TTDT_RESHOW), 30);
}

TEST_F(Tooltip, HoveringShowsTheTextAndItFollowsChanges) {
    form.show();
    cTooltip tip;
    ASSERT_TRUE(tip.Create(&form));
    tip.SetDelayTime(cTooltip::TTDT_INITIAL, 10);
    ASSERT_TRUE(tip.AddTool(list, "riga 1"));
    auto* window = static_cast<QLabel*>(tip.hWnd());

    Hover(list);
    ASSERT_TRUE(WaitVisible(window, true));
    EXPECT_EQ(window->text(), "riga 1");
    tip.SetToolText(list, "riga 2: testo completo");
    EXPECT_EQ(window->text(), "riga 2: testo completo");

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(list, &leave);
    EXPECT_TRUE(WaitVisible(window, false));

    QPointer<QWidget> guard(window);
    {
        cTooltip gone;
        ASSERT_TRUE(gone.Create(&form));
        guard = gone.hWnd();
    }
    EXPECT_TRUE(guard.isNull());  // releasing the object destroys its window
}
