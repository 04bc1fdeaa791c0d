#pragma once

#include <QUrl>
#include <QWidget>

class QLabel;
class QPushButton;

namespace kv {

// What the About window shows of the application: name, version and build, with their
// fallbacks "Kestrovan", "1.0" and "1".
struct AboutInfo {
    QString bundleName;
    QString bundleShortVersion;
    QString bundleVersion;
    static AboutInfo current();
    QString versionLine() const;
};

// The support page: the setting "about/supportUrl", or the built-in address.
QUrl supportUrl();

// The About window's content: icon, name, version line, "Site support" and "Fermer".
class AboutView : public QWidget {
    Q_OBJECT
public:
    explicit AboutView(QWidget* parent = nullptr);

    QPushButton* supportButton() const { return m_support; }
    QPushButton* closeButton() const { return m_close; }

    // Opens the support page in the browser; an invalid address does nothing.
    void openSupportSite();
    // Closes the window this view belongs to.
    void closeWindow();

private:
    QPushButton* m_support;
    QPushButton* m_close;
};

// The single About window of the process: created the first time, then kept (also when closed)
// and shown again with fresh content, centred and in front.
class AboutWindowController {
public:
    static void show();
    // The window, or null before the first show.
    static QWidget* window();
};

} // namespace kv
