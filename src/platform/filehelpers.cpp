#include "filehelpers.h"

#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTextBoundaryFinder>

namespace kv {

namespace {

const QString kLastFolderKey = QStringLiteral("files/lastSaveFolder");

FileHelpers::SaveFileAsker& saveFileAsker()
{
    static FileHelpers::SaveFileAsker asker;
    return asker;
}

// The path as the system resolves it: links followed for what exists, through its folder for a
// name not made yet.
QString resolvedPath(const QFileInfo& info)
{
    QString path = info.canonicalFilePath();
    if (!path.isEmpty())
        return path;
    if (info.isSymLink())
        return resolvedPath(QFileInfo(info.symLinkTarget()));
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : QDir(folder).filePath(info.fileName());
}

// The kernel's and devices' pseudo-folders: reading some of their files blocks for ever, and
// nothing of ours belongs there.
bool isInSystemTree(const QFileInfo& info)
{
    const QString path = resolvedPath(info);
    for (const char* root : {"/proc", "/sys", "/dev"}) {
        const QLatin1String r(root);
        if (path == r || path.startsWith(r + QLatin1Char('/')))
            return true;
    }
    return false;
}

bool isSystemFolder(const QString& folder)
{
    return isInSystemTree(QFileInfo(folder));
}

bool isUsableFolder(const QString& folder)
{
    return !folder.isEmpty() && QFileInfo(folder).isDir() && !isSystemFolder(folder);
}

QString askWithDialog(QWidget* parent, const SaveFileRequest& request)
{
    QFileDialog dialog(parent, request.title, request.proposedPath);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    FileHelpers::prepareDialog(dialog);
    if (!request.mimeTypes.isEmpty())
        dialog.setMimeTypeFilters(request.mimeTypes);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.selectFile(request.proposedPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

// Qt's own dialog asks its icon provider for every entry it lists, on its gatherer thread and on
// the main thread alike, and the default provider reads a file's first bytes to guess its type:
// inside /proc that read can wait for ever (kernel messages). Special files are told by their
// name alone.
class ContentBlindIconProvider final : public QFileIconProvider {
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override
    {
        if (FileHelpers::isSpecialFile(info))
            return QFileIconProvider::icon(info.isDir() ? Folder : File);
        return QFileIconProvider::icon(info);
    }
    QString type(const QFileInfo& info) const override
    {
        if (FileHelpers::isSpecialFile(info) && !info.isDir())
            return QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension).comment();
        return QFileIconProvider::type(info);
    }
};

// Owns a dialog's provider. Made after the dialog's file model, it is destroyed after it, once
// the model's gatherer thread has stopped using it.
struct IconProviderOwner : QObject {
    using QObject::QObject;
    ContentBlindIconProvider provider;
};

QString cleanedForFileName(QString text)
{
    for (QChar& c : text) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':'))
            c = QLatin1Char('-');
        else if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    return text;
}

qsizetype utf8Size(QStringView text)
{
    return text.toUtf8().size();
}

// The longest start of `text` ending where a reader sees a character end whose UTF-8 takes at
// most `bytes`.
QString leadingCharacters(const QString& text, qsizetype bytes)
{
    if (utf8Size(text) <= bytes)
        return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    qsizetype used = 0;
    for (qsizetype next = finder.toNextBoundary(); next != -1; next = finder.toNextBoundary()) {
        used += utf8Size(QStringView(text).mid(end, next - end));
        if (used > bytes)
            break;
        end = next;
    }
    return text.left(end);
}

} // namespace

QString FileHelpers::fileName(const QString& head, const QString& text, const QString& tail)
{
    const QString h = cleanedForFileName(head);
    const QString t = cleanedForFileName(tail);
    const QString whole = cleanedForFileName(text);
    QString kept = leadingCharacters(whole, qMax<qsizetype>(0, maxFileNameBytes - utf8Size(h) - utf8Size(t)));
    if (kept.size() < whole.size()) {
        while (!kept.isEmpty() && kept.back().isSpace())
            kept.chop(1);
    }
    return leadingCharacters(h + kept + t, maxFileNameBytes);
}

QString FileHelpers::fileName(const QString& head, const QString& text, const QString& detail, const QString& tail)
{
    QString d = leadingCharacters(cleanedForFileName(detail).trimmed(), maxDetailBytes);
    while (!d.isEmpty() && d.back().isSpace())
        d.chop(1);
    if (d.isEmpty())
        return fileName(head, text, tail);
    return fileName(head, text, QStringLiteral(" (") + d + QLatin1Char(')') + tail);
}

bool FileHelpers::isSpecialFile(const QString& path)
{
    return !path.isEmpty() && isSpecialFile(QFileInfo(path));
}

bool FileHelpers::isSpecialFile(const QFileInfo& info)
{
    if (isInSystemTree(info))
        return true;
    return info.exists() && !info.isFile() && !info.isDir();
}

void FileHelpers::prepareDialog(QFileDialog& dialog)
{
    dialog.setWindowModality(Qt::WindowModal);
    auto* owner = new IconProviderOwner(&dialog);
    dialog.setIconProvider(&owner->provider);
}

QString FileHelpers::askOpenFileName(QWidget* parent, const QString& title, const QString& folder,
                                     const QString& filter)
{
    QFileDialog dialog(parent, title, isUsableFolder(folder) ? folder : QDir::homePath(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    prepareDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString FileHelpers::startFolder()
{
    const QString last = QSettings().value(kLastFolderKey).toString();
    if (isUsableFolder(last))
        return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (isUsableFolder(documents))
        return documents;
    return QDir::homePath();
}

QString FileHelpers::proposedPath(const SaveFileRequest& request)
{
    const QFileInfo suggested(request.suggestedName);
    if (suggested.isAbsolute() && isUsableFolder(suggested.absolutePath()))
        return request.suggestedName;
    return QDir(startFolder()).filePath(suggested.isAbsolute() ? suggested.fileName() : request.suggestedName);
}

QString FileHelpers::askSaveFileName(QWidget* parent, const SaveFileRequest& request)
{
    SaveFileRequest asked = request;
    asked.proposedPath = proposedPath(request);
    return saveFileAsker() ? saveFileAsker()(parent, asked) : askWithDialog(parent, asked);
}

bool FileHelpers::saveChosenFile(const QString& path, const QByteArray& data, QString* error)
{
    if (!writeFile(path, data, error))
        return false;
    const QString folder = QFileInfo(path).absolutePath();
    if (!isSystemFolder(folder))
        QSettings().setValue(kLastFolderKey, folder);
    return true;
}

void FileHelpers::setSaveFileAsker(SaveFileAsker asker)
{
    saveFileAsker() = std::move(asker);
}

bool FileHelpers::writeFile(const QString& path, const QByteArray& data, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("Impossible d’enregistrer « %1 » : %2").arg(QDir::toNativeSeparators(path), why);
        return false;
    };
    if (path.isEmpty())
        return fail(QStringLiteral("aucun fichier choisi"));
    // Checked before QSaveFile, which would put a new file in place of a pipe or a link to a device.
    if (isInSystemTree(QFileInfo(path)))
        return fail(QStringLiteral("les dossiers /proc, /sys et /dev sont réservés au système"));
    if (isSpecialFile(path))
        return fail(QStringLiteral("ce n’est pas un fichier ordinaire"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    if (file.write(data) != data.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return fail(why);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

SaveFileResult FileHelpers::saveAs(QWidget* parent, const SaveFileRequest& request, const QByteArray& data)
{
    SaveFileResult result;
    result.path = askSaveFileName(parent, request);
    if (result.path.isEmpty())
        return result;
    result.status = saveChosenFile(result.path, data, &result.error) ? SaveFileResult::Status::saved
                                                                : SaveFileResult::Status::failed;
    return result;
}

bool FileHelpers::isInsideFolder(const QString& filePath, const QString& folderPath)
{
    if (filePath.isEmpty() || folderPath.isEmpty())
        return false;
    const QString file = QFileInfo(filePath).canonicalFilePath();
    QString folder = QFileInfo(folderPath).canonicalFilePath();
    if (file.isEmpty() || folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    const Qt::CaseSensitivity cs = Qt::CaseInsensitive;
#else
    const Qt::CaseSensitivity cs = Qt::CaseSensitive;
#endif
    return file.size() > folder.size() && file.startsWith(folder, cs);
}

ScopedSaveFileAnswer::ScopedSaveFileAnswer(QString answer_) : answer(std::move(answer_))
{
    FileHelpers::setSaveFileAsker([this](QWidget*, const SaveFileRequest& request) {
        requests.append(request);
        return answer;
    });
}

ScopedSaveFileAnswer::~ScopedSaveFileAnswer()
{
    FileHelpers::setSaveFileAsker({});
}

} // namespace kv
