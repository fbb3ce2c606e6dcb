// The preview window: a panel with a self-drawn toolbar, the viewport with the page box,
// two scroll bars, the page and range labels and three pop-up menus. One instance serves
// the whole process; the Preview object that shows it does all drawing and layout.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <functional>
#include <vector>

class QLabel;
class QMenu;
class QAction;
class QScrollBar;

namespace Pagivex {

// A plain child window whose events are handled by whoever attaches to it.
class PictureBox : public QWidget {
public:
    explicit PictureBox(QWidget* parent);
    std::function<void(QPainter&)> onPaint;
    std::function<void()> onResize;
    std::function<void(QMouseEvent*)> onMousePress, onMouseMove, onMouseRelease;
    std::function<void(QKeyEvent*)> onKeyPress;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
};

class frmPreview : public QDialog {
    Q_OBJECT
public:
    static constexpr int ToolbarHeight = 24;
    static constexpr int ScrollBarSize = 16;

    explicit frmPreview(QWidget* parent = nullptr);

    // A scroll bar's value and the page position it stands for.
    static int PagePosition(int barValue) { return 4 - barValue; }
    static int BarValue(int pagePosition) { return 4 - pagePosition; }

    // Lays out the panel and shows the window modally.
    void Start();
    // Puts the panel's children in place for the panel's current size.
    void LayoutPanel();

    PictureBox* picPreview = nullptr;
    PictureBox* picViewPort = nullptr;
    PictureBox* picPage = nullptr;
    QScrollBar* VScroll1 = nullptr;
    QScrollBar* HScroll1 = nullptr;
    QLabel* lblPageIndex = nullptr;
    QLabel* lblRange = nullptr;
    QPixmap picImages;
    QMenu* mnuZoom = nullptr;
    QMenu* mnuExport = nullptr;
    QMenu* mnuTools = nullptr;
    std::vector<QAction*> mnuRatio, mnuFormat, mnuSet;

signals:
    void ChangeZoomRatio(int iRatioIndex);
    void DoScroll(int lValue, bool bVertical);
    void ToolSelected(int iToolIndex);
    void ExportAction(int iFormatIndex);
    void GotoPage();

protected:
    void resizeEvent(QResizeEvent*) override;
    void closeEvent(QCloseEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DrawToolbarImages();
};

}  // namespace Pagivex
