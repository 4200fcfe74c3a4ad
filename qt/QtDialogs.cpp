#include "qt/QtDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>
#include <algorithm>

#include "platform/Registry.h"
#include "qt/UpdateProcessDlg.h"

namespace zanvor {

namespace {

QString FilterString(const std::vector<FileFilter>& filters) {
    QStringList parts;
    for (const FileFilter& filter : filters) {
        QStringList patterns;
        for (const std::string& pattern : filter.patterns) {
            patterns << QString::fromStdString(pattern);
        }
        parts << QString::fromStdString(filter.description) + " (" + patterns.join(' ') + ")";
    }
    return parts.join(";;");
}

// The extension a file saved under `filter` gets when its name has none: that of the filter's
// first pattern ("*.xml" gives "xml"); none for a pattern such as "*".
QString DefaultSuffix(const FileFilter& filter) {
    if (filter.patterns.empty()) {
        return {};
    }
    const QString pattern = QString::fromStdString(filter.patterns.front());
    if (!pattern.startsWith(QStringLiteral("*.")) || pattern.size() < 3 ||
        pattern.indexOf('*', 1) >= 0 || pattern.contains('?')) {
        return {};
    }
    return pattern.mid(2);
}

// Where a file dialog opens: the folder of the last file chosen, else the user's documents
// folder, else the home folder.
QString StartFolder() {
    const QString last = QString::fromStdString(ReadRegistryText(kLastFileFolderValue));
    if (!last.isEmpty() && QFileInfo(last).isDir()) {
        return last;
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) {
        return documents;
    }
    return QDir::homePath();
}

// A chosen file's folder is where the next dialog opens.
std::optional<std::string> ChosenPath(const QString& path) {
    if (path.isEmpty()) {
        return std::nullopt;
    }
    WriteRegistryText(kLastFileFolderValue, QFileInfo(path).absolutePath().toStdString());
    return path.toStdString();
}

}  // namespace

QtDialogs::QtDialogs(QWidget* parent) : parent_(parent) {}

QtDialogs::~QtDialogs() {
    delete busy_;
    delete progress_;
}

void QtDialogs::OnUiThread(std::function<void()> action) {
    if (QThread::currentThread() == thread()) {
        action();
    } else {
        QMetaObject::invokeMethod(this, std::move(action), Qt::QueuedConnection);
    }
}

void QtDialogs::MessageBox(const std::string& text, const std::string& caption) {
    QMessageBox::information(parent_, QString::fromStdString(caption),
                             QString::fromStdString(text));
}

bool QtDialogs::Question(const std::string& text, const std::string& caption) {
    // Every question of this program guards a change that cannot be undone (a reset, a
    // deletion, an overwrite): Enter or a hasty click answers No.
    return QMessageBox::question(parent_, QString::fromStdString(caption),
                                 QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

std::optional<std::string> QtDialogs::OpenFile(const std::string& title,
                                               const std::vector<FileFilter>& filters) {
    return ChosenPath(QFileDialog::getOpenFileName(parent_, QString::fromStdString(title),
                                                   StartFolder(), FilterString(filters)));
}

std::vector<std::string> QtDialogs::OpenFiles(const std::string& title,
                                              const std::vector<FileFilter>& filters) {
    std::vector<std::string> paths;
    const QStringList chosen = QFileDialog::getOpenFileNames(parent_, QString::fromStdString(title),
                                                             StartFolder(), FilterString(filters));
    for (const QString& path : chosen) {
        paths.push_back(path.toStdString());
    }
    if (!chosen.isEmpty()) {
        ChosenPath(chosen.front());
    }
    return paths;
}

std::optional<std::string> QtDialogs::SaveFile(const std::string& title,
                                               const std::vector<FileFilter>& filters,
                                               const std::string& suggestedName) {
    QFileDialog dialog(parent_, QString::fromStdString(title),
                       QDir(StartFolder()).filePath(QString::fromStdString(suggestedName)),
                       FilterString(filters));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList names = dialog.nameFilters();
    const auto suffixOf = [&filters, &names](const QString& chosenFilter) {
        const auto index = static_cast<size_t>(std::max<qsizetype>(0, names.indexOf(chosenFilter)));
        return index < filters.size() ? DefaultSuffix(filters[index]) : QString();
    };
    dialog.setDefaultSuffix(suffixOf(dialog.selectedNameFilter()));
    connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog, &suffixOf](const QString& chosen) { dialog.setDefaultSuffix(suffixOf(chosen)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    // A desktop's own dialog may ignore the default suffix: a name without one still gets it.
    QString path = dialog.selectedFiles().front();
    const QString suffix = suffixOf(dialog.selectedNameFilter());
    if (!path.isEmpty() && !suffix.isEmpty() && QFileInfo(path).suffix().isEmpty()) {
        path += '.' + suffix;
    }
    return ChosenPath(path);
}

void QtDialogs::ShowBusy(const std::string& text) {
    busyShown_ = true;
    OnUiThread([this, text] {
        if (busy_ == nullptr) {
            busy_ = new QProgressDialog(parent_);
            busy_->setCancelButton(nullptr);
            busy_->setRange(0, 0);
            busy_->setMinimumDuration(0);
            busy_->setWindowModality(Qt::WindowModal);
        }
        busy_->setLabelText(QString::fromStdString(text));
        busy_->show();
    });
}

void QtDialogs::CloseBusy() {
    busyShown_ = false;
    OnUiThread([this] {
        if (busy_ != nullptr) {
            busy_->hide();
        }
    });
}

bool QtDialogs::BusyShown() const {
    return busyShown_;
}

void QtDialogs::ShowProgress(const std::string& text) {
    OnUiThread([this, text] {
        if (qobject_cast<UpdateProcessDlg*>(progress_.data()) != nullptr) {
            delete progress_;  // this one has no cancel button
        }
        if (progress_ == nullptr) {
            progress_ = new QProgressDialog(parent_);
            progress_->setCancelButton(nullptr);
            progress_->setRange(0, 100);
            progress_->setMinimumDuration(0);
        }
        progress_->setLabelText(QString::fromStdString(text));
        progress_->setValue(0);
        progress_->show();
    });
}

void QtDialogs::ShowCancellableProgress(const std::string& text, std::function<void()> onCancel) {
    OnUiThread([this, text, onCancel = std::move(onCancel)]() mutable {
        auto* dialog = qobject_cast<UpdateProcessDlg*>(progress_.data());
        if (dialog == nullptr) {
            delete progress_;
            dialog = new UpdateProcessDlg(parent_, std::move(onCancel));
            progress_ = dialog;
        } else {
            dialog->SetCancelHandler(std::move(onCancel));
        }
        dialog->setLabelText(QString::fromStdString(text));
        dialog->setValue(0);
        dialog->show();
    });
}

void QtDialogs::SetProgressText(const std::string& text) {
    OnUiThread([this, text] {
        if (progress_ != nullptr) {
            progress_->setLabelText(QString::fromStdString(text));
        }
    });
}

void QtDialogs::SetProgress(int percent) {
    OnUiThread([this, percent] {
        if (progress_ != nullptr) {
            progress_->setValue(percent);
        }
    });
}

void QtDialogs::CloseProgress() {
    OnUiThread([this] {
        if (progress_ != nullptr) {
            progress_->hide();
        }
    });
}

}  // namespace zanvor
