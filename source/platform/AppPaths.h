#pragma once

#include <QString>

// Names and places of the application. Every path follows the XDG variables,
// so tests point them at temporary folders.
namespace AppPaths {

// The application's name in texts and notification titles, and the name of
// its store file.
QString applicationName();
QString applicationId();
QString version();

// <XDG data home>/org.reviewkeeper.ReviewKeeper
QString applicationSupportDirectory();
// <applicationSupportDirectory>/ReviewKeeper.db
QString localStoreFile();
// Beside the store: held by whichever process writes to it.
QString lockFile();
// <XDG config home>/org.reviewkeeper.ReviewKeeper.conf
QString preferencesFile();
// <XDG cache home>/org.reviewkeeper.ReviewKeeper
QString cacheDirectory();

} // namespace AppPaths
