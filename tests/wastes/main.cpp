// Runs every test class of the waste-type and treatment-centre screens; returns the failures.

#include "widgets/accessiblenames.h"

#include <QApplication>
#include <QLocale>

int lancerTestTypeDechetFormModel(int argc, char** argv);
int lancerTestGestionTypesDechets(int argc, char** argv);
int lancerTestTypeDechetForm(int argc, char** argv);
int lancerTestCentres(int argc, char** argv);

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Lists spoken as the program has them, before any is made.
    kv::installAccessibleNames();
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    int echecs = 0;
    echecs += lancerTestTypeDechetFormModel(argc, argv);
    echecs += lancerTestGestionTypesDechets(argc, argv);
    echecs += lancerTestTypeDechetForm(argc, argv);
    echecs += lancerTestCentres(argc, argv);
    return echecs;
}
