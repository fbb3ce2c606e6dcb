#include "frmBrowser.h"

#include "Global.h"
#include "Values.h"

frmBrowser::frmBrowser() {
    brwWebBrowser = new Platform::WebBrowser(this);
    brwWebBrowser->setObjectName("brwWebBrowser");
    resize(800, 600);
    connect(brwWebBrowser, &Platform::WebBrowser::DownloadComplete, this, &frmBrowser::brwWebBrowser_DownloadComplete);
}

void frmBrowser::Form_Load() {
    Global::ApplyFormStyle(this);
    show();
}

void frmBrowser::Form_Resize() {
    if (WindowState() == Platform::vbMinimized) return;
    // 100 twips of margin on each side, as the window was drawn.
    const int margin = Platform::TwipsToPixels(100);
    brwWebBrowser->setGeometry(0, 0, qMax(0, width() - margin), qMax(0, height() - margin));
}

void frmBrowser::brwWebBrowser_DownloadComplete() { setWindowTitle(brwWebBrowser->LocationName()); }
