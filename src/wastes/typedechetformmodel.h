#pragma once

// The editable copy of one waste type while its form is open. The record itself changes only
// when the form saves and hands the record to write into to enregistrer().

#include "model/records.h"

#include <QObject>
#include <QStringList>
#include <QUuid>

#include <optional>

namespace kv {

class ModelContext;

// A text trimmed of blanks and line ends, or none when nothing is left.
std::optional<QString> texteOuNil(const QString& texte);

// Declares a field of the form model: a getter, and a setter that announces the change.
#define KV_FORM_FIELD(Type, name, Setter, initial)                       \
public:                                                                  \
    const Type& name() const { return m_##name; }                        \
    void Setter(const Type& v)                                           \
    {                                                                    \
        if (m_##name == v)                                               \
            return;                                                      \
        m_##name = v;                                                    \
        emit modifie();                                                  \
    }                                                                    \
                                                                         \
private:                                                                 \
    Type m_##name = initial;

class TypeDechetFormModel : public QObject {
    Q_OBJECT
public:
    static inline const QString kCouleurParDefaut = QStringLiteral("#D1D5DB");
    static inline const QString kCategorieParDefaut = QStringLiteral("DIB");

    // Filled from `type` (the record being edited), or with the defaults when there is none.
    explicit TypeDechetFormModel(const TypeDechet* type, QObject* parent = nullptr);

    KV_FORM_FIELD(QString, libelle, setLibelle, {})
    KV_FORM_FIELD(QString, details, setDetails, {})
    KV_FORM_FIELD(QString, categorie, setCategorie, kCategorieParDefaut)
    KV_FORM_FIELD(QString, codeCED, setCodeCED, {})
    KV_FORM_FIELD(std::optional<double>, prixBaseForfait, setPrixBaseForfait, std::nullopt)
    KV_FORM_FIELD(std::optional<double>, prixBaseParTonne, setPrixBaseParTonne, std::nullopt)
    KV_FORM_FIELD(std::optional<double>, franchiseTonnage, setFranchiseTonnage, std::nullopt)
    KV_FORM_FIELD(std::optional<double>, supplementTonnage, setSupplementTonnage, std::nullopt)
    KV_FORM_FIELD(std::optional<qint64>, dureeIncluse, setDureeIncluse, std::nullopt)
    KV_FORM_FIELD(std::optional<double>, supplementJour, setSupplementJour, std::nullopt)
    KV_FORM_FIELD(double, tva, setTva, 20.0)
    KV_FORM_FIELD(bool, melangeInterdit, setMelangeInterdit, false)
    KV_FORM_FIELD(QString, dechetsInterdits, setDechetsInterdits, {})
    KV_FORM_FIELD(bool, estDangereux, setEstDangereux, false)
    KV_FORM_FIELD(QString, consignes, setConsignes, {})
    KV_FORM_FIELD(QString, couleur, setCouleur, kCouleurParDefaut)
    KV_FORM_FIELD(std::optional<QUuid>, selectedCentreID, setSelectedCentreID, std::nullopt)

public:
    // Writes every field into `cible`, links the chosen treatment centre and saves `context`.
    // Returns false with the store's reason when the save fails; what was written stays in the
    // context. The model itself is left unchanged, so it can be written again.
    bool enregistrer(TypeDechet* cible, ModelContext* context, QString* erreur = nullptr) const;

    // The forbidden wastes named by a text: items separated by commas or semicolons, trimmed,
    // empty ones dropped. A "|" inside an item becomes "/", since "|" joins the stored items.
    static QStringList listeDechetsInterdits(const QString& texte);

signals:
    // Any field changed.
    void modifie();
};

#undef KV_FORM_FIELD

} // namespace kv
