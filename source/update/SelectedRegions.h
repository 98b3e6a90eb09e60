#pragma once

#include "platform/PreferenceKeys.h"

#include <QStringList>

class UserDefaults;

// The regions whose countries are updated: the keys of "SelectedRegions"
// whose value is true, sorted so that plans do not depend on the
// preference file's order.
namespace SelectedRegions {

inline const QString key = Preference::SelectedRegions;

QStringList fromDefaults(const UserDefaults &defaults);

// Logs the message shown when no region is selected.
void logNoneSelected();

} // namespace SelectedRegions
