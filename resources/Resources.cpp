#include "Resources.h"

namespace Resources {

QString imagePath(const QString &name)
{
    return QStringLiteral(":/images/%1.png").arg(name);
}

} // namespace Resources
