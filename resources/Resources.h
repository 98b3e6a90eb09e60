#pragma once

#include <QString>

// Where the compiled-in resources live.
namespace Resources {

inline QString defaultsPlist()
{
    return QStringLiteral(":/defaults.plist");
}

// A template image by its name ("StarTemplate", "AppIconPlaceholderTemplate" …).
QString imagePath(const QString &name);

} // namespace Resources
