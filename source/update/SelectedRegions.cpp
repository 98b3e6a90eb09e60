#include "update/SelectedRegions.h"

#include "platform/Log.h"
#include "platform/UserDefaults.h"

namespace SelectedRegions {

QStringList fromDefaults(const UserDefaults &defaults)
{
    QStringList regions;
    const QVariantMap selection = defaults.dictionaryForKey(key);
    for (auto it = selection.cbegin(); it != selection.cend(); ++it) {
        if (it.value().toBool())
            regions << it.key();
    }
    return regions;
}

void logNoneSelected()
{
    logLine(QStringLiteral(
        "No Region Selected\nOpen the preferences and check \"Regions to update:\""));
}

} // namespace SelectedRegions
