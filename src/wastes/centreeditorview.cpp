#include "centreeditorview.h"

#include "widgets/forms/liveform.h"

#include "widgets/focusguard.h"

#include "typedechetformmodel.h"

#include "model/modelcontext.h"
#include "widgets/forms/dialogs.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/formstyle.h"
#include "widgets/forms/singleline.h"
#include "widgets/forms/windowkey.h"

#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

namespace kv {

namespace {

constexpr int kLargeurLibelles = 140;

QLineEdit* champTexte(const QString& placeholder, const QString& nom, QWidget* parent)
{
    auto* e = forms::keepOnOneLine(new QLineEdit(parent));
    e->setPlaceholderText(placeholder);
    e->setAccessibleName(nom);
    return e;
}

// A titled group box holding rows of label and field (labels above their fields when narrow).
QGroupBox* boite(const QString& titre, QWidget* parent)
{
    auto* box = new QGroupBox(titre, parent);
    auto* lignes = new forms::FormRowsLayout(box);
    lignes->setLabelWidth(kLargeurLibelles);
    lignes->setContentsMargins(12, 6 + 12, 12, 12);
    return box;
}

void ajouterLigne(QGroupBox* box, const QString& libelle, QLayoutItem* champ)
{
    static_cast<forms::FormRowsLayout*>(box->layout())->addRow(forms::makeFieldLabel(libelle, 0, box), champ);
}

void ajouterLigne(QGroupBox* box, const QString& libelle, QWidget* champ)
{
    ajouterLigne(box, libelle, new QWidgetItem(champ));
}

} // namespace

CentreEditorView::CentreEditorView(ModelContext* context, CentreTraitement* centre,
                                   QWidget* parent)
    : QWidget(parent),
      m_context(context),
      m_centre(centre)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // Scrolls up and down only: the list beside the editor gives way first.
    auto* scroll = new forms::VerticalScrollArea(this);
    scroll->setAccessibleName(QStringLiteral("Centre de traitement"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* corps = new QWidget(scroll);
    auto* centrage = new QHBoxLayout(corps);
    centrage->setContentsMargins(24, 20, 24, 80);
    auto* colonne = new QWidget(corps);
    colonne->setMaximumWidth(720);
    auto* items = new QVBoxLayout(colonne);
    items->setContentsMargins(0, 0, 0, 0);
    items->setSpacing(24);
    centrage->addWidget(colonne, 1, Qt::AlignTop);
    scroll->setWidget(corps);
    layout->addWidget(scroll, 1);

    m_titre = new QLabel(colonne);
    m_titre->setObjectName(QStringLiteral("titreCentre"));
    QFont fTitre = forms::fontFor(forms::TextStyle::Title3, font());
    fTitre.setPointSizeF(fTitre.pointSizeF() * 1.1);
    fTitre.setBold(true);
    m_titre->setFont(fTitre);
    // On two lines rather than cut in a narrow pane.
    m_titre->setWordWrap(true);
    items->addWidget(m_titre);

    auto* identite = boite(QStringLiteral("Identité"), colonne);
    m_nom = champTexte(QStringLiteral("Nom du centre"), QStringLiteral("Nom"), identite);
    ajouterLigne(identite, QStringLiteral("Nom *"), m_nom);
    m_adresse1 = champTexte(QStringLiteral("Adresse (ligne 1)"), QStringLiteral("Adresse"), identite);
    ajouterLigne(identite, QStringLiteral("Adresse"), m_adresse1);
    auto* ligneVille = new QHBoxLayout;
    // The row's label names both fields: each is spoken as whose it is.
    m_codePostal = champTexte(QStringLiteral("Code postal"), QStringLiteral("Code postal du centre"), identite);
    m_codePostal->setFixedWidth(110);
    m_ville = champTexte(QStringLiteral("Ville"), QStringLiteral("Ville du centre"), identite);
    ligneVille->addWidget(m_codePostal);
    ligneVille->addWidget(m_ville, 1);
    ajouterLigne(identite, QStringLiteral("Code postal / Ville"), ligneVille);
    items->addWidget(identite);

    auto* contact = boite(QStringLiteral("Contact"), colonne);
    m_telephone = champTexte(QStringLiteral("Ex. 05 56 …"), QStringLiteral("Téléphone"), contact);
    ajouterLigne(contact, QStringLiteral("Téléphone"), m_telephone);
    m_email = champTexte(QStringLiteral("contact@centre-exemple.fr"), QStringLiteral("Email"), contact);
    ajouterLigne(contact, QStringLiteral("Email"), m_email);
    items->addWidget(contact);

    auto* trait = new QFrame(this);
    trait->setFrameShape(QFrame::HLine);
    trait->setFrameShadow(QFrame::Sunken);
    layout->addWidget(trait);

    auto* barre = new QWidget(this);
    barre->setObjectName(QStringLiteral("boutons"));
    barre->setAutoFillBackground(true);
    QPalette pb = barre->palette();
    pb.setColor(QPalette::Window, pb.color(QPalette::Window).darker(104));
    barre->setPalette(pb);
    auto* boutons = new QHBoxLayout(barre);
    boutons->setContentsMargins(16, 12, 16, 12);
    m_annuler = new QPushButton(QStringLiteral("Annuler"), barre);
    m_annuler->setToolTip(QStringLiteral("Annuler (Ctrl+Échap)"));
    m_enregistrer = new QPushButton(QStringLiteral("Enregistrer"), barre);
    m_enregistrer->setToolTip(QStringLiteral("Enregistrer (Ctrl+Entrée)"));
    m_enregistrer->setDefault(true);
    boutons->addWidget(m_annuler);
    boutons->addStretch(1);
    boutons->addWidget(m_enregistrer);
    layout->addWidget(barre);

    connect(m_annuler, &QPushButton::clicked, this, &CentreEditorView::cancelled);
    connect(m_enregistrer, &QPushButton::clicked, this, &CentreEditorView::enregistrer);
    connect(m_nom, &QLineEdit::textChanged, this, &CentreEditorView::actualiser);
    // Ctrl+Escape cancels, as in the other editors: Escape alone must not throw a typed centre
    // away. In an open list, menu or dialog Escape closes only that.
    new forms::WindowKey(this, QKeySequence(Qt::CTRL | Qt::Key_Escape), [this] { m_annuler->click(); });
    forms::addSaveKeys(this, m_enregistrer, Qt::WidgetWithChildrenShortcut);

    lierChamps();
    chargerCentre();
}

bool CentreEditorView::peutEnregistrer() const
{
    return !m_nom->text().trimmed().isEmpty();
}

QString CentreEditorView::entete() const
{
    return m_centre ? QStringLiteral("Modifier le centre") : QStringLiteral("Nouveau centre");
}

QLineEdit* CentreEditorView::champ(FocusField f) const
{
    switch (f) {
    case FocusField::nom:
        return m_nom;
    case FocusField::adresse1:
        return m_adresse1;
    case FocusField::codePostal:
        return m_codePostal;
    case FocusField::ville:
        return m_ville;
    case FocusField::telephone:
        return m_telephone;
    case FocusField::email:
        return m_email;
    }
    return nullptr;
}

void CentreEditorView::lierChamps()
{
    m_live = new forms::LiveForm(m_context, [this]() -> Record* { return m_centre; }, this);
    const auto optionnel = [this](const QString& nom, QLineEdit* champ, auto lire, auto ecrire) {
        return forms::LiveField{nom, [champ] { return champ->text(); },
                                [this, lire] { return (m_centre->*lire)().value_or(QString()); },
                                [this, champ, lire] { champ->setText((m_centre->*lire)().value_or(QString())); },
                                [this, champ, ecrire] { (m_centre->*ecrire)(texteOuNil(champ->text())); }};
    };
    m_live->setFields({
        forms::LiveField{QStringLiteral("Nom"), [this] { return m_nom->text(); }, [this] { return m_centre->nom(); },
                         [this] { m_nom->setText(m_centre->nom()); },
                         [this] { m_centre->setNom(m_nom->text().trimmed()); }},
        optionnel(QStringLiteral("Adresse"), m_adresse1, &CentreTraitement::adresseLigne1,
                  &CentreTraitement::setAdresseLigne1),
        optionnel(QStringLiteral("Code postal"), m_codePostal, &CentreTraitement::codePostal,
                  &CentreTraitement::setCodePostal),
        optionnel(QStringLiteral("Ville"), m_ville, &CentreTraitement::ville, &CentreTraitement::setVille),
        optionnel(QStringLiteral("Téléphone"), m_telephone, &CentreTraitement::telephone,
                  &CentreTraitement::setTelephone),
        optionnel(QStringLiteral("Email"), m_email, &CentreTraitement::email, &CentreTraitement::setEmail),
    });
}

void CentreEditorView::chargerCentre()
{
    if (!m_centre)
        for (QLineEdit* f : {m_nom, m_adresse1, m_codePostal, m_ville, m_telephone, m_email})
            f->clear();
    m_live->loadAll();
    actualiser();
}

bool CentreEditorView::hasUnsavedChanges() const
{
    return m_live->typed();
}

void CentreEditorView::focusFirstField()
{
    m_nom->setFocus(Qt::ShortcutFocusReason);
}

void CentreEditorView::actualiser()
{
    m_titre->setText(entete());
    m_enregistrer->setEnabled(peutEnregistrer());
}

bool CentreEditorView::enregistrer()
{
    const QString nom = m_nom->text().trimmed();
    if (nom.isEmpty())
        return false;

    QString erreur;
    if (!m_centre) {
        auto* nouveau = new CentreTraitement(nom, std::nullopt, std::nullopt, std::nullopt,
                                             std::nullopt, std::nullopt, QStringLiteral("France"),
                                             std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                             std::nullopt, std::nullopt);
        nouveau->setAdresseLigne1(texteOuNil(m_adresse1->text()));
        nouveau->setCodePostal(texteOuNil(m_codePostal->text()));
        nouveau->setVille(texteOuNil(m_ville->text()));
        nouveau->setTelephone(texteOuNil(m_telephone->text()));
        nouveau->setEmail(texteOuNil(m_email->text()));
        m_context->insert(nouveau);
        if (!m_context->save(&erreur)) {
            // Nothing is left behind: a retry creates one centre, not two.
            m_context->discardInsertion(nouveau);
            forms::showError(this, forms::saveFailedText(erreur));
            return false;
        }
        m_centre = nouveau;
        chargerCentre();
        emit saved(nouveau);
        return true;
    }

    if (m_centre->isDeleted()) {
        forms::showError(this, forms::saveFailedText(QStringLiteral("ce centre a été supprimé entre-temps.")));
        return false;
    }
    // Only what was typed here is written: a field changed in another window meanwhile keeps
    // that change; one changed on both sides is asked about first.
    QPointer<CentreEditorView> self(this);
    if (m_live->askAboutConflicts(QStringLiteral("Ce centre a été modifié dans une autre fenêtre"), [self] {
            if (self)
                self->enregistrer();
        }))
        return false;
    m_live->writeTyped();
    if (!m_context->save(&erreur)) {
        forms::showError(this, forms::saveFailedText(erreur));
        return false;
    }
    m_live->markAllLoaded();
    emit saved(m_centre);
    return true;
}

void CentreEditorView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A new centre starts in its name; a centre chosen in the list leaves the focus in the list,
    // where Delete and the arrow keys act on the rows.
    if (!m_centre && !m_shownOnce)
        m_nom->setFocus(Qt::OtherFocusReason);
    m_shownOnce = true;
}

CentreEditorView::~CentreEditorView()
{
    releaseFocusWithin(this);
}

} // namespace kv
