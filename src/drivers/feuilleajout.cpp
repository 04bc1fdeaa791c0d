#include "feuilleajout.h"

#include "model/modelcontext.h"
#include "widgets/forms/dialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

QFont policeTitreFeuille(const QFont& base)
{
    QFont f = base;
    f.setPointSizeF(base.pointSizeF() * 17.0 / 13.0);
    return f;
}

FeuilleAjout::FeuilleAjout(const QString& titre, const QString& texteConfirmation, QWidget* parent)
    : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(titre);
    setFixedWidth(400);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(20);

    m_titre = new QLabel(titre, this);
    m_titre->setObjectName(QStringLiteral("titreFeuille"));
    m_titre->setFont(policeTitreFeuille(font()));
    m_titre->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_titre);

    m_colonne = new QVBoxLayout;
    m_colonne->setSpacing(20);
    layout->addLayout(m_colonne);
    // Room the sheet keeps once a message under a field has gone stays under the controls: they
    // stand where they stood.
    layout->addStretch(1);

    auto* boutons = new QHBoxLayout;
    m_annuler = new QPushButton(QStringLiteral("Annuler"), this);
    m_annuler->setAutoDefault(false);
    m_confirmer = new QPushButton(texteConfirmation, this);
    m_confirmer->setDefault(true);
    boutons->addWidget(m_annuler);
    boutons->addStretch(1);
    boutons->addWidget(m_confirmer);
    layout->addLayout(boutons);
}

QString FeuilleAjout::titre() const
{
    return m_titre->text();
}

void FeuilleAjout::ajouter(QWidget* controle)
{
    m_colonne->addWidget(controle);
}

void FeuilleAjout::ajouter(QLayout* controles)
{
    m_colonne->addLayout(controles);
}

bool FeuilleAjout::insererEtSauvegarder(ModelContext* context, Record* record)
{
    context->insert(record);
    QString erreur;
    if (context->save(&erreur))
        return true;
    context->discardInsertion(record);
    forms::showError(this, forms::saveFailedText(erreur));
    return false;
}

} // namespace kv
