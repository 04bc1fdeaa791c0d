#include "clienteditorview.h"

#include "widgets/focusguard.h"

#include "model/helpers.h"
#include "model/modelcontext.h"
#include "widgets/forms/colorfield.h"
#include "widgets/forms/dialogs.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/formstyle.h"
#include "widgets/forms/listdetail.h"
#include "widgets/forms/liveform.h"
#include "widgets/forms/singleline.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QUuid>
#include <QVBoxLayout>

namespace kv {

using forms::ColorField;
using forms::EditorFrame;
using forms::FormSection;

namespace {

// A field spoken by the label beside it (its row's), or by `name` where it has none: never by
// its placeholder, an example that goes once something is typed.
QLineEdit* textField(const QString& placeholder, QWidget* parent, const QString& name = QString())
{
    auto* f = forms::keepOnOneLine(new QLineEdit(parent));
    f->setPlaceholderText(placeholder);
    f->setAccessibleName(name);
    // Fields grow with the pane; this is what they keep on a narrow one.
    f->setMinimumWidth(90);
    return f;
}

std::optional<QString> emptyMeansNone(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

} // namespace

ContactCard::ContactCard(Contact* contact, std::function<void()> onDelete, QWidget* parent,
                         std::function<Contact*()> create)
    : QFrame(parent), m_contact(contact), m_create(std::move(create))
{
    setObjectName(QStringLiteral("contactCard"));
    setStyleSheet(QStringLiteral("#contactCard { background: palette(base);"
                                 " border: 1px solid rgba(128, 128, 128, 70); border-radius: 12px; }"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);

    // The four fields in two rows, the delete button at the end of the first (under the fields
    // when the card is narrow).
    auto* fields = new QVBoxLayout;
    fields->setSpacing(8);
    auto* first = new QHBoxLayout;
    first->setSpacing(8);
    m_prenom = textField(QStringLiteral("Prénom"), this, QStringLiteral("Prénom du contact"));
    m_nom = textField(QStringLiteral("Nom"), this, QStringLiteral("Nom du contact"));
    m_delete = new QPushButton(symbolIcon(QStringLiteral("trash")), QStringLiteral("Supprimer"), this);
    m_delete->setFlat(true);
    m_delete->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; }")
                                .arg(forms::dangerTextColor(palette().color(QPalette::Base)).name()));
    first->addWidget(m_prenom, 1);
    first->addWidget(m_nom, 1);
    fields->addLayout(first);

    auto* second = new QHBoxLayout;
    second->setSpacing(8);
    m_telephone = textField(QStringLiteral("Téléphone"), this, QStringLiteral("Téléphone du contact"));
    m_email = textField(QStringLiteral("Email"), this, QStringLiteral("Email du contact"));
    second->addWidget(m_telephone, 1);
    second->addWidget(m_email, 1);
    fields->addLayout(second);

    auto* row = new forms::TrailingWrapLayout;
    row->setSpacing(8);
    row->setLead(fields);
    auto* button = new QVBoxLayout;
    button->addWidget(m_delete);
    button->addStretch(1);
    row->setTrail(button);
    layout->addLayout(row);

    suivre();
    // Tab runs through the four fields; the delete button comes last.
    const QList<QWidget*> order = tabOrder();
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    // Every keystroke goes straight into the record; a new card makes its record at the first
    // one, so that an empty contact is never stored.
    for (QLineEdit* f : {m_prenom, m_nom, m_telephone, m_email})
        connect(f, &QLineEdit::textEdited, this, &ContactCard::ecrire);
    connect(m_delete, &QPushButton::clicked, this, [onDelete = std::move(onDelete)] { onDelete(); });
}

void ContactCard::ecrire()
{
    if (!m_contact) {
        if (estVide() || !m_create)
            return;
        m_contact = m_create();
        if (!m_contact)
            return;
    }
    // Only what differs is written: a field left alone never overwrites a change made elsewhere.
    if (m_contact->prenom() != m_prenom->text())
        m_contact->setPrenom(m_prenom->text());
    if (m_contact->nom() != m_nom->text())
        m_contact->setNom(m_nom->text());
    if (m_contact->telephone() != m_telephone->text())
        m_contact->setTelephone(m_telephone->text());
    if (m_contact->email() != m_email->text())
        m_contact->setEmail(m_email->text());
}

void ContactCard::suivre()
{
    if (!m_contact || m_contact->isDeleted())
        return;
    // Each keystroke is in the record at once, so a field that differs from it was changed
    // elsewhere; the field being typed in keeps the typing.
    const std::pair<QLineEdit*, QString> valeurs[] = {{m_prenom, m_contact->prenom()},
                                                     {m_nom, m_contact->nom()},
                                                     {m_telephone, m_contact->telephone()},
                                                     {m_email, m_contact->email()}};
    for (const auto& [champ, valeur] : valeurs)
        if (champ->text() != valeur && !champ->hasFocus())
            champ->setText(valeur);
}

bool ContactCard::estVide() const
{
    for (const QLineEdit* f : {m_prenom, m_nom, m_telephone, m_email})
        if (!f->text().trimmed().isEmpty())
            return false;
    return true;
}

QList<QWidget*> ContactCard::tabOrder() const
{
    return {m_prenom, m_nom, m_telephone, m_email, m_delete};
}

ClientEditorView::ClientEditorView(ModelContext* context, Client* client, QWidget* parent)
    : QWidget(parent), m_context(context), m_client(client)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_frame = new EditorFrame(QStringLiteral("person.crop.square"), QString(), this);
    layout->addWidget(m_frame);

    // Identité
    FormSection* identite = m_frame->addSection(QStringLiteral("Identité"), QStringLiteral("person.text.rectangle"));
    m_nom = textField(QStringLiteral("Nom du client"), this);
    identite->addRow(QStringLiteral("Nom"), m_nom);
    // Why a save asked for elsewhere (Ctrl+S, the question of Quit) was refused, under the field.
    m_nomRequis = new QLabel(QStringLiteral("Le nom est requis pour enregistrer le client."), this);
    m_nomRequis->setObjectName(QStringLiteral("nomRequis"));
    m_nomRequis->setWordWrap(true);
    m_nomRequis->setFont(forms::fontFor(forms::TextStyle::Caption, font()));
    m_nomRequis->setStyleSheet(
        QStringLiteral("color: %1;").arg(forms::dangerTextColor(palette().color(QPalette::Window)).name()));
    m_nomRequis->hide();
    identite->rows()->addUnderFields(m_nomRequis);
    m_couleur = new ColorField(this);
    // The form starts green with the text "#00FF00"; loading replaces both.
    m_couleur->loadDefault(forms::standardGreen());
    m_couleur->setHexText(QStringLiteral("#00FF00"));
    identite->addRow(QStringLiteral("Couleur"), m_couleur);

    // Coordonnées
    FormSection* coord = m_frame->addSection(QStringLiteral("Coordonnées"), QStringLiteral("mappin.and.ellipse"));
    m_adresse = textField(QStringLiteral("Adresse"), this);
    coord->addRow(QStringLiteral("Adresse"), m_adresse);
    auto* cpRow = new QHBoxLayout;
    cpRow->setSpacing(8);
    // A postcode is five digits: the room left goes to the town, whose names run long
    // ("Caluire-et-Cuire", "Saint-Germain-en-Laye").
    m_codePostal = textField(QStringLiteral("CP"), this);
    m_codePostal->setMinimumWidth(0);
    m_codePostal->setFixedWidth(m_codePostal->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 20);
    m_ville = textField(QStringLiteral("Ville"), this);
    // Long town names ("Villefranche-sur-Saône") take the room the row has; a narrow pane
    // scrolls them within the field.
    QLabel* villeLabel = forms::makeFieldLabel(QStringLiteral("Ville"), 0, this);
    villeLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    villeLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    villeLabel->setBuddy(m_ville);
    m_ville->setAccessibleName(villeLabel->text());
    cpRow->addWidget(m_codePostal);
    cpRow->addWidget(villeLabel);
    cpRow->addWidget(m_ville, 1);
    coord->addRow(QStringLiteral("Code postal"), cpRow);
    m_telephone = textField(QStringLiteral("Téléphone"), this);
    coord->addRow(QStringLiteral("Téléphone"), m_telephone);
    m_email = textField(QStringLiteral("contact@exemple.fr"), this);
    m_email->setAccessibleName(QStringLiteral("Email"));
    m_email->setInputMethodHints(Qt::ImhEmailCharactersOnly);
    coord->addRow(QStringLiteral("Email"), m_email);
    m_numeroTVA = textField(QStringLiteral("FRXX…"), this);
    coord->addRow(QStringLiteral("N° TVA"), m_numeroTVA);

    // Contacts
    m_contactsSection = m_frame->addSection(QStringLiteral("Contacts"),
                                            QStringLiteral("person.2.crop.square.stack"));
    m_contactsSection->content()->setSpacing(10);
    m_aucunContact = new QLabel(QStringLiteral("Aucun contact"), this);
    QPalette secondary = m_aucunContact->palette();
    secondary.setColor(QPalette::WindowText,
                       forms::toneColor(forms::Tone::Secondary, secondary.color(QPalette::WindowText)));
    m_aucunContact->setPalette(secondary);
    m_contactsSection->content()->addWidget(m_aucunContact);
    m_cardsLayout = new QVBoxLayout;
    m_cardsLayout->setSpacing(10);
    m_contactsSection->content()->addLayout(m_cardsLayout);
    auto* addRow = new QHBoxLayout;
    addRow->setContentsMargins(0, 6, 0, 0);
    m_ajouterContact = new QPushButton(symbolIcon(QStringLiteral("plus.circle.fill")),
                                       QStringLiteral("Ajouter un contact"), this);
    addRow->addWidget(m_ajouterContact);
    addRow->addStretch(1);
    m_contactsSection->content()->addLayout(addRow);
    // No key of its own: Ctrl+Maj+N is the window's "Nouvelle fenêtre" wherever the focus is;
    // the button is on the Tab path, after the cards.

    // Danger zone
    m_dangerSection = m_frame->addSection(QStringLiteral("Danger zone"),
                                          QStringLiteral("exclamationmark.triangle"));
    m_supprimerClient = forms::makeDangerButton(QStringLiteral("Supprimer ce client"), this);
    auto* dangerRow = new QHBoxLayout;
    dangerRow->addWidget(m_supprimerClient);
    dangerRow->addStretch(1);
    m_dangerSection->content()->addLayout(dangerRow);

    // Keyboard: Return moves on from the name and the address; Tab follows the form.
    connect(m_nom, &QLineEdit::returnPressed, m_adresse, [this] { m_adresse->setFocus(); });
    connect(m_adresse, &QLineEdit::returnPressed, m_codePostal, [this] { m_codePostal->setFocus(); });
    QWidget* order[] = {m_nom, m_couleur->pickerButton(), m_adresse, m_codePostal, m_ville,
                        m_telephone, m_email, m_numeroTVA};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    for (QLineEdit* f : {m_nom, m_email})
        connect(f, &QLineEdit::textChanged, this, &ClientEditorView::updateValidity);
    connect(m_frame, &EditorFrame::cancelRequested, this, &ClientEditorView::cancelled);
    connect(m_frame, &EditorFrame::saveRequested, this, &ClientEditorView::enregistrer);
    connect(m_ajouterContact, &QPushButton::clicked, this, &ClientEditorView::ajouterContact);
    connect(m_supprimerClient, &QPushButton::clicked, this, &ClientEditorView::confirmerSuppression);
    connect(m_context, &ModelContext::changed, this, &ClientEditorView::rebuildContacts);
    // A contact card left with nothing typed in it is not kept.
    // (The focus leaving the window altogether leaves it be.)
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        QList<ContactCard*> cards = m_cards;
        if (m_brouillon)
            cards.append(m_brouillon);
        for (ContactCard* card : std::as_const(cards)) {
            if (!old || !now || !card->isAncestorOf(old) || card->isAncestorOf(now))
                continue;
            QMetaObject::invokeMethod(this, [this] {
                QList<ContactCard*> all = m_cards;
                if (m_brouillon)
                    all.append(m_brouillon);
                ContactCard* active = nullptr;
                for (ContactCard* c : std::as_const(all))
                    if (c->isAncestorOf(QApplication::focusWidget()))
                        active = c;
                oublierContactsVides(active);
            }, Qt::QueuedConnection);
            break;
        }
    });

    lierChamps();
    chargerClient();
    updateMode();
}

void ClientEditorView::lierChamps()
{
    m_live = new forms::LiveForm(m_context, [this]() -> Record* { return m_client; }, this);
    const auto texte = [this](const QString& nom, QLineEdit* champ, auto lire, auto ecrire) {
        return forms::LiveField{nom, [champ] { return champ->text(); }, [this, lire] { return (m_client->*lire)(); },
                                [this, champ, lire] { champ->setText((m_client->*lire)()); },
                                [this, champ, ecrire] { (m_client->*ecrire)(champ->text()); }};
    };
    const auto optionnel = [this](const QString& nom, QLineEdit* champ, auto lire, auto ecrire) {
        return forms::LiveField{nom, [champ] { return champ->text(); },
                                [this, lire] { return (m_client->*lire)().value_or(QString()); },
                                [this, champ, lire] { champ->setText((m_client->*lire)().value_or(QString())); },
                                [this, champ, ecrire] { (m_client->*ecrire)(emptyMeansNone(champ->text())); }};
    };
    m_live->setFields({
        forms::LiveField{QStringLiteral("Nom"), [this] { return m_nom->text(); }, [this] { return m_client->nom(); },
                         [this] { m_nom->setText(m_client->nom()); },
                         [this] { m_client->setNom(m_nom->text().trimmed()); }},
        forms::LiveField{QStringLiteral("Couleur"), [this] { return m_couleur->hexText(); },
                         [this] { return m_client->couleur(); },
                         [this] { m_couleur->loadStoredText(m_client->couleur()); },
                         [this] { m_client->setCouleur(m_couleur->hexText()); }},
        texte(QStringLiteral("Adresse"), m_adresse, &Client::adresse, &Client::setAdresse),
        texte(QStringLiteral("Code postal"), m_codePostal, &Client::codePostal, &Client::setCodePostal),
        texte(QStringLiteral("Ville"), m_ville, &Client::ville, &Client::setVille),
        texte(QStringLiteral("Téléphone"), m_telephone, &Client::telephone, &Client::setTelephone),
        optionnel(QStringLiteral("Email"), m_email, &Client::email, &Client::setEmail),
        optionnel(QStringLiteral("N° TVA"), m_numeroTVA, &Client::numeroTVA, &Client::setNumeroTVA),
    });
}

void ClientEditorView::setClient(Client* client)
{
    if (client == m_client)
        return;
    oublierContactsVides();
    m_client = client;
    chargerClient();
    updateMode();
}

forms::Question ClientEditorView::questionSuppression(const QList<Client*>& clients)
{
    // Named with what tells each from its look-alikes: several clients may share a name.
    QStringList noms;
    for (const Client* c : clients)
        noms.append(nomClientDistinct(c));
    return forms::naming({QStringLiteral("Supprimer ce client ?"),
                          QStringLiteral("Tous les contacts de ce client seront également supprimés.")},
                         noms);
}

QString ClientEditorView::annonceSuppression(const QList<Client*>& clients)
{
    QStringList noms;
    for (const Client* c : clients)
        noms.append(nomClientDistinct(c));
    return forms::removedText(QStringLiteral("Client supprimé"), QStringLiteral("clients supprimés"), noms);
}

bool ClientEditorView::peutEnregistrer() const
{
    return !m_nom->text().trimmed().isEmpty();
}

bool ClientEditorView::emailValide() const
{
    const QString email = m_email->text();
    return email.isEmpty() || (email.contains(QLatin1Char('@')) && email.contains(QLatin1Char('.')));
}

QLineEdit* ClientEditorView::champ(Champ c) const
{
    switch (c) {
    case Champ::nom: return m_nom;
    case Champ::adresse: return m_adresse;
    case Champ::cp: return m_codePostal;
    case Champ::ville: return m_ville;
    case Champ::telephone: return m_telephone;
    case Champ::email: return m_email;
    case Champ::tva: return m_numeroTVA;
    }
    return nullptr;
}

void ClientEditorView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        if (!m_client)
            m_nom->setFocus(Qt::OtherFocusReason);
    }
}

void ClientEditorView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // The editor leaving the screen (another command, the window closed, Quit) keeps no contact
    // left empty; a minimised window is left be.
    if (!event->spontaneous())
        oublierContactsVides();
}

void ClientEditorView::chargerClient()
{
    if (!m_client) {
        for (QLineEdit* f : {m_nom, m_adresse, m_codePostal, m_ville, m_telephone, m_email, m_numeroTVA})
            f->clear();
        m_couleur->loadDefault(forms::standardGreen());
    }
    m_live->loadAll();
    if (m_brouillon) {
        m_brouillon->hide();
        m_brouillon->deleteLater();
        m_brouillon = nullptr;
    }
    rebuildContacts();
    updateValidity();
}

bool ClientEditorView::hasUnsavedChanges() const
{
    return m_live->typed();
}

void ClientEditorView::focusFirstField()
{
    m_nom->setFocus(Qt::ShortcutFocusReason);
    m_nom->selectAll();
}

void ClientEditorView::updateMode()
{
    m_frame->setTitle(m_client ? QStringLiteral("Modifier le client") : QStringLiteral("Nouveau client"));
    m_contactsSection->setVisible(m_client != nullptr);
    m_dangerSection->setVisible(m_client != nullptr);
}

void ClientEditorView::updateValidity()
{
    forms::setInvalidOutline(m_email, !emailValide());
    m_frame->setSaveEnabled(peutEnregistrer() && emailValide());
    if (peutEnregistrer()) {
        m_nomRequis->hide();
        forms::setInvalidOutline(m_nom, false);
    }
}

void ClientEditorView::rebuildContacts()
{
    QList<Contact*> contacts;
    if (m_client && !m_client->isDeleted())
        contacts = m_client->contacts();
    // A new card that got its record at the first keystroke joins the others where it stands.
    if (m_brouillon && m_brouillon->contact()) {
        m_cards.append(m_brouillon);
        m_brouillon = nullptr;
    }
    for (ContactCard* card : std::as_const(m_cards))
        card->suivre();
    QList<Contact*> shown;
    for (ContactCard* card : m_cards)
        shown.append(card->contact());
    m_aucunContact->setVisible(contacts.isEmpty() && !m_brouillon);
    if (shown == contacts)
        return;
    for (ContactCard* card : m_cards) {
        card->hide();
        card->deleteLater();
    }
    m_cards.clear();
    // Tab runs through the cards where they stand: after the client's fields, before
    // "Ajouter un contact" and the danger zone.
    QWidget* previous = m_numeroTVA;
    for (Contact* contact : contacts) {
        auto* card = new ContactCard(contact, [this, contact] { demanderSuppressionContact(contact); }, this);
        m_cardsLayout->addWidget(card);
        m_cards.append(card);
        for (QWidget* w : card->tabOrder()) {
            setTabOrder(previous, w);
            previous = w;
        }
    }
    if (m_brouillon) {
        m_cardsLayout->addWidget(m_brouillon);
        for (QWidget* w : m_brouillon->tabOrder()) {
            setTabOrder(previous, w);
            previous = w;
        }
    }
    setTabOrder(previous, m_ajouterContact);
    setTabOrder(m_ajouterContact, m_supprimerClient);
}

bool ClientEditorView::enregistrer()
{
    const QString nom = m_nom->text().trimmed();
    if (nom.isEmpty()) {
        m_nomRequis->show();
        forms::setInvalidOutline(m_nom, true);
        m_nom->setFocus(Qt::OtherFocusReason);
        return false;
    }
    if (!emailValide()) {
        m_email->setFocus(Qt::OtherFocusReason);
        return false;
    }
    Client* client = m_client;
    const bool nouveau = client == nullptr;
    if (client) {
        // Only what was typed here is written: a field changed in another window meanwhile
        // keeps that change; one changed on both sides is asked about first.
        QPointer<ClientEditorView> self(this);
        if (m_live->askAboutConflicts(QStringLiteral("Ce client a été modifié dans une autre fenêtre"), [self] {
                if (self)
                    self->enregistrer();
            }))
            return false;
        m_live->writeTyped();
    } else {
        client = new Client(QUuid::createUuid(), nom, m_couleur->hexText(), m_adresse->text(),
                            m_codePostal->text(), m_ville->text(), m_telephone->text(),
                            emptyMeansNone(m_email->text()), emptyMeansNone(m_numeroTVA->text()));
        m_context->insert(client);
    }
    QString error;
    if (!m_context->save(&error)) {
        if (nouveau)
            m_context->discardInsertion(client);
        forms::showError(this, forms::saveFailedText(error));
        return false;
    }
    // A new contact card left empty was not stored: it goes with the save, focused or not.
    if (m_brouillon && !m_brouillon->contact() && m_brouillon->estVide())
        oublierBrouillon();
    m_live->markAllLoaded();
    emit saved(client);
    return true;
}

void ClientEditorView::ajouterContact()
{
    if (!m_client)
        return;
    // A new card with no record yet: the contact is made at the first keystroke in it, so a
    // card left empty never stores an empty contact. One such card at a time.
    if (!m_brouillon) {
        QPointer<ClientEditorView> self(this);
        auto carte = std::make_shared<QPointer<ContactCard>>();
        m_brouillon = new ContactCard(
            nullptr,
            [self, carte] {
                // Still the new card: it goes (asking when it holds text); adopted, it is a
                // contact's card as the others.
                if (!self || !*carte)
                    return;
                if (self->m_brouillon == *carte)
                    self->oublierBrouillon();
                else if ((*carte)->contact())
                    self->demanderSuppressionContact((*carte)->contact());
            },
            this, [self]() -> Contact* {
                if (!self || !self->m_client || self->m_client->isDeleted())
                    return nullptr;
                auto* contact = new Contact(QString(), QString(), QString(), QString(), self->m_client);
                self->m_context->insert(contact);
                return contact;
            });
        *carte = m_brouillon;
        m_aucunContact->hide();
        m_cardsLayout->addWidget(m_brouillon);
        QWidget* previous = m_cards.isEmpty() ? static_cast<QWidget*>(m_numeroTVA) : m_cards.last()->tabOrder().last();
        for (QWidget* w : m_brouillon->tabOrder()) {
            setTabOrder(previous, w);
            previous = w;
        }
        setTabOrder(previous, m_ajouterContact);
    }
    // Typing goes on in the new card.
    m_brouillon->prenomField()->setFocus(Qt::OtherFocusReason);
}

void ClientEditorView::oublierBrouillon()
{
    if (!m_brouillon)
        return;
    if (m_brouillon->contact()) {
        demanderSuppressionContact(m_brouillon->contact());
        return;
    }
    m_brouillon->hide();
    m_brouillon->deleteLater();
    m_brouillon = nullptr;
    m_aucunContact->setVisible(m_cards.isEmpty());
}

void ClientEditorView::demanderSuppressionContact(Contact* contact)
{
    const auto it = std::find_if(m_cards.cbegin(), m_cards.cend(),
                                 [contact](const ContactCard* c) { return c->contact() == contact; });
    if (it == m_cards.cend() || (*it)->estVide()) {
        supprimerContact(contact);
        return;
    }
    const QString nom = (contact->prenom().trimmed() + QLatin1Char(' ') + contact->nom().trimmed()).trimmed();
    QPointer<ClientEditorView> self(this);
    forms::askConfirmation(this, QStringLiteral("Supprimer ce contact ?"),
                           nom.isEmpty() ? QStringLiteral("Cette action est irréversible.")
                                         : QStringLiteral("« %1 » sera supprimé. Cette action est irréversible.").arg(nom),
                           QStringLiteral("Supprimer"), QStringLiteral("Annuler"), [self, contact] {
                               if (self && !contact->isDeleted())
                                   self->supprimerContact(contact);
                           });
}

void ClientEditorView::oublierContactsVides(ContactCard* sauf)
{
    if (m_brouillon && m_brouillon != sauf && !m_brouillon->contact() && m_brouillon->estVide())
        oublierBrouillon();
    QList<Contact*> vides;
    if (m_brouillon && m_brouillon != sauf && m_brouillon->contact() && m_brouillon->estVide()
        && !m_brouillon->contact()->isDeleted())
        vides.append(m_brouillon->contact());
    for (ContactCard* card : std::as_const(m_cards))
        if (card != sauf && card->estVide() && !card->contact()->isDeleted())
            vides.append(card->contact());
    if (vides.isEmpty())
        return;
    QString error;
    for (Contact* c : vides)
        m_context->remove(c, &error);
    if (!m_context->save(&error))
        forms::showError(this, forms::deleteFailedText(error));
    rebuildContacts();
}

void ClientEditorView::supprimerContact(Contact* contact)
{
    QString error;
    if (!m_context->remove(contact, &error) || !m_context->save(&error))
        forms::showError(this, forms::deleteFailedText(error));
    rebuildContacts();
}

void ClientEditorView::confirmerSuppression()
{
    QPointer<ClientEditorView> self(this);
    const forms::Question question = forms::withDeletedAlong(questionSuppression({m_client}), m_context, {m_client});
    forms::askConfirmation(this, question.title, question.message, QStringLiteral("Supprimer"), QStringLiteral("Annuler"), [self] {
                               if (self)
                                   self->supprimerClient();
                           });
}

void ClientEditorView::supprimerClient()
{
    if (m_client) {
        const QString dit = annonceSuppression({m_client});
        QString error;
        if (!m_context->remove(m_client, &error) || !m_context->save(&error)) {
            forms::showError(this, forms::deleteFailedText(error));
            return;
        }
        // Said once the keys are back in the list, over the window that outlives this editor.
        announceOutcomeAfterwards(window(), dit);
    }
    emit cancelled();
}

ContactCard::~ContactCard()
{
    releaseFocusWithin(this);
}

ClientEditorView::~ClientEditorView()
{
    releaseFocusWithin(this);
}

} // namespace kv
