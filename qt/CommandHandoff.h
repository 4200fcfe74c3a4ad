#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/SingleInstance.h"

namespace zanvor {

class DialogsRouter;
class KeyboardDlg;

// Runs the zanvorctl commands that the command line hands over while the desktop program owns
// the keyboard: on the UI thread, with the window's own main window object (its worker,
// database and keyboard), its output captured for the terminal. The pages show the result at
// once because they are the same pages.
class CommandHandoff : public QObject {
    Q_OBJECT
  public:
    // `simulateSpec` is the program's own --simulate=... list ("" for every model).
    CommandHandoff(KeyboardDlg& dialog, DialogsRouter& dialogs, bool simulating,
                   std::string simulateSpec, QObject* parent = nullptr);
    ~CommandHandoff() override;

    // Listening thread: runs the command on the UI thread and waits for it. Nothing when the
    // command is not for this program (another kind of keyboard than it runs with) or the
    // program closed before the command started; the command line then works alone.
    // `accepted` is called on the UI thread just before the command starts; a command that
    // started is always waited for.
    std::optional<SingleInstance::CommandReply> Run(const std::vector<std::string>& arguments,
                                                    const std::function<void()>& accepted);
    // From now on every request is declined (the event loop has ended).
    void Close();

  private:
    SingleInstance::CommandReply Execute(const std::vector<std::string>& arguments);

    KeyboardDlg& dialog_;
    DialogsRouter& dialogs_;
    const bool simulating_;
    const std::string simulateSpec_;
    std::shared_ptr<std::atomic<bool>> closing_;
};

}  // namespace zanvor
