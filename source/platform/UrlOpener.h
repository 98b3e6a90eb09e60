#pragma once

#include <QUrl>

#include <functional>

// Opens addresses in the user's browser or mail program. Addresses that came
// from the network open only when they are http or https, so that a feed
// cannot make us launch a file:// or custom-scheme handler. The application's
// own constant addresses (support mail, help pages) open as they are.
class UrlOpener
{
public:
    enum class Origin { Application, Network };

    static bool isAllowed(const QUrl &url, Origin origin);

    // Checks the rule, then hands the address to the installed handler.
    // Returns false when the address was refused or could not be opened.
    static bool open(const QUrl &url, Origin origin);

    // The desktop installs QDesktopServices; without a handler the address
    // is printed to standard error (command-line runs, tests).
    using Handler = std::function<bool(const QUrl &)>;
    static void setHandler(Handler handler);
};
