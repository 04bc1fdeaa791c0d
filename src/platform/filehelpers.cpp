#include "filehelpers.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

namespace kv {

namespace {

const QString kLastFolderKey = QStringLiteral("files/lastSaveFolder");

FileHelpers::SaveFileAsker& saveFileAsker()
{
    static FileHelpers::SaveFileAsker asker;
    return asker;
}

// The kernel's and devices' pseudo-folders: reading some of their files blocks for ever, and
// nothing of ours belongs there.
bool isSystemFolder(const QString& folder)
{
    QString path = QFileInfo(folder).canonicalFilePath();
    if (path.isEmpty())
        path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    for (const char* root : {"/proc", "/sys", "/dev"}) {
        const QLatin1String r(root);
        if (path == r || path.startsWith(r + QLatin1Char('/')))
            return true;
    }
    return false;
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
    dialog.setWindowModality(Qt::WindowModal);
    if (!request.mimeTypes.isEmpty())
        dialog.setMimeTypeFilters(request.mimeTypes);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.selectFile(request.proposedPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

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
