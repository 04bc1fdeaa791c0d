#include "tests.h"

#include "outils.h"

#include <QTest>

void TestVues::hubOpensOnSeasonality() {}
void TestVues::lesLocations() {}
void TestVues::statisticStartsAfresh() {}
void TestVues::seasonalityPicker() {}
void TestVues::volumeRings() {}
void TestVues::wasteTypeCharts() {}
void TestVues::occupancyRing() {}
void TestVues::inactiveClientsList() {}
void TestVues::yieldCharts() {}
