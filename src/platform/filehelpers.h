#pragma once

// Files the user chooses: the save question (a file dialog, replaceable by tests), writing all
// or nothing through QSaveFile, and whether a file lies inside a folder.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace kv {

struct SaveFileRequest {
    QString title;          // the dialog's title
    QString suggestedName;  // the proposed file name, or a whole path
    QStringList mimeTypes;  // offered types, e.g. "text/csv"; the first is chosen
    QString defaultSuffix;  // added when the user types a name without one, e.g. "csv"
    // Filled by the question itself: the path the dialog opens on (folder and proposed name).
    QString proposedPath;
};

struct SaveFileResult {
    enum class Status { saved, cancelled, failed };
    Status status = Status::cancelled;
    QString path;  // the chosen file (saved or failed)
    QString error; // for a failure: what went wrong, in French
    bool saved() const { return status == Status::saved; }
};

class FileHelpers {
public:
    // Returns the chosen path, or an empty text when the user cancelled.
    using SaveFileAsker = std::function<QString(QWidget* parent, const SaveFileRequest& request)>;

    // Asks where to save: a window-modal file dialog opening in the folder of the last successful
    // save, else the documents folder when it exists, else the home folder; never in a system
    // folder (/proc, /sys, /dev). Empty when cancelled. Remembers nothing: see saveChosenFile.
    static QString askSaveFileName(QWidget* parent, const SaveFileRequest& request);
    // Where the dialog of `request` opens: a path in an existing folder.
    static QString proposedPath(const SaveFileRequest& request);
    // A folder for open dialogs to start in: an existing one, never a system folder.
    static QString startFolder();
    // Replaces the dialog (tests); an empty function puts the dialog back.
    static void setSaveFileAsker(SaveFileAsker asker);

    // Writes the whole file or leaves what was there untouched. False with the reason in French.
    static bool writeFile(const QString& path, const QByteArray& data, QString* error = nullptr);

    // Writes a file the user chose; once it is written, later questions open in its folder.
    static bool saveChosenFile(const QString& path, const QByteArray& data, QString* error = nullptr);

    // The question, then the write (saveChosenFile).
    static SaveFileResult saveAs(QWidget* parent, const SaveFileRequest& request, const QByteArray& data);

    // True only when both exist and the file's canonical path begins with the folder's canonical
    // path and "/": links are followed, "Tickets-old" is not inside "Tickets", the folder itself
    // is not inside itself.
    static bool isInsideFolder(const QString& filePath, const QString& folderPath);
};

// For tests: while it lives, the save question answers `answer` (empty: cancelled) and records
// every request.
class ScopedSaveFileAnswer {
public:
    explicit ScopedSaveFileAnswer(QString answer);
    ~ScopedSaveFileAnswer();
    ScopedSaveFileAnswer(const ScopedSaveFileAnswer&) = delete;
    ScopedSaveFileAnswer& operator=(const ScopedSaveFileAnswer&) = delete;

    QString answer;
    QList<SaveFileRequest> requests;
};

} // namespace kv
