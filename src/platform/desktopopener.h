#pragma once

// Hands URLs and files to the desktop: opens a web page, a file or a mailto link in the user's
// application, and "reveals" a file in the file manager. Every call goes through one replaceable
// opener so that tests record what would have been opened instead of opening it.

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace kv {

class DesktopOpener {
public:
    // Opens a URL (web page, mailto link, file URL); true when the desktop took it.
    using UrlOpener = std::function<bool(const QUrl& url)>;
    // Shows a file selected in the file manager; false when the desktop offers no way to.
    using ItemShower = std::function<bool(const QString& filePath)>;

    static bool openUrl(const QUrl& url);
    // Opens a local file with its usual application.
    static bool openFile(const QString& filePath);
    // Shows the file in the file manager: selected in its folder when the desktop offers that
    // (the freedesktop FileManager1 service), otherwise the containing folder is opened.
    static bool reveal(const QString& filePath);

    // What to tell the user when the desktop did not open a file, or the folder of a file shown
    // with reveal (no application for it, no file manager): the whole path, so that it can be
    // found by hand.
    static QString openFailedText(const QString& filePath);
    static QString revealFailedText(const QString& filePath);

    // The labels of the buttons that open a file and reveal it, in the words of the system.
    static QString openLabel();
    static QString revealLabel();

    // Replace the system's ways (tests); an empty function puts the system's back.
    static void setUrlOpener(UrlOpener opener);
    static void setItemShower(ItemShower shower);

    // The system's own ways. A mailto link that no mail program takes is logged without its
    // content.
    static bool systemOpenUrl(const QUrl& url);
    static bool systemShowItem(const QString& filePath);
};

// For tests: while it lives, nothing reaches the desktop; every URL opened and every file shown
// in the file manager is recorded, and each answers with the given result.
class RecordingDesktopOpener {
public:
    RecordingDesktopOpener();
    ~RecordingDesktopOpener();
    RecordingDesktopOpener(const RecordingDesktopOpener&) = delete;
    RecordingDesktopOpener& operator=(const RecordingDesktopOpener&) = delete;

    QList<QUrl> openedUrls;
    QStringList shownItems;
    bool openResult = true;     // what opening a URL answers
    bool showItemResult = true; // false: the desktop cannot select a file (reveal opens its folder)
};

} // namespace kv
