#pragma once

#include <QDateTime>
#include <QString>
#include <QVariantMap>

// A preference's key, with the type of the value it holds. It reads as the
// key's text wherever UserDefaults takes one.
template<typename T> struct PreferenceKey {
    const char *name;
    operator QString() const { return QString::fromLatin1(name); }
};

// Every preference the application keeps. Registered defaults come from
// resources/defaults.plist; the README describes what each one does.
namespace Preference {

// Start-up and notifications.
inline constexpr PreferenceKey<bool> FirstLaunch {"FirstLaunch"};
// Set while the application runs; found set at start-up, the last run crashed.
inline constexpr PreferenceKey<bool> Crashed {"crashed"};
inline constexpr PreferenceKey<bool> ShowNotifications {"ShowNotifications"};
inline constexpr PreferenceKey<bool> PlayNotificationSound {"PlayNotificationSound"};

// Updates. The regions map region keys (CountryTable::regionKeys) to true.
inline constexpr PreferenceKey<QVariantMap> SelectedRegions {"SelectedRegions"};
// Seconds between automatic updates; 0 for none.
inline constexpr PreferenceKey<double> AutomaticUpdateInterval {"AutomaticUpdateInterval"};
inline constexpr PreferenceKey<bool> AutoUpdateAtStartup {"AutoUpdateAtStartup"};
inline constexpr PreferenceKey<QDateTime> LastAutomaticUpdate {"LastAutomaticUpdate"};
// The store's address, for a stand-in server; empty for Apple's.
inline constexpr PreferenceKey<QString> StoreRootURL {"StoreRootURL"};

// Alerts the user asked not to see again.
inline constexpr PreferenceKey<bool> RateLimitExceededSuppress {"RateLimitExceededSuppress"};
inline constexpr PreferenceKey<bool> DeleteProductAlertSuppress {"DeleteProductAlertSuppress"};

// The window: 0 the reviews, 1 the ratings.
inline constexpr PreferenceKey<qint64> SelectedMainView {"SelectedMainView"};

// The store search's kinds, 1 when searched.
inline constexpr PreferenceKey<qint64> OSXSearchSelected {"OSXSearchSelected"};
inline constexpr PreferenceKey<qint64> IOSSearchSelected {"IOSSearchSelected"};
inline constexpr PreferenceKey<qint64> eBookSearchSelected {"eBookSearchSelected"};
inline constexpr PreferenceKey<qint64> PodcastSearchSelected {"PodcastSearchSelected"};

// Translation: the service, the language translated into, and each
// service's address (empty for its default).
inline constexpr PreferenceKey<QString> TranslationProvider {"TranslationProvider"};
inline constexpr PreferenceKey<QString> TranslationLanguageCode {"TranslationLanguageCode"};
inline constexpr PreferenceKey<QString> DeepLServerURL {"DeepLServerURL"};
inline constexpr PreferenceKey<QString> AzureTranslatorEndpoint {"AzureTranslatorEndpoint"};
inline constexpr PreferenceKey<QString> AzureTranslatorRegion {"AzureTranslatorRegion"};
inline constexpr PreferenceKey<QString> LibreTranslateURL {"LibreTranslateURL"};
inline constexpr PreferenceKey<QString> TranslatorClientID {"TranslatorClientID"};
inline constexpr PreferenceKey<QString> TranslatorTokenURL {"TranslatorTokenURL"};
inline constexpr PreferenceKey<QString> TranslatorTranslateURL {"TranslatorTranslateURL"};
// Kept in the preferences by earlier versions; moved to the secret store.
inline constexpr PreferenceKey<QString> TranslatorClientSecret {"TranslatorClientSecret"};

// App Store Connect: the API's address (empty for Apple's), and the team
// key's issuer and key identifiers; the private key is in the secret store.
inline constexpr PreferenceKey<QString> AppStoreConnectURL {"AppStoreConnectURL"};
inline constexpr PreferenceKey<QString> AppStoreConnectIssuerID {"AppStoreConnectIssuerID"};
inline constexpr PreferenceKey<QString> AppStoreConnectKeyID {"AppStoreConnectKeyID"};

// A list's sort order ("<autosave name>-SortDescriptors") and the sidebar's
// expanded and selected rows ("<autosave name>-SavedOutlineViewItemState").
inline QString sortDescriptorsKey(const QString &autosaveName)
{
    return autosaveName + QStringLiteral("-SortDescriptors");
}
inline QString outlineViewStateKey(const QString &autosaveName)
{
    return autosaveName + QStringLiteral("-SavedOutlineViewItemState");
}

} // namespace Preference
