#include "qt/HubApplication.h"

int main(int argc, char** argv) {
    return zanvor::RunHubApplication(argc, argv);
}
