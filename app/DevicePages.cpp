#include "app/DevicePages.h"

#include "app/DeviceSession.h"
#include "app/KeyboardDlg.h"
#include "platform/Paths.h"
#include "ui/ControlIds.h"
#include "ui/MainView.h"
#include "ui/PageRegistry.h"

namespace zanvor {

namespace {

// The screen library of the model the main window has selected.
ScreenPageHooks ScreenHooks(KeyboardDlg& dialog) {
    ScreenPageHooks hooks;
    hooks.place = [&dialog] {
        const int deviceType = dialog.session.currentDeviceType.load();
        const DeviceCatalogue catalogue = dialog.CatalogueCopy();
        const KeyboardEntry* keyboard = FindKeyboard(catalogue.keyboards, deviceType);
        return LibraryPlace{DataFolder(), ApplicationFolder(),
                            keyboard != nullptr ? keyboard->name : std::string(),
                            ScreenFormatOf(deviceType)};
    };
    hooks.queueEmpty = [&dialog] { return dialog.Queue().Empty(); };
    return hooks;
}

}  // namespace

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
      macros(dialog.Devices(), dialog.Store(), dialog.session, dialog, dialog.DialogsService(),
             keyTest.Held()),
      application({dialog.Store(), dialog.session, dialog, dialog.DialogsService(), dialog.mainView,
                   keyboards, deviceSettings, profile}),
      screen(dialog.Store(), dialog.DialogsService(), dialog, dialog.session, ScreenHooks(dialog)),
      lighting(dialog.Devices(), dialog.Store(), dialog.session, dialog, keys.Tables(),
               dialog.keyboardCtrl),
      aurora(dialog.Devices(), dialog.Store(), dialog.session, dialog, dialog.DialogsService(),
             dialog.auroraEffect, audio),
      matrix(dialog.Devices(), dialog.Store(), dialog.session, dialog, audio, dialog.taskDone),
      update(dialog.DialogsService(), dialog.Host(), dialog, dialog.mainView, dialog.Devices(),
             dialog.session, deviceSettings, dialog.externalToolPid,
             UpdatePage::Hooks{
                 [&keyboards] { return keyboards.CatalogueCopy().software; },
                 {[&dialog] { dialog.Wake(); }, [&dialog] { return dialog.IsRunning(); }}}),
      direct(dialog.Devices(), dialog.session, dialog),
      focus(dialog.Store(), dialog.session, dialog, profile.List(), dialog.Host(),
            FocusSwitcher::Hooks{[&dialog] { return dialog.ApplyProfile(); },
                                 [&dialog] {
                                     return dialog.session.devicePresent.load() &&
                                            dialog.session.deviceOnline.load();
                                 }}),
      mainView_(dialog.mainView) {
    // The live mirror runs while the lighting page is on screen and the keyboard online.
    // The lighting page shows its zone again each time it comes on screen.
    pageObserver_ = dialog.mainView.AddObserver([this, &dialog](int change) {
        if (change != MainView::kChangePage && change != MainView::kChangeHome &&
            change != MainView::kChangeSettings) {
            return;
        }
        const MainView& view = dialog.mainView;
        const bool shown = view.SelectedPage() == kPageLighting && view.DevicePagesShown() &&
                           !view.SettingsPageShown();
        if (shown && !lightingShown_.exchange(shown)) {
            lighting.OnPageShown();
        }
        lightingShown_ = shown;
    });
    lighting.SetMirrorShown([&dialog] {
        const SessionState& session = dialog.session;
        return session.currentPage.load() == kPageLighting && session.deviceOnline.load() &&
               !dialog.mainView.SettingsPageShown() && dialog.Host().IsVisible();
    });
    // Effect frames go to the LED positions the keyboard reported at connection.
    SessionState& session = dialog.session;
    const auto ledSource = [&session] {
        return LedLookup([map = session.LightMap()](int code) { return map.LedOf(code); });
    };
    aurora.SetLedSource(ledSource);
    direct.SetLedSource(ledSource);
}

DevicePages::~DevicePages() {
    mainView_.RemoveObserver(pageObserver_);
}

void DevicePages::Register(PageRegistry& registry) {
    profile.Register(registry);
    keys.Register(registry);
    knob.Register(registry, settings.encoderSwitch);
    settings.Register(registry);
    deviceSettings.Register(registry);
    exchange.Register(registry);
    application.Register(registry);
    macros.Register(registry);
    screen.Register(registry);
    lighting.Register(registry,
                      LightPageIds{kIdLightZoneTabs,   kIdLightSwitch,       kIdLightModes,
                                   kIdLightCustomSets, kIdLightLiveMirror,   kIdLightBrightness,
                                   kIdLightSpeed,      kIdLightDirectionA,   kIdLightDirectionB,
                                   kIdLightColorWheel, kIdLightSwatches,     kIdLightRed,
                                   kIdLightGreen,      kIdLightBlue,         kIdLightColorButton,
                                   kIdLightColorful,   kIdLightPicture,      kIdLightApply,
                                   kIdLightSelectAll,  kIdLightDirectStatus, kIdLightTakeBack});
    aurora.Register(registry, mainView_);
    direct.Register(registry);
    matrix.Register(registry);
    update.Register(registry);
    focus.Register(registry);

    keys.SetKnobDialogOpener([this] { knob.OpenKnobDialog(); });
    keys.SetKeyTestSwitch([this](bool on) {
        if (on) {
            keyTest.StartKeyTest();
        } else {
            keyTest.StopKeyTest();
        }
    });
    keys.InitControls();

    // One live stream at a time: music streaming ends another program's Direct colours, and
    // their first frame ends music streaming; the lighting page says who holds the keyboard.
    aurora.SetStreamStartHandler([this] { direct.TakeBack(true); });
    direct.SetStartHandler([this] { aurora.StopStreaming(); });
    direct.AddObserver([this] { lighting.ShowDirectClient(direct.Active(), direct.Client()); });
    registry.AddControl(lighting.takeBackButton, [this](int) { direct.TakeBack(); });

    // Keys play macros by their place in the list: the key page releases the keys of a macro
    // that goes away, rewrites its tables when places move, and lists the macros anew.
    macros.SetReleaseMacro([this](int id) { return keys.ReleaseMacro(id); });
    macros.SetRewriteKeyTables([this] { keys.RewriteAllTables(); });
    macros.SetMacrosChanged([this] { keys.RefreshMacroList(); });
}

}  // namespace zanvor
