// The matrix screen page's worker side: its jobs, the live stream, its part of a profile
// switch, its place in the main window's registry and the operations of the command line.
#include <array>

#include "device/DeviceManager.h"
#include "device/DeviceSettings.h"
#include "device/ReportFraming.h"
#include "keys/KeyTables.h"
#include "lighting/LightRows.h"
#include "lighting/MatrixPage.h"
#include "store/DataStore.h"
#include "ui/DeviceTasks.h"
#include "ui/MainView.h"
#include "ui/StatusTexts.h"

namespace zanvor {

namespace {

// Said when painted colours were not sent because the keyboard's own could not be read.
constexpr int kTextMatrixColorsUnread = 1810;

TaskResult Sent(bool ok) {
    return ok ? TaskResult() : TransferFailed();
}

}  // namespace

TaskResult MatrixPage::TaskWriteMatrixMode() {
    const DeviceInfo info = session_.Info();
    const int profile = Profile();
    const int mode = Mode();
    SendBracketCommand(devices_, kCommandBegin);
    // Announces the zone's write; the keyboard's answer carries nothing the job needs.
    std::array<uint8_t, kCommandBufferSize> prepare{};
    prepare[0] = kReportHeader;
    prepare[1] = kCommandMatrixPrepare;
    prepare[4] = 0x38;
    devices_.SendCommand(prepare);
    ParameterBlock block{};
    bool written = false;
    if (devices_.WriteBlock(kCommandReadParameters, block)) {
        LightData row;  // a missing row is written as an all-zero row
        store_.GetLightRow(profile, kLightMatrix, mode, row);
        // Keyboards below lighting protocol version 2 keep their settings in these bytes.
        if (info.lightingProtocolVersion >= 2) {
            PatchMatrixGroup(block, row, info.matrixMaxSpeed);
        }
        ParameterBlock out = block;
        written = devices_.WriteBlock(kCommandWriteParameters, out);
        if (written) {
            session_.SetParameters(block);
        }
    }
    SendBracketCommand(devices_, kCommandEnd);
    return Sent(written);
}

TaskResult MatrixPage::TaskReadMatrixColors() {
    SendBracketCommand(devices_, kCommandBegin);
    MatrixColorTable table{};
    const bool read = devices_.WriteBlockChecked(kCommandMatrixReadColors, table);
    SendBracketCommand(devices_, kCommandEnd);
    if (!read) {
        table.fill(0);  // the picture shows black rather than part of a table
    }
    colorsKnown_ = read;
    screen.SetColors(ColorsOfTable(table));
    return Sent(read);
}

TaskResult MatrixPage::TaskWriteMatrixColors() {
    std::optional<PaintRequest> request;
    {
        std::lock_guard lock(paintMutex_);
        request.swap(paintRequest_);
    }
    if (request) {
        return WritePaintRequest(*request);
    }
    SendBracketCommand(devices_, kCommandBegin);
    MatrixFrame colors = screen.Colors();
    if (!colorsKnown_.load()) {
        // The picture's other LEDs are not the keyboard's colours (their read failed): they
        // are read again and kept, so painting one LED does not blacken the rest.
        MatrixColorTable table{};
        if (!devices_.WriteBlockChecked(kCommandMatrixReadColors, table)) {
            SendBracketCommand(devices_, kCommandEnd);
            return TaskResult::Failed(LoadText("KB.DIALOG", kTextMatrixColorsUnread));
        }
        colors = screen.MergeUnpainted(ColorsOfTable(table));
        colorsKnown_ = true;
    }
    MatrixColorTable table = CustomColorTable(colors);
    const bool written = devices_.WriteBlockChecked(kCommandMatrixWriteColors, table);
    SendBracketCommand(devices_, kCommandEnd);
    return Sent(written);
}

bool MatrixPage::StreamMatrixFrame() {
    if (!ForThisKeyboard() || !session_.liveMatrixOn.load()) {
        return true;
    }
    screen.OnTimer();
    // Frames go inside one open bracket. A device job (or another stream's frame, which ends
    // its own bracket) closed it, and a failed frame may have: the next frame opens it again.
    if (taskDone_.exchange(false) || !streamOpen_.load() || session_.liveEffectOn.load()) {
        SendBracketCommand(devices_, kCommandBegin);
        streamOpen_ = true;
    }
    MatrixFrameBytes frame = LiveFrame(screen.Colors());
    if (devices_.WriteBlockChecked(kCommandMatrixFrame, frame)) {
        ++framesSent_;
        return true;
    }
    ++framesFailed_;
    taskDone_ = true;
    return false;
}

TaskResult MatrixPage::ApplyProfileMatrix() {
    if (!ForThisKeyboard()) {
        return TaskResult();
    }
    LoadMatrixPage();
    const int mode = Mode();
    // The live mode streams and the custom mode has posted its own jobs; a built-in mode is
    // written now, so the keyboard shows the new profile's mode and not the previous one's.
    if (mode == kMatrixModeLive || mode == kMatrixModeCustom) {
        return TaskResult();
    }
    return TaskWriteMatrixMode();
}

bool MatrixPage::ApplyMatrixMode(int mode, const MatrixModeSettings& settings) {
    const int profile = Profile();
    EnsureMatrixRows(store_, profile);
    LightData row;
    if (!store_.GetLightRow(profile, kLightMatrix, mode, row)) {
        return false;
    }
    ApplyLightModeSettings(settings, row);
    if (!store_.UpdateLightRow(kLightMatrix, mode, row)) {
        return false;
    }
    if (settings.preset) {
        store_.UpdateConfigValue(profile, kMatrixPresetKey, std::to_string(*settings.preset));
        presetList.SelectData(*settings.preset);
    }
    if (settings.amplitude) {
        store_.UpdateConfigValue(profile, kMatrixAmplitudeKey, std::to_string(*settings.amplitude));
    }
    modeList.SelectData(mode);
    SelectMatrixMode(mode);
    return true;
}

void MatrixPage::PaintCustomColors(std::optional<uint32_t> all,
                                   const std::vector<std::pair<int, uint32_t>>& colors) {
    {
        std::lock_guard lock(paintMutex_);
        paintRequest_ = PaintRequest{all, colors};
    }
    poster_.PostTask(kTaskWriteMatrixColors);
}

TaskResult MatrixPage::WritePaintRequest(const PaintRequest& request) {
    SendBracketCommand(devices_, kCommandBegin);
    MatrixColorTable table{};
    MatrixFrame colors{};
    if (request.all) {
        colors.fill(*request.all & 0xFFFFFF);
    } else if (devices_.WriteBlockChecked(kCommandMatrixReadColors, table)) {
        colors = ColorsOfTable(table);
    } else {
        SendBracketCommand(devices_, kCommandEnd);
        return TaskResult::Failed(LoadText("KB.DIALOG", kTextMatrixColorsUnread));
    }
    for (const auto& [led, color] : request.colors) {
        if (led >= 0 && led < kMatrixLedCount) {
            colors[led] = color & 0xFFFFFF;
        }
    }
    table = CustomColorTable(colors);
    const bool written = devices_.WriteBlockChecked(kCommandMatrixWriteColors, table);
    SendBracketCommand(devices_, kCommandEnd);
    if (written && Mode() == kMatrixModeCustom) {
        screen.SetColors(colors);
        colorsKnown_ = true;
    }
    return Sent(written);
}

void MatrixPage::Register(PageRegistry& registry) {
    registry.AddControl(modeList, [this](int event) {
        if (event == ComboBox::kEventSelectionChanged) {
            SelectMatrixMode(modeList.GetCurData(0));
        }
    });
    registry.AddControl(matrixSwitch, [this](int) { SetMatrixSwitch(matrixSwitch.GetCheck()); });
    registry.AddControl(presetList, [this](int event) {
        if (event == ComboBox::kEventSelectionChanged) {
            SelectPreset(presetList.GetCurData(kMatrixLivePresets.front()));
        }
    });
    registry.AddControl(brightness, [this](int) { SetBrightness(brightness.GetPos()); });
    registry.AddControl(speed, [this](int) { SetSpeed(speed.GetPos()); });
    registry.AddControl(amplitude, [this](int) { SetAmplitude(amplitude.GetPos()); });
    registry.AddControl(colorWheel, [this](int) { OnPaletteColor(colorWheel.GetColor()); });
    registry.AddControl(colorButton, [this](int) { OnPaletteColor(colorButton.GetColor()); });
    registry.AddControl(
        swatches, [this](int) { OnPaletteColor(static_cast<uint32_t>(swatches.GetCurData(0))); });
    registry.AddControl(red, [this](int) { OnColorFieldChanged(red); });
    registry.AddControl(green, [this](int) { OnColorFieldChanged(green); });
    registry.AddControl(blue, [this](int) { OnColorFieldChanged(blue); });
    registry.AddControl(colorfulBox, [this](int) { SetColorful(colorfulBox.GetCheck()); });
    registry.AddControl(screen, [this](int event) {
        if (event == MatrixScreen::kEventPainted) {
            OnScreenPainted();
        }
    });

    registry.AddTask(kTaskWriteMatrixMode, [this] { return TaskWriteMatrixMode(); });
    registry.AddTask(kTaskReadMatrixColors, [this] { return TaskReadMatrixColors(); });
    registry.AddTask(kTaskWriteMatrixColors, [this] { return TaskWriteMatrixColors(); });
    registry.AddIdleWork(
        [this] {
            return session_.liveMatrixOn.load() && session_.deviceOnline.load() &&
                   session_.currentPage.load() != kPageHome && ForThisKeyboard();
        },
        [this] { StreamMatrixFrame(); });
    registry.AddProfileApplyStep([this] { return ApplyProfileMatrix(); });
    registry.AddPagesRefresh([this] { LoadMatrixPage(); });
}

}  // namespace zanvor
