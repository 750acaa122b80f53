#include "app/orvane_app.h"

#include "ui/orvane_dlg.h"

namespace kelm9d {

COrvaneApp theApp;

bool COrvaneApp::InitApplication(DialogHost& host) {
    InitCommonControls(8, kIccWin95Classes);
    ApplicationBase::InitApplication(host);
    EnableControlContainer();
    SetRegistryKey(kRegistryKey);
    m_pDetectorPort.reset();
    {
        COrvaneDlg dialog(m_pDetectorPort);
        dialog.DoModal(host);
    }  // the window releases the port as it ends
    return false;
}

}  // namespace kelm9d
