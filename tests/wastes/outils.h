#pragma once

// Helpers shared by the tests of the waste-type and treatment-centre screens.

#include "model/modelcontext.h"

#include <QString>

#include <memory>

namespace kvtest {

// A fresh store without file.
std::unique_ptr<kv::ModelContext> nouveauStore();

// A waste type as the screens create one: a name, a category, VAT 20 and nothing else.
kv::TypeDechet* nouveauType(const QString& libelle, const QString& categorie = QStringLiteral("DIB"));

kv::CentreTraitement* nouveauCentre(const QString& nom, const std::optional<QString>& ville = {});

// A rental of a new client and skip that uses `type`.
kv::LocationDeBenne* nouvelleLocation(kv::ModelContext* context, kv::TypeDechet* type);

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
