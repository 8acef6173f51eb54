#include "app/desktop/single_instance.h"

#include <QDir>

namespace pellavane {

QString SingleInstance::SocketName(const QString& folder, const QString& name)
{
    return QDir(folder).filePath(name + QStringLiteral(".socket"));
}

} // namespace pellavane
