#include "app/DevicePages.h"

#include "app/ControlIds.h"
#include "app/KeyboardDlg.h"

namespace zanvor {

DevicePages::DevicePages(KeyboardDlg& dialog)
    : profileList(kIdProfileList),
      keyFunctions(kIdKeyFunctions),
      keyLayers(kIdKeyLayers),
      macroPlay(kIdMacroPlay),
      combination(kIdCombination),
      keyTestCtrl(kIdKeyTest),
      languageList(kIdLanguageList),
      autostartSwitch(kIdAutostartSwitch),
      autostartMinimisedSwitch(kIdAutostartMinimisedSwitch),
      exitModeList(kIdExitModeList),
      profile(dialog.Store(), dialog.session, dialog, dialog.DialogsService(), profileList),
      deviceSettings(dialog.Devices(), dialog.Store(), dialog.session, dialog, dialog.mainView,
                     dialog.deviceList),
      settings(dialog.Store(), dialog.session, dialog),
      keys(dialog.Devices(), dialog.Store(), dialog.session, dialog, dialog.DialogsService(),
           KeyPageControls{dialog.keyboardCtrl, keyFunctions, keyLayers, macroPlay, combination}),
      knob(dialog.Devices(), dialog.Store(), dialog.session, dialog, dialog.keyboardCtrl,
           keys.Tables()),
      exchange(dialog.Store(), dialog.DialogsService(), profileList, dialog.session, dialog),
      keyTest(keyTestCtrl, heldKeys),
      update(dialog.DialogsService(), dialog.Host(), dialog, dialog.mainView, dialog.Devices(),
             dialog.session, deviceSettings, dialog.externalToolPid,
             UpdatePage::Hooks{
                 [&dialog] { return dialog.CatalogueCopy().software; },
                 {[&dialog] { dialog.Wake(); }, [&dialog] { return dialog.IsRunning(); }}}) {
    settings.macSwitch.SetControlId(kIdMacSwitch);
    settings.gameSwitch.SetControlId(kIdGameSwitch);
    settings.winLockSwitch.SetControlId(kIdWinLockSwitch);
    settings.wasdSwitch.SetControlId(kIdWasdSwitch);
    settings.encoderSwitch.SetControlId(kIdEncoderSwitch);
    settings.sleepList.SetControlId(kIdSleepList);
    settings.keyResponseList.SetControlId(kIdKeyResponseList);

    languageList.AddItem("English", 1033);
    languageList.AddItem("Polski", 1045);
    exitModeList.AddItem("", 1);
    exitModeList.AddItem("", 0);
}

}  // namespace zanvor
