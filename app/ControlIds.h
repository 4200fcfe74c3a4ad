#pragma once

namespace zanvor {

// Control ids of the main window's models; control events arrive at
// KeyboardDlg::OnMessage with these ids.
enum ControlId : int {
    kIdDeviceList = 1001,
    kIdKeyboardCtrl = 1002,
    kIdAuroraEffect = 1003,
};

}  // namespace zanvor
