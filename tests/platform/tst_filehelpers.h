#pragma once

#include <QObject>

class FileHelpersTest : public QObject {
    Q_OBJECT
private slots:
    void writesWholeFilesOrNothing();
    void savesWhereTheUserChose();
    void proposesAnExistingFolderAndRemembersOnlyWrittenOnes();
    void tellsWhetherAFileIsInsideAFolder();
    void opensAndRevealsThroughTheOpener();
    void namesFitTheFileSystem();
    void refusesToWriteOverSpecialFiles();
    void dialogsNeverReadSpecialFiles();
};
