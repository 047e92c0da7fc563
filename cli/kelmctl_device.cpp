// kelmctl-device: the device and network commands of kelmctl (started by kelmctl with its arguments).
#include <QCoreApplication>

#include "cli/device/DeviceCommands.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return runDeviceCommand(app.arguments().mid(1));
}
