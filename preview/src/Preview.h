// The creatable front door: owns the pages, the memory surface and the toolbar images,
// and drives the shared preview window.
#pragma once

#include <Pagivex/Pagivex.h>

#include "Pages.h"
#include "clsImageList.h"
#include "clsMemDC.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <array>

namespace Pagivex {
class frmPreview;
}

namespace Pagivex::impl {

struct ToolButton {
    qint16 Image = -1;
    qint32 Left = 0, Right = 0;
    bool Available = false;
    QString Caption, Tooltip, Key;
    bool Separator = false;
};

class Preview final : public QObject,
                      public Pagivex::Preview,
                      public PagesListener,
                      public std::enable_shared_from_this<Preview> {
public:
    Preview();
    ~Preview() override;
    // Links the collection back; called right after construction.
    void Init();

    QString OutputFile() const override { return m_outputFile; }
    void SetOutputFile(const QString& v) override { m_outputFile = v; }
    bool LaunchFile() const override { return m_launchFile; }
    void SetLaunchFile(bool v) override { m_launchFile = v; }
    QString Application() const override;
    void SetApplication(const QString& bApplicationName) override;
    bool LockRedraw() const override { return m_lockRedraw; }
    void SetLockRedraw(bool bLock) override;
    void Redraw() override;
    qint32 SyncShell(const QString& sCmdLine) override;
    void Export(ZVDestination iFormat) override;
    void Cls() override;
    std::shared_ptr<Pagivex::Pages> Pages() const override { return m_pages; }
    void SetContainer(quintptr hWnd) override;
    quintptr Container() const override;
    void SetCustomCommand(const QString& sCaption) override;
    void Show() override;
    bool SetPrinter(const QString& PrinterDeviceName) override;
    void PrintPages() override;
    void SetEventSink(PreviewEvents* sink) override { m_sink = sink; }
    QString PrintFile() const override { return m_printFile; }
    void SetPrintFile(const QString& fileName) override { m_printFile = fileName; }

    // PagesListener
    void OnPageAdded(qint32 count) override;
    void OnCleared() override;
    void OnPageSelected(qint32 page, qint32 count) override;
    void SetRangeCaption(const QString& text) override;
    QFont MeasureFont() const override;

    // The window's actions, also reachable for tests.
    void SetZoomRatio(qint32 zoom);
    void DoToolAction(qint16 n);
    void NavigatePage(qint16 n);
    void OnToolSelected(int index);
    void OnExportAction(int index);
    void DoScroll(int value, bool vertical);
    void PaintActivePage();
    frmPreview* Form() const { return m_form; }
    const ToolButton& Button(int n) const { return m_toolbar[size_t(n - 1)]; }
    qint32 Zoom() const { return m_zoom; }
    const clsMemDC& Surface() const { return m_memDC; }
    std::shared_ptr<impl::Pages> PagesObject() const { return m_pages; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LoadPreviewWindow();
    void ReleasePreviewWindow();
    void AttachWindow();
    void DetachWindow();
    void TakePanelBack(QWidget* from);
    void BuildToolbar();
    void AddToolButton(const QString& key, const QString& caption, qint16 image, const QString& tooltip, bool available,
                       bool separator = false);
    void LoadToolbarImages();
    void DrawToolButton(int n, bool pressed);
    void PaintPanel(QPainter& p);
    void PaintPageBox(QPainter& p);
    int HitTestToolButton(int x) const;
    void UpdateButtons(qint32 count);
    void LayoutPanel();
    void PanelMousePress(QMouseEvent* e);
    void PanelMouseMove(QMouseEvent* e);
    void PanelMouseRelease(QMouseEvent* e);
    void PanelKeyPress(QKeyEvent* e);
    void PageMousePress(QMouseEvent* e);
    void PageMouseRelease(QMouseEvent* e);
    // Runs a window action; errors become the library's message box, never an escape.
    template <typename F>
    void Guarded(F&& action);
    [[noreturn]] void RaisePreviewError(qint32 number, const QString& procedure, const QString& description = {});

    std::shared_ptr<impl::Pages> m_pages;
    clsMemDC m_memDC;
    clsImageList m_images;
    QPointer<frmPreview> m_form;
    QPointer<QWidget> m_host;  // window holding the panel when it is not the preview window
    QMetaObject::Connection m_hostDestroyed;
    PreviewEvents* m_sink = nullptr;
    QString m_outputFile, m_printFile;
    bool m_launchFile = false;
    bool m_lockRedraw = false;
    bool m_updateLock = false;
    bool m_busy = false;
    bool m_dragging = false;
    QPoint m_dragStart;
    qint32 m_zoom = 5;
    qint32 m_pageWidth = 0, m_pageHeight = 0;
    qint32 m_currentPage = 0;
    int m_hovered = 0;
    std::vector<ToolButton> m_toolbar;
};

}  // namespace Pagivex::impl
