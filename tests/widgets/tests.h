#pragma once

#include <QObject>

class GlassTest : public QObject {
    Q_OBJECT
private slots:
    void shadowRadiusDefaultsToCornerRadius();
    void outlineStopsFollowTheStyle();
    void glassShadowIsCastByTheContentToo();
    void blobClampsItsParameters();
    void blobOutlineStaysWithinTwentyPercent();
    void blobNeedsThreePoints();
    void blobSpeedGivesHalfCycle();
    void blobViewAnimatesOnlyWithAUsableSpeed();
};

class SharedWidgetsTest : public QObject {
    Q_OBJECT
private slots:
    void mapFilterLabelsAndColours();
    void pickerWritesEveryClick();
    void pickerFollowsTheBoundValue();
    void syncScrollWritesUserScrollsOnly();
    void twoSyncScrollViewsScrollTogether();
    void syncScrollAxes();
    void dayPillRunsItsActionOnEveryClick();
    void dayPillKeepsItsMinimumWidth();
    void swingingTileStartsAndSettles();
    void swingingTileStaysTheSameSize();
    void sectionHeaderParts();
    void tagPrefersItsCustomIcon();
    void coloursFromStoredText();
    void everyProgramSymbolHasAPictogram();
    void programSymbolsLookDifferent();
};
