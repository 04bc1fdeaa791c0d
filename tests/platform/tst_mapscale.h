#pragma once

#include <QObject>

// The map at the screen's scale: run in test_platform at scale 1, and again on its own under
// QT_SCALE_FACTOR 1.5 and 2 (see CMakeLists.txt).
class MapScaleTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void drawsItsContentOnce_data();
    void drawsItsContentOnce();
};
