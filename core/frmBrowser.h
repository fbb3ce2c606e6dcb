#pragma once
#include "Form.h"
#include "Widgets.h"

// Preview of an HTML file: the caller navigates brwWebBrowser to it.
class frmBrowser : public Platform::Form {
    Q_OBJECT
public:
    frmBrowser();
    Platform::WebBrowser* brwWebBrowser;

protected:
    void Form_Load() override;
    void Form_Resize() override;

private:
    void brwWebBrowser_DownloadComplete();
};
