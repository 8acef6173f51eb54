#include "app/desktop/single_instance.h"

namespace pellavane {

QString SingleInstance::SocketName(const QString&, const QString& name)
{
    // Local sockets are named pipes there, one namespace for the machine: the user tells them apart.
    return name + QLatin1Char('-') + qEnvironmentVariable("USERNAME");
}

} // namespace pellavane
