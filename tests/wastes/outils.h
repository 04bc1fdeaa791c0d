#pragma once

// Helpers shared by the tests of the waste-type and treatment-centre screens.

#include "model/modelcontext.h"

#include <QString>

class QMessageBox;
class QWidget;

namespace kv::forms {
class ListPanel;
}

#include <memory>

namespace kvtest {

// A fresh store without file.
std::unique_ptr<kv::ModelContext> nouveauStore();

// A waste type as the screens create one: a name, a category, VAT 20 and nothing else.
kv::TypeDechet* nouveauType(const QString& libelle, const QString& categorie = QStringLiteral("DIB"));

kv::CentreTraitement* nouveauCentre(const QString& nom, const std::optional<QString>& ville = {});

// A rental of a new client and skip that uses `type`.
kv::LocationDeBenne* nouvelleLocation(kv::ModelContext* context, kv::TypeDechet* type);

// Types a text into a widget, key by key (accented letters included).
void taperTexte(QWidget* champ, const QString& texte);

// The message box open over `ecran`'s window (the last one opened), or null.
QMessageBox* boiteOuverte(QWidget* ecran);
// Clicks the button of a message box that bears this text, then lets the box go.
void cliquerBouton(QMessageBox* boite, const QString& texte);
// Clicks a row of a list panel with the mouse.
void cliquerLigne(kv::forms::ListPanel* liste, int row);
// Opens the context menu of a row and chooses the entry of that text; false when it is missing.
bool choisirDansMenu(kv::forms::ListPanel* liste, int row, const QString& texte);
// What the rows of a list panel show, as their accessible texts.
QStringList lignes(kv::forms::ListPanel* liste);

// Collects what the code under test writes to the standard output while it lives.
class CaptureSortie {
public:
    CaptureSortie();
    ~CaptureSortie();
    // What was written so far (UTF-8 decoded); stops the capture.
    QString texte();

private:
    int m_sauvegarde = -1;
    QString m_chemin;
    bool m_fini = false;
};

} // namespace kvtest
