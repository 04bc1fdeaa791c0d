#include "preferencesemailchauffeurview.h"

#include "chauffeurcard.h"

#include "model/query.h"
#include "model/records.h"
#include "widgets/focusguard.h"
#include "widgets/foldingrow.h"
#include "widgets/forms/dialogs.h"
#include "widgets/forms/formstyle.h"
#include "widgets/forms/liveform.h"
#include "widgets/forms/singleline.h"
#include "widgets/textstyles.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>

#include <algorithm>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QShowEvent>
#include <QVBoxLayout>

#include <utility>

namespace kv {

namespace {

// A label whose text wraps. Layouts ask its height for many widths at each pass, and a
// label lays its whole text out again for each: the heights stay known until its text or font
// changes. The preview's long body paid for this at every opening of the screen.
class TexteQuiPasse : public QLabel {
public:
    explicit TexteQuiPasse(const QString& texte, QWidget* parent) : QLabel(texte, parent) { setWordWrap(true); }
    int heightForWidth(int largeur) const override
    {
        if (m_texte != text() || m_police != font()) {
            m_hauteurs.clear();
            m_texte = text();
            m_police = font();
        }
        if (const auto it = m_hauteurs.constFind(largeur); it != m_hauteurs.constEnd())
            return it.value();
        const int hauteur = QLabel::heightForWidth(largeur);
        m_hauteurs.insert(largeur, hauteur);
        return hauteur;
    }

private:
    mutable QHash<int, int> m_hauteurs;
    mutable QString m_texte;
    mutable QFont m_police;
};

QLabel* libelle(const QString& texte, QWidget* parent)
{
    auto* l = new QLabel(texte, parent);
    // 160 points, more where large text needs it.
    l->setFixedWidth(std::max(160, l->sizeHint().width()));
    return l;
}

// A template of several lines: 100 points high unless the window gives it more, so that a low
// window keeps the other editors and the preview within a short scroll.
class EditeurMultiligne : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;
    QSize sizeHint() const override { return {QPlainTextEdit::sizeHint().width(), minimumHeight()}; }
};

QPlainTextEdit* editeurMultiligne(QWidget* parent)
{
    auto* e = new EditeurMultiligne(parent);
    e->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    e->setMinimumHeight(100);
    e->setTabChangesFocus(true);
    e->setFrameShape(QFrame::NoFrame);
    forms::setFieldBorder(e);
    return e;
}

// The preview's area: at least 220 points high and as high as the preview at its width, so that
// it is read by scrolling the page, never in a second scroll bar within it.
class ZoneApercu : public QScrollArea {
public:
    using QScrollArea::QScrollArea;

    QSize sizeHint() const override { return {QScrollArea::sizeHint().width(), hauteur()}; }
    QSize minimumSizeHint() const override { return {QScrollArea::minimumSizeHint().width(), hauteur()}; }

protected:
    bool event(QEvent* event) override
    {
        // The preview's text changed, or its width.
        if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Resize)
            updateGeometry();
        return QScrollArea::event(event);
    }

private:
    int hauteur() const
    {
        const int contenu = widget() ? widget()->heightForWidth(viewport()->width()) : 0;
        return std::max(220, contenu + 2 * frameWidth());
    }
};

// A long template shows its beginning, not its end.
void montrerDebut(QLineEdit* champ)
{
    champ->setCursorPosition(0);
}

QLabel* titreGras(const QString& texte, TextStyle style, QWidget* parent)
{
    auto* l = new QLabel(texte, parent);
    QFont f = fontForStyle(style, l->font());
    f.setBold(true);
    l->setFont(f);
    return l;
}

} // namespace

PreferencesEmailChauffeurView::PreferencesEmailChauffeurView(ModelContext* context, QWidget* parent,
                                                             Horloge horloge)
    : QWidget(parent), m_context(context), m_horloge(std::move(horloge))
{
    setObjectName(QStringLiteral("preferencesEmailChauffeurView"));
    m_chauffeurs = new Query<Chauffeur>(context, {}, {}, this);
    m_previewDate = localDayOf(m_horloge.maintenantMs(), fuseauHorairePlanning());
    m_exemple = std::make_unique<Chauffeur>(QStringLiteral("Exemple"), QStringLiteral("Camille"), nullptr,
                                            QList<Specialisation*>{}, QList<FormationChauffeur*>{},
                                            QList<Disponibilite*>{}, 50.0, std::nullopt, std::nullopt,
                                            std::nullopt, true);

    // The whole form scrolls when the window is lower than the editors and the preview.
    auto* cadre = new QVBoxLayout(this);
    cadre->setContentsMargins(0, 0, 0, 0);
    auto* defilement = new QScrollArea(this);
    defilement->setObjectName(QStringLiteral("defilementPreferences"));
    defilement->setWidgetResizable(true);
    defilement->setFrameShape(QFrame::NoFrame);
    defilement->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* contenu = new QWidget(defilement);
    defilement->setWidget(contenu);
    cadre->addWidget(defilement);
    auto* layout = new QVBoxLayout(contenu);
    layout->setSpacing(16);
    layout->addWidget(titreGras(QStringLiteral("Modèle d’email envoyé aux chauffeurs"), TextStyle::title2, this));
    layout->addWidget(construireVariables());

    QString erreurChargement;
    m_prefs = preferencesEmailParDefaut(context, &erreurChargement);
    if (!m_prefs) {
        // The default record could not be stored: say why instead of offering editors that
        // would save nothing.
        auto* echec = new QLabel(QStringLiteral("Échec de la sauvegarde: ") + erreurChargement, this);
        echec->setObjectName(QStringLiteral("erreurChargement"));
        echec->setWordWrap(true);
        echec->setStyleSheet(
            QStringLiteral("color: %1;").arg(forms::dangerTextColor(palette().color(QPalette::Window)).name()));
        layout->addWidget(echec);
        layout->addStretch(1);
        return;
    }
    m_sauves = ModelesEmail::de(*m_prefs);
    layout->addWidget(construireEditeurs());
    layout->addWidget(construireCommandes());
    layout->addWidget(construireApercu(), 1);

    // The preview is made once, with the first driver and his day, before the screen is first
    // painted.
    if (!m_chauffeurs->results().isEmpty())
        m_previewChauffeur = m_chauffeurs->results().first();
    calculerOperations();
    remplirChoixChauffeurs();
    connect(m_chauffeurs, &QueryBase::resultsChanged, this, [this] { remplirChoixChauffeurs(); });
}

PreferencesEmailChauffeurView::~PreferencesEmailChauffeurView()
{
    releaseFocusWithin(this);
}

QWidget* PreferencesEmailChauffeurView::construireVariables()
{
    auto* boite = new QGroupBox(QStringLiteral("Variables disponibles"), this);
    auto* pile = new QVBoxLayout(boite);
    pile->setSpacing(6);
    for (const QString& ligne : {QStringLiteral("Sujet / En\u2011tête / Pied :  {{prenom}}, {{nom}}, {{date}}, {{dateLongue}}"),
                                 QStringLiteral("Ligne d’opération :        {{typeOperation}}, {{client}}, {{adresse}}, {{volume}}")}) {
        // In a narrow window the list of variables goes on over the next line.
        auto* l = new TexteQuiPasse(ligne, boite);
        l->setFont(fontForStyle(TextStyle::subheadline, l->font()));
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        pile->addWidget(l);
    }
    return boite;
}

QWidget* PreferencesEmailChauffeurView::construireEditeurs()
{
    auto* bloc = new QWidget(this);
    auto* pile = new QVBoxLayout(bloc);
    pile->setContentsMargins(0, 0, 0, 0);
    auto* grille = new QGridLayout;
    grille->setHorizontalSpacing(16);
    grille->setVerticalSpacing(12);
    m_sujet = forms::keepOnOneLine(new QLineEdit(m_sauves.sujet, bloc));
    m_sujet->setObjectName(QStringLiteral("sujet"));
    montrerDebut(m_sujet);
    m_entete = editeurMultiligne(bloc);
    m_entete->setObjectName(QStringLiteral("entete"));
    m_entete->setPlainText(m_sauves.entete);
    m_ligne = forms::keepOnOneLine(new QLineEdit(m_sauves.ligneOperation, bloc));
    m_ligne->setObjectName(QStringLiteral("ligneOperation"));
    montrerDebut(m_ligne);
    m_pied = editeurMultiligne(bloc);
    m_pied->setObjectName(QStringLiteral("pied"));
    m_pied->setPlainText(m_sauves.pied);
    const QList<QPair<QString, QWidget*>> lignes = {
        {QStringLiteral("Sujet"), m_sujet},
        {QStringLiteral("En\u2011tête"), m_entete},
        {QStringLiteral("Ligne d’opération"), m_ligne},
        {QStringLiteral("Pied de mail"), m_pied},
    };
    for (int i = 0; i < lignes.size(); ++i) {
        QLabel* etiquette = libelle(lignes[i].first, bloc);
        // Each template is named by the label beside it, for those who cannot see the grid.
        etiquette->setBuddy(lignes[i].second);
        lignes[i].second->setAccessibleName(lignes[i].first);
        grille->addWidget(etiquette, i, 0, Qt::AlignLeft | Qt::AlignTop);
        grille->addWidget(lignes[i].second, i, 1);
    }
    pile->addLayout(grille);
    m_erreur = new QLabel(bloc);
    m_erreur->setObjectName(QStringLiteral("erreurSauvegarde"));
    m_erreur->setWordWrap(true);
    m_erreur->setStyleSheet(
        QStringLiteral("color: %1;").arg(forms::dangerTextColor(palette().color(QPalette::Window)).name()));
    m_erreur->hide();
    pile->addWidget(m_erreur);

    lier();
    connect(m_sujet, &QLineEdit::textChanged, this, &PreferencesEmailChauffeurView::ecrireModeles);
    connect(m_ligne, &QLineEdit::textChanged, this, &PreferencesEmailChauffeurView::ecrireModeles);
    connect(m_entete, &QPlainTextEdit::textChanged, this, &PreferencesEmailChauffeurView::ecrireModeles);
    connect(m_pied, &QPlainTextEdit::textChanged, this, &PreferencesEmailChauffeurView::ecrireModeles);
    return bloc;
}

QWidget* PreferencesEmailChauffeurView::construireCommandes()
{
    // The button, then the driver and the day; in a narrow window they go one under the other.
    auto* rangee = new FoldingRow(this);
    QBoxLayout* ligne = rangee->row();
    ligne->setContentsMargins(0, 0, 0, 0);
    m_reinitialiser = new QPushButton(QStringLiteral("Réinitialiser valeurs par défaut"), rangee);
    m_reinitialiser->setAutoDefault(false);
    connect(m_reinitialiser, &QPushButton::clicked, this, &PreferencesEmailChauffeurView::demanderReinitialisation);
    ligne->addWidget(m_reinitialiser);
    ligne->addStretch(1);

    const auto avecLibelle = [rangee](const QString& texte, QWidget* champ) {
        auto* paire = new QWidget(rangee);
        auto* pile = new QHBoxLayout(paire);
        pile->setContentsMargins(0, 0, 0, 0);
        auto* libelle = new QLabel(texte, paire);
        libelle->setBuddy(champ);
        // Read by its label, its chosen entry as its value.
        champ->setAccessibleName(texte);
        pile->addWidget(libelle);
        champ->setParent(paire);
        pile->addWidget(champ);
        return paire;
    };
    m_choixChauffeur = new QComboBox;
    m_choixChauffeur->setObjectName(QStringLiteral("choixChauffeur"));
    m_choixChauffeur->setMinimumContentsLength(16);
    m_choixChauffeur->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(m_choixChauffeur, &QComboBox::activated, this, &PreferencesEmailChauffeurView::chauffeurChoisi);
    ligne->addWidget(avecLibelle(QStringLiteral("Chauffeur"), m_choixChauffeur));

    m_choixDate = new QDateEdit(m_previewDate);
    m_choixDate->setObjectName(QStringLiteral("choixDate"));
    m_choixDate->setCalendarPopup(true);
    m_choixDate->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    connect(m_choixDate, &QDateEdit::dateChanged, this, [this](const QDate& d) {
        m_previewDate = d;
        rafraichirApercu();
    });
    ligne->addWidget(avecLibelle(QStringLiteral("Date"), m_choixDate));
    return rangee;
}

QWidget* PreferencesEmailChauffeurView::construireApercu()
{
    auto* boite = new QGroupBox(QStringLiteral("Aperçu"), this);
    auto* pileBoite = new QVBoxLayout(boite);
    auto* defilement = new ZoneApercu(boite);
    defilement->setObjectName(QStringLiteral("defilementApercu"));
    defilement->setWidgetResizable(true);
    defilement->setFrameShape(QFrame::NoFrame);
    auto* volet = new QWidget;
    auto* pile = new QVBoxLayout(volet);
    pile->setContentsMargins(0, 4, 0, 0);
    pile->setSpacing(8);
    auto* sujet = new QLabel(QStringLiteral("Sujet\u00A0:"), volet);
    sujet->setFont(fontForStyle(TextStyle::headline, sujet->font()));
    pile->addWidget(sujet);
    m_apercuSujet = new TexteQuiPasse(QString(), volet);
    m_apercuSujet->setObjectName(QStringLiteral("apercuSujet"));
    m_apercuSujet->setTextFormat(Qt::PlainText);
    pile->addWidget(m_apercuSujet);
    pile->addSpacing(4);
    auto* trait = new QFrame(volet);
    trait->setFrameShape(QFrame::HLine);
    trait->setFrameShadow(QFrame::Sunken);
    pile->addWidget(trait);
    pile->addSpacing(4);
    auto* corps = new QLabel(QStringLiteral("Corps\u00A0:"), volet);
    corps->setFont(fontForStyle(TextStyle::headline, corps->font()));
    pile->addWidget(corps);
    m_apercuCorps = new TexteQuiPasse(QString(), volet);
    m_apercuCorps->setObjectName(QStringLiteral("apercuCorps"));
    m_apercuCorps->setTextFormat(Qt::PlainText);
    m_apercuCorps->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    pile->addWidget(m_apercuCorps);
    pile->addStretch(1);
    defilement->setWidget(volet);
    pileBoite->addWidget(defilement);
    return boite;
}

void PreferencesEmailChauffeurView::remplirChoixChauffeurs()
{
    if (!m_choixChauffeur)
        return;
    const QList<Chauffeur*> chauffeurs = m_chauffeurs->results();
    // A chosen driver who left the store is forgotten: the first one stands in.
    if (m_previewChauffeur && !chauffeurs.contains(m_previewChauffeur)) {
        m_previewChauffeur = nullptr;
        rafraichirApercu();
    }
    const QSignalBlocker bloque(m_choixChauffeur);
    m_choixChauffeur->clear();
    for (Chauffeur* c : chauffeurs)
        m_choixChauffeur->addItem(c->prenom() + QLatin1Char(' ') + c->nom(), c->id());
    m_choixChauffeur->setCurrentIndex(int(chauffeurs.indexOf(chauffeurApercu())));
    majApercu();
}

void PreferencesEmailChauffeurView::chauffeurChoisi(int index)
{
    const QList<Chauffeur*> chauffeurs = m_chauffeurs->results();
    if (index < 0 || index >= chauffeurs.size())
        return;
    m_previewChauffeur = chauffeurs[index];
    rafraichirApercu();
}

Chauffeur* PreferencesEmailChauffeurView::chauffeurApercu() const
{
    if (m_previewChauffeur)
        return m_previewChauffeur;
    const QList<Chauffeur*> chauffeurs = m_chauffeurs->results();
    return chauffeurs.isEmpty() ? nullptr : chauffeurs.first();
}

ModelesEmail PreferencesEmailChauffeurView::modelesSaisis() const
{
    if (!m_sujet)
        return ModelesEmail::de(*m_prefs);
    return ModelesEmail{forms::singleLine(m_sujet->text()), m_entete->toPlainText(),
                        forms::singleLine(m_ligne->text()), m_pied->toPlainText()};
}

void PreferencesEmailChauffeurView::lier()
{
    using Champ = const QString& (EmailChauffeurPreferences::*)() const;
    using Ecrire = void (EmailChauffeurPreferences::*)(const QString&);
    const auto champ = [this](const QString& nom, std::function<QString()> montre, std::function<void(const QString&)> montrer,
                              Champ lire, Ecrire ecrire) {
        return forms::LiveField{nom, montre, [this, lire] { return (m_prefs->*lire)(); },
                                [this, montrer, lire] {
                                    m_chargement = true;
                                    montrer((m_prefs->*lire)());
                                    m_chargement = false;
                                },
                                [this, montre, ecrire] { (m_prefs->*ecrire)(montre()); }};
    };
    const auto ligne = [](QLineEdit* e) {
        return std::pair<std::function<QString()>, std::function<void(const QString&)>>{
            [e] { return forms::singleLine(e->text()); }, [e](const QString& t) { e->setText(t); montrerDebut(e); }};
    };
    const auto bloc = [](QPlainTextEdit* e) {
        return std::pair<std::function<QString()>, std::function<void(const QString&)>>{
            [e] { return e->toPlainText(); }, [e](const QString& t) { e->setPlainText(t); }};
    };
    m_formulaire = new forms::LiveForm(m_context, [this]() -> Record* { return m_prefs; }, this);
    const auto [sujet, montrerSujet] = ligne(m_sujet);
    const auto [entete, montrerEntete] = bloc(m_entete);
    const auto [operation, montrerOperation] = ligne(m_ligne);
    const auto [pied, montrerPied] = bloc(m_pied);
    m_formulaire->setFields({
        champ(QStringLiteral("Sujet"), sujet, montrerSujet, &EmailChauffeurPreferences::subjectTemplate,
              &EmailChauffeurPreferences::setSubjectTemplate),
        champ(QStringLiteral("En\u2011tête"), entete, montrerEntete, &EmailChauffeurPreferences::headerTemplate,
              &EmailChauffeurPreferences::setHeaderTemplate),
        champ(QStringLiteral("Ligne d’opération"), operation, montrerOperation,
              &EmailChauffeurPreferences::operationLineTemplate, &EmailChauffeurPreferences::setOperationLineTemplate),
        champ(QStringLiteral("Pied de mail"), pied, montrerPied, &EmailChauffeurPreferences::footerTemplate,
              &EmailChauffeurPreferences::setFooterTemplate),
    });
    connect(m_formulaire, &forms::LiveForm::followed, this, &PreferencesEmailChauffeurView::majApercu);
}

void PreferencesEmailChauffeurView::ecrireModeles()
{
    if (m_chargement || !m_prefs)
        return;
    // The same text typed here and stored elsewhere meanwhile: the user chooses, then it saves.
    QPointer<PreferencesEmailChauffeurView> moi(this);
    if (m_formulaire->askAboutConflicts(QStringLiteral("Modèle d’email"), [moi] {
            if (moi)
                moi->ecrireModeles();
        }))
        return;
    // Only the texts typed here are written: another window's texts stay as it stored them.
    // After a failed save they stay typed, so that the next change stores them too.
    const ModelesEmail avant = ModelesEmail::de(*m_prefs);
    m_formulaire->writeTyped();
    QString raison;
    if (m_context->save(&raison)) {
        m_sauves = ModelesEmail::de(*m_prefs);
        m_formulaire->markAllLoaded();
        m_erreur->clear();
        m_erreur->hide();
    } else {
        // The record shows what the file holds; the editors keep what was typed.
        avant.ecrireDans(*m_prefs);
        m_erreur->setText(QStringLiteral("Échec de la sauvegarde: ") + raison);
        m_erreur->show();
    }
    majApercu();
}

void PreferencesEmailChauffeurView::demanderReinitialisation()
{
    QPointer<PreferencesEmailChauffeurView> self(this);
    forms::askConfirmation(this, QStringLiteral("Réinitialiser les modèles ?"),
                           QStringLiteral("Le sujet, l’en-tête, la ligne d’opération et le pied reprendront leurs "
                                          "valeurs par défaut ; les textes actuels seront perdus."),
                           QStringLiteral("Réinitialiser"), QStringLiteral("Annuler"), [self] {
                               if (self)
                                   self->reinitialiserModeles();
                           });
}

void PreferencesEmailChauffeurView::reinitialiserModeles()
{
    if (!m_prefs)
        return;
    const ModelesEmail d = ModelesEmail::parDefaut();
    m_chargement = true;
    m_sujet->setText(d.sujet);
    m_entete->setPlainText(d.entete);
    m_ligne->setText(d.ligneOperation);
    montrerDebut(m_sujet);
    montrerDebut(m_ligne);
    m_pied->setPlainText(d.pied);
    m_chargement = false;
    ecrireModeles();
    rafraichirApercu();
}

void PreferencesEmailChauffeurView::rafraichirApercu()
{
    calculerOperations();
    majApercu();
}

void PreferencesEmailChauffeurView::calculerOperations()
{
    Chauffeur* chauffeur = chauffeurApercu();
    const QDateTime jour = QDateTime::fromMSecsSinceEpoch(startOfDayMs(m_previewDate, fuseauHorairePlanning()),
                                                          fuseauHorairePlanning());
    m_previewOps = chauffeur ? operationsDuJour(chauffeur, jour) : QList<PlanningOperation>{};
}

void PreferencesEmailChauffeurView::majApercu()
{
    if (!m_apercuSujet)
        return;
    const Chauffeur* chauffeur = chauffeurApercu();
    if (!chauffeur)
        chauffeur = m_exemple.get();
    const QDateTime jour = QDateTime::fromMSecsSinceEpoch(startOfDayMs(m_previewDate, fuseauHorairePlanning()),
                                                          fuseauHorairePlanning());
    const ModelesEmail modeles = modelesSaisis();
    m_apercuSujet->setText(renderTemplate(modeles.sujet, chauffeur, jour));
    m_apercuCorps->setText(buildEmailBody(modeles, chauffeur, jour, m_previewOps, m_horloge.maintenantLocal()));
}

QString PreferencesEmailChauffeurView::apercuSujet() const
{
    return m_apercuSujet ? m_apercuSujet->text() : QString();
}

QString PreferencesEmailChauffeurView::apercuCorps() const
{
    return m_apercuCorps ? m_apercuCorps->text() : QString();
}

QString PreferencesEmailChauffeurView::erreur() const
{
    if (!m_prefs) {
        auto* echec = findChild<QLabel*>(QStringLiteral("erreurChargement"));
        return echec ? echec->text() : QString();
    }
    return m_erreur->text();
}

void PreferencesEmailChauffeurView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The first time, the preview made with the screen is up to date; shown again later, it is
    // made again from what the store holds then.
    const bool premiereFois = !std::exchange(m_dejaMontre, true);
    if (!m_prefs || premiereFois || event->spontaneous())
        return;
    if (!m_previewChauffeur)
        m_previewChauffeur = chauffeurApercu();
    remplirChoixChauffeurs();
    rafraichirApercu();
}

} // namespace kv
