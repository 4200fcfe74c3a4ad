#include "qt/HubApplication.h"

#include <QApplication>

namespace zanvor {

int RunHubApplication(int argc, char** argv) {
    QApplication application(argc, argv);
    return 0;
}

}  // namespace zanvor
