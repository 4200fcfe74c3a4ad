// The desktop program's message boxes as a user meets them.

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

}  // namespace
}  // namespace zanvor::test
