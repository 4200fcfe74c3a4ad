#include "app/CliMatrixCommands.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>

#include "app/CliLightCommands.h"
#include "app/CliOutput.h"
#include "app/DevicePages.h"
#include "lighting/LightRows.h"
#include "lighting/MatrixPage.h"
#include "store/DataStore.h"
#include "ui/LoadText.h"

namespace zanvor {

using nlohmann::json;

namespace {

constexpr int kUnknownMaxBrightness = 100;
constexpr int kUnknownMaxSpeed = 5;

// The matrix screen is driven on the model that has one; while the keyboard's information is
// unknown (offline) that model counts as having it.
bool HasMatrixScreen(CliSession& session) {
    const SessionState& state = session.Dlg().session;
    const DeviceInfo info = state.Info();
    return state.currentDeviceType.load() == kMatrixDeviceType &&
           (!info.valid || info.matrixPresent);
}

int NoMatrixScreen() {
    return Fail(kCliFailed, "this keyboard has no matrix screen");
}

int NoKeyboard() {
    return Fail(kCliNoKeyboard, "no keyboard online");
}

// A number within [low, high] for an option; false with the usage error printed.
bool ParseInRange(const std::string& text, const char* what, int low, int high, int& value,
                  int& status) {
    if (!ParseWholeNumber(text, value)) {
        status = Fail(kCliUsage, std::string(what) + " " + text + " is not a number");
        return false;
    }
    if (value < low || value > high) {
        status = Fail(kCliUsage, std::string(what) + " runs from " + std::to_string(low) + " to " +
                                     std::to_string(high));
        return false;
    }
    return true;
}

// MODE as a number (decimal or 0x hex) or a mode's name; -1 when the zone has no such mode.
int FindMatrixMode(DataStore& store, int profile, const std::string& text) {
    if (text.size() > 2 && (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0)) {
        int mode = 0;
        const auto result = std::from_chars(text.data() + 2, text.data() + text.size(), mode, 16);
        if (result.ec != std::errc() || result.ptr != text.data() + text.size()) {
            return -1;
        }
        return FindLightMode(store, profile, kLightMatrix, std::to_string(mode));
    }
    return FindLightMode(store, profile, kLightMatrix, text);
}

std::string ModeText(int mode) {
    return mode == kMatrixModeLive ? "0x80" : std::to_string(mode);
}

}  // namespace

int CmdMatrixShow(CliSession& session) {
    if (!HasMatrixScreen(session)) {
        return NoMatrixScreen();
    }
    KeyboardDlg& dialog = session.Dlg();
    DataStore& store = dialog.Store();
    MatrixPage& page = dialog.Pages().matrix;
    const int profile = dialog.session.currentProfile.load();
    EnsureMatrixRows(store, profile);
    const int active = store.GetActiveLightMode(profile, kLightMatrix);
    LightData row;
    store.GetLightRow(profile, kLightMatrix, active, row);
    const int preset = page.StoredPreset();
    const int amplitude = page.StoredAmplitude();
    const std::string colour = WebColour(static_cast<uint32_t>(row.color_value));

    std::vector<LightData> rows;
    store.ListLightRows(profile, kLightMatrix, rows);
    json modes = json::array();
    for (const LightData& mode : rows) {
        modes.push_back({{"mode", mode.mode}, {"name", page.ModeName(mode.mode)}});
    }
    json presets = json::array();
    for (const int number : kMatrixLivePresets) {
        presets.push_back({{"preset", number},
                           {"name", MatrixPage::PresetName(number)},
                           {"audio", IsMatrixAudioPreset(number)}});
    }
    if (session.Options().json) {
        PrintJson(json{{"mode", active},
                       {"name", page.ModeName(active)},
                       {"brightness", row.brightness},
                       {"speed", row.speed},
                       {"colour", colour},
                       {"colourful", row.colorful == 1},
                       {"preset", preset},
                       {"preset_name", MatrixPage::PresetName(preset)},
                       {"amplitude", amplitude},
                       {"modes", modes},
                       {"presets", presets}});
        return kCliOk;
    }
    TextTable table(
        {"MODE", "NAME", "BRIGHTNESS", "SPEED", "COLOUR", "MULTI", "PRESET", "AMPLITUDE"});
    table.AddRow({ModeText(active), page.ModeName(active), std::to_string(row.brightness),
                  std::to_string(row.speed), colour, row.colorful == 1 ? "yes" : "no",
                  std::to_string(preset) + " " + MatrixPage::PresetName(preset),
                  std::to_string(amplitude)});
    table.Print(std::cout);
    std::cout << "\nmodes:";
    for (const LightData& mode : rows) {
        std::cout << "  " << ModeText(mode.mode) << " " << page.ModeName(mode.mode);
    }
    std::cout << "\npresets (0x80):";
    for (const int number : kMatrixLivePresets) {
        std::cout << "  " << number << " " << MatrixPage::PresetName(number)
                  << (IsMatrixAudioPreset(number) ? " " + LoadText("KB.DIALOG", 1981)
                                                  : std::string());
    }
    std::cout << "\n";
    return kCliOk;
}

int CmdMatrixMode(CliSession& session, const MatrixModeArguments& arguments) {
    if (!session.KeyboardOnline()) {
        return NoKeyboard();
    }
    if (!HasMatrixScreen(session)) {
        return NoMatrixScreen();
    }
    KeyboardDlg& dialog = session.Dlg();
    DataStore& store = dialog.Store();
    const int profile = dialog.session.currentProfile.load();
    EnsureMatrixRows(store, profile);
    const int mode = FindMatrixMode(store, profile, arguments.mode);
    if (mode < 0) {
        return Fail(kCliUsage, "the matrix screen has no mode " + arguments.mode);
    }
    LightData row;
    store.GetLightRow(profile, kLightMatrix, mode, row);
    const int flags = row.config_func;
    const DeviceInfo info = dialog.session.Info();
    const int maxBrightness =
        info.matrixMaxBrightness > 0 ? info.matrixMaxBrightness : kUnknownMaxBrightness;
    const int maxSpeed = info.matrixMaxBrightness > 0 ? info.matrixMaxSpeed : kUnknownMaxSpeed;
    const std::string modeName = dialog.Pages().matrix.ModeName(mode);

    MatrixModeSettings settings;
    int status = kCliOk;
    int number = 0;
    const auto needs = [&](int flag, const std::string& option) {
        if ((flags & flag) == 0) {
            status = Fail(kCliUsage, modeName + " has no " + option);
            return false;
        }
        return true;
    };
    if (!arguments.brightness.empty()) {
        if (!needs(kLightHasBrightness, "brightness") ||
            !ParseInRange(arguments.brightness, "brightness", 0, maxBrightness, number, status)) {
            return status;
        }
        settings.brightness = number;
    }
    if (!arguments.speed.empty()) {
        if (!needs(kLightHasSpeed, "speed") ||
            !ParseInRange(arguments.speed, "speed", 1, maxSpeed, number, status)) {
            return status;
        }
        settings.speed = number;
    }
    if (!arguments.colour.empty()) {
        uint32_t colour = 0;
        if (!needs(kLightHasPalette | kLightHasColorButton | kLightPerKey, "colour")) {
            return status;
        }
        if (!ParseWebColour(arguments.colour, colour)) {
            return Fail(kCliUsage, "colour " + arguments.colour + " is not RRGGBB");
        }
        settings.color = colour;
    }
    if (!arguments.colourful.empty()) {
        if (!needs(kLightHasColorButton, "multi-colour choice")) {
            return status;
        }
        settings.colorful = arguments.colourful == "on";
    }
    if (!arguments.preset.empty()) {
        if (!needs(kLightHasPresets, "presets") ||
            !ParseInRange(arguments.preset, "preset", 0, 255, number, status)) {
            return status;
        }
        if (!IsMatrixLivePreset(number)) {
            return Fail(kCliUsage, "there is no preset " + arguments.preset +
                                       " (see `zanvorctl matrix show`)");
        }
        settings.preset = number;
    }
    if (!arguments.amplitude.empty()) {
        if (!needs(kLightHasPresets, "amplitude") ||
            !ParseInRange(arguments.amplitude, "amplitude", 0, 100, number, status)) {
            return status;
        }
        settings.amplitude = number;
    }
    session.BeginChange();
    if (!dialog.Pages().matrix.ApplyMatrixMode(mode, settings)) {
        return Fail(kCliFailed, "the profile's matrix settings could not be changed");
    }
    const int result = session.FinishChange();
    if (result == kCliOk && mode == kMatrixModeLive && !session.HandedOver() &&
        !session.Options().json) {
        std::cout << "The live mode is stored; the desktop program or zanvorctl serve streams it "
                     "while it runs.\n";
    }
    return result;
}

int CmdMatrixSwitch(CliSession& session, bool on) {
    if (!session.KeyboardOnline()) {
        return NoKeyboard();
    }
    if (!HasMatrixScreen(session)) {
        return NoMatrixScreen();
    }
    session.BeginChange();
    session.Dlg().Pages().matrix.SetMatrixSwitch(on);
    return session.FinishChange();
}

int CmdMatrixPaint(CliSession& session, const std::string& all,
                   const std::vector<std::string>& leds) {
    std::optional<uint32_t> allColour;
    if (!all.empty()) {
        uint32_t colour = 0;
        if (!ParseWebColour(all, colour)) {
            return Fail(kCliUsage, "colour " + all + " is not RRGGBB");
        }
        allColour = colour;
    }
    std::vector<std::pair<int, uint32_t>> painted;
    for (const std::string& assignment : leds) {
        const size_t equals = assignment.find('=');
        int led = 0;
        uint32_t colour = 0;
        if (equals == std::string::npos || !ParseWholeNumber(assignment.substr(0, equals), led) ||
            !ParseWebColour(assignment.substr(equals + 1), colour)) {
            return Fail(kCliUsage, assignment + " is not LED=RRGGBB");
        }
        if (led < 0 || led >= kMatrixLedCount) {
            return Fail(kCliUsage, "LEDs are 0 to " + std::to_string(kMatrixLedCount - 1));
        }
        painted.emplace_back(led, colour);
    }
    if (!allColour && painted.empty()) {
        return Fail(kCliUsage, "nothing to paint: give --all RRGGBB or LED=RRGGBB");
    }
    if (!session.KeyboardOnline()) {
        return NoKeyboard();
    }
    if (!HasMatrixScreen(session)) {
        return NoMatrixScreen();
    }
    session.BeginChange();
    session.Dlg().Pages().matrix.PaintCustomColors(allColour, painted);
    return session.FinishChange();
}

void AddMatrixCommands(CLI::App& cli,
                       const std::function<int(std::function<int(CliSession&)>)>& withSession,
                       int& status) {
    // The options' values live as long as the commands that fill them.
    struct Arguments {
        MatrixModeArguments mode;
        std::string all;
        std::vector<std::string> leds;
    };
    const auto arguments = std::make_shared<Arguments>();
    const auto run = [&status, withSession](std::function<int(CliSession&)> command) {
        status = withSession(std::move(command));
    };

    CLI::App* matrix = cli.add_subcommand(
        "matrix", "The matrix screen: its mode, switch and painted custom colours");
    matrix->require_subcommand(1);
    matrix->add_subcommand("show", "Mode, settings, preset, and the modes and presets offered")
        ->callback([run] { run(CmdMatrixShow); });

    CLI::App* mode = matrix->add_subcommand("mode", "Choose the matrix screen's mode");
    mode->add_option("MODE", arguments->mode.mode, "number (0x80 the live mode) or name")
        ->required();
    mode->add_option("--brightness", arguments->mode.brightness, "0 to the zone's maximum");
    mode->add_option("--speed", arguments->mode.speed, "1 to the zone's maximum");
    mode->add_option("--colour", arguments->mode.colour, "RRGGBB");
    mode->add_option("--colourful", arguments->mode.colourful, "on or off")
        ->check(CLI::IsMember({"on", "off"}));
    mode->add_option("--preset", arguments->mode.preset, "a preset of the live mode");
    mode->add_option("--amplitude", arguments->mode.amplitude, "0 to 100: the sound presets' gain");
    mode->callback([run, arguments] {
        run([arguments](CliSession& s) { return CmdMatrixMode(s, arguments->mode); });
    });

    for (const bool on : {true, false}) {
        matrix
            ->add_subcommand(on ? "on" : "off",
                             on ? "Switch the matrix screen on" : "Switch the matrix screen off")
            ->callback([run, on] { run([on](CliSession& s) { return CmdMatrixSwitch(s, on); }); });
    }

    CLI::App* paint = matrix->add_subcommand(
        "paint", "Paint the custom colours (mode 5) and store them in the keyboard");
    paint->add_option("--all", arguments->all, "RRGGBB for every LED first");
    paint->add_option("LEDS", arguments->leds, "LED=RRGGBB, LED 0 (left) to 48");
    paint->callback([run, arguments] {
        run([arguments](CliSession& s) {
            return CmdMatrixPaint(s, arguments->all, arguments->leds);
        });
    });
}

}  // namespace zanvor
