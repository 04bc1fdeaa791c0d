#pragma once

// Files the user chooses: the save and open questions (file dialogs, the save one replaceable
// by tests), writing all or nothing through QSaveFile, file names made from user text, and
// whether a file lies inside a folder.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class QFileDialog;
class QFileInfo;
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

    // The longest file name, in bytes of UTF-8, that every file system we run on takes.
    static constexpr int maxFileNameBytes = 255;

    // `head`, then a user's `text`, then `tail` (a date, the extension) as one file name: "/",
    // "\" and ":" become "-", control characters blanks, and the text is cut where a reader sees
    // a character end (never inside a surrogate pair or an accent's combining sequence) so that
    // the whole fits in maxFileNameBytes with head and tail kept.
    static QString fileName(const QString& head, const QString& text, const QString& tail);
    // The same with a second user text that tells the first apart (a client's town) written
    // after it in parentheses: cut to maxDetailBytes first, it keeps its place when a long
    // `text` is cut. An empty `detail` gives fileName(head, text, tail).
    static constexpr int maxDetailBytes = 80;
    static QString fileName(const QString& head, const QString& text, const QString& detail, const QString& tail);

    // What a file dialog or an import must never open to tell what it is, and never write: any
    // path under /proc, /sys or /dev (links followed), and anything existing that is neither a
    // regular file nor a folder (pipes, sockets, devices). Reading some of them blocks for ever.
    static bool isSpecialFile(const QString& path);
    static bool isSpecialFile(const QFileInfo& info);

    // Sets up a dialog of ours: window-modal, and it tells files' types and icons without ever
    // reading a special file (see isSpecialFile); the dialog keeps what it needs for that.
    static void prepareDialog(QFileDialog& dialog);

    // Asks for one existing file: a dialog opening in `folder` (home when it is not a usable
    // folder) showing `filter`. Empty when cancelled.
    static QString askOpenFileName(QWidget* parent, const QString& title, const QString& folder,
                                   const QString& filter);

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

    // Writes the whole file or leaves what was there untouched. False with the reason in French;
    // a special file (see isSpecialFile) is refused before anything is tried.
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
