#include "tests.h"

#include "outils.h"

#include "stats/statsfigures.h"

#include <QTest>

using namespace kv::stats;
using namespace outils;

void TestFigures::moisEtAnnees() {}
void TestFigures::saisonnalite() {}
void TestFigures::volumesEtCouleurs() {}
void TestFigures::typesDechet() {}
void TestFigures::occupation() {}
void TestFigures::clientsInactifs() {}
void TestFigures::texteRelatif() {}
void TestFigures::rendement() {}
void TestFigures::courbe() {}
