#include "typedechetformmodel.h"

#include "model/modelcontext.h"

#include <cstdio>

namespace kv {

std::optional<QString> texteOuNil(const QString& texte)
{
    const QString t = texte.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    return t;
}

TypeDechetFormModel::TypeDechetFormModel(const TypeDechet* type, QObject* parent) : QObject(parent)
{
    const QString ligne = QStringLiteral("TypeDechetFormModel init - type: ")
        + (type ? type->libelle() : QStringLiteral("nil")) + QLatin1Char('\n');
    std::fputs(ligne.toUtf8().constData(), stdout);
    std::fflush(stdout);

    if (!type)
        return;
    m_libelle = type->libelle();
    m_details = type->details().value_or(QString());
    m_categorie = type->categorie();
    m_codeCED = type->codeCED().value_or(QString());
    m_prixBaseForfait = type->prixBaseForfait();
    m_prixBaseParTonne = type->prixBaseParTonne();
    m_franchiseTonnage = type->franchiseTonnage();
    m_supplementTonnage = type->supplementTonnage();
    m_dureeIncluse = type->dureeIncluse();
    m_supplementJour = type->supplementJour();
    m_tva = type->tva();
    m_melangeInterdit = type->melangeInterdit();
    m_dechetsInterdits = type->dechetsInterdits().join(QStringLiteral(", "));
    m_estDangereux = type->estDangereux();
    m_consignes = type->consignes().value_or(QString());
    m_couleur = type->couleur().value_or(kCouleurParDefaut);
    if (const CentreTraitement* favori = type->centreFavori())
        m_selectedCentreID = favori->id();
}

bool TypeDechetFormModel::enregistrer(TypeDechet* cible, ModelContext* context, QString* erreur) const
{
    cible->setLibelle(m_libelle);
    cible->setDetails(texteOuNil(m_details));
    cible->setCategorie(m_categorie);
    cible->setCodeCED(texteOuNil(m_codeCED));
    cible->setPrixBaseForfait(m_prixBaseForfait);
    cible->setPrixBaseParTonne(m_prixBaseParTonne);
    cible->setFranchiseTonnage(m_franchiseTonnage);
    cible->setSupplementTonnage(m_supplementTonnage);
    cible->setDureeIncluse(m_dureeIncluse);
    cible->setSupplementJour(m_supplementJour);
    cible->setTva(m_tva);
    cible->setMelangeInterdit(m_melangeInterdit);
    cible->setEstDangereux(m_estDangereux);
    cible->setConsignes(texteOuNil(m_consignes));
    cible->setCouleur(texteOuNil(m_couleur));
    cible->setDechetsInterditsString(listeDechetsInterdits(m_dechetsInterdits).join(QLatin1Char('|')));

    if (!m_selectedCentreID) {
        // The centres once linked stay linked; only the favourite is cleared.
        cible->setCentreFavoriID(std::nullopt);
    } else if (CentreTraitement* centre = context->find<CentreTraitement>(*m_selectedCentreID)) {
        // A centre removed from the store meanwhile is skipped: the favourite keeps its value.
        cible->setCentreFavori(centre);
    }

    return context->save(erreur);
}

QStringList TypeDechetFormModel::listeDechetsInterdits(const QString& texte)
{
    QStringList liste;
    QString morceau;
    const auto garder = [&] {
        QString item = morceau.trimmed();
        item.replace(QLatin1Char('|'), QLatin1Char('/'));
        if (!item.isEmpty())
            liste.append(item);
        morceau.clear();
    };
    for (const QChar c : texte) {
        if (c == QLatin1Char(',') || c == QLatin1Char(';'))
            garder();
        else
            morceau.append(c);
    }
    garder();
    return liste;
}

} // namespace kv
