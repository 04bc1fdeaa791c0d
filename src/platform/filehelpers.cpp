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

QString startPath(const QString& suggestedName)
{
    if (QFileInfo(suggestedName).isAbsolute())
        return suggestedName;
    QString folder = QSettings().value(kLastFolderKey).toString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(folder).filePath(suggestedName);
}

QString askWithDialog(QWidget* parent, const SaveFileRequest& request)
{
    QFileDialog dialog(parent, request.title, startPath(request.suggestedName));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setWindowModality(Qt::WindowModal);
    if (!request.mimeTypes.isEmpty())
        dialog.setMimeTypeFilters(request.mimeTypes);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.selectFile(startPath(request.suggestedName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString FileHelpers::askSaveFileName(QWidget* parent, const SaveFileRequest& request)
{
    const QString path = saveFileAsker() ? saveFileAsker()(parent, request) : askWithDialog(parent, request);
    if (!path.isEmpty())
        QSettings().setValue(kLastFolderKey, QFileInfo(path).absolutePath());
    return path;
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
    result.status = writeFile(result.path, data, &result.error) ? SaveFileResult::Status::saved
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
