#include "clienteditorview.h"

#include "widgets/focusguard.h"

#include "model/modelcontext.h"
#include "widgets/forms/colorfield.h"
#include "widgets/forms/dialogs.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/formstyle.h"
#include "widgets/forms/listdetail.h"
#include "widgets/forms/singleline.h"
#include "widgets/forms/windowkey.h"

#include <QApplication>
#include <QHBoxLayout>
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

QLineEdit* textField(const QString& placeholder, QWidget* parent)
{
    auto* f = forms::keepOnOneLine(new QLineEdit(parent));
    f->setPlaceholderText(placeholder);
    f->setAccessibleName(placeholder);
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

ContactCard::ContactCard(Contact* contact, std::function<void()> onDelete, QWidget* parent)
    : QFrame(parent), m_contact(contact)
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
    m_prenom = textField(QStringLiteral("Prénom"), this);
    m_nom = textField(QStringLiteral("Nom"), this);
    m_delete = new QPushButton(symbolIcon(QStringLiteral("trash")), QStringLiteral("Supprimer"), this);
    m_delete->setFlat(true);
    m_delete->setStyleSheet(QStringLiteral("QPushButton { color: #D92D20; border: none; }"));
    first->addWidget(m_prenom, 1);
    first->addWidget(m_nom, 1);
    fields->addLayout(first);

    auto* second = new QHBoxLayout;
    second->setSpacing(8);
    m_telephone = textField(QStringLiteral("Téléphone"), this);
    m_email = textField(QStringLiteral("Email"), this);
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

    m_prenom->setText(contact->prenom());
    m_nom->setText(contact->nom());
    m_telephone->setText(contact->telephone());
    m_email->setText(contact->email());
    // Tab runs through the four fields; the delete button comes last.
    const QList<QWidget*> order = tabOrder();
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    // Every keystroke goes straight into the record.
    connect(m_prenom, &QLineEdit::textEdited, this, [this](const QString& t) { m_contact->setPrenom(t); });
    connect(m_nom, &QLineEdit::textEdited, this, [this](const QString& t) { m_contact->setNom(t); });
    connect(m_telephone, &QLineEdit::textEdited, this,
            [this](const QString& t) { m_contact->setTelephone(t); });
    connect(m_email, &QLineEdit::textEdited, this, [this](const QString& t) { m_contact->setEmail(t); });
    connect(m_delete, &QPushButton::clicked, this, [onDelete = std::move(onDelete)] { onDelete(); });
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
    m_ajouterContact->setToolTip(QStringLiteral("Ajouter un contact (Ctrl+Maj+N)"));
    addRow->addWidget(m_ajouterContact);
    addRow->addStretch(1);
    m_contactsSection->content()->addLayout(addRow);
    // While the button shows, its keys win over the window's "Nouvelle fenêtre".
    new forms::WindowKey(m_ajouterContact, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N),
                         [this] { m_ajouterContact->click(); });

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
        for (ContactCard* card : std::as_const(m_cards)) {
            if (!old || !now || !card->isAncestorOf(old) || card->isAncestorOf(now))
                continue;
            QMetaObject::invokeMethod(this, [this] {
                ContactCard* active = nullptr;
                for (ContactCard* c : std::as_const(m_cards))
                    if (c->isAncestorOf(QApplication::focusWidget()))
                        active = c;
                oublierContactsVides(active);
            }, Qt::QueuedConnection);
        }
    });

    chargerClient();
    updateMode();
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

forms::Question ClientEditorView::questionSuppression()
{
    return {QStringLiteral("Supprimer ce client ?"),
            QStringLiteral("Tous les contacts de ce client seront également supprimés.")};
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

void ClientEditorView::chargerClient()
{
    if (m_client) {
        m_nom->setText(m_client->nom());
        m_adresse->setText(m_client->adresse());
        m_codePostal->setText(m_client->codePostal());
        m_ville->setText(m_client->ville());
        m_telephone->setText(m_client->telephone());
        m_email->setText(m_client->email().value_or(QString()));
        m_numeroTVA->setText(m_client->numeroTVA().value_or(QString()));
        m_couleur->loadStoredText(m_client->couleur());
    } else {
        for (QLineEdit* f : {m_nom, m_adresse, m_codePostal, m_ville, m_telephone, m_email, m_numeroTVA})
            f->clear();
        m_couleur->loadDefault(forms::standardGreen());
    }
    rebuildContacts();
    updateValidity();
    m_formulaireCharge = formulaire();
}

QStringList ClientEditorView::formulaire() const
{
    QStringList valeurs;
    for (QLineEdit* f : {m_nom, m_adresse, m_codePostal, m_ville, m_telephone, m_email, m_numeroTVA})
        valeurs.append(f->text());
    valeurs.append(m_couleur->hexText());
    return valeurs;
}

bool ClientEditorView::hasUnsavedChanges() const
{
    return formulaire() != m_formulaireCharge;
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
}

void ClientEditorView::rebuildContacts()
{
    QList<Contact*> contacts;
    if (m_client && !m_client->isDeleted())
        contacts = m_client->contacts();
    QList<Contact*> shown;
    for (ContactCard* card : m_cards)
        shown.append(card->contact());
    m_aucunContact->setVisible(contacts.isEmpty());
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
    setTabOrder(previous, m_ajouterContact);
    setTabOrder(m_ajouterContact, m_supprimerClient);
}

bool ClientEditorView::enregistrer()
{
    const QString nom = m_nom->text().trimmed();
    if (nom.isEmpty() || !emailValide())
        return false;
    Client* client = m_client;
    const bool nouveau = client == nullptr;
    if (client) {
        client->setNom(nom);
        client->setCouleur(m_couleur->hexText());
        client->setAdresse(m_adresse->text());
        client->setCodePostal(m_codePostal->text());
        client->setVille(m_ville->text());
        client->setTelephone(m_telephone->text());
        client->setEmail(emptyMeansNone(m_email->text()));
        client->setNumeroTVA(emptyMeansNone(m_numeroTVA->text()));
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
    m_formulaireCharge = formulaire();
    emit saved(client);
    return true;
}

void ClientEditorView::ajouterContact()
{
    if (!m_client)
        return;
    auto* contact = new Contact(QString(), QString(), QString(), QString(), m_client);
    m_context->insert(contact);
    QString error;
    if (!m_context->save(&error)) {
        m_context->discardInsertion(contact);
        forms::showError(this, forms::saveFailedText(error));
    }
    rebuildContacts();
    // Typing goes on in the new card.
    if (!m_cards.isEmpty() && m_cards.last()->contact() == contact)
        m_cards.last()->prenomField()->setFocus(Qt::OtherFocusReason);
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
    QList<Contact*> vides;
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
    const forms::Question question = forms::withDeletedAlong(questionSuppression(), m_context, {m_client});
    forms::askConfirmation(this, question.title, question.message, QStringLiteral("Supprimer"), QStringLiteral("Annuler"), [self] {
                               if (self)
                                   self->supprimerClient();
                           });
}

void ClientEditorView::supprimerClient()
{
    if (m_client) {
        QString error;
        if (!m_context->remove(m_client, &error) || !m_context->save(&error)) {
            forms::showError(this, forms::deleteFailedText(error));
            return;
        }
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
