#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

namespace zanvor {

// Takes the auto-repeat out of a window's key events, so a held key reads as one press and
// one release. Qt marks most repeats; where the window system sends a held key as release
// and press pairs without the mark (X11 without detectable auto-repeat, some Wayland
// compositors), a release is held back briefly and dropped together with a press of the same
// key that follows within a few milliseconds.
class KeyRepeatFilter : public QObject {
    Q_OBJECT
  public:
    using Deliver = std::function<void(int nativeScanCode, bool pressed)>;
    // Releases wait this long for a press of the same key.
    static constexpr int kRepeatGapMs = 25;

    explicit KeyRepeatFilter(Deliver deliver, QObject* parent = nullptr);

    // A key event with its time stamp (milliseconds) and Qt's repeat mark.
    void Key(int nativeScanCode, bool pressed, quint64 timestamp, bool autoRepeat);
    // Delivers a release still held back (the input goes elsewhere).
    void Flush();

  private:
    Deliver deliver_;
    QTimer timer_;
    int pendingCode_ = -1;  // the release held back, -1 when none
    quint64 pendingStamp_ = 0;
};

}  // namespace zanvor
