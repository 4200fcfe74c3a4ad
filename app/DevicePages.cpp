#include "app/DevicePages.h"

#include "app/DeviceSession.h"
#include "app/KeyboardDlg.h"
#include "ui/PageRegistry.h"

namespace zanvor {

DevicePages::DevicePages(KeyboardDlg& dialog, DeviceSession& keyboards)
    : profile(dialog.Store(), dialog.session, dialog, dialog.DialogsService()),
      deviceSettings(dialog.Devices(), dialog.Store(), dialog.session, dialog, dialog.mainView,
                     dialog.deviceList),
      settings(dialog.Store(), dialog.session, dialog),
      keys(dialog.Devices(), dialog.Store(), dialog.session, dialog, dialog.DialogsService(),
           dialog.keyboardCtrl),
      knob(dialog.Devices(), dialog.Store(), dialog.session, dialog, dialog.keyboardCtrl,
           keys.Tables()),
      exchange(dialog.Store(), dialog.DialogsService(), profile.List(), dialog.session, dialog),
      application({dialog.Store(), dialog.session, dialog, dialog.DialogsService(), dialog.mainView,
                   keyboards, deviceSettings, profile}),
      update(dialog.DialogsService(), dialog.Host(), dialog, dialog.mainView, dialog.Devices(),
             dialog.session, deviceSettings, dialog.externalToolPid,
             UpdatePage::Hooks{
                 [&keyboards] { return keyboards.CatalogueCopy().software; },
                 {[&dialog] { dialog.Wake(); }, [&dialog] { return dialog.IsRunning(); }}}) {}

void DevicePages::Register(PageRegistry& registry) {
    profile.Register(registry);
    keys.Register(registry);
    knob.Register(registry, settings.encoderSwitch);
    settings.Register(registry);
    deviceSettings.Register(registry);
    exchange.Register(registry);
    application.Register(registry);
    update.Register(registry);

    keys.SetKnobDialogOpener([this] { knob.OpenKnobDialog(); });
    keys.SetKeyTestSwitch([this](bool on) {
        if (on) {
            keyTest.StartKeyTest();
        } else {
            keyTest.StopKeyTest();
        }
    });
    keys.InitControls();
}

}  // namespace zanvor
