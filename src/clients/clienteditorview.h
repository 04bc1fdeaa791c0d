#pragma once

// The editor of a client and of its contacts. The client's fields are copied into the form and
// written back only by "Enregistrer"; contact cards edit their Contact records in place (the
// context's automatic save stores those keystrokes), and contacts are added and deleted at once.
// The editor never changes which client it is given: its caller does, through setClient().

#include <QFrame>
#include <QList>
#include <QWidget>

#include "widgets/forms/dialogs.h"

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace kv {
class Client;
class Contact;
class ModelContext;
}

namespace kv::forms {
class ColorField;
class EditorFrame;
class FormSection;
class LiveForm;
}

namespace kv {

// One contact person of a client, its fields written straight into the record.
class ContactCard : public QFrame {
    Q_OBJECT
public:
    // A null contact: a new card, whose record `create` makes at the first keystroke.
    ContactCard(Contact* contact, std::function<void()> onDelete, QWidget* parent = nullptr,
                std::function<Contact*()> create = {});
    ~ContactCard() override;
    Contact* contact() const { return m_contact; }
    QLineEdit* prenomField() const { return m_prenom; }
    QLineEdit* nomField() const { return m_nom; }
    QLineEdit* telephoneField() const { return m_telephone; }
    QLineEdit* emailField() const { return m_email; }
    QPushButton* deleteButton() const { return m_delete; }
    // True when no field holds more than spaces.
    bool estVide() const;
    // The fields in the order Tab follows, the delete button last.
    QList<QWidget*> tabOrder() const;
    // Shows what the record holds now in the fields not being typed in (changed elsewhere).
    void suivre();

private:
    void ecrire();

    Contact* m_contact;
    std::function<Contact*()> m_create;
    QLineEdit* m_prenom;
    QLineEdit* m_nom;
    QLineEdit* m_telephone;
    QLineEdit* m_email;
    QPushButton* m_delete;
};

class ClientEditorView : public QWidget {
    Q_OBJECT
public:
    enum class Champ { nom, adresse, cp, ville, telephone, email, tva };

    ClientEditorView(ModelContext* context, Client* client, QWidget* parent = nullptr);
    ~ClientEditorView() override;

    Client* client() const { return m_client; }
    // Points the editor at another client (or none for a new one); the form is reloaded when
    // the client differs from the one shown, discarding unsaved edits.
    void setClient(Client* client);

    // What is asked before a client is deleted, here and from the list.
    static forms::Question questionSuppression(const QList<Client*>& clients);
    // What a reader hears once they are deleted, each told from its look-alikes.
    static QString annonceSuppression(const QList<Client*>& clients);

    bool peutEnregistrer() const;
    bool emailValide() const;

    // Writes the form to the client (or a new one) and saves; true once stored. A failure is
    // reported and the form stays as typed; a new client that could not be saved is not kept.
    bool enregistrer();

    // What the screen asks before the editor is left.
    bool hasUnsavedChanges() const;
    bool canSaveChanges() const { return peutEnregistrer() && emailValide(); }
    bool saveChanges() { return enregistrer(); }
    void focusFirstField();

    QLineEdit* champ(Champ c) const;
    forms::ColorField* couleur() const { return m_couleur; }
    forms::EditorFrame* frame() const { return m_frame; }
    // The cards of the stored contacts, then the new card being filled (if any).
    QList<ContactCard*> contactCards() const
    {
        return m_brouillon ? m_cards + QList<ContactCard*>{m_brouillon} : m_cards;
    }
    QPushButton* ajouterContactButton() const { return m_ajouterContact; }
    QPushButton* supprimerClientButton() const { return m_supprimerClient; }
    QLabel* aucunContactLabel() const { return m_aucunContact; }

signals:
    // "Enregistrer" stored the client (new or not).
    void saved(kv::Client* client);
    // "Annuler", or the client was deleted.
    void cancelled();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void chargerClient();
    void ajouterContact();
    void supprimerContact(Contact* contact);
    void demanderSuppressionContact(Contact* contact);
    void oublierContactsVides(ContactCard* sauf = nullptr);
    void oublierBrouillon();
    void lierChamps();
    void supprimerClient();
    void confirmerSuppression();
    void updateMode();
    void updateValidity();
    void rebuildContacts();

    ModelContext* m_context;
    Client* m_client;

    forms::EditorFrame* m_frame = nullptr;
    QLineEdit* m_nom = nullptr;
    QLabel* m_nomRequis = nullptr;
    QLineEdit* m_adresse = nullptr;
    QLineEdit* m_codePostal = nullptr;
    QLineEdit* m_ville = nullptr;
    QLineEdit* m_telephone = nullptr;
    QLineEdit* m_email = nullptr;
    QLineEdit* m_numeroTVA = nullptr;
    forms::ColorField* m_couleur = nullptr;
    forms::FormSection* m_contactsSection = nullptr;
    forms::FormSection* m_dangerSection = nullptr;
    QVBoxLayout* m_cardsLayout = nullptr;
    QLabel* m_aucunContact = nullptr;
    QPushButton* m_ajouterContact = nullptr;
    QPushButton* m_supprimerClient = nullptr;
    QList<ContactCard*> m_cards;
    // "Ajouter un contact": a card whose record is made at its first keystroke.
    ContactCard* m_brouillon = nullptr;
    forms::LiveForm* m_live = nullptr;
    bool m_shownOnce = false;
};

} // namespace kv
