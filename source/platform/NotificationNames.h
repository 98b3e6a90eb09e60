#pragma once

#include <QString>

// Names of the announcements that travel between the application's parts
// through the NotificationCenter.
inline const QString kApplicationDidStartNotification =
    QStringLiteral("kApplicationDidStartNotification");
inline const QString kAddProductsForResultsNotification =
    QStringLiteral("kAddProductsForResultsNotification");
inline const QString kNewProductsAddedNotification =
    QStringLiteral("kNewProductsAddedNotification");
inline const QString kMainOutlineViewSelectionDidChange =
    QStringLiteral("kMainOutlineViewSelectionDidChange");
inline const QString kAutoUpdateTimeDidChangeNotification =
    QStringLiteral("kAutoUpdateTimeDidChangeNotification");
inline const QString kRateLimitExceededNotification =
    QStringLiteral("kRateLimitExceededNotification");
inline const QString kViewControllerDidChangeNotification =
    QStringLiteral("kViewControllerDidChangeNotification");
// Posted by WakeMonitor when the machine has woken from sleep.
inline const QString NSWorkspaceDidWakeNotification =
    QStringLiteral("NSWorkspaceDidWakeNotification");
