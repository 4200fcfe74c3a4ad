// The desktop program's message boxes as a user meets them.

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "HubWindowFixture.h"
#include "qt/QtDialogs.h"

namespace zanvor::test {
namespace {

TEST(QtDialogsTest, AQuestionAnsweredWithEnterIsNo) {
    TestApplication();
    QWidget parent;
    QtDialogs dialogs(&parent);
    bool seen = false;
    // The box is modal: press Enter inside its own event loop.
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = true;
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
        box->defaultButton()->click();
    });
    EXPECT_FALSE(dialogs.Question("Reset everything?", "Reset"));
    EXPECT_TRUE(seen);
}

// Profile files: the dialogs open in the documents folder, then where the last file was
// chosen, and name their filter "Profile (*.xml)".
class FileDialogTest : public IsolatedHomeTest {};

TEST_F(FileDialogTest, OpensInDocumentsThenWhereTheLastFileWasChosen) {
    TestApplication();
    const QString home = QString::fromStdString(this->home());
    const QString documents = home + "Documents";
    const QString exports = home + "exports";
    ASSERT_TRUE(QDir().mkpath(documents) && QDir().mkpath(exports));
    WriteFile((exports + "/a.xml").toStdString(), "x");
    QWidget parent;
    QtDialogs dialogs(&parent);
    QString openedIn;
    QStringList filters;
    // The dialog is modal: answer it inside its own event loop (an empty file: cancel).
    const auto answer = [&](const QString& file) {
        QTimer::singleShot(0, [&, file] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            openedIn = dialog->directory().absolutePath();
            filters = dialog->nameFilters();
            if (file.isEmpty()) {
                dialog->reject();
            } else {
                dialog->selectFile(file);
                static_cast<QDialog*>(dialog)->accept();  // as the Open button does
            }
        });
    };
    const std::vector<FileFilter> profileFiles = {{"Profile", {"*.xml"}}};

    answer(exports + "/a.xml");
    const auto chosen = dialogs.OpenFile("Import", profileFiles);
    EXPECT_EQ(openedIn, documents);
    EXPECT_EQ(filters, QStringList{"Profile (*.xml)"});
    ASSERT_TRUE(chosen.has_value());

    answer(QString());
    EXPECT_FALSE(dialogs.SaveFile("Export", profileFiles, "Gaming.xml").has_value());
    EXPECT_EQ(openedIn, exports) << "the folder of the last file chosen";

    // A name typed without an extension gets the filter's; one with an extension keeps it.
    const struct {
        QString typed;
        QString saved;
    } names[] = {{"Gaming", "Gaming.xml"}, {"Gaming.xml", "Gaming.xml"}, {"a.b.xml", "a.b.xml"}};
    for (const auto& c : names) {
        answer(exports + "/" + c.typed);
        const auto saved = dialogs.SaveFile("Export", profileFiles, "x.xml");
        ASSERT_TRUE(saved.has_value()) << c.typed.toStdString();
        EXPECT_EQ(QString::fromStdString(*saved), exports + "/" + c.saved);
    }
}

}  // namespace
}  // namespace zanvor::test
