#include "citysearchpopup.h"

#include "journaux.h"
#include "vuesuggestionsadresse.h"

#include "widgets/forms/formstyle.h"
#include "widgets/plaintext.h"
#include "widgets/sharedannouncement.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

CitySearchPopup::CitySearchPopup(CitySearchViewModel* viewModel,
                                 std::function<void(const Coordonnee&)> onSelect, QWidget* parent)
    : QDialog(parent), m_viewModel(viewModel), m_onSelect(std::move(onSelect))
{
    setObjectName(QStringLiteral("citySearchPopup"));
    setWindowTitle(QStringLiteral("Rechercher une ville"));
    setFixedSize(400, 350);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    m_champ = new QLineEdit(this);
    m_champ->setObjectName(QStringLiteral("champVille"));
    m_champ->setPlaceholderText(QStringLiteral("Saisir une ville…"));
    m_champ->setAccessibleName(QStringLiteral("Ville"));
    m_champ->setClearButtonEnabled(true);
    layout->addWidget(m_champ);

    m_liste = new VueSuggestionsAdresse({}, [this](const Lieu& l) { choisir(l); }, this);
    m_liste->setItemDelegate(new DelegueLieu(true, m_liste));
    m_liste->setMaximumHeight(QWIDGETSIZE_MAX);
    m_liste->setAccessibleName(QStringLiteral("Villes trouvées"));
    m_liste->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(m_liste, 1);

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("messageVille"));
    m_message->setTextFormat(Qt::PlainText);
    m_message->setWordWrap(true);
    // The warning red, as far as it reads on the popup's own background.
    m_message->setStyleSheet(
        QStringLiteral("color: %1;").arg(forms::dangerTextColor(palette().color(QPalette::Window)).name()));
    m_message->hide();
    layout->addWidget(m_message);

    auto* rangee = new QHBoxLayout;
    rangee->addStretch(1);
    m_valider = new QPushButton(QStringLiteral("Valider"), this);
    m_valider->setObjectName(QStringLiteral("validerVille"));
    m_valider->setDefault(true);
    rangee->addWidget(m_valider);
    layout->addLayout(rangee);

    m_champ->setText(m_viewModel->query());
    m_liste->setSuggestions(m_viewModel->suggestions());
    connect(m_champ, &QLineEdit::textChanged, this, [this](const QString& t) { m_viewModel->setQuery(t); });
    connect(m_viewModel, &CitySearchViewModel::queryChanged, this, &CitySearchPopup::suivreQuery);
    connect(m_viewModel, &CitySearchViewModel::suggestionsChanged, this,
            [this] { m_liste->setSuggestions(m_viewModel->suggestions()); });
    connect(m_viewModel, &CitySearchViewModel::erreurChanged, this, [this] { dire(m_viewModel->erreur()); });
    connect(m_valider, &QPushButton::clicked, this, &CitySearchPopup::valider);
    // Down from the text field goes into the list.
    setTabOrder(m_champ, m_liste);
    setTabOrder(m_liste, m_valider);
    suivreQuery();
}

void CitySearchPopup::suivreQuery()
{
    if (m_champ->text() != m_viewModel->query())
        m_champ->setText(m_viewModel->query());
    // What was said of another text goes with it; a service out of reach stays said.
    if (m_viewModel->erreur().isEmpty())
        dire(QString());
    // A text of blanks still counts as typed.
    m_valider->setEnabled(!m_viewModel->query().isEmpty());
}

void CitySearchPopup::dire(const QString& texte)
{
    // A long text (a service's error, a long typed town) wraps within the popup's width; it is
    // whole in the tool tip. Said too, the keys staying in the town being typed.
    if (texte != m_message->text())
        announceOutcome(this, texte);
    m_message->setText(texte);
    setPlainToolTip(m_message, texte);
    m_message->setVisible(!texte.isEmpty());
}

void CitySearchPopup::choisir(const Lieu& lieu)
{
    QPointer<CitySearchPopup> moi(this);
    m_viewModel->resoudre(lieu, [moi](std::optional<Coordonnee> c) {
        if (!moi || !c)
            return;
        moi->m_onSelect(*c);
        if (moi)
            moi->accept();
    });
}

void CitySearchPopup::valider()
{
    if (m_viewModel->query().isEmpty())
        return;
    QPointer<CitySearchPopup> moi(this);
    m_viewModel->geocoderRequete([moi](std::optional<Coordonnee> c) {
        if (!moi)
            return;
        if (!c) {
            ligneSortie(QStringLiteral("Adresse introuvable"));
            // Out of reach, the service's own words say so; otherwise no town matched.
            const QString erreur = moi->m_viewModel->erreur();
            const QString typed = moi->m_champ->text().simplified();
            moi->dire(!erreur.isEmpty() ? erreur
                                        : QStringLiteral("Adresse introuvable\u00A0: aucune ville ne correspond à « %1 ».")
                                              .arg(typed.size() > 60 ? typed.left(60) + QStringLiteral("…") : typed));
            return;
        }
        moi->m_onSelect(*c);
        if (moi)
            moi->accept();
    });
}

} // namespace kv
