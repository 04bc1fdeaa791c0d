#include "typedechetformview.h"

#include "model/helpers.h"
#include "widgets/flowlayout.h"
#include "widgets/focusguard.h"

#include "model/query.h"
#include "widgets/forms/colorfield.h"
#include "widgets/forms/dialogs.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/fittingcombobox.h"
#include "widgets/forms/formstyle.h"
#include "widgets/forms/liveform.h"
#include "widgets/forms/numberfield.h"
#include "widgets/forms/singleline.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <cstdio>

namespace kv {

const QStringList TypeDechetFormView::categories = {
    QStringLiteral("DIB"), QStringLiteral("Inertes"), QStringLiteral("Déchets verts"),
    QStringLiteral("Dangereux"), QStringLiteral("Autre"),
};

namespace {

constexpr int kLargeurLibelles = 200;

// A short text beside a field, level with the field's line (the field's message goes below).
QLabel* texteSecondaire(const QString& texte, forms::Tone ton, QWidget* parent)
{
    auto* l = new QLabel(texte, parent);
    l->setFixedHeight(QLineEdit().sizeHint().height());
    l->setAlignment(Qt::AlignCenter);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, forms::toneColor(ton, p.color(QPalette::WindowText)));
    l->setPalette(p);
    return l;
}

// A number field spoken as `nom`, showing `indication` while empty where its row's label names
// two fields (« Jours inclus / Suppl. (€) »).
forms::NumberField* champNombre(forms::NumberField::Kind kind, bool optionnel, int largeur, const QString& nom,
                                QWidget* parent, const QString& indication = QString())
{
    auto* f = new forms::NumberField(kind, optionnel, parent);
    f->setFieldWidth(largeur);
    f->setPlaceholderText(indication);
    f->lineEdit()->setAccessibleName(nom);
    return f;
}

constexpr int kEcartPaire = 12;

// Shows the dash between a pair's fields only while the row holds the three on one line: a pair
// folded onto two lines leaves no dash hanging after its first field.
class TiretDePaire : public QObject {
public:
    TiretDePaire(QWidget* ligne, QWidget* premier, QWidget* tiret, QWidget* second)
        : QObject(ligne), m_premier(premier), m_tiret(tiret), m_second(second)
    {
        ligne->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize) {
            const int besoin = m_premier->sizeHint().width() + m_tiret->sizeHint().width()
                               + m_second->sizeHint().width() + 2 * kEcartPaire;
            m_tiret->setVisible(besoin <= static_cast<QWidget*>(watched)->contentsRect().width());
        }
        return false;
    }

private:
    QWidget* m_premier;
    QWidget* m_tiret;
    QWidget* m_second;
};

// Two fields side by side, an em dash between them; the second goes under the first, without
// the dash, when the row is too narrow for both.
QWidget* paire(QWidget* premier, QWidget* second, QWidget* parent)
{
    auto* ligne = new QWidget(parent);
    auto* row = new FlowLayout(ligne, kEcartPaire, 8);
    row->setContentsMargins(0, 0, 0, 0);
    auto* tiret = texteSecondaire(QStringLiteral("—"), forms::Tone::Tertiary, ligne);
    row->addWidget(premier);
    row->addWidget(tiret);
    row->addWidget(second);
    new TiretDePaire(ligne, premier, tiret, second);
    return ligne;
}

// A multi-line text field of at least two lines that grows with what it holds.
QPlainTextEdit* champExtensible(const QString& titre, QWidget* parent)
{
    auto* e = new QPlainTextEdit(parent);
    e->setPlaceholderText(titre);
    e->setAccessibleName(titre);
    e->setTabChangesFocus(true);
    forms::setFieldBorder(e);
    e->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    const auto ajuster = [e] {
        const QFontMetrics fm(e->font());
        const int lignes = std::clamp(int(e->document()->size().height()), 2, 10);
        const QMargins m = e->contentsMargins();
        e->setFixedHeight(lignes * fm.lineSpacing() + int(2 * e->document()->documentMargin())
                          + m.top() + m.bottom() + 2);
    };
    QObject::connect(e->document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged,
                     e, ajuster);
    ajuster();
    return e;
}

} // namespace

TypeDechetFormView::TypeDechetFormView(ModelContext* context, TypeDechet* type,
                                       TypeDechet* objetAModifier, bool isEdition, QWidget* parent)
    : QWidget(parent),
      m_context(context),
      m_model(new TypeDechetFormModel(type, this)),
      m_centres(new Query<CentreTraitement>(
          context, {},
          [](const CentreTraitement* a, const CentreTraitement* b) {
              return nameLessThan(a->nom(), b->nom());
          },
          this)),
      m_objetAModifier(objetAModifier),
      m_isEdition(isEdition)
{
    construire();
    connect(m_model, &TypeDechetFormModel::modifie, this, &TypeDechetFormView::actualiserValidite);
    connect(m_centres, &QueryBase::resultsChanged, this, &TypeDechetFormView::remplirCentres);
    lierChamps();
    actualiserValidite();
}

TypeDechetFormView::~TypeDechetFormView()
{
    releaseFocusWithin(this);
}

void TypeDechetFormView::construire()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_frame = new forms::EditorFrame(QStringLiteral("leaf.circle"),
                                     m_isEdition ? QStringLiteral("Modifier le type de déchet")
                                                 : QStringLiteral("Nouveau type de déchet"),
                                     this);
    m_frame->setSaveText(m_isEdition ? QStringLiteral("Enregistrer") : QStringLiteral("Ajouter"));
    layout->addWidget(m_frame);
    connect(m_frame, &forms::EditorFrame::saveRequested, this, &TypeDechetFormView::enregistrer);
    connect(m_frame, &forms::EditorFrame::cancelRequested, this, &TypeDechetFormView::cancelled);

    // Identity and classification.
    forms::FormSection* identite =
        m_frame->addSection(QStringLiteral("Identité & classification"), QStringLiteral("tag.circle"));
    identite->setLabelWidth(kLargeurLibelles);

    auto* ligneCouleur = new QHBoxLayout;
    ligneCouleur->setSpacing(8);
    m_libelle = forms::keepOnOneLine(new QLineEdit(m_model->libelle(), identite));
    m_libelle->setPlaceholderText(QStringLiteral("Libellé *"));
    ligneCouleur->addWidget(m_libelle, 1);
    m_couleur = new forms::ColorField(identite);
    m_couleur->setDisplayTransform([](const QString& t) { return t.toUpper(); });
    m_couleur->setColor(colorFromHex(m_model->couleur()).value_or(forms::standardGrey()));
    m_couleur->setHexText(m_model->couleur());
    ligneCouleur->addWidget(m_couleur);
    identite->addRow(QStringLiteral("Libellé"), ligneCouleur);
    connect(m_libelle, &QLineEdit::textEdited, m_model, &TypeDechetFormModel::setLibelle);
    connect(m_libelle, &QLineEdit::returnPressed, this, [this] { m_codeCED->setFocus(Qt::TabFocusReason); });
    connect(m_couleur, &forms::ColorField::colorPicked, this,
            [this](const QColor& c) { m_model->setCouleur(toHex(c)); });

    // Long entries (a category or a centre named elsewhere) are cut with "…" rather than widen
    // the form.
    m_categorie = new forms::FittingComboBox(identite);
    m_categorie->setAccessibleName(QStringLiteral("Catégorie"));
    m_categorie->addItems(categories);
    // A category stored elsewhere that is not one of ours shows as an entry of its own: the user
    // sees what is kept, and a save keeps it unless another one is chosen.
    if (!categories.contains(m_model->categorie()) && !m_model->categorie().isEmpty())
        m_categorie->addItem(m_model->categorie());
    m_categorie->setMaximumWidth(260);
    m_categorie->setCurrentIndex(m_categorie->findText(m_model->categorie()));
    identite->addRow(QStringLiteral("Catégorie"), m_categorie);
    connect(m_categorie, &QComboBox::activated, this,
            [this](int i) { m_model->setCategorie(m_categorie->itemText(i)); });

    m_codeCED = forms::keepOnOneLine(new QLineEdit(m_model->codeCED(), identite));
    m_codeCED->setPlaceholderText(QStringLiteral("ex: 17 04 05"));
    m_codeCED->setAccessibleName(QStringLiteral("Code CED"));
    identite->addRow(QStringLiteral("Code CED"), m_codeCED);
    connect(m_codeCED, &QLineEdit::textEdited, m_model, &TypeDechetFormModel::setCodeCED);

    m_centre = new forms::FittingComboBox(identite);
    m_centre->setAccessibleName(QStringLiteral("Centre"));
    m_centre->setMaximumWidth(320);
    identite->addRow(QStringLiteral("Centre de traitement"), m_centre);
    remplirCentres();
    connect(m_centre, &QComboBox::activated, this, [this](int i) {
        const QVariant v = m_centre->itemData(i);
        m_model->setSelectedCentreID(v.isValid() ? std::optional<QUuid>(v.toUuid()) : std::nullopt);
    });

    m_details = forms::keepOnOneLine(new QLineEdit(m_model->details(), identite));
    m_details->setPlaceholderText(QStringLiteral("Précisions / notes"));
    m_details->setAccessibleName(QStringLiteral("Détails"));
    auto* ligneDetails = new QHBoxLayout;
    ligneDetails->addWidget(m_details, 1);
    identite->addRow(QStringLiteral("Détails"), ligneDetails);
    connect(m_details, &QLineEdit::textEdited, m_model, &TypeDechetFormModel::setDetails);

    // Taxes and status.
    forms::FormSection* fiscalite = m_frame->addSection(QStringLiteral("Fiscalité & statut"),
                                                       QStringLiteral("doc.text.magnifyingglass"));
    fiscalite->setLabelWidth(kLargeurLibelles);
    m_ligneTva = new QWidget(fiscalite);
    auto* ligneTva = new QHBoxLayout(m_ligneTva);
    ligneTva->setContentsMargins(2, 2, 2, 2);
    m_tva = champNombre(forms::NumberField::Kind::Decimal, false, 70, QStringLiteral("TVA %"), m_ligneTva);
    m_tva->setRange(plages::tauxTVA, QStringLiteral("TVA"));
    m_tva->setValue(m_model->tva());
    ligneTva->addWidget(m_tva);
    ligneTva->addWidget(texteSecondaire(QStringLiteral("%"), forms::Tone::Secondary, m_ligneTva), 0,
                        Qt::AlignTop);
    fiscalite->addRow(QStringLiteral("TVA %"), m_ligneTva);
    connect(m_tva, &forms::NumberField::valueChanged, this, [this] {
        if (m_tva->value())
            m_model->setTva(*m_tva->value());
    });
    // After the field's own commit: a rate refused as typed outlines the row as well.

    auto* statut = new FlowLayout(nullptr, 16, 8);
    m_dangereux = new QCheckBox(QStringLiteral("Déchet dangereux"), fiscalite);
    m_dangereux->setChecked(m_model->estDangereux());
    m_melange = new QCheckBox(QStringLiteral("Mélange interdit"), fiscalite);
    m_melange->setChecked(m_model->melangeInterdit());
    statut->addWidget(m_dangereux);
    statut->addWidget(m_melange);
    fiscalite->addRow(QStringLiteral("Statut"), statut);
    connect(m_dangereux, &QCheckBox::toggled, m_model, &TypeDechetFormModel::setEstDangereux);
    connect(m_melange, &QCheckBox::toggled, m_model, &TypeDechetFormModel::setMelangeInterdit);

    // Prices.
    forms::FormSection* tarifs =
        m_frame->addSection(QStringLiteral("Tarification"), QStringLiteral("eurosign.circle"));
    tarifs->setLabelWidth(kLargeurLibelles);
    using Kind = forms::NumberField::Kind;
    m_forfait = champNombre(Kind::Decimal, true, 120, QStringLiteral("Forfait (€ HT)"), tarifs);
    m_forfait->setRange(plages::prixEuros, QStringLiteral("Forfait"));
    m_forfait->setValue(m_model->prixBaseForfait());
    tarifs->addRow(QStringLiteral("Forfait (€ HT)"), m_forfait);
    m_prixTonne = champNombre(Kind::Decimal, true, 120, QStringLiteral("Prix / tonne (€ HT)"), tarifs);
    m_prixTonne->setRange(plages::prixEuros, QStringLiteral("Prix / tonne"));
    m_prixTonne->setValue(m_model->prixBaseParTonne());
    tarifs->addRow(QStringLiteral("Prix / tonne (€ HT)"), m_prixTonne);
    m_franchise = champNombre(Kind::Decimal, true, 120, QStringLiteral("Franchise (tonnes)"), tarifs,
                              QStringLiteral("Franchise (t)"));
    m_franchise->setRange(plages::franchiseTonnes, QStringLiteral("Franchise"));
    m_franchise->setValue(m_model->franchiseTonnage());
    m_supplementTonnage =
        champNombre(Kind::Decimal, true, 140, QStringLiteral("Supplément par tonne (€)"), tarifs,
                    QStringLiteral("Suppl. tonne (€)"));
    m_supplementTonnage->setRange(plages::prixEuros, QStringLiteral("Suppl. tonne"));
    m_supplementTonnage->setValue(m_model->supplementTonnage());
    tarifs->addRow(QStringLiteral("Franchise / Supplément (t / €)"),
                   paire(m_franchise, m_supplementTonnage, tarifs));
    m_joursInclus = champNombre(Kind::Whole, true, 120, QStringLiteral("Nombre de jours inclus"), tarifs,
                                QStringLiteral("Jours inclus"));
    m_joursInclus->setRange(plages::joursInclus, QStringLiteral("Jours inclus"));
    m_joursInclus->setWholeValue(m_model->dureeIncluse());
    m_supplementJour = champNombre(Kind::Decimal, true, 140, QStringLiteral("Supplément par jour (€)"), tarifs,
                                   QStringLiteral("Suppl. jour (€)"));
    m_supplementJour->setRange(plages::prixEuros, QStringLiteral("Suppl. jour"));
    m_supplementJour->setValue(m_model->supplementJour());
    tarifs->addRow(QStringLiteral("Jours inclus / Suppl. (€)"),
                   paire(m_joursInclus, m_supplementJour, tarifs));

    const auto lier = [this](forms::NumberField* f, void (TypeDechetFormModel::*setter)(const std::optional<double>&)) {
        connect(f, &forms::NumberField::valueChanged, this, [this, f, setter] { (m_model->*setter)(f->value()); });
    };
    lier(m_forfait, &TypeDechetFormModel::setPrixBaseForfait);
    lier(m_prixTonne, &TypeDechetFormModel::setPrixBaseParTonne);
    lier(m_franchise, &TypeDechetFormModel::setFranchiseTonnage);
    lier(m_supplementTonnage, &TypeDechetFormModel::setSupplementTonnage);
    lier(m_supplementJour, &TypeDechetFormModel::setSupplementJour);
    connect(m_joursInclus, &forms::NumberField::valueChanged, this,
            [this] { m_model->setDureeIncluse(m_joursInclus->wholeValue()); });

    // Instructions and restrictions.
    forms::FormSection* consignes = m_frame->addSection(QStringLiteral("Consignes & restrictions"),
                                                       QStringLiteral("exclamationmark.shield"));
    m_consignes = champExtensible(QStringLiteral("Consignes"), consignes);
    m_consignes->setPlainText(m_model->consignes());
    consignes->content()->addWidget(m_consignes);
    m_dechetsInterdits =
        champExtensible(QStringLiteral("Déchets interdits (séparés par des virgules)"), consignes);
    m_dechetsInterdits->setPlainText(m_model->dechetsInterdits());
    consignes->content()->addWidget(m_dechetsInterdits);
    connect(m_consignes, &QPlainTextEdit::textChanged, this,
            [this] { m_model->setConsignes(m_consignes->toPlainText()); });
    connect(m_dechetsInterdits, &QPlainTextEdit::textChanged, this,
            [this] { m_model->setDechetsInterdits(m_dechetsInterdits->toPlainText()); });

    setTabOrder(m_libelle, m_couleur->pickerButton());
    setTabOrder(m_couleur->pickerButton(), m_categorie);
    setTabOrder(m_categorie, m_codeCED);
    setTabOrder(m_codeCED, m_centre);
    setTabOrder(m_centre, m_details);
    setTabOrder(m_details, m_tva->lineEdit());
    for (forms::NumberField* f : champsNombres())
        connect(f, &forms::NumberField::committed, this, &TypeDechetFormView::actualiserValidite);
}

namespace {

QString texteDe(const std::optional<QString>& t)
{
    return t.value_or(QString());
}

// A number as compared between two readings of the store: only equality matters.
QString nombreDe(const std::optional<double>& v)
{
    return v ? QString::number(*v, 'g', 17) : QString();
}

QString oui(bool b)
{
    return b ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

void TypeDechetFormView::lierChamps()
{
    // Only a type being edited follows the store; a new one has nothing to follow yet.
    m_live = new forms::LiveForm(
        m_context, [this]() -> Record* { return m_isEdition ? m_objetAModifier : nullptr; }, this);
    TypeDechetFormModel* m = m_model;
    const auto t = [this] { return m_objetAModifier; };
    using F = forms::LiveField;

    // A line edit bound to an optional text of the record.
    const auto ligneTexte = [&](const QString& nom, QLineEdit* champ, const QString& (TypeDechetFormModel::*lire)() const,
                                void (TypeDechetFormModel::*poser)(const QString&),
                                const std::optional<QString>& (TypeDechet::*stocke)() const,
                                void (TypeDechet::*ecrire)(const std::optional<QString>&)) {
        return F{nom, [m, lire] { return (m->*lire)(); }, [t, stocke] { return texteDe((t()->*stocke)()); },
                 [m, t, champ, poser, stocke] {
                     const QString v = texteDe((t()->*stocke)());
                     (m->*poser)(v);
                     champ->setText(v);
                 },
                 [m, t, lire, ecrire] { (t()->*ecrire)(texteOuNil((m->*lire)())); }};
    };
    // A number field: what it shows is its text, so a number typed and not yet read counts.
    const auto nombre = [&](const QString& nom, forms::NumberField* champ,
                            void (TypeDechetFormModel::*poser)(const std::optional<double>&),
                            const std::optional<double>& (TypeDechet::*stocke)() const,
                            void (TypeDechet::*ecrire)(const std::optional<double>&)) {
        return F{nom, [champ] { return champ->lineEdit()->text(); }, [t, stocke] { return nombreDe((t()->*stocke)()); },
                 [m, t, champ, poser, stocke] {
                     champ->setValue((t()->*stocke)());
                     (m->*poser)(champ->value());
                 },
                 [t, champ, ecrire] { (t()->*ecrire)(champ->value()); }};
    };
    const auto caseACocher = [&](const QString& nom, QCheckBox* champ, const bool& (TypeDechet::*stocke)() const,
                                 void (TypeDechet::*ecrire)(const bool&)) {
        return F{nom, [champ] { return oui(champ->isChecked()); }, [t, stocke] { return oui((t()->*stocke)()); },
                 // The box's toggle carries the value into the model.
                 [t, champ, stocke] { champ->setChecked((t()->*stocke)()); },
                 [t, champ, ecrire] { (t()->*ecrire)(champ->isChecked()); }};
    };
    const auto texteLong = [&](const QString& nom, QPlainTextEdit* champ, std::function<QString(const TypeDechet*)> stocke,
                               std::function<void(TypeDechet*, const QString&)> ecrire) {
        return F{nom, [champ] { return champ->toPlainText(); }, [t, stocke] { return stocke(t()); },
                 // The edit's change carries the text into the model.
                 [t, champ, stocke] { champ->setPlainText(stocke(t())); },
                 [t, champ, ecrire] { ecrire(t(), champ->toPlainText()); }};
    };

    m_live->setFields({
        F{QStringLiteral("Libellé"), [m] { return m->libelle(); }, [t] { return t()->libelle(); },
          [this, m, t] {
              m->setLibelle(t()->libelle());
              m_libelle->setText(t()->libelle());
          },
          [m, t] { t()->setLibelle(m->libelle()); }},
        F{QStringLiteral("Couleur"), [m] { return m->couleur(); },
          [t] { return t()->couleur().value_or(TypeDechetFormModel::kCouleurParDefaut); },
          [this, m, t] {
              const QString c = t()->couleur().value_or(TypeDechetFormModel::kCouleurParDefaut);
              m->setCouleur(c);
              m_couleur->setColor(colorFromHex(c).value_or(forms::standardGrey()));
              m_couleur->setHexText(c);
          },
          [m, t] { t()->setCouleur(texteOuNil(m->couleur())); }},
        F{QStringLiteral("Catégorie"), [m] { return m->categorie(); }, [t] { return t()->categorie(); },
          [this, m, t] {
              const QString c = t()->categorie();
              m->setCategorie(c);
              if (m_categorie->findText(c) < 0 && !c.isEmpty())
                  m_categorie->addItem(c);
              m_categorie->setCurrentIndex(m_categorie->findText(c));
          },
          [m, t] { t()->setCategorie(m->categorie()); }},
        ligneTexte(QStringLiteral("Code CED"), m_codeCED, &TypeDechetFormModel::codeCED, &TypeDechetFormModel::setCodeCED,
                   &TypeDechet::codeCED, &TypeDechet::setCodeCED),
        F{QStringLiteral("Centre de traitement"),
          [m] { return m->selectedCentreID() ? m->selectedCentreID()->toString() : QString(); },
          [t] { return t()->centreFavori() ? t()->centreFavori()->id().toString() : QString(); },
          [this, m, t] {
              const CentreTraitement* c = t()->centreFavori();
              m->setSelectedCentreID(c ? std::optional<QUuid>(c->id()) : std::nullopt);
              m_centre->setCurrentIndex(c ? m_centre->findData(c->id()) : 0);
          },
          [this, m, t] {
              if (!m->selectedCentreID())
                  t()->setCentreFavoriID(std::nullopt);
              else if (CentreTraitement* c = m_context->find<CentreTraitement>(*m->selectedCentreID()))
                  t()->setCentreFavori(c);
          }},
        ligneTexte(QStringLiteral("Détails"), m_details, &TypeDechetFormModel::details, &TypeDechetFormModel::setDetails,
                   &TypeDechet::details, &TypeDechet::setDetails),
        F{QStringLiteral("TVA %"), [this] { return m_tva->lineEdit()->text(); },
          [t] { return nombreDe(t()->tva()); },
          [this, m, t] {
              m_tva->setValue(t()->tva());
              m->setTva(t()->tva());
          },
          [m, t] { t()->setTva(m->tva()); }},
        caseACocher(QStringLiteral("Déchet dangereux"), m_dangereux, &TypeDechet::estDangereux, &TypeDechet::setEstDangereux),
        caseACocher(QStringLiteral("Mélange interdit"), m_melange, &TypeDechet::melangeInterdit,
                    &TypeDechet::setMelangeInterdit),
        nombre(QStringLiteral("Forfait"), m_forfait, &TypeDechetFormModel::setPrixBaseForfait,
               &TypeDechet::prixBaseForfait, &TypeDechet::setPrixBaseForfait),
        nombre(QStringLiteral("Prix / tonne"), m_prixTonne, &TypeDechetFormModel::setPrixBaseParTonne,
               &TypeDechet::prixBaseParTonne, &TypeDechet::setPrixBaseParTonne),
        nombre(QStringLiteral("Franchise"), m_franchise, &TypeDechetFormModel::setFranchiseTonnage,
               &TypeDechet::franchiseTonnage, &TypeDechet::setFranchiseTonnage),
        nombre(QStringLiteral("Suppl. tonne"), m_supplementTonnage, &TypeDechetFormModel::setSupplementTonnage,
               &TypeDechet::supplementTonnage, &TypeDechet::setSupplementTonnage),
        F{QStringLiteral("Jours inclus"), [this] { return m_joursInclus->lineEdit()->text(); },
          [t] { return t()->dureeIncluse() ? QString::number(*t()->dureeIncluse()) : QString(); },
          [this, m, t] {
              m_joursInclus->setWholeValue(t()->dureeIncluse());
              m->setDureeIncluse(m_joursInclus->wholeValue());
          },
          [this, t] { t()->setDureeIncluse(m_joursInclus->wholeValue()); }},
        nombre(QStringLiteral("Suppl. jour"), m_supplementJour, &TypeDechetFormModel::setSupplementJour,
               &TypeDechet::supplementJour, &TypeDechet::setSupplementJour),
        texteLong(
            QStringLiteral("Consignes"), m_consignes, [](const TypeDechet* x) { return texteDe(x->consignes()); },
            [](TypeDechet* x, const QString& v) { x->setConsignes(texteOuNil(v)); }),
        texteLong(
            QStringLiteral("Déchets interdits"), m_dechetsInterdits,
            [](const TypeDechet* x) { return x->dechetsInterdits().join(QStringLiteral(", ")); },
            [](TypeDechet* x, const QString& v) {
                x->setDechetsInterditsString(TypeDechetFormModel::listeDechetsInterdits(v).join(QLatin1Char('|')));
            }),
    });
}

bool TypeDechetFormView::hasUnsavedChanges() const
{
    return m_live->typed();
}

void TypeDechetFormView::remplirCentres()
{
    m_centre->clear();
    m_centre->addItem(QStringLiteral("— Aucun —"));
    for (const CentreTraitement* c : m_centres->results())
        m_centre->addItem(c->nom(), c->id());
    const std::optional<QUuid> choisi = m_model->selectedCentreID();
    m_centre->setCurrentIndex(choisi ? m_centre->findData(*choisi) : 0);
}

void TypeDechetFormView::actualiserValidite()
{
    // One rule for every number field: a typed value outside its range disables the save, as
    // long as it is shown.
    bool nombres = true;
    for (forms::NumberField* f : champsNombres()) {
        nombres = nombres && !f->outOfRange();
        if (f != m_tva)
            forms::setInvalidOutline(f->lineEdit(), f->outOfRange());
    }
    const bool tva = tvaValide() && !m_tva->outOfRange();
    m_frame->setSaveEnabled(libelleValide() && tva && nombres);
    forms::setInvalidOutline(m_ligneTva, !tva);
    m_couleur->setHexText(m_model->couleur());
}

bool TypeDechetFormView::libelleValide() const
{
    return !m_model->libelle().trimmed().isEmpty();
}

bool TypeDechetFormView::tvaValide() const
{
    const double tva = m_model->tva();
    return std::isfinite(tva) && tva >= 0 && tva <= 100;
}

QWidget* TypeDechetFormView::champ(Champ c) const
{
    switch (c) {
    case Champ::libelle:
        return m_libelle;
    case Champ::details:
        return m_details;
    case Champ::codeCED:
        return m_codeCED;
    }
    return nullptr;
}

QList<forms::NumberField*> TypeDechetFormView::champsNombres() const
{
    return {m_tva, m_forfait, m_prixTonne, m_franchise, m_supplementTonnage, m_joursInclus, m_supplementJour};
}

bool TypeDechetFormView::validerNombres()
{
    forms::NumberField* refuse = nullptr;
    for (forms::NumberField* f : champsNombres())
        if (!f->commit() && !refuse)
            refuse = f;
    // The first refused field takes the focus, its message under it.
    if (refuse)
        refuse->setFocus();
    return !refuse;
}

bool TypeDechetFormView::enregistrer()
{
    // What is typed in a number field counts even when the field was not left.
    const bool nombres = validerNombres();
    actualiserValidite();
    if (!nombres)
        return false;
    if (!libelleValide() || !tvaValide())
        return false;

    QString erreur;
    TypeDechet* ecrit = nullptr;
    bool ok = false;
    if (m_isEdition && m_objetAModifier) {
        if (m_objetAModifier->isDeleted()) {
            forms::showError(this, forms::saveFailedText(
                                       QStringLiteral("ce type de déchet a été supprimé entre-temps.")));
            return false;
        }
        // Only what was typed here is written: a field changed in another window meanwhile
        // keeps that change; one changed on both sides is asked about first.
        QPointer<TypeDechetFormView> self(this);
        if (m_live->askAboutConflicts(QStringLiteral("Ce type de déchet a été modifié dans une autre fenêtre"),
                                      [self] {
                                          if (self)
                                              self->enregistrer();
                                      }))
            return false;
        ecrit = m_objetAModifier;
        m_live->writeTyped();
        ok = m_context->save(&erreur);
    } else {
        ecrit = new TypeDechet(m_model->libelle(), std::nullopt, m_model->categorie(), std::nullopt,
                               std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                               std::nullopt, 20.0, false, std::nullopt, false, std::nullopt,
                               std::nullopt, std::nullopt, std::nullopt, std::nullopt);
        m_context->insert(ecrit);
        ok = m_model->enregistrer(ecrit, m_context, &erreur);
        // A retry must not store a second type: the record of a failed creation goes.
        if (!ok)
            m_context->discardInsertion(ecrit);
    }

    if (!ok) {
        const QString ligne =
            QStringLiteral("Erreur lors de l’enregistrement du TypeDechet: ") + erreur + QLatin1Char('\n');
        std::fputs(ligne.toUtf8().constData(), stdout);
        std::fflush(stdout);
        forms::showError(this, forms::saveFailedText(erreur));
        return false;
    }
    m_live->markAllLoaded();
    emit saved(ecrit);
    return true;
}

void TypeDechetFormView::focusFirstField()
{
    m_libelle->setFocus(Qt::ShortcutFocusReason);
}

void TypeDechetFormView::copierCodeCouleur()
{
    m_couleur->setHexText(m_model->couleur());
    m_couleur->copyHexText();
}

void TypeDechetFormView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_focusInitial) {
        m_focusInitial = true;
        if (!libelleValide())
            m_libelle->setFocus(Qt::OtherFocusReason);
    }
}

} // namespace kv
